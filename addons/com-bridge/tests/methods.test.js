'use strict';
// The ComObject methods and the default-member call, against the test server.
const assert = require('node:assert/strict');
const { addon, VT, serverTest, serverCalls, lastArguments, serverCounts } = require('./support');

const DISPATCH_METHOD = 1;
const DISPATCH_PROPERTYGET = 2;
const DISPATCH_PROPERTYPUT = 4;

serverTest('get, call and callUnsafe invoke with their flags; names are resolved on every call', (server) => {
  server.get('Count');
  server.call('Count');
  server.callUnsafe('Count');
  server.get('count');  // names are the server's business: this one is case-insensitive
  const calls = serverCalls().slice(-4);
  assert.deepEqual(calls.map((c) => c.flags), [DISPATCH_PROPERTYGET, DISPATCH_METHOD, DISPATCH_METHOD, DISPATCH_PROPERTYGET]);
  assert.deepEqual(calls.map((c) => c.member), ['Count', 'Count', 'Count', 'Count']);
});

serverTest('get with a name and one argument is a property get with that argument', (server) => {
  server.set('Item', 'k');  // a put needs the key too: refused by the server
  assert.equal(server.get('Count'), 0);
  assert.equal(server.get('Item', 'k'), undefined);
  const call = serverCalls().at(-1);
  assert.equal(call.flags, DISPATCH_PROPERTYGET);
  assert.deepEqual(call.args, [{ vt: VT.BSTR, value: 'k' }]);
});

serverTest('set is a property put of one value under DISPID_PROPERTYPUT, undefined whether or not it worked', (server) => {
  assert.equal(server.set('Value', 'stored'), undefined);
  const put = serverCalls().at(-1);
  assert.equal(put.flags, DISPATCH_PROPERTYPUT);
  assert.deepEqual(put.named, [-3]);
  assert.equal(server.get('Value'), 'stored');
  const child = server.call('Child');
  server.set('Value', child);  // an object is put with DISPATCH_PROPERTYPUT too
  assert.equal(serverCalls().at(-1).flags, DISPATCH_PROPERTYPUT);
  assert.equal(server.set('NoSuchProperty', 1), undefined);
  assert.equal(server.set('Count', 1), undefined);  // read-only: refused, not reported
  server.set('Value', null);
  assert.equal(child.release(), 0);
});

serverTest('no arguments at all: the member named "undefined", with no call arguments', (server) => {
  assert.equal(server.get(), undefined);
  assert.equal(server.call(), undefined);
  assert.throws(() => server.callUnsafe(), (e) => e.comError.errorCode === (0x80020006 | 0));
});

serverTest('objects returned by calls are new ComObjects with references of their own', (server) => {
  const a = server.call('Child');
  const b = server.call('Echo', a);
  assert.ok(a instanceof addon.ComObject && b instanceof addon.ComObject);
  assert.notEqual(a, b);
  assert.deepEqual(serverCounts(), { live: 2, references: 3 });  // server, and a's object held twice
  assert.equal(a.release(), 1);
  assert.equal(b.get('Count'), 0);  // still usable through b
  assert.equal(b.release(), 0);
});

serverTest('release: the count the server reports; the first gives up the one reference, whatever the count', (server) => {
  const released = { message: 'The ComObject was released' };
  const child = server.call('Child');
  const again = server.call('Echo', child);
  assert.equal(child.release(), 1);
  // Only the other ComObject's reference is left, and it stays its own.
  assert.throws(() => child.release(), released);
  assert.throws(() => addon.Release(child), released);
  assert.throws(() => child.get('Count'), released);
  assert.equal(again.call('Add', 1, 2), 3);
  // Released during its own call: the argument slot's reference keeps the
  // server object alive until the call ends, not the ComObject usable.
  assert.equal(server.call('Args', again, { get _out() { assert.equal(again.release(), 1); return 1; } }), 2);
  assert.throws(() => again.get('Count'), released);
  // The receiver released by script while its own call runs (a write-back's
  // setter): the call keeps the object until it ends, then gives it up.
  const self = server.call('Child');
  let count;
  assert.equal(self.call('Args', { get _out() { return 1; }, set _out(value) { count = self.release(); } }), 1);
  assert.equal(count, 1);
  assert.throws(() => self.get('Count'), released);
  assert.deepEqual(serverCounts(), { live: 1, references: 1 });
});

serverTest('qi answers the first supported identifier, exactly as passed, and keeps nothing', (server) => {
  const dispatch = '{00020400-0000-0000-C000-000000000046}';
  const unknownId = { toString: () => '{00000000-0000-0000-C000-000000000046}' };
  assert.equal(server.qi(['not an identifier', dispatch]), dispatch);
  assert.equal(server.qi([unknownId]), unknownId);
  assert.equal(server.qi(['{12345678-1234-1234-1234-123456789abc}']), undefined);
  assert.equal(server.qi(dispatch), undefined);
  assert.equal(server.qi([]), undefined);
  const unreadable = [];
  Object.defineProperty(unreadable, 0, { get() { throw new Error('no'); } });
  unreadable[1] = dispatch;
  assert.equal(server.qi(unreadable), dispatch);
  // Refused by its size, as a call argument is, before its elements are read.
  assert.throws(() => server.qi(new Array(2 ** 32 - 1)),
    { name: 'TypeError', message: 'Argument 1 cannot be passed to COM: an array too large for COM' });
  assert.deepEqual(serverCounts(), { live: 1, references: 1 });
});

serverTest('calling an instance: the default member as a property get, then as a method, else undefined', (server) => {
  const flagsOf = (fn) => {
    const before = serverCalls().length;
    const result = fn();
    return [result, serverCalls().slice(before).map((c) => c.flags)];
  };
  assert.deepEqual(flagsOf(() => server()), ['get', [DISPATCH_PROPERTYGET]]);
  assert.deepEqual(flagsOf(() => server(1)), ['get 1', [DISPATCH_PROPERTYGET]]);
  assert.deepEqual(flagsOf(() => server('a', 'b')), ['call a b', [DISPATCH_PROPERTYGET, DISPATCH_METHOD]]);
  assert.equal(server(1, 2, 3), undefined);
  const failed = serverCalls().slice(-2);
  assert.deepEqual(failed.map((c) => c.flags), [DISPATCH_PROPERTYGET, DISPATCH_METHOD]);
  assert.deepEqual(failed[1].args.map((a) => a.value), [3, 2, 1]);
});

serverTest('calling an object whose default member has no name "_Default" invokes DISPID_VALUE', (server) => {
  // A collection's default member is Item, known to GetIDsOfNames only by that name.
  const items = server.call('Items', 3);
  assert.equal(items(2), 2);
  assert.equal(items(9), undefined);  // out of range: both attempts fail, nothing thrown
  assert.equal(items.release(), 0);
});

serverTest('GetActiveObject finds an object the server registered as running', (server) => {
  const cookie = server.call('RegisterRunning');
  try {
    const running = addon.GetActiveObject('Quillaret.TestServer');
    assert.ok(running instanceof addon.ComObject);
    assert.equal(running.call('Add', 2, 3), 5);
    assert.ok(running.release() >= 1);  // the running object table still holds it
  } finally {
    server.call('RevokeRunning', cookie);
  }
  assert.throws(() => addon.GetActiveObject('Quillaret.TestServer'), { message: 'Failed to get ComObject for given progID' });
});

serverTest('FindWindow finds the server\'s windows by class; AccessibleObjectFromWindow gives a window\'s object', (server) => {
  try {
    const plain = server.call('CreatePlainWindow', 'QuillaretPlainWindow');
    const withObject = server.call('CreateObjectWindow', 'QuillaretObjectWindow');
    assert.equal(addon.FindWindow(0, 0, 'QuillaretPlainWindow'), plain);
    assert.equal(addon.FindWindow(0, 0, 'QuillaretObjectWindow'), withObject);
    assert.equal(addon.AccessibleObjectFromWindow(plain), undefined);
    const object = addon.AccessibleObjectFromWindow(withObject);
    assert.ok(object instanceof addon.ComObject);
    assert.equal(object.call('Add', 20, 22), 42);
    assert.equal(object.release(), 0);
  } finally {
    server.call('DestroyWindows');
  }
  assert.equal(addon.FindWindow(0, 0, 'QuillaretPlainWindow'), 0);
});
