'use strict';
// Wine's own automation servers, driven as script users drive them.
const test = require('node:test');
const assert = require('node:assert/strict');
const { spawnSync } = require('node:child_process');
const { addon, hresult, needsWine } = require('./support');

test('Scripting.Dictionary: Add, Item with an argument, Count, Exists, Remove, Keys and Items', { skip: needsWine }, () => {
  const d = addon.CreateObject('Scripting.Dictionary');
  try {
    assert.equal(d.call('Add', 'a', 1), undefined);
    d.call('Add', 'b', 'two');
    d.call('Add', 3, 4.5);
    assert.equal(d.get('Count'), 3);
    assert.equal(d.get('Item', 'b'), 'two');
    assert.equal(d.get('Item', 3), 4.5);
    assert.equal(d.call('Exists', 'a'), true);
    assert.equal(d.call('Exists', 'zz'), false);
    // 0-based one-dimensional arrays: element 0 is there.
    assert.deepEqual(d.call('Keys'), ['a', 'b', 3]);
    assert.deepEqual(d.call('Items'), [1, 'two', 4.5]);
    d.set('Item', 'c');  // a put without the key's argument is refused; nothing changes
    assert.equal(d.get('Count'), 3);
    d.call('Remove', 'a');
    assert.deepEqual(d.call('Keys'), ['b', 3]);
    // A failed call answers undefined; the same call through callUnsafe throws.
    assert.equal(d.call('Remove', 'not there'), undefined);
    assert.throws(() => d.callUnsafe('Remove', 'not there'), (e) => e.comError.errorCode !== 0);
    // A table read back is the table written.
    d.call('Add', 'table', [[1, 2, 3], [4, 5, 6]]);
    assert.deepEqual(d.get('Item', 'table'), [[1, 2, 3], [4, 5, 6]]);
    d.call('Add', 'ragged', [1, [2, 3], 'x', [true, null]]);
    assert.deepEqual(d.get('Item', 'ragged'), [1, [2, 3], 'x', [true, null]]);
    d.call('RemoveAll');
    assert.deepEqual(d.call('Keys'), []);
  } finally {
    assert.equal(d.release(), 0);
  }
});

test('Scripting.FileSystemObject: BuildPath, GetTempName, a text file written and read, a folder', { skip: needsWine }, () => {
  const fso = addon.CreateObject('Scripting.FileSystemObject');
  try {
    assert.equal(fso.call('BuildPath', 'C:\\a', 'b.txt'), 'C:\\a\\b.txt');
    assert.match(fso.call('GetTempName'), /^rad[0-9A-F]{5}\.tmp$/i);
    const temp = fso.call('GetSpecialFolder', 2);
    const tempPath = temp.get('Path');
    assert.equal(temp.release(), 0);
    const file = fso.call('BuildPath', tempPath, fso.call('GetTempName'));
    const stream = fso.call('CreateTextFile', file, true);
    assert.ok(stream instanceof addon.ComObject);
    stream.call('WriteLine', 'first line');
    stream.call('Write', 'second');
    stream.call('Close');
    assert.equal(stream.release(), 0);
    assert.equal(fso.call('FileExists', file), true);
    const reader = fso.call('OpenTextFile', file, 1);
    assert.equal(reader.call('ReadLine'), 'first line');
    assert.equal(reader.call('ReadAll'), 'second');
    reader.call('Close');
    assert.equal(reader.release(), 0);
    const fileObject = fso.call('GetFile', file);
    assert.equal(fileObject.get('Size'), 'first line\r\nsecond'.length);
    assert.equal(fileObject.release(), 0);
    fso.call('DeleteFile', file);
    assert.equal(fso.call('FileExists', file), false);

    // Wine's folder object has Name, Path, Files and SubFolders.
    const windows = fso.call('GetFolder', 'C:\\windows');
    assert.equal(windows.get('Name').toLowerCase(), 'windows');
    assert.equal(windows.get('Path').toLowerCase(), 'c:\\windows');
    const subFolders = windows.get('SubFolders');
    assert.ok(subFolders.get('Count') > 0);
    assert.equal(subFolders.release(), 0);
    windows.release();
  } finally {
    fso.release();
  }
});

test('WScript.Shell: ExpandEnvironmentStrings, RegWrite, RegRead; Wine refuses RegDelete', { skip: needsWine }, () => {
  const shell = addon.CreateObject('WScript.Shell');
  const key = 'HKCU\\Software\\QuillaretTests\\ComBridge\\';
  try {
    assert.equal(shell.call('ExpandEnvironmentStrings', '%SystemRoot%').toLowerCase(), 'c:\\windows');
    shell.call('RegWrite', key + 'Text', 'hello', 'REG_SZ');
    shell.call('RegWrite', key + 'Number', 42, 'REG_DWORD');
    assert.equal(shell.call('RegRead', key + 'Text'), 'hello');
    assert.equal(shell.call('RegRead', key + 'Number'), 42);
    assert.equal(shell.call('RegRead', key + 'Missing'), undefined);
    assert.throws(() => shell.callUnsafe('RegRead', key + 'Missing'), (e) => e.comError.errorCode < 0);
    // Wine 8's RegDelete fails with DISP_E_EXCEPTION; Windows deletes the value.
    assert.throws(() => shell.callUnsafe('RegDelete', key + 'Text'),
      (e) => e.comError.errorCode === hresult(0x80020009));
  } finally {
    spawnSync('reg', ['delete', 'HKCU\\Software\\QuillaretTests', '/f'], { stdio: 'ignore' });
    shell.release();
  }
});
