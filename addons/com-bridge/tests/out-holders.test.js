'use strict';
// `_out` holders: by-reference arguments and what the server wrote into them.
const assert = require('node:assert/strict');
const { addon, VT, serverTest, lastArguments } = require('./support');

serverTest('each kind of value passes in its own cell and reads back what the server wrote', (server) => {
  const holders = [{ _out: 0 }, { _out: 2 ** 31 }, { _out: 0.5 }, { _out: new Date(5) }, { _out: false },
    { _out: 'old' }, { _out: null }];
  assert.equal(server.call('Fill', ...holders), holders.length);
  // As received, before the server wrote: type and cell content.
  assert.deepEqual(lastArguments().reverse(), [
    { vt: VT.I4 | VT.BYREF, ref: { vt: VT.I4, value: 0 } },
    { vt: VT.UI4 | VT.BYREF, ref: { vt: VT.UI4, value: 2147483648 } },
    { vt: VT.R8 | VT.BYREF, ref: { vt: VT.R8, value: 0.5 } },
    { vt: VT.DATE | VT.BYREF, ref: { vt: VT.DATE, value: 5 } },
    { vt: VT.BOOL | VT.BYREF, ref: { vt: VT.BOOL, value: 0 } },
    { vt: VT.BSTR | VT.BYREF, ref: { vt: VT.BSTR, value: 'old' } },
    { vt: VT.VARIANT | VT.BYREF, ref: { vt: VT.NULL, value: null } },
  ]);
  assert.deepEqual(holders.map((h) => h._out), [42, 4000000000, 2.5, new Date(86400000), true, 'filled', 'variant']);
});

serverTest('a ComObject passes in a cell holding its own reference; the object written back is the caller\'s', (server) => {
  const child = server.call('Child');
  const holder = { _out: child };
  assert.equal(server.call('Fill', holder), 1);
  assert.equal(lastArguments()[0].vt, VT.DISPATCH | VT.BYREF);
  assert.ok(holder._out instanceof addon.ComObject);
  assert.notEqual(holder._out, child);
  // The server released the cell's reference, not the caller's.
  assert.equal(child.get('Count'), 0);
  assert.equal(child.release(), 0);
  assert.equal(holder._out.release(), 0);
});

serverTest('an array passes by reference and receives the server\'s new array', (server) => {
  const holder = { _out: [1, 2] };
  assert.equal(server.call('Fill', holder), 1);
  assert.equal(lastArguments()[0].vt, VT.ARRAY | VT.VARIANT | VT.BYREF);
  assert.deepEqual(holder._out, [7, 8, 9]);
});

serverTest('an undefined value is a missing argument, never by reference, and stays as it was', (server) => {
  const holder = { _out: undefined };
  assert.equal(server.call('Optional', 'a', holder), 'a,-,-');
  assert.ok(Object.hasOwn(holder, '_out'));
  assert.equal(holder._out, undefined);
});

serverTest('a failed call leaves the holder as it was; a holder that lost _out is skipped', (server) => {
  const holder = { _out: 0 };
  assert.equal(server.call('Fail', 'EXCEPTION', holder), undefined);
  assert.equal(holder._out, 0);
  assert.throws(() => server.callUnsafe('Fail', 'EXCEPTION', holder));
  assert.equal(holder._out, 0);
  // The server's own Echo reads the cell; removing _out meanwhile is not possible
  // from script, so a getter removes it on the second read.
  let reads = 0;
  const vanishing = { get _out() { reads += 1; return 5; } };
  Object.defineProperty(vanishing, '_out', { configurable: true, get() { reads += 1; delete vanishing._out; return 5; } });
  assert.equal(server.call('Fill', vanishing), 1);
  assert.equal(Object.hasOwn(vanishing, '_out'), false);
  assert.ok(reads >= 1);
});

serverTest('holders given to set, or to a call of the instance, are passed by reference but never written back', (server) => {
  const forSet = { _out: 3 };
  server.set('Value', forSet);
  assert.deepEqual(lastArguments(), [{ vt: VT.I4 | VT.BYREF, ref: { vt: VT.I4, value: 3 } }]);
  assert.equal(server.get('Value'), 3);
  assert.equal(forSet._out, 3);
  const forCall = { _out: 'x' };
  assert.equal(server(forCall), 'get x');
  assert.equal(forCall._out, 'x');
});

serverTest('get and call write back too', (server) => {
  const holder = { _out: 1 };
  server.get('Fill', holder);
  assert.equal(holder._out, 42);
});

serverTest('a ComObject that cannot be handed to script is released: a frozen holder, a setter that throws', (server) => {
  const child = server.call('Child');
  // A frozen holder takes no write-back: the server's new object is not wrapped.
  const frozen = Object.freeze({ _out: child });
  assert.equal(server.call('Fill', frozen), 1);
  assert.equal(frozen._out, child);
  // A setter that throws: the object made for it and the call's result (the
  // same object, echoed) are released, and the caller gets the exception.
  const refusing = { get _out() { return child; }, set _out(value) { throw new RangeError('not taken'); } };
  assert.throws(() => server.call('Echo', refusing), { name: 'RangeError', message: 'not taken' });
  assert.equal(child.release(), 0);
});
