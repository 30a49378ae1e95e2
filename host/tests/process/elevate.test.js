// The "\"--elevate\"" mode: under Wine the "runas" verb simply starts the
// program, so the argument recorder shows what the host passed on.
'use strict';
const { test } = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const h = require('./helpers');

const ELEVATE = '"--elevate"';

function recorderIn(t, folderName) {
  const exe = path.join(h.scratch(t, 'elevate'), folderName, 'argument_recorder.exe');
  fs.mkdirSync(path.dirname(exe), { recursive: true });
  fs.copyFileSync(path.join(h.FIXTURES, 'argument_recorder.exe'), exe);
  return { exe, record: `${exe}.txt` };
}

async function readRecord(recorder) {
  assert.ok(await h.waitFor(() => fs.existsSync(recorder.record), 10000), 'the program was not started');
  const [commandLine, ...argv] = fs.readFileSync(recorder.record, 'latin1').split('\n').slice(0, -1);
  return { commandLine, args: argv.slice(1) };
}

test('three arguments: the program gets its own path and "--adminprivilege"', async (t) => {
  const recorder = recorderIn(t, 'tool');
  const result = h.runHost([ELEVATE, recorder.exe]);
  h.assertClean(result);
  assert.strictEqual(result.stdout, `elevateRun as: ${recorder.exe}3`);
  const { commandLine, args } = await readRecord(recorder);
  assert.ok(commandLine.endsWith(` ${recorder.exe} "--adminprivilege"`), commandLine);
  assert.deepStrictEqual(args, [recorder.exe, '--adminprivilege']);
});

test('arguments with blanks are passed on unquoted, so the program sees them split', async (t) => {
  const recorder = recorderIn(t, 'my tool');
  const result = h.runHost([ELEVATE, recorder.exe, 'two words', '-x']);
  h.assertClean(result);
  assert.strictEqual(result.stdout, `elevateRun as: ${recorder.exe}5`);
  const { commandLine, args } = await readRecord(recorder);
  assert.ok(commandLine.endsWith(` ${recorder.exe} two words -x "--adminprivilege"`), commandLine);
  const [folderPart, filePart] = [path.dirname(path.dirname(recorder.exe)) + '\\my', 'tool\\argument_recorder.exe'];
  assert.deepStrictEqual(args, [folderPart, filePart, 'two', 'words', '-x', '--adminprivilege']);
});

test('"--elevate" alone prints "elevate" and starts nothing', () => {
  const result = h.runHost([ELEVATE]);
  h.assertClean(result);
  assert.strictEqual(result.stdout, 'elevate');
});

test('only the exact first argument selects a mode', async (t) => {
  const recorder = recorderIn(t, 'tool');
  for (const first of ['--elevate', '--CLEANUP', '--cleanup=1']) {
    const result = h.runHost([first, recorder.exe, '--pid=0'], { APPDATA: path.dirname(recorder.exe) });
    assert.strictEqual(result.status, 0);
    assert.ok(!result.stdout.startsWith('elevate') && !result.stdout.startsWith('Cleanup'), first);
  }
  await h.sleep(1000);
  assert.ok(!fs.existsSync(recorder.record));
});
