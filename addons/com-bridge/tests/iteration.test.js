'use strict';
// for...of over collections: the object's enumerator, one element at a time.
const test = require('node:test');
const assert = require('node:assert/strict');
const { addon, hresult, serverTest, serverCounts, needsWine } = require('./support');

test('Scripting.Dictionary iterates its keys; FileSystemObject\'s Drives its drives', { skip: needsWine }, () => {
  const dictionary = addon.CreateObject('Scripting.Dictionary');
  const fso = addon.CreateObject('Scripting.FileSystemObject');
  try {
    for (const [k, v] of [['a', 1], ['b', 2], [3, 'c']]) dictionary.call('Add', k, v);
    assert.deepEqual([...dictionary], ['a', 'b', 3]);
    const drives = fso.get('Drives');
    const letters = [];
    for (const drive of drives) {
      assert.ok(drive instanceof addon.ComObject);
      letters.push(drive.get('DriveLetter'));
      assert.equal(drive.release(), 0);
    }
    assert.ok(letters.includes('C'), letters.join());
    drives.release();
  } finally {
    dictionary.release();
    fso.release();
  }
});

serverTest('a collection: every element in order; mixed kinds', (server) => {
  const items = server.call('Items', 100);
  assert.deepEqual([...items], Array.from({ length: 100 }, (_, i) => i + 1));
  assert.equal(items.release(), 0);
  const empty = server.call('Items', 0);
  assert.deepEqual([...empty], []);
  assert.equal(empty.release(), 0);
  const mixed = server.call('MixedItems');
  const [number, text, object] = mixed;
  assert.equal(number, 1);
  assert.equal(text, 'two');
  assert.ok(object instanceof addon.ComObject);
  assert.equal(object.release(), 1);  // the collection keeps its own reference
  assert.equal(mixed.release(), 0);
});

serverTest('leaving a loop early releases the enumerator and what it had fetched', (server) => {
  const items = server.call('Items', 50);
  let seen = 0;
  for (const item of items) {
    seen = item;
    if (item === 3) break;
  }
  assert.equal(seen, 3);
  const iterator = items[Symbol.iterator]();
  assert.deepEqual(iterator.next(), { value: 1, done: false });
  assert.deepEqual(iterator.return(), { value: undefined, done: true });
  assert.deepEqual(iterator.next(), { value: undefined, done: true });
  assert.equal(items.release(), 0);
  assert.deepEqual(serverCounts(), { live: 1, references: 1 });  // only the server object
});

serverTest('an enumerator that fails part-way throws its COM error after the elements it gave', (server) => {
  const failing = server.call('FailingItems', 100, 40);
  const got = [];
  assert.throws(() => { for (const item of failing) got.push(item); },
    (e) => e.comError.errorCode === hresult(0x80004005));
  assert.deepEqual(got, Array.from({ length: 40 }, (_, i) => i + 1));
  assert.equal(failing.release(), 0);
});

serverTest('iterators come only from iterating: script cannot make one without an enumerator behind it', (server) => {
  const items = server.call('Items', 2);
  const iterator = items[Symbol.iterator]();
  const Iterator = Object.getPrototypeOf(iterator).constructor;
  assert.throws(() => new Iterator(), TypeError);
  assert.throws(() => Iterator(), TypeError);
  assert.throws(() => Reflect.construct(Iterator, [], Object), TypeError);
  for (const receiver of [{}, Object.create(Object.getPrototypeOf(iterator)), items]) {
    assert.throws(() => iterator.next.call(receiver), TypeError);
    assert.throws(() => iterator.return.call(receiver), TypeError);
  }
  assert.deepEqual([...iterator], [1, 2]);
  assert.equal(items.release(), 0);
});

serverTest('an object without an enumerator is not iterable', (server) => {
  assert.throws(() => [...server], { name: 'TypeError', message: 'The ComObject is not iterable' });
  const child = server.call('Child');
  child.release();
  assert.throws(() => [...child], { message: 'The ComObject was released' });
});
