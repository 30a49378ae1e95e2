'use strict';
// Events from the test server: subscription, delivery on the script thread
// from the script thread itself, a worker thread and four threads at once,
// teardown, and what the runtime does with the callbacks.
const test = require('node:test');
const assert = require('node:assert/strict');
const { addon, VT, serverTest, serverCalls, childSetUp, plainProgId } = require('./support');
const { runChild } = require('../../../testing/common/addon-child');

const PAIR = 1;
const TICK = 2;
const KINDS = 5;
const NOTE = 40;

const probeValue = (name) => {
  const probe = addon.CreateObject('Quillaret.TestProbe');
  try {
    return probe.get(name);
  } finally {
    probe.release();
  }
};
const advisedSinks = () => probeValue('Sinks');
const turn = () => new Promise((resolve) => setImmediate(resolve));

// Resolves once `count` events were delivered to the returned callback.
function collector(count) {
  const received = [];
  let done;
  const finished = new Promise((resolve) => { done = resolve; });
  const timeout = setTimeout(() => done(), 20000);
  const callback = (...args) => {
    received.push(args);
    if (received.length === count) {
      clearTimeout(timeout);
      done();
    }
  };
  return { callback, received, finished: finished.then(() => { clearTimeout(timeout); return received; }) };
}

serverTest('on and off with a non-number DISPID or a non-function callback do nothing', (server) => {
  const f = () => {};
  assert.equal(server.on('1', f), undefined);
  assert.equal(server.on(PAIR, 'f'), undefined);
  assert.equal(server.on(), undefined);
  assert.equal(server.off(PAIR, f), undefined);  // never subscribed
  assert.equal(advisedSinks(), 0);
});

serverTest('an event fired during a call arrives later through the loop, arguments last first', async (server) => {
  const { callback, received, finished } = collector(1);
  server.on(PAIR, callback);
  assert.equal(advisedSinks(), 1);
  assert.equal(server.call('FireNow', PAIR, 'a', 'b'), 1);
  assert.equal(received.length, 0, 'not delivered inside the call');
  assert.deepEqual(await finished, [['b', 'a']]);
  server.off(PAIR, callback);
  assert.equal(advisedSinks(), 0);
});

serverTest('every kind of argument, objects as ComObjects, by-reference ones as values never written back', async (server) => {
  const { callback, finished } = collector(1);
  server.on(KINDS, callback);
  server.call('FireKinds', KINDS);
  const [[variantCell, textCell, i4Cell, list, object, empty, nothing, when, text, flag, r8, ui1, i4]] = await finished;
  assert.deepEqual([i4, ui1, r8, flag, text, empty, nothing, list, i4Cell, textCell, variantCell],
    [42, 200, 2.5, true, 'kinds', undefined, null, [1, 2, 3], 7, 'cell', 'inner']);
  assert.equal(when.getTime(), 45000);  // the DATE number as milliseconds
  assert.ok(object instanceof addon.ComObject);
  assert.equal(object.call('Add', 1, 1), 2);
  assert.equal(object.release(), 0);
  assert.equal(serverCalls().find((c) => c.member === 'FireKinds').cellsUnchanged, true);
  server.off(KINDS, callback);
});

serverTest('a function registered twice runs twice; one off removes one registration', async (server) => {
  const calls = [];
  const f = (word) => calls.push(word);
  const g = () => calls.push('g');
  server.on(NOTE, f);
  server.on(NOTE, f);
  server.off(NOTE, g);  // never registered: changes nothing
  server.call('FireNow', NOTE, 'one');
  await turn();
  await turn();
  assert.deepEqual(calls, ['one', 'one']);
  server.off(NOTE, f);
  server.call('FireNow', NOTE, 'two');
  server.call('FireNow', PAIR, 1, 2);  // nobody subscribed to it
  await turn();
  await turn();
  assert.deepEqual(calls, ['one', 'one', 'two']);
  server.off(NOTE, f);
  assert.equal(advisedSinks(), 0);
});

serverTest('the last off unadvises; a following on subscribes anew', async (server) => {
  const { callback, finished } = collector(1);
  const first = () => {};
  server.on(NOTE, first);
  server.off(NOTE, first);
  assert.equal(advisedSinks(), 0);
  server.on(NOTE, callback);
  assert.equal(advisedSinks(), 1);
  server.call('FireNow', NOTE, 'again');
  assert.deepEqual(await finished, [['again']]);
  server.off(NOTE, callback);
});

serverTest('release unsubscribes whatever count the server answers; the callbacks are dropped', async (server) => {
  const calls = [];
  server.on(NOTE, (word) => calls.push(word));
  const other = server.call('Echo', server);  // a second ComObject on the same server object
  assert.equal(server.release(), 1);
  assert.equal(advisedSinks(), 0);
  other.call('FireNow', NOTE, 'after');
  await turn();
  await turn();
  assert.deepEqual(calls, []);
  assert.equal(other.release(), 0);
});

serverTest('events from one worker thread, and from four threads at once, all arrive in each thread\'s order', async (server) => {
  const single = collector(500);
  server.on(TICK, single.callback);
  server.call('FireFromThread', TICK, 500);
  assert.equal(server.call('WaitFiring'), 500);
  const fromOne = await single.finished;
  assert.deepEqual(fromOne.map(([sequence]) => sequence), Array.from({ length: 500 }, (_, i) => i + 1));
  server.off(TICK, single.callback);

  const many = collector(4 * 2000);
  server.on(TICK, many.callback);
  server.call('FireFromThreads', TICK, 4, 2000);
  assert.equal(server.call('WaitFiring'), 8000);
  const received = await many.finished;
  assert.equal(received.length, 8000);
  for (let thread = 0; thread < 4; thread++) {
    const sequences = received.filter(([, t]) => t === thread).map(([sequence]) => sequence);
    assert.deepEqual(sequences, Array.from({ length: 2000 }, (_, i) => i + 1), `thread ${thread}`);
  }
  server.off(TICK, many.callback);
});

serverTest('unsubscribing while threads fire in a tight loop, many times', async (server) => {
  server.call('StartFiring', TICK, 4);
  let delivered = 0;
  try {
    for (let round = 0; round < 200; round++) {
      const f = () => { delivered += 1; };
      server.on(TICK, f);
      if (round % 2) await turn();
      server.off(TICK, f);
    }
  } finally {
    server.call('StopFiring');
  }
  await turn();
  assert.equal(advisedSinks(), 0);
  assert.ok(delivered >= 0);
});

serverTest('promise jobs a callback queues run right after it; callbacks run with the global receiver', async (server) => {
  const log = [];
  let receiver;
  const first = function first() {
    receiver = this;
    log.push('first');
    Promise.resolve().then(() => log.push('job of first'));
  };
  const second = () => log.push('second');
  server.on(NOTE, first);
  server.on(NOTE, second);
  server.call('FireNow', NOTE, 'x');
  await turn();
  await turn();
  assert.deepEqual(log, ['first', 'job of first', 'second']);
  assert.equal(receiver, globalThis);
  server.off(NOTE, first);
  server.off(NOTE, second);
});

// In a fresh node.exe: what only a whole process shows.
function runWithServer(body, options) {
  const r = runChild(process.env.COM_BRIDGE, childSetUp + body, options);
  assert.equal(r.status, 0, r.stdout);
  return r.results;
}

test('an exception thrown by a callback reaches the process as an uncaught exception; the others still run', () => {
  const [caught, ran] = runWithServer(`
    const caught = [], ran = [];
    process.on('uncaughtException', (e) => caught.push(e.message));
    const server = addon.CreateObject('Quillaret.TestServer');
    const failing = () => { ran.push('failing'); throw new Error('from a callback'); };
    const other = () => ran.push('other');
    server.on(${NOTE}, failing);
    server.on(${NOTE}, other);
    server.call('FireNow', ${NOTE}, 'x');
    setTimeout(() => { server.off(${NOTE}, failing); server.off(${NOTE}, other); server.release();
      keep(caught); keep(ran); }, 200);
  `);
  assert.deepEqual(caught, ['from a callback']);
  assert.deepEqual(ran, ['failing', 'other']);
});

test('a process whose subscriptions are all removed, or whose objects are all released, ends by itself', () => {
  // Both children would be held open for ever by a subscription left behind.
  runWithServer(`
    const server = addon.CreateObject('Quillaret.TestServer');
    const f = () => {};
    server.on(${NOTE}, f);
    server.call('FireNow', ${NOTE}, 'x');
    setImmediate(() => { server.off(${NOTE}, f); server.release(); });
  `);
  runWithServer(`
    const server = addon.CreateObject('Quillaret.TestServer');
    server.on(${NOTE}, () => {});
    server.call('FireNow', ${NOTE}, 'x');
    setImmediate(() => keep(server.release()));
  `);
});

test('script the runtime runs while on subscribes (an async hook) may call com-bridge, fire events, release', () => {
  // The hook runs when on makes its async resource: here the first object's
  // server fires on the calling thread into its sink, and a third object is
  // released under its own on. A child that hangs is killed.
  const [fired, delivered, refused] = runWithServer(`
    const first = addon.CreateObject('Quillaret.TestServer');
    const second = addon.CreateObject('Quillaret.TestServer');
    const third = addon.CreateObject('Quillaret.TestServer');
    const delivered = [];
    const record = (word) => delivered.push(word);
    first.on(${NOTE}, record);
    let fired = 0;
    let onInit = () => {
      fired += first.call('FireNow', ${NOTE}, 'from the hook');
      second.off(${NOTE}, record);
    };
    require('node:async_hooks').createHook({ init(id, type) { if (type === 'ComObjectEvent') onInit(); } }).enable();
    second.on(${NOTE}, record);
    onInit = () => third.release();
    let refused;
    try { third.on(${NOTE}, record); } catch (e) { refused = e.message; }
    setTimeout(() => {
      first.off(${NOTE}, record);
      second.off(${NOTE}, record);
      first.release();
      second.release();
      keep(fired);
      keep(delivered);
      keep(refused);
    }, 200);
  `, { timeout: 20000 });
  assert.equal(fired, 1);
  assert.deepEqual(delivered, ['from the hook']);
  assert.equal(refused, 'The ComObject was released');
});

test('objects without connection points: on and off do nothing and hold nothing open', () => {
  runWithServer(`
    const d = addon.CreateObject('${plainProgId}');
    d.on(1, () => {});
    d.off(1, () => {});
    keep(d.release());
  `);
});
