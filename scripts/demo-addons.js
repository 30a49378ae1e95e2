'use strict';
// The four addons at work, each required by its package name (installed by
// scripts/demo.sh), in the Windows node.exe:
//   node.exe demo-addons.js <folder of lift_windows.exe>
const path = require('node:path');
const { startLiftFixture } = require('../testing/common/lift-fixture');
const systemBridge = require('system-bridge-api');
const comBridge = require('com-bridge');
const { WindowLift } = require('window-lift');
const { GetQuietMode } = require('quiet-mode');

const show = (text) => console.log(text);
const ok = (failure) => (failure === undefined || failure === '' ? 'ok' : failure);

function registry() {
  show('== system-bridge-api');
  const HKEY_CURRENT_USER = 0x80000001;
  const REG_SZ = 1;
  const REG_DWORD = 4;
  const key = `Software\\QuillaretDemo-${process.pid}`;
  show(`CreateRegistryKey HKCU\\${key}: ${ok(systemBridge.CreateRegistryKey(HKEY_CURRENT_USER, key, 0))}`);
  show(`SetRegistryKeyValue greeting (REG_SZ): ${ok(systemBridge.SetRegistryKeyValue(HKEY_CURRENT_USER, key, 0,
    'greeting', 'hello from the demo', REG_SZ))}`);
  show(`SetRegistryKeyValue launches (REG_DWORD): ${ok(systemBridge.SetRegistryKeyValue(HKEY_CURRENT_USER, key, 0,
    'launches', 3, REG_DWORD))}`);
  show(`GetRegistryKeyValues: ${JSON.stringify(systemBridge.GetRegistryKeyValues(HKEY_CURRENT_USER, key, 0))}`);
  show(`DeleteRegistryKey: ${ok(systemBridge.DeleteRegistryKey(HKEY_CURRENT_USER, key, 0))}`);
  show(`IsRegistryKeyExists afterwards: ${systemBridge.IsRegistryKeyExists(HKEY_CURRENT_USER, key, 0)}`);
  show(`GetLogonSID: ${systemBridge.GetLogonSID()}`);
}

// Runs body with the object and releases it afterwards.
function using(object, body) {
  try {
    return body(object);
  } finally {
    object.release();
  }
}

// The day a VT_DATE names: it arrives as a Date whose time value is the DATE
// number (days since 1899-12-30) cut to whole milliseconds, so whole days.
const dayOf = (date) => new Date((date.getTime() - 25569) * 86400000).toISOString().slice(0, 10);

function dictionary() {
  using(comBridge.CreateObject('Scripting.Dictionary'), (d) => {
    d.call('Add', 'colour', 'blue');
    d.call('Add', 'size', 3);
    d.call('Add', 'table', [[1, 2], [3, 4]]);
    show(`Scripting.Dictionary: Count ${d.get('Count')}, Item("table") ${JSON.stringify(d.get('Item', 'table'))}`);
    show(`  keys by iteration: ${[...d].join(', ')}`);
    try {
      d.callUnsafe('Remove', 'missing');
    } catch (e) {
      show(`  callUnsafe("Remove", "missing") threw: errorCode 0x${(e.comError.errorCode >>> 0).toString(16)}`);
    }
  });
}

function fileSystem() {
  using(comBridge.CreateObject('Scripting.FileSystemObject'), (fso) => {
    const temp = using(fso.call('GetSpecialFolder', 2), (t) => t.get('Path'));
    const folderPath = fso.call('BuildPath', temp, fso.call('GetTempName'));
    using(fso.call('CreateFolder', folderPath), (folder) => {
      for (const [name, text] of [['notes.txt', 'written through com-bridge'], ['empty.txt', '']]) {
        using(fso.call('CreateTextFile', fso.call('BuildPath', folderPath, name), true), (stream) => {
          stream.call('Write', text);
          stream.call('Close');
        });
      }
      show(`Scripting.FileSystemObject: wrote ${folderPath}\\notes.txt`);
      using(fso.call('GetFile', fso.call('BuildPath', folderPath, 'notes.txt')), (file) => {
        show(`  Name ${file.get('Name')}, Size ${file.get('Size')}, Attributes ${file.get('Attributes')}, ` +
          `DateLastModified ${dayOf(file.get('DateLastModified'))}`);
      });
      const listed = using(folder.get('Files'), (files) =>
        [...files].map((file) => using(file, (f) => `${f.get('Name')} (${f.get('Size')} bytes)`)));
      show(`  the folder's Files, iterated: ${listed.join(', ')}`);
    });
    fso.call('DeleteFolder', folderPath);
    show(`  folder deleted: ${!fso.call('FolderExists', folderPath)}`);
  });
}

async function windows(fixtureFolder) {
  show('== window-lift');
  const fixture = await startLiftFixture(path.win32.join(fixtureFolder, 'lift_windows.exe'));
  try {
    const [, second, minimised] = fixture.handles;
    show(`fixture windows ${fixture.handles.join(', ')}; ${await fixture.ask('foreground')}; the minimised one is ${minimised}`);
    // WindowLift answers by the foreground it finds as it ends; the fixture
    // looks a moment later. What both saw is shown, not a fixed outcome.
    const lift = async (target) => {
      const result = WindowLift(target);
      const seen = (await fixture.ask('foreground')).trim();
      show(`WindowLift(${target}) -> ${JSON.stringify(result)}; fixture: ${seen}`);
      const inFront = seen === `foreground ${target}`;
      if (result === '' && inFront) show('  (the window is in the foreground)');
      else if (inFront) show('  (the window reached the foreground after WindowLift\'s last look)');
      else show('  (the window is not in the foreground: under Wine, detaching the input of another thread can leave none)');
    };
    await lift(minimised);
    show(`  the minimised one afterwards: ${await fixture.ask('iconic 2')}`);
    await lift(second);
  } finally {
    await fixture.stop();
  }
}

function quiet() {
  show('== quiet-mode');
  show(`GetQuietMode: ${GetQuietMode()}`);
}

async function main() {
  registry();
  show('== com-bridge');
  dictionary();
  fileSystem();
  await windows(process.argv[2]);
  quiet();
}

main().catch((e) => {
  console.log(e.stack);
  process.exitCode = 1;
});
