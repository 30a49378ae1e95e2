'use strict';
// An out-of-process automation server (the test server's executable): calls
// and results through COM's marshalling, and events arriving on COM's RPC
// threads, delivered on the script thread all the same.
const test = require('node:test');
const assert = require('node:assert/strict');
const { addon, needsWine } = require('./support');

const NOTE = 40;
const TICK = 2;

function collector(count) {
  const received = [];
  let done;
  const finished = new Promise((resolve) => { done = resolve; });
  const timeout = setTimeout(() => done(), 30000);
  const callback = (...args) => {
    received.push(args);
    if (received.length === count) done();
  };
  return { callback, finished: finished.then(() => { clearTimeout(timeout); return received; }) };
}

test('the local server: calls, errors, reflection, events from RPC threads, iteration, and its balance', { skip: needsWine }, async () => {
  const probe = addon.CreateObject('Quillaret.TestProbe.Local');
  const server = addon.CreateObject('Quillaret.TestServer.Local');
  try {
    assert.notEqual(probe.get('ProcessId'), process.pid, 'a process of its own');
    assert.equal(server.call('Add', 20, 22), 42);
    const table = [[1, 2, 3], [4, 5, 6]];
    assert.deepEqual(server.call('Echo', table), table);
    const holder = { _out: 0 };
    assert.equal(server.call('Fill', holder), 1);
    assert.equal(holder._out, 42);
    assert.throws(() => server.callUnsafe('Fail', 'EXCEPTION'),
      (e) => e.comError.innerErrorMessage === 'Something failed');
    assert.deepEqual(Object.keys(server._getTypeInfo().events), ['Kinds', 'Note', 'Pair', 'Tick']);

    const note = collector(1);
    server.on(NOTE, note.callback);
    server.call('FireNow', NOTE, 'across');
    assert.deepEqual(await note.finished, [['across']]);
    server.off(NOTE, note.callback);

    const ticks = collector(2 * 200);
    server.on(TICK, ticks.callback);
    server.call('FireFromThreads', TICK, 2, 200);
    assert.equal(server.call('WaitFiring'), 400);
    const received = await ticks.finished;
    for (const thread of [0, 1]) {
      assert.deepEqual(received.filter(([, t]) => t === thread).map(([s]) => s),
        Array.from({ length: 200 }, (_, i) => i + 1));
    }
    server.off(TICK, ticks.callback);
    assert.equal(probe.get('Sinks'), 0);

    const items = server.call('Items', 40);
    assert.deepEqual([...items], Array.from({ length: 40 }, (_, i) => i + 1));
    assert.equal(items.release(), 0);
  } finally {
    server.release();
  }
  assert.equal(probe.get('LiveObjects'), 0);
  assert.equal(probe.get('References'), 0);
  probe.release();
});

test('release to 0 of an object other clients keep alive takes its subscription off the server', { skip: needsWine }, () => {
  const probe = addon.CreateObject('Quillaret.TestProbe.Local');
  const server = addon.CreateObject('Quillaret.TestServer.Local');
  // A second object of the server's, held by the running object table.
  const cookie = server.call('RegisterRunning');
  try {
    const running = addon.GetActiveObject('Quillaret.TestServer');
    running.on(NOTE, () => {});
    assert.equal(probe.get('Sinks'), 1);
    // The count of this process's proxy; the object lives on in its server.
    assert.equal(running.release(), 0);
    assert.equal(probe.get('Sinks'), 0, 'the server still calls a sink nobody listens to');
  } finally {
    server.call('RevokeRunning', cookie);
    server.release();
  }
  assert.equal(probe.get('LiveObjects'), 0);
  probe.release();
});
