// The "--cleanup" mode as the installer starts it: options, installer wait,
// folder removal and self-deletion (the slow paths have files of their own).
'use strict';
const { test } = require('node:test');
const assert = require('node:assert');
const childProcess = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');
const h = require('./helpers');

const USAGE = 'Error: Invalid argument/option. \n'
  + 'Type "quillaret-host.exe --cleanup --delme --pid=000000" for usage. \n'
  + 'Require: \n'
  + '\t  --pid    \t PID to verify the setup.exe process is not running before cleanup. \n'
  + 'Option: \n'
  + '\t  --delme  \t Delete quillaret-host.exe when cleanup success.\n';

const SETUP = path.join(h.FIXTURES, 'setup.exe');
const CAPITAL_SETUP = path.join(h.FIXTURES, 'capital', 'Setup.exe');

test('unusable options print the usage text and touch nothing', (t) => {
  const tree = h.leftoverTree(h.scratch(t, 'usage'));
  for (const options of [[], ['--delme'], ['--pid='], ['--pid'], ['--pidx=5'], ['--pid=5', '--pid']]) {
    const result = h.runHost(['--cleanup', ...options], tree.env);
    h.assertClean(result);
    assert.strictEqual(result.stdout, ('Cleanup \n' + USAGE), options.join(' '));
  }
  for (const folder of tree.folders) {
    assert.ok(fs.existsSync(folder), folder);
  }
});

test('a run removes the four folders with their contents and nothing beside them', (t) => {
  const tree = h.leftoverTree(h.scratch(t, 'removal'));
  const result = h.runHost(['--cleanup', '--pid=0'], tree.env);
  h.assertClean(result);
  assert.strictEqual(result.stdout, h.removedOutput(tree));
  for (const folder of tree.folders) {
    assert.ok(!fs.existsSync(folder), folder);
  }
  assert.ok(fs.existsSync(path.join(tree.appData, 'keep.txt')));
  assert.ok(fs.existsSync(path.join(tree.temp, 'keep.txt')));
});

// (Wine puts TEMP back into a child's environment when it lacks one, so a
// run without TEMP cannot be arranged here.)
test('missing folders count as removed', (t) => {
  const dir = h.scratch(t, 'missing');
  const tree = { appData: path.join(dir, 'Roaming'), temp: path.join(dir, 'Temp') };
  tree.folders = [
    path.join(tree.appData, 'setup'), path.join(tree.appData, 'QuillaretWorkspace'),
    path.join(tree.temp, 'Quillaret', 'Quillaret Workspace Installer'), path.join(tree.temp, 'Quillaret'),
  ];
  const result = h.runHost(['--cleanup', '--pid=0'], { APPDATA: tree.appData, TEMP: tree.temp });
  h.assertClean(result);
  assert.strictEqual(result.stdout, h.removedOutput(tree));
});

test('empty or relative APPDATA and TEMP values are skipped, never resolved against the current folder', (t) => {
  const cwd = h.scratch(t, 'relative');
  const bait = [
    path.join(cwd, 'setup', 'setup', 'a.txt'),
    path.join(cwd, 'setup', 'QuillaretWorkspace', 'b.txt'),
    path.join(cwd, 'Quillaret', 'Quillaret Workspace Installer', 'c.txt'),
  ];
  bait.forEach((file) => h.writeFile(file));
  for (const env of [{ APPDATA: '.', TEMP: '' }, { APPDATA: 'setup', TEMP: '.' }, { APPDATA: '', TEMP: 'Quillaret' }]) {
    const result = h.runHost(['--cleanup', '--pid=0'], env, { cwd });
    h.assertClean(result);
    assert.strictEqual(result.stdout, ('Cleanup \nCleanup end'), JSON.stringify(env));
  }
  for (const file of bait) {
    assert.ok(fs.existsSync(file), file);
  }
});

test('process ids that are no running setup.exe do not delay the clean-up', async (t) => {
  const ended = childProcess.spawnSync(SETUP, ['0']);
  assert.strictEqual(ended.status, 0);
  const capital = await h.startFixture(t, CAPITAL_SETUP, ['60000'], 'ready');
  const cases = {
    zero: '0', text: 'abc', self: String(process.pid), ended: String(ended.pid), capital: String(capital.pid),
  };
  for (const [name, pid] of Object.entries(cases)) {
    const tree = h.leftoverTree(h.scratch(t, `nowait-${name}`));
    const result = h.runHost(['--cleanup', `--pid=${pid}`], tree.env);
    h.assertClean(result);
    assert.strictEqual(result.stdout, h.removedOutput(tree), name);
    assert.ok(result.elapsed < 10000, `${name}: ${result.elapsed} ms`);
  }
});

test('the clean-up waits while setup.exe runs and goes on when it ends', async (t) => {
  const tree = h.leftoverTree(h.scratch(t, 'wait'));
  const installer = await h.startFixture(t, SETUP, ['3000'], 'ready');
  const exited = new Promise((resolve) => installer.on('exit', () => resolve(Date.now())));
  const hostStart = Date.now();
  const result = await new Promise((resolve) => {
    const child = childProcess.execFile(h.HOST, ['--cleanup', `--pid=${installer.pid}`],
      { env: { ...process.env, ...tree.env }, encoding: 'latin1' },
      (error, stdout, stderr) => resolve({ error, stdout: h.lineFeeds(stdout), stderr, status: child.exitCode, end: Date.now() }));
  });
  const installerEnd = await exited;
  assert.ifError(result.error);
  h.assertClean(result);
  assert.strictEqual(result.stdout, h.removedOutput(tree));
  // The 1-second pause follows the installer's end.
  assert.ok(result.end - installerEnd >= 900, `host ended ${result.end - installerEnd} ms after setup.exe`);
  assert.ok(result.end - hostStart < 20000);
});

test('a link at TEMP\\Quillaret is never walked through: what it leads to stays', async (t) => {
  const dir = h.scratch(t, 'linked');
  const env = { APPDATA: path.join(dir, 'Roaming'), TEMP: path.join(dir, 'Temp') };
  const precious = path.join(dir, 'elsewhere', 'Quillaret Workspace Installer', 'precious.txt');
  h.writeFile(precious);
  h.writeFile(path.join(env.TEMP, 'keep.txt'));
  const link = path.join(env.TEMP, 'Quillaret');
  await h.unixLink(path.join(dir, 'elsewhere'), link);
  try {
    const result = h.runHost(['--cleanup', '--pid=0'], env);
    h.assertClean(result);
    assert.ok(fs.existsSync(precious), 'deleted through the link');
    // Nothing below a link is the clean-up's, so the installer folder counts
    // as done; the link itself Wine cannot remove (a Unix link opens at its
    // target), so its three attempts fail.
    const installer = path.join(link, 'Quillaret Workspace Installer');
    assert.ok(!result.stdout.includes(`Unable to delete ${installer}`), result.stdout);
    assert.ok(result.stdout.includes(`Unable to delete ${link}\nRetry Count : 2`), result.stdout);
  } finally {
    await h.removeUnixLink(link);
  }
});

test('--delme deletes the program file after the run, also from a path with blanks', async (t) => {
  const dir = h.scratch(t, 'delme');
  const tree = h.leftoverTree(dir);
  const copy = (name) => {
    const exe = path.join(dir, name, 'quillaret-host.exe');
    fs.mkdirSync(path.dirname(exe), { recursive: true });
    fs.copyFileSync(h.HOST, exe);
    return exe;
  };
  const deleting = copy('with blanks in it');
  const result = h.runHost(['--cleanup', '--pid=0', '--delme'], tree.env, { exe: deleting });
  h.assertClean(result);
  assert.strictEqual(result.stdout, h.removedOutput(tree));
  assert.ok(await h.waitFor(() => !fs.existsSync(deleting), 10000), 'the copy is still there');

  const usage = copy('usage only');
  const ignored = copy('capital Delme');
  h.assertClean(h.runHost(['--cleanup', '--delme'], tree.env, { exe: usage }));
  h.assertClean(h.runHost(['--cleanup', '--Delme', '--pid=0'], tree.env, { exe: ignored }));
  await h.sleep(2000);
  assert.ok(fs.existsSync(usage), 'the usage path deleted the program');
  assert.ok(fs.existsSync(ignored), '--Delme deleted the program');
});

test('--delme never deletes what the interpreter would make of a "%" in the path', async (t) => {
  const dir = h.scratch(t, 'expand');
  const tree = h.leftoverTree(dir);
  const place = (folder, from) => {
    const exe = path.join(dir, folder, 'quillaret-host.exe');
    fs.mkdirSync(path.dirname(exe), { recursive: true });
    fs.copyFileSync(from, exe);
    return exe;
  };
  const self = place('h%QH_VICTIM%x', h.HOST);
  const victim = place('hvictimx', path.join(h.FIXTURES, 'argument_recorder.exe'));
  const result = h.runHost(['--cleanup', '--pid=0', '--delme'], { ...tree.env, QH_VICTIM: 'victim' }, { exe: self });
  h.assertClean(result);
  assert.strictEqual(result.stdout, h.removedOutput(tree));
  assert.ok(await h.waitFor(() => !fs.existsSync(self), 10000), 'the program is still there');
  assert.ok(fs.existsSync(victim), 'another program was deleted');
});

test('--delme runs the system folder\'s cmd.exe, never one planted beside the program', async (t) => {
  const dir = h.scratch(t, 'planted');
  const tree = h.leftoverTree(dir);
  const exe = path.join(dir, 'app', 'quillaret-host.exe');
  const planted = path.join(dir, 'app', 'cmd.exe');
  fs.mkdirSync(path.dirname(exe), { recursive: true });
  fs.copyFileSync(h.HOST, exe);
  fs.copyFileSync(path.join(h.FIXTURES, 'argument_recorder.exe'), planted);
  h.assertClean(h.runHost(['--cleanup', '--pid=0', '--delme'], tree.env, { exe }));
  assert.ok(await h.waitFor(() => !fs.existsSync(exe), 10000), 'the program is still there');
  assert.ok(!fs.existsSync(`${planted}.txt`), 'the planted cmd.exe ran');
});
