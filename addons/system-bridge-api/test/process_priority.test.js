'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const { addon, standin, freshStandin } = require('./support');

freshStandin();

const NORMAL = 0x20;
const IDLE = 0x40;
const HIGH = 0x80;
const REALTIME = 0x100;
const BELOW = 0x4000;
const ABOVE = 0x8000;

test('a missing or non-number pid is reported without opening anything', () => {
  standin.clearCalls();
  assert.equal(addon.SetPriority(), 'SetPriority: missing pid');
  assert.equal(addon.SetPriority('1234'), 'SetPriority: missing pid');
  assert.equal(addon.SetPriority(null), 'SetPriority: missing pid');
  assert.deepEqual(standin.calls(), []);
});

test('an unprivileged caller gets HIGH instead of REALTIME', () => {
  standin.addProcess(500, NORMAL, false);
  assert.equal(addon.SetPriority(500), 'NORMAL -> HIGH');
  assert.equal(standin.processPriority(500), HIGH);
  assert.equal(addon.SetPriority(500), 'HIGH');
  assert.equal(addon.SetPriority(500.9, 'extra'), 'HIGH');
  assert.equal(standin.openHandles(), 0);
});

test('a privileged caller gets REALTIME', () => {
  standin.useElevatedToken(true);
  standin.addProcess(501, IDLE, false);
  assert.equal(addon.SetPriority(501), 'IDLE -> REALTIME');
  assert.equal(addon.SetPriority(501), 'REALTIME');
  standin.addProcess(502, BELOW, false);
  assert.equal(addon.SetPriority(502), 'BELOW -> REALTIME');
  standin.addProcess(503, ABOVE, false);
  assert.equal(addon.SetPriority(503), 'ABOVE -> REALTIME');
  standin.addProcess(504, 0x1234, false);
  assert.equal(addon.SetPriority(504), 'UNKNOWN -> REALTIME');
  assert.equal(addon.SetPriority(standin.currentPid()), 'NORMAL -> REALTIME');
});

test('processes that cannot be opened give the system message', () => {
  assert.equal(addon.SetPriority(99999), 'OpenProcess ERROR: The parameter is incorrect.');
  assert.equal(addon.SetPriority(0), 'OpenProcess ERROR: The parameter is incorrect.');
  assert.equal(addon.SetPriority(-1), 'OpenProcess ERROR: The parameter is incorrect.');
  standin.addProcess(600, NORMAL, true);  // another user's process
  assert.equal(addon.SetPriority(600), 'OpenProcess ERROR: Access is denied.');
  assert.equal(standin.processPriority(600), NORMAL);
});
