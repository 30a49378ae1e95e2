'use strict';
// _getTypeInfo against Wine's servers and the test server's classes.
const test = require('node:test');
const assert = require('node:assert/strict');
const { addon, serverTest, serverCounts, serverCalls, resetServerCalls, releaseIfLive, needsWine } = require('./support');

const events = {
  Kinds: { numArgs: 13, dispid: 5 },
  Note: { numArgs: 1, dispid: 40 },
  Pair: { numArgs: 2, dispid: 1 },
  Tick: { numArgs: 2, dispid: 2 },
};

function typeInfoOf(progId) {
  const object = addon.CreateObject(progId);
  try {
    return object._getTypeInfo();
  } finally {
    object.release();
  }
}

function withRecordedTypeCalls(fn) {
  const probe = addon.CreateObject('Quillaret.TestProbe');
  probe.set('RecordTypeCalls', true);
  try {
    return fn();
  } finally {
    probe.set('RecordTypeCalls', false);
    probe.release();
  }
}

test('Wine\'s servers: members from their type information, no events (no connection points)', { skip: needsWine }, () => {
  const dictionary = typeInfoOf('Scripting.Dictionary');
  assert.deepEqual(Object.keys(dictionary), ['properties', 'functions', 'events']);
  assert.deepEqual(dictionary.functions.Add, { numArgs: 2 });
  assert.deepEqual(dictionary.functions.Exists, { numArgs: 1 });
  assert.deepEqual(dictionary.properties.Count, { numArgs: 0 });
  assert.deepEqual(dictionary.properties.Item, { numArgs: 1 });
  assert.deepEqual(dictionary.events, {});
  for (const base of ['QueryInterface', 'AddRef', 'Release', 'GetTypeInfoCount', 'GetTypeInfo', 'GetIDsOfNames', 'Invoke']) {
    assert.equal(dictionary.functions[base], undefined, base);
  }
  const fso = typeInfoOf('Scripting.FileSystemObject');
  assert.deepEqual(fso.functions.BuildPath, { numArgs: 2 });
  assert.deepEqual(fso.properties.Drives, { numArgs: 0 });
  assert.deepEqual(fso.events, {});
});

serverTest('the test server: members, a property listed once, UTF-16 order, and its plain dispinterface events', (server) => {
  const info = server._getTypeInfo();
  // A get of no parameters followed by a put of one: listed once, as the put.
  assert.deepEqual(info.properties.Value, { numArgs: 1 });
  assert.deepEqual(info.functions.Add, { numArgs: 2 });
  assert.equal(info.functions.AddRef, undefined);
  const names = Object.keys(info.functions);
  assert.ok(names.indexOf('Zulu') < names.indexOf('alpha'), 'Z sorts before a');
  assert.deepEqual(names, [...names].sort());  // code-unit order is the default sort
  // Every event, though the interface has fewer than eight and starts with them.
  assert.deepEqual(info.events, events);
  assert.deepEqual(Object.keys(info.events), ['Kinds', 'Note', 'Pair', 'Tick']);
});

serverTest('a dual event interface gives the same events, without its base methods', () => {
  assert.deepEqual(typeInfoOf('Quillaret.TestDualEvents').events, events);
});

serverTest('an interface of only the base methods, no type information, events described elsewhere', () => {
  assert.deepEqual(typeInfoOf('Quillaret.TestEmpty'), { properties: {}, functions: {}, events: {} });
  assert.deepEqual(typeInfoOf('Quillaret.TestNoTypeInfo'), { properties: {}, functions: {}, events: {} });
  const foreign = typeInfoOf('Quillaret.TestForeignEvents');
  assert.deepEqual(foreign.events, {});
  assert.ok(Object.keys(foreign.functions).length > 0);
});

serverTest('a second _getTypeInfo() returns an equal, distinct object without asking the server again', (server) => {
  withRecordedTypeCalls(() => {
    resetServerCalls();
    const first = server._getTypeInfo();
    const asked = serverCalls().length;
    assert.ok(asked > 0, 'the first call reads the type information');
    const second = server._getTypeInfo();
    assert.equal(serverCalls().length, asked, 'no call on the server');
    assert.notEqual(first, second);
    assert.notEqual(first.events, second.events);
    assert.deepEqual(first, second);
  });
});

test('reflection leaves no reference behind; a released object throws', () => {
  const object = addon.CreateObject('Quillaret.TestDualEvents');
  object._getTypeInfo();
  assert.equal(object.release(), 0);
  assert.throws(() => object._getTypeInfo(), { message: 'The ComObject was released' });
  releaseIfLive(object);
  assert.deepEqual(serverCounts(), { live: 0, references: 0 });
});
