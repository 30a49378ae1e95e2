'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const { addon, control, needs, freshSystem, systemMessage } = require('./support');

freshSystem();

const NORMAL = 0x20;
const IDLE = 0x40;
const HIGH = 0x80;
const REALTIME = 0x100;
const BELOW = 0x4000;
const ABOVE = 0x8000;
const ERROR_ACCESS_DENIED = 5;
const ERROR_INVALID_PARAMETER = 87;

test('a missing or non-number pid is reported', () => {
  assert.equal(addon.SetPriority(), 'SetPriority: missing pid');
  assert.equal(addon.SetPriority('1234'), 'SetPriority: missing pid');
  assert.equal(addon.SetPriority(null), 'SetPriority: missing pid');
});

test('a missing or non-number pid opens nothing', needs('callLog'), () => {
  control.clearCalls();
  addon.SetPriority();
  addon.SetPriority('1234');
  addon.SetPriority(null);
  assert.deepEqual(control.calls(), []);
});

test('an unprivileged caller gets HIGH instead of REALTIME', needs('standardUserToken', 'handleCounts'), () => {
  const pid = control.addProcess(NORMAL);
  assert.equal(addon.SetPriority(pid), 'NORMAL -> HIGH');
  assert.equal(control.processPriority(pid), HIGH);
  assert.equal(addon.SetPriority(pid), 'HIGH');
  assert.equal(addon.SetPriority(pid + 0.9, 'extra'), 'HIGH');
  assert.equal(control.openHandles(), 0);
});

test('a privileged caller gets REALTIME from every documented class', needs('elevatedToken'), () => {
  control.useElevatedToken(true);
  for (const [priorityClass, name] of [[IDLE, 'IDLE'], [BELOW, 'BELOW'], [NORMAL, 'NORMAL'], [ABOVE, 'ABOVE'],
    [HIGH, 'HIGH']]) {
    const pid = control.addProcess(priorityClass);
    assert.equal(control.processPriority(pid), priorityClass, name);
    assert.equal(addon.SetPriority(pid), `${name} -> REALTIME`);
    assert.equal(control.processPriority(pid), REALTIME, name);
    assert.equal(addon.SetPriority(pid + 0.9, 'extra'), 'REALTIME');
  }
  assert.equal(addon.SetPriority(control.currentPid()), 'NORMAL -> REALTIME');
});

test('a class outside the table is UNKNOWN', needs('elevatedToken', 'undocumentedPriorityClass'), () => {
  control.useElevatedToken(true);
  const pid = control.addProcess(0x1234);
  assert.equal(addon.SetPriority(pid), 'UNKNOWN -> REALTIME');
});

test('processes that cannot be opened give the system message', () => {
  const invalid = `OpenProcess ERROR: ${systemMessage(ERROR_INVALID_PARAMETER)}`;
  assert.equal(addon.SetPriority(99999), invalid);
  assert.equal(addon.SetPriority(0), invalid);
  assert.equal(addon.SetPriority(-1), invalid);
});

// Run in a German session under Wine (system-bridge-api-wine-de), whose text
// for 87 is "Ungültiger Parameter.": the wide call's text, whole, as UTF-8.
test('the system message comes in the session\'s language', {
  skip: process.env.SBA_MESSAGE_LANGUAGE !== 'de' && 'for the German session (system-bridge-api-wine-de)',
}, () => {
  const report = addon.SetPriority(99999);
  assert.equal(report, `OpenProcess ERROR: ${systemMessage(ERROR_INVALID_PARAMETER)}`);
  assert.match(report, /ü/);
});

test('another user\'s process cannot be opened', needs('otherUsersProcesses'), () => {
  const pid = control.addProcess(NORMAL, { otherUser: true });
  assert.equal(addon.SetPriority(pid), `OpenProcess ERROR: ${systemMessage(ERROR_ACCESS_DENIED)}`);
  assert.equal(control.processPriority(pid), NORMAL);
});
