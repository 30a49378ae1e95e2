'use strict';
// The addon as built against the desktop runtime's generation
// (build/msvc-node16), in node.exe 16 under Wine: one user's task from start
// to end. Uses a key of its own and resets nothing, so it may run beside
// other tests.
const test = require('node:test');
const assert = require('node:assert/strict');
const { addon, control, userKey, utf16, HKEY_CURRENT_USER, REG_SZ, REG_DWORD } = require('./support');

const KEY = userKey(`Node16-${process.pid}`);

// Node 16's test context has no after(): the key goes in a finally.
test('node 16: a key created, values written and read back, the key deleted, the logon SID', () => {
  assert.equal(process.versions.modules, '93');
  const text = 'Grüße, 東京 \u{1F600}';
  try {
    assert.equal(addon.CreateRegistryKey(HKEY_CURRENT_USER, KEY, 0), undefined);
    assert.equal(addon.IsRegistryKeyExists(HKEY_CURRENT_USER, KEY, 0), true);
    assert.equal(addon.SetRegistryKeyValue(HKEY_CURRENT_USER, KEY, 0, 'Städte', text, REG_SZ), undefined);
    assert.equal(addon.SetRegistryKeyValue(HKEY_CURRENT_USER, KEY, 0, 'count', 300, REG_DWORD), undefined);
    // Stored as Windows stores it: UTF-16LE with its terminator.
    assert.deepEqual(control.readRawValue(HKEY_CURRENT_USER, KEY, 'Städte'), { type: REG_SZ, data: utf16(text) });
    assert.deepEqual(addon.GetRegistryKeyValues(HKEY_CURRENT_USER, KEY, 0), { count: 300, Städte: text });
    assert.equal(addon.DeleteRegistryKey(HKEY_CURRENT_USER, KEY, 0), undefined);
    assert.equal(addon.IsRegistryKeyExists(HKEY_CURRENT_USER, KEY, 0), false);
  } finally {
    addon.DeleteRegistryKeyTree(HKEY_CURRENT_USER, KEY);
  }
  assert.match(addon.GetLogonSID(), /^S-1-5-5-\d+-\d+$/);
});
