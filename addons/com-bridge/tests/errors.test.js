'use strict';
// The structured COM error of callUnsafe, and the failures get and call swallow.
const assert = require('node:assert/strict');
const { addon, hresult, serverTest } = require('./support');

const DISP_E_UNKNOWNNAME = 0x80020006;
const DISP_E_EXCEPTION = 0x80020009;

function thrown(fn) {
  try {
    fn();
  } catch (e) {
    return e;
  }
  assert.fail('nothing was thrown');
}

serverTest('an unknown member: the name lookup\'s HRESULT, no inner fields, message = errorMessage', (server) => {
  assert.equal(server.call('NoSuchMember'), undefined);
  const e = thrown(() => server.callUnsafe('NoSuchMember', 1));
  assert.ok(e instanceof Error);
  assert.equal(e.comError.errorCode, hresult(DISP_E_UNKNOWNNAME));
  assert.deepEqual(Object.keys(e.comError), ['errorCode', 'errorMessage']);
  assert.equal(e.message, e.comError.errorMessage);
  // Wine has no text for DISP_E_UNKNOWNNAME; Windows says "Unknown name."
  assert.ok(['Unknown name.', 'Unknown error 0x80020006'].includes(e.message), e.message);
});

serverTest('DISP_E_EXCEPTION with a description: the inner code and text, appended to the message', (server) => {
  const e = thrown(() => server.callUnsafe('Fail', 'EXCEPTION'));
  assert.deepEqual(Object.keys(e.comError), ['errorCode', 'errorMessage', 'innerErrorCode', 'innerErrorMessage']);
  assert.equal(e.comError.errorCode, hresult(DISP_E_EXCEPTION));
  assert.equal(e.comError.innerErrorCode, hresult(0x80040201));
  assert.equal(e.comError.innerErrorMessage, 'Something failed');
  assert.equal(e.message, `${e.comError.errorMessage} Something failed`);
  assert.equal(server.call('Fail', 'EXCEPTION'), undefined);
  assert.equal(server.get('Fail', 'EXCEPTION'), undefined);
});

serverTest('DISP_E_EXCEPTION without a description has no inner fields; wCode alone gives inner code 0', (server) => {
  const bare = thrown(() => server.callUnsafe('Fail', 'EXCEPTION_NO_DESCRIPTION'));
  assert.deepEqual(Object.keys(bare.comError), ['errorCode', 'errorMessage']);
  assert.equal(bare.message, bare.comError.errorMessage);
  const wcode = thrown(() => server.callUnsafe('Fail', 'EXCEPTION_WCODE'));
  assert.equal(wcode.comError.innerErrorCode, 0);
  assert.equal(wcode.comError.innerErrorMessage, 'Only wCode');
});

serverTest('codes without a system text: "IDispatch error #n" in the interface range, else "Unknown error 0x..."', (server) => {
  assert.equal(thrown(() => server.callUnsafe('Fail', 'INTERFACE_RANGE')).message, 'IDispatch error #5');
  assert.equal(thrown(() => server.callUnsafe('Fail', 'HRESULT 0x80040200')).message, 'Unknown error 0x80040200');
  assert.equal(thrown(() => server.callUnsafe('Fail', 'HRESULT 0x8004FFFF')).message, 'IDispatch error #65023');
  assert.equal(thrown(() => server.callUnsafe('Fail', 'HRESULT 0xA0001234')).message, 'Unknown error 0xA0001234');
});

serverTest('system texts carry no trailing line break', (server) => {
  const e = thrown(() => server.callUnsafe('Fail', 'HRESULT 0x80070002'));
  assert.equal(e.comError.errorCode, hresult(0x80070002));
  assert.match(e.message, /\S$/);
  assert.doesNotMatch(e.message, /[\r\n]/);
  assert.ok(e.message.length > 1);
});

serverTest('the error is made by script\'s own Error, whatever it is at the time', (server) => {
  const original = globalThis.Error;
  class Replacement extends original {}
  try {
    globalThis.Error = Replacement;
    const e = thrown(() => server.callUnsafe('Fail', 'EXCEPTION'));
    assert.ok(e instanceof Replacement);
    assert.equal(e.comError.innerErrorMessage, 'Something failed');
    globalThis.Error = 42;  // not a function: the built-in Error, with the same message and comError
    const fallback = thrown(() => server.callUnsafe('Fail', 'EXCEPTION'));
    assert.ok(fallback instanceof original);
    assert.equal(fallback.comError.innerErrorMessage, 'Something failed');
    assert.match(fallback.message, / Something failed$/);
    globalThis.Error = function Throwing() { throw new TypeError('no errors today'); };
    const refused = thrown(() => server.callUnsafe('Fail', 'EXCEPTION'));
    assert.ok(refused instanceof original);
    assert.equal(refused.comError.errorCode, hresult(DISP_E_EXCEPTION));
  } finally {
    globalThis.Error = original;
  }
});

serverTest('results are own data properties: setters on the prototypes never see them', (server) => {
  const seen = [];
  // A descriptor of no prototype: it must not read the traps itself.
  const trap = (target, key) => Object.defineProperty(target, key, Object.assign(Object.create(null), {
    configurable: true, get() { return undefined; }, set() { seen.push(key); throw new Error(`setter ${String(key)}`); },
  }));
  const keys = ['errorCode', 'errorMessage', 'innerErrorCode', 'innerErrorMessage', 'comError', 'message',
    'properties', 'functions', 'events', 'numArgs', 'dispid', 'value', 'done'];
  for (const key of keys) trap(Object.prototype, key);
  trap(Array.prototype, 0);
  let e, typeInfo, items, table;
  try {
    e = thrown(() => server.callUnsafe('Fail', 'EXCEPTION'));
    typeInfo = server._getTypeInfo();
    const collection = server.call('Items', 2);
    items = [...collection];
    collection.release();
    table = server.call('Result', 'ARRAY_2D');
  } finally {
    for (const key of keys) delete Object.prototype[key];
    delete Array.prototype[0];
  }
  assert.deepEqual(seen, []);
  assert.equal(e.comError.errorCode, hresult(DISP_E_EXCEPTION));
  assert.equal(e.comError.innerErrorMessage, 'Something failed');
  assert.equal(e.message, `${e.comError.errorMessage} Something failed`);
  assert.ok(Object.hasOwn(typeInfo, 'properties') && Object.hasOwn(typeInfo.functions.Add, 'numArgs'));
  assert.deepEqual(items, [1, 2]);
  assert.deepEqual(table, [[11, 12, 13], [21, 22, 23]]);
});
