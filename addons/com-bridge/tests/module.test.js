'use strict';
// Module entry and acquisition: the exports, the ComObject class, CreateObject,
// GetActiveObject, FindWindow, AccessibleObjectFromWindow and Release.
const test = require('node:test');
const assert = require('node:assert/strict');
const { addon, onStandIn } = require('./support');

// Any object with Add and Count: the stand-in's only server has them too.
const dictionaryProgId = onStandIn ? 'Quillaret.TestServer' : 'Scripting.Dictionary';

test('the exports, in their order of creation, and the prototype methods in theirs', () => {
  assert.deepEqual(Object.keys(addon),
    ['ComObject', 'CreateObject', 'GetActiveObject', 'FindWindow', 'AccessibleObjectFromWindow', 'Release']);
  assert.equal(addon.ComObject.name, 'ComObject');
  assert.deepEqual(Object.getOwnPropertyNames(addon.ComObject.prototype).filter((n) => n !== 'constructor'),
    ['on', 'off', '_getTypeInfo', 'get', 'set', 'call', 'callUnsafe', 'qi', 'release']);
  assert.equal(typeof addon.ComObject.prototype[Symbol.iterator], 'function');
});

test('ComObject cannot be constructed or called by script', () => {
  const message = "Constructor initialization isn't supported. Consider using addon.CreateObject(..) function";
  assert.throws(() => new addon.ComObject(), { message });
  assert.throws(() => addon.ComObject(), { message });
});

test('the script thread\'s apartment: the MTA com-bridge joins in a bare node, or the STA it finds',
  { skip: onStandIn && 'the stand-in has no apartments' }, () => {
    assert.equal(require(process.env.WIN_CONTROL).apartment(), process.env.COM_APARTMENT);
  });

test('a method called on something that is no ComObject is refused by the runtime', () => {
  const dictionary = addon.CreateObject(dictionaryProgId);
  try {
    for (const receiver of [{}, [], null, 5, Object.create(addon.ComObject.prototype)]) {
      assert.throws(() => addon.ComObject.prototype.get.call(receiver, 'Count'), TypeError);
    }
  } finally {
    assert.equal(dictionary.release(), 0);
  }
});

test('CreateObject: argument and registration failures are plain errors', () => {
  const notAString = 'ProgId should be string and provided as first argument of CreateObject';
  for (const bad of [[], [5], [new String('Scripting.Dictionary')], [null], [{}]]) {
    assert.throws(() => addon.CreateObject(...bad), { message: notAString });
  }
  assert.throws(() => addon.CreateObject(''), { message: "ComObject for given progID isn't registered" });
  assert.throws(() => addon.CreateObject('Quillaret.NoSuchServer'), { message: "ComObject for given progID isn't registered" });
  // Cut at the first NUL: what is left is a registered ProgID.
  const cut = addon.CreateObject(`${dictionaryProgId}\0ignored`);
  assert.equal(cut.release(), 0);
});

test('two CreateObject calls give distinct objects, each with its own reference', () => {
  const a = addon.CreateObject(dictionaryProgId);
  const b = addon.CreateObject(dictionaryProgId);
  assert.notEqual(a, b);
  assert.ok(a instanceof addon.ComObject && b instanceof addon.ComObject);
  a.call('Add', 'only in a', 1);
  assert.equal(b.get('Count'), 0);
  assert.equal(a.release(), 0);
  assert.equal(b.release(), 0);
});

test('GetActiveObject: argument, registration and running-object failures', () => {
  assert.throws(() => addon.GetActiveObject(), { message: 'ProgId should be string and provided as first argument of GetActiveObject' });
  assert.throws(() => addon.GetActiveObject(7), { message: 'ProgId should be string and provided as first argument of GetActiveObject' });
  assert.throws(() => addon.GetActiveObject('Quillaret.NoSuchServer'), { message: "ComObject for given progID isn't registered" });
  assert.throws(() => addon.GetActiveObject(dictionaryProgId), { message: 'Failed to get ComObject for given progID' });
});

test('Release: the same as release(), and anything but a live ComObject is refused', () => {
  const dictionary = addon.CreateObject(dictionaryProgId);
  for (const bad of [undefined, null, {}, [], 'x', 5, Object.create(addon.ComObject.prototype)]) {
    assert.throws(() => addon.Release(bad), { name: 'TypeError', message: 'Release expects a ComObject' });
  }
  assert.equal(addon.Release(dictionary), 0);
  assert.throws(() => addon.Release(dictionary), { name: 'Error', message: 'The ComObject was released' });
});

test('a released ComObject throws on every use and cannot be passed', () => {
  const dictionary = addon.CreateObject(dictionaryProgId);
  const holder = addon.CreateObject(dictionaryProgId);
  assert.equal(dictionary.release(), 0);
  const released = { message: 'The ComObject was released' };
  assert.throws(() => dictionary.get('Count'), released);
  assert.throws(() => dictionary.set('CompareMode', 1), released);
  assert.throws(() => dictionary.call('Exists', 'a'), released);
  assert.throws(() => dictionary.callUnsafe('Exists', 'a'), released);
  assert.throws(() => dictionary.qi(['{00020400-0000-0000-C000-000000000046}']), released);
  assert.throws(() => dictionary.release(), released);
  assert.throws(() => dictionary('a'), released);
  assert.throws(() => holder.call('Add', 'k', dictionary),
    { name: 'TypeError', message: 'Argument 2 cannot be passed to COM: a released ComObject' });
  assert.equal(holder.get('Count'), 0);
  assert.equal(holder.release(), 0);
});

test('FindWindow: a handle at or above 2^31 comes back negative and finds the same window when passed back',
  { skip: !onStandIn && 'the system chooses window handles' }, () => {
    const control = require(process.env.STANDIN_CONTROL);
    const high = control.createWindow({ className: 'QuillaretHighHandle', handle: 0x80001234 | 0 });
    const child = control.createWindow({ className: 'QuillaretHighChild', parent: high });
    const found = addon.FindWindow(0, 0, 'QuillaretHighHandle');
    assert.equal(found, -2147478988);  // 0x80001234 as a signed 32-bit number
    assert.equal(addon.FindWindow(found, 0, 'QuillaretHighChild'), child);
    assert.equal(addon.FindWindow(0x80001234, 0, 'QuillaretHighChild'), child);  // ToInt32: the same handle
  });

test('FindWindow: no arguments or an empty class give the first top-level window', { skip: onStandIn && 'the stand-in\'s desktop has no windows' }, () => {
  const first = addon.FindWindow();
  assert.equal(typeof first, 'number');
  assert.notEqual(first, 0);  // the bed's desktop has windows
  assert.equal(addon.FindWindow(0, 0, ''), first);
  assert.equal(addon.FindWindow('x', {}, 5), first);  // non-numbers are 0, a non-string class is none
  assert.equal(addon.FindWindow(0, 0, 'Quillaret no such class'), 0);
});

test('AccessibleObjectFromWindow: a window without a native object model gives undefined', () => {
  assert.equal(addon.AccessibleObjectFromWindow(addon.FindWindow()), undefined);
  assert.equal(addon.AccessibleObjectFromWindow(0), undefined);
  assert.equal(addon.AccessibleObjectFromWindow('not a window'), undefined);
});
