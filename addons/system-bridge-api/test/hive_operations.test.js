'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { spawnSync } = require('node:child_process');
const { addon, standin, freshStandin, HKEY_CURRENT_USER, HKEY_USERS, HKEY_LOCAL_MACHINE, REG_DWORD } = require('./support');

freshStandin();

const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'sba-hive-'));
test.after(() => fs.rmSync(dir, { recursive: true, force: true }));
let fileNumber = 0;

// A hive file holding one key with the value answer = 42.
function hiveFile() {
  const file = path.join(dir, `hive${++fileNumber}.dat`);
  addon.CreateRegistryKey(HKEY_CURRENT_USER, 'Software\\HiveSource\\inner', 0);
  addon.SetRegistryKeyValue(HKEY_CURRENT_USER, 'Software\\HiveSource', 0, 'answer', 42, REG_DWORD);
  assert.equal(standin.saveHive(HKEY_CURRENT_USER, 'Software\\HiveSource', file), 0);
  addon.DeleteRegistryKeyTree(HKEY_CURRENT_USER, 'Software\\HiveSource');
  return file;
}

function privilegesDisabled() {
  return !standin.privilege('SeBackupPrivilege').enabled && !standin.privilege('SeRestorePrivilege').enabled;
}

// Runs script in a child node that loads the addon and the control module,
// so that what the addon prints to standard output can be read.
function printedBy(script) {
  const child = spawnSync(process.execPath, ['-e', `
    const addon = require(process.env.SBA_ADDON_PATH);
    const standin = require(process.env.STANDIN_CONTROL_PATH);
    ${script}`], {
    env: { ...process.env, SBA_ADDON_PATH: require.resolve(process.env.SBA_ADDON || '../../../dist/sim-linux-x64/system-bridge-api.node'),
      STANDIN_CONTROL_PATH: require.resolve(process.env.STANDIN_CONTROL || '../../../build/linux/testing/standin/standin-control.node') },
    encoding: 'utf8',
  });
  assert.equal(child.status, 0, child.stderr);
  return child.stdout;
}

test('an administrator loads a hive, reads and writes it, and unloads it', () => {
  standin.useElevatedToken(true);
  const file = hiveFile();
  assert.equal(addon.LoadHive(HKEY_USERS, 'Mounted', file), true);
  assert.deepEqual(standin.loadedHives(), ['Mounted']);
  assert.ok(privilegesDisabled());
  assert.deepEqual(addon.GetRegistryKeyValues(HKEY_USERS, 'Mounted', 0), { answer: 42 });
  assert.deepEqual(addon.GetSubkeys(HKEY_USERS, 'Mounted'), ['inner']);
  assert.equal(addon.SetRegistryKeyValue(HKEY_USERS, 'Mounted', 0, 'added', 'yes', 1), undefined);
  assert.equal(addon.LoadHive(HKEY_USERS, 'Again', file), false);  // the file is in use
  assert.equal(addon.UnloadHive(HKEY_USERS, 'Mounted'), true);
  assert.ok(privilegesDisabled());
  assert.equal(addon.IsRegistryKeyExists(HKEY_USERS, 'Mounted', 0), false);
  // The change went back into the file.
  assert.equal(addon.LoadHive(-2147483645, 'Mounted', file), true);
  assert.deepEqual(addon.GetRegistryKeyValues(HKEY_USERS, 'Mounted', 0), { answer: 42, added: 'yes' });
  assert.equal(addon.UnloadHive(HKEY_USERS, 'Mounted'), true);
  assert.equal(standin.openHandles(), 0);
});

test('the privileges are disabled afterwards even when they were enabled before', () => {
  standin.useElevatedToken(true);
  standin.setPrivilege('SeBackupPrivilege', true, true);
  standin.setPrivilege('SeRestorePrivilege', true, true);
  assert.equal(addon.UnloadHive(HKEY_USERS, 'NotAHive'), false);
  assert.ok(privilegesDisabled());
  assert.equal(standin.privilege('SeBackupPrivilege').held, true);
});

test('hive failures are false: no privileges, wrong roots, missing or bad files, no hive', () => {
  const file = hiveFile();
  assert.equal(addon.LoadHive(HKEY_USERS, 'Mounted', file), false);  // a standard user holds neither
  assert.ok(privilegesDisabled());
  standin.useElevatedToken(true);
  assert.equal(addon.LoadHive(HKEY_CURRENT_USER, 'Mounted', file), false);
  assert.equal(addon.LoadHive(HKEY_USERS, 'Mounted', path.join(dir, 'missing.dat')), false);
  fs.writeFileSync(path.join(dir, 'bad.dat'), 'not a hive');
  assert.equal(addon.LoadHive(HKEY_USERS, 'Mounted', path.join(dir, 'bad.dat')), false);
  assert.equal(addon.UnloadHive(HKEY_USERS, '.DEFAULT'), false);  // a key, but no loaded hive
  assert.equal(addon.LoadHive(HKEY_LOCAL_MACHINE, 'Mounted', file), true);
  assert.equal(addon.UnloadHive(HKEY_LOCAL_MACHINE, 'Mounted'), true);
  assert.deepEqual(standin.loadedHives(), []);
});

test('bad hive arguments are false, print nothing and change nothing', () => {
  standin.useElevatedToken(true);
  const output = printedBy(`
    standin.reset();
    standin.useElevatedToken(true);
    for (const args of [[1, 'x'], [0x80000003, 'x', 5], ['0x80000003', 'x', 'f'], [0x80000003, 'x', 'f', 1]])
      if (addon.LoadHive(...args) !== false) throw new Error('LoadHive ' + args.length);
    if (addon.UnloadHive(0x80000003) !== false || addon.UnloadHive(0x80000003, 'x', 1) !== false) throw new Error('Unload');
    if (standin.calls().length) throw new Error(standin.calls().join());`);
  assert.equal(output, '');
});

test('privilege failures are printed, one line each, and the load fails', () => {
  assert.equal(printedBy(`
    standin.useElevatedToken(true);
    standin.failCall('OpenProcessToken', 5);
    if (addon.LoadHive(0x80000003, 'x', 'f') !== false) throw new Error('loaded');`),
  'Failed OpenProcessToken\n'.repeat(4));
  assert.equal(printedBy(`
    standin.useElevatedToken(true);
    standin.failCall('LookupPrivilegeValueA', 1313, 'SeRestorePrivilege');
    if (addon.UnloadHive(0x80000003, 'x') !== false) throw new Error('unloaded');
    if (!standin.calls().every((c) => c !== 'RegUnLoadKeyW')) throw new Error('called');`),
  'Failed LookupPrivilegeValue\n'.repeat(2));
  assert.equal(printedBy(`
    standin.useElevatedToken(true);
    standin.failCall('AdjustTokenPrivileges', 5);
    addon.LoadHive(0x80000003, 'x', 'f');
    if (standin.openHandles() !== 0) throw new Error('token left open');`),
  'Failed AdjustTokenPrivileges\n'.repeat(4));
});

test('GetLogonSID returns the logon group of the token', () => {
  assert.equal(addon.GetLogonSID(), 'S-1-5-5-0-304113');
  standin.setLogonSid('S-1-5-5-1-4294967295');
  assert.equal(addon.GetLogonSID('ignored', 1), 'S-1-5-5-1-4294967295');
  standin.setLogonSid(null);
  assert.equal(addon.GetLogonSID(), undefined);
  standin.setLogonSid('S-1-5-5-0-7');
  standin.failCall('OpenProcessToken', 5);
  assert.equal(addon.GetLogonSID(), undefined);
  assert.equal(standin.openHandles(), 0);
});
