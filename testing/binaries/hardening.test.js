'use strict';
// The MinGW tree's hardening at run time, in hardening_probe.exe (built with
// the options of the shipped host and Node-API addons), under Wine: the stack
// guard is set before main, an overrun of a protected frame fails fast
// instead of returning, and an enforcing guard check lets a valid call
// target through and fails fast on another. (The Microsoft-ABI tree's are
// dll-runtime's cases; CET's shadow stack has nothing to run on under Wine.)
const test = require('node:test');
const assert = require('node:assert/strict');
const { spawnSync } = require('node:child_process');
const { fixturePath } = require('../common/addon-child');

const STATUS_STACK_BUFFER_OVERRUN = 0xC0000409;
const DEFAULT_GUARD = '00002b992ddfa232';

function probe(...args) {
  const r = spawnSync(fixturePath('hardening_probe.exe'), args, { encoding: 'latin1', timeout: 60000 });
  const [guard, result] = r.stdout.trim().split(/\r?\n/);
  return { status: r.status, guard: guard.replace(/^guard /, ''), result };
}

test('stack protector: the guard is set before main; an overrun fails fast before the function returns', () => {
  const fits = probe('overrun', '16');
  assert.deepEqual([fits.status, fits.result], [0, 'returned 120']);
  assert.notEqual(fits.guard, DEFAULT_GUARD);
  assert.match(fits.guard, /^0000[0-9a-f]{12}$/);
  const overrun = probe('overrun', '64');
  assert.deepEqual([overrun.status, overrun.result], [STATUS_STACK_BUFFER_OVERRUN, undefined]);
});

test('Control Flow Guard: under an enforcing check a valid target passes and a target inside a function fails fast', () => {
  assert.deepEqual(probe('guarded-call', '0').result, 'value 42 checked 1');
  const inside = probe('guarded-call', '1');
  assert.deepEqual([inside.status, inside.result], [STATUS_STACK_BUFFER_OVERRUN, undefined]);
});
