'use strict';
// The addon as built against the desktop runtime's generation
// (build/msvc-node16), in node.exe 16 under Wine: the test server driven
// through one user's task from start to end.
const assert = require('node:assert/strict');
const { hresult, serverTest } = require('./support');

const PAIR = 1;  // the server's event of two arguments
const DISP_E_EXCEPTION = 0x80020009;

// The arguments of the next event `dispid` delivers, or a failure after 20 s.
function nextEvent(object, dispid) {
  return new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error('no event')), 20000);
    const callback = (...args) => {
      clearTimeout(timer);
      object.off(dispid, callback);
      resolve(args);
    };
    object.on(dispid, callback);
  });
}

serverTest('node 16: a call, a table, iteration, an error, type information, an event, release to 0', async (server) => {
  assert.equal(process.versions.modules, '93');
  assert.equal(server.call('Add', 2, 3), 5);
  const table = [[1, 'zwei', 3.5], [true, null, 'drei \u{1F600}']];
  assert.deepEqual(server.call('Echo', table), table);

  const items = server.call('Items', 20);
  assert.deepEqual([...items], Array.from({ length: 20 }, (_, i) => i + 1));
  assert.equal(items.release(), 0);

  assert.throws(() => server.callUnsafe('Fail', 'EXCEPTION'), (e) => {
    assert.equal(e.comError.errorCode, hresult(DISP_E_EXCEPTION));
    assert.equal(e.comError.innerErrorMessage, 'Something failed');
    return true;
  });

  const info = server._getTypeInfo();
  assert.deepEqual(info.functions.Add, { numArgs: 2 });
  assert.deepEqual(info.events.Pair, { numArgs: 2, dispid: PAIR });

  const event = nextEvent(server, PAIR);
  server.call('FireNow', PAIR, 'a', 'ß');
  assert.deepEqual(await event, ['ß', 'a']);  // the last argument first

  assert.equal(server.release(), 0);
});
