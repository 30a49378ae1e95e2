'use strict';
// GetQuietMode with the user's registry arranged per case through reg.exe.
// Under Wine the shell always reports state 5 and ntdll has no
// NtQueryWnfStateData (profile -2), so the quiet-hours schedule and then the
// toast switch decide.
const test = require('node:test');
const assert = require('node:assert');
const { execFileSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { addonPath } = require('../../napi-utils/tests/addon-child');

const QUIET_HOURS = 'HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\QuietHours';
const SETTINGS = 'HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Notifications\\Settings';

const reg = (...args) => execFileSync('reg.exe', args, { stdio: ['ignore', 'pipe', 'pipe'] });
const tryReg = (...args) => {
  try {
    reg(...args);
    return true;
  } catch {
    return false;
  }
};

// Saves the keys the tests change and puts them back afterwards.
function preserveKeys(keys) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'quiet-reg-'));
  const saved = keys.map((key, i) => {
    const file = path.join(dir, `${i}.reg`);
    return { key, file, existed: tryReg('export', key, file, '/y') };
  });
  return () => {
    for (const { key, file, existed } of saved) {
      tryReg('delete', key, '/f');
      if (existed) reg('import', file);
    }
    fs.rmSync(dir, { recursive: true, force: true });
  };
}

// schedule: null (no key) or { Enable, EntryTime, ExitTime } with any of them
// left out; toasts: undefined (no value) or a number.
function arrange({ schedule = null, toasts }) {
  tryReg('delete', QUIET_HOURS, '/f');
  tryReg('delete', SETTINGS, '/f');
  if (schedule) {
    reg('add', QUIET_HOURS, '/f');
    for (const [name, value] of Object.entries(schedule)) {
      reg('add', QUIET_HOURS, '/v', name, '/t', 'REG_DWORD', '/d', String(value), '/f');
    }
  }
  if (toasts !== undefined) {
    reg('add', SETTINGS, '/v', 'NOC_GLOBAL_SETTING_TOASTS_ENABLED', '/t', 'REG_DWORD', '/d', String(toasts), '/f');
  }
}

const minuteOfDay = () => {
  const now = new Date();
  return now.getHours() * 60 + now.getMinutes();
};
const wrap = (minute) => (minute + 1440) % 1440;

const addon = require(addonPath('quiet-mode'));

// Calls GetQuietMode with the schedule built around the current minute; tries
// again when the minute turned during the arrangement or the call.
function quietAround(makeSchedule, toasts = 1) {
  for (;;) {
    const minute = minuteOfDay();
    arrange({ schedule: makeSchedule(minute), toasts });
    const result = addon.GetQuietMode();
    if (minuteOfDay() === minute) return { minute, result };
  }
}

test('GetQuietMode over the registry', async (t) => {
  t.after(preserveKeys([QUIET_HOURS, SETTINGS]));

  await t.test('the toast switch decides when the profile is unavailable', () => {
    arrange({ toasts: 0 });
    assert.strictEqual(addon.GetQuietMode(), true, 'toasts off');
    arrange({ toasts: 1 });
    assert.strictEqual(addon.GetQuietMode(), false, 'toasts on');
    arrange({});
    assert.strictEqual(addon.GetQuietMode(), false, 'no toast value');
  });

  await t.test('a span holding only the current minute (bounds inclusive)', () => {
    assert.strictEqual(quietAround((m) => ({ Enable: 1, EntryTime: m, ExitTime: m })).result, true);
  });

  await t.test('spans across midnight, ending or starting at the current minute', () => {
    assert.strictEqual(quietAround((m) => ({ Enable: 1, EntryTime: wrap(m + 1), ExitTime: m })).result, true);
    assert.strictEqual(quietAround((m) => ({ Enable: 1, EntryTime: m, ExitTime: wrap(m - 1) })).result, true);
  });

  await t.test('a span leaving out only the current minute', () => {
    const around = (m) => ({ Enable: 1, EntryTime: wrap(m + 1), ExitTime: wrap(m - 1) });
    assert.strictEqual(quietAround(around).result, false);
    assert.strictEqual(quietAround(around, 0).result, true, 'toasts off still count');
  });

  await t.test('Enable 0 switches the schedule off', () => {
    assert.strictEqual(quietAround((m) => ({ Enable: 0, EntryTime: m, ExitTime: m })).result, false);
  });

  await t.test('missing values: Enable counts as 1 and the span is 00:00 to 00:00', () => {
    const { minute, result } = quietAround(() => ({}));
    assert.strictEqual(result, minute === 0);
    assert.strictEqual(quietAround((m) => ({ EntryTime: m, ExitTime: m })).result, true, 'no Enable value');
  });
});
