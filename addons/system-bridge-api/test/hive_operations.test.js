'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { spawnSync } = require('node:child_process');
const {
  addon, control, addonPath, controlPath, needs, freshSystem, userKey, hiveName,
  HKEY_CURRENT_USER, HKEY_USERS, HKEY_LOCAL_MACHINE, REG_DWORD,
} = require('./support');

freshSystem();

const SOURCE = userKey('HiveSource');
const MOUNTED = hiveName('Mounted');

const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'sba-hive-'));
test.after(() => fs.rmSync(dir, { recursive: true, force: true }));
let fileNumber = 0;

// A hive file holding one key with the value answer = 42.
function hiveFile() {
  const file = path.join(dir, `hive${++fileNumber}.dat`);
  addon.CreateRegistryKey(HKEY_CURRENT_USER, `${SOURCE}\\inner`, 0);
  addon.SetRegistryKeyValue(HKEY_CURRENT_USER, SOURCE, 0, 'answer', 42, REG_DWORD);
  assert.equal(control.saveHive(HKEY_CURRENT_USER, SOURCE, file), 0);
  addon.DeleteRegistryKeyTree(HKEY_CURRENT_USER, SOURCE);
  return file;
}

function privilegesDisabled() {
  return !control.privilege('SeBackupPrivilege').enabled && !control.privilege('SeRestorePrivilege').enabled;
}

// Runs script in a child node that loads the addon and the control module,
// so that what the addon prints to standard output can be read.
function printedBy(script) {
  const child = spawnSync(process.execPath, ['-e', `
    const addon = require(process.env.SBA_ADDON_PATH);
    const control = require(process.env.CONTROL_PATH);
    ${script}`], {
    env: { ...process.env, SBA_ADDON_PATH: addonPath, CONTROL_PATH: controlPath },
    encoding: 'utf8',
    timeout: 60000,
  });
  assert.equal(child.error, undefined);
  assert.equal(child.status, 0, child.stderr);
  return child.stdout;
}

test('an administrator loads a hive, reads and writes it, and unloads it', needs('elevatedToken'), () => {
  control.useElevatedToken(true);
  const file = hiveFile();
  assert.equal(addon.LoadHive(HKEY_USERS, MOUNTED, file), true);
  assert.deepEqual(control.loadedHives(), [MOUNTED]);
  assert.ok(privilegesDisabled());
  assert.deepEqual(addon.GetRegistryKeyValues(HKEY_USERS, MOUNTED, 0), { answer: 42 });
  assert.deepEqual(addon.GetSubkeys(HKEY_USERS, MOUNTED), ['inner']);
  assert.equal(addon.SetRegistryKeyValue(HKEY_USERS, MOUNTED, 0, 'added', 'yes', 1), undefined);
  assert.equal(addon.UnloadHive(HKEY_USERS, MOUNTED), true);
  assert.ok(privilegesDisabled());
  assert.equal(addon.IsRegistryKeyExists(HKEY_USERS, MOUNTED, 0), false);
  assert.deepEqual(control.loadedHives(), []);
  // The other spelling of the root.
  assert.equal(addon.LoadHive(-2147483645, MOUNTED, file), true);
  assert.deepEqual(addon.GetSubkeys(HKEY_USERS, MOUNTED), ['inner']);
  assert.equal(addon.UnloadHive(HKEY_USERS, MOUNTED), true);
});

test('a loaded hive holds its file, and its changes go back into it on unloading',
  needs('elevatedToken', 'hiveFileLock', 'hiveWriteBack', 'handleCounts'), () => {
    control.useElevatedToken(true);
    const file = hiveFile();
    assert.equal(addon.LoadHive(HKEY_USERS, MOUNTED, file), true);
    assert.equal(addon.SetRegistryKeyValue(HKEY_USERS, MOUNTED, 0, 'added', 'yes', 1), undefined);
    assert.equal(addon.LoadHive(HKEY_USERS, hiveName('Again'), file), false);  // the file is in use
    assert.equal(addon.UnloadHive(HKEY_USERS, MOUNTED), true);
    assert.equal(addon.LoadHive(HKEY_USERS, MOUNTED, file), true);
    assert.deepEqual(addon.GetRegistryKeyValues(HKEY_USERS, MOUNTED, 0), { answer: 42, added: 'yes' });
    assert.equal(addon.UnloadHive(HKEY_USERS, MOUNTED), true);
    assert.equal(control.openHandles(), 0);
  });

test('the privileges are disabled afterwards even when they were enabled before', needs('elevatedToken'), () => {
  control.useElevatedToken(true);
  assert.equal(control.setPrivilege('SeBackupPrivilege', true, true), true);
  assert.equal(control.setPrivilege('SeRestorePrivilege', true, true), true);
  assert.equal(addon.UnloadHive(HKEY_USERS, hiveName('Missing')), false);
  assert.ok(privilegesDisabled());
  assert.equal(control.privilege('SeBackupPrivilege').held, true);
});

test('a standard user holds neither privilege, so loading fails', needs('standardUserToken'), () => {
  const file = hiveFile();
  assert.equal(addon.LoadHive(HKEY_USERS, MOUNTED, file), false);
  assert.ok(privilegesDisabled());
  assert.deepEqual(control.loadedHives(), []);
});

test('hive failures are false: missing or bad files, no hive', needs('elevatedToken'), () => {
  control.useElevatedToken(true);
  const file = hiveFile();
  assert.equal(addon.UnloadHive(HKEY_USERS, hiveName('Missing')), false);
  assert.equal(addon.LoadHive(HKEY_LOCAL_MACHINE, MOUNTED, file), true);
  assert.equal(addon.UnloadHive(HKEY_LOCAL_MACHINE, MOUNTED), true);
  assert.deepEqual(control.loadedHives(), []);
  assert.equal(addon.LoadHive(HKEY_USERS, MOUNTED, path.join(dir, 'missing.dat')), false);
  fs.writeFileSync(path.join(dir, 'bad.dat'), 'not a hive');
  assert.equal(addon.LoadHive(HKEY_USERS, MOUNTED, path.join(dir, 'bad.dat')), false);
});

test('a file that is no hive leaves nothing mounted', needs('elevatedToken', 'failedLoadCleanup'), () => {
  control.useElevatedToken(true);
  fs.writeFileSync(path.join(dir, 'bad.dat'), 'not a hive');
  assert.equal(addon.LoadHive(HKEY_USERS, MOUNTED, path.join(dir, 'bad.dat')), false);
  assert.deepEqual(control.loadedHives(), []);
});

test('a hive loads only below HKEY_USERS and HKEY_LOCAL_MACHINE', needs('elevatedToken', 'hiveRootCheck'), () => {
  control.useElevatedToken(true);
  assert.equal(addon.LoadHive(HKEY_CURRENT_USER, MOUNTED, hiveFile()), false);
});

test('unloading a key that is no hive is false', needs('elevatedToken', 'hiveUnloadCheck'), () => {
  control.useElevatedToken(true);
  assert.equal(addon.UnloadHive(HKEY_USERS, '.DEFAULT'), false);
});

const BAD_HIVE_CALLS = `
  for (const args of [[1, 'x'], [0x80000003, 'x', 5], ['0x80000003', 'x', 'f'], [0x80000003, 'x', 'f', 1]])
    if (addon.LoadHive(...args) !== false) throw new Error('LoadHive ' + args.length);
  if (addon.UnloadHive(0x80000003) !== false || addon.UnloadHive(0x80000003, 'x', 1) !== false) throw new Error('Unload');`;

test('bad hive arguments are false and print nothing', () => {
  assert.equal(printedBy(BAD_HIVE_CALLS), '');
});

test('bad hive arguments make no call', needs('callLog', 'elevatedToken'), () => {
  assert.equal(printedBy(`
    control.reset();
    control.useElevatedToken(true);
    ${BAD_HIVE_CALLS}
    if (control.calls().length) throw new Error(control.calls().join());`), '');
});

test('privilege failures are printed, one line each, and the load fails', needs('failureInjection'), () => {
  assert.equal(printedBy(`
    control.useElevatedToken(true);
    control.failCall('OpenProcessToken', 5);
    if (addon.LoadHive(0x80000003, 'x', 'f') !== false) throw new Error('loaded');`),
  'Failed OpenProcessToken\n'.repeat(4));
  assert.equal(printedBy(`
    control.useElevatedToken(true);
    control.failCall('LookupPrivilegeValueA', 1313, 'SeRestorePrivilege');
    if (addon.UnloadHive(0x80000003, 'x') !== false) throw new Error('unloaded');
    if (!control.calls().every((c) => c !== 'RegUnLoadKeyW')) throw new Error('called');`),
  'Failed LookupPrivilegeValue\n'.repeat(2));
  assert.equal(printedBy(`
    control.useElevatedToken(true);
    control.failCall('AdjustTokenPrivileges', 5);
    addon.LoadHive(0x80000003, 'x', 'f');
    if (control.openHandles() !== 0) throw new Error('token left open');`),
  'Failed AdjustTokenPrivileges\n'.repeat(4));
});

test('GetLogonSID returns the logon group of the token', () => {
  assert.match(addon.GetLogonSID(), /^S-1-5-5-\d+-\d+$/);
  assert.equal(addon.GetLogonSID('ignored', 1), addon.GetLogonSID());
});

test('GetLogonSID: the first logon group, none, or a token that cannot be opened',
  needs('logonSidArrangement', 'failureInjection', 'handleCounts'), () => {
    assert.equal(addon.GetLogonSID(), 'S-1-5-5-0-304113');
    control.setLogonSid('S-1-5-5-1-4294967295');
    assert.equal(addon.GetLogonSID('ignored', 1), 'S-1-5-5-1-4294967295');
    control.setLogonSid(null);
    assert.equal(addon.GetLogonSID(), undefined);
    control.setLogonSid('S-1-5-5-0-7');
    control.failCall('OpenProcessToken', 5);
    assert.equal(addon.GetLogonSID(), undefined);
    assert.equal(control.openHandles(), 0);
  });
