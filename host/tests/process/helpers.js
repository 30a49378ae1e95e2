// Shared pieces of the host's process tests: each test gets a scratch folder,
// the host runs with an environment of the test's own (APPDATA, TEMP set for
// the child only), and its output is compared byte for byte.
'use strict';
const assert = require('node:assert');
const childProcess = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

const { HOST, FIXTURES } = require('./harness');

// The host writes its console texts through the C runtime's text mode, which
// may turn a line feed into CR LF on its way out (Wine's does not): compare
// the texts with bare line feeds.
function lineFeeds(text) {
  return text.replace(/\r\n/g, '\n');
}

function scratch(t, name) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), `qh-${name}-`));
  t.after(() => fs.rmSync(dir, { recursive: true, force: true }));
  return dir;
}

function runHost(args, env = {}, options = {}) {
  const childEnv = { ...process.env, ...env };
  const started = Date.now();
  const result = childProcess.spawnSync(options.exe || HOST, args, {
    env: childEnv,
    cwd: options.cwd,
    encoding: 'latin1',
    timeout: options.timeout || 60000,
  });
  assert.ifError(result.error);
  return { ...result, stdout: lineFeeds(result.stdout), elapsed: Date.now() - started };
}

// Checks what every host run must give: exit status 0, nothing on stderr.
function assertClean(result) {
  assert.strictEqual(result.status, 0);
  assert.strictEqual(result.stderr, '');
}

// Starts a fixture and resolves once it has printed `word`.
function startFixture(t, exe, args, word) {
  const child = childProcess.spawn(exe, args, { stdio: ['ignore', 'pipe', 'ignore'] });
  t.after(() => stopFixture(child));
  return new Promise((resolve, reject) => {
    let seen = '';
    child.on('error', reject);
    child.on('exit', () => reject(new Error(`${exe} ended before "${word}": ${seen}`)));
    child.stdout.on('data', (chunk) => {
      seen += chunk;
      if (seen.includes(word)) {
        child.removeAllListeners('exit');
        resolve(child);
      }
    });
  });
}

// Ends a fixture and waits (at most 5 s) until it has gone.
function stopFixture(child) {
  if (child.exitCode !== null || child.signalCode !== null) {
    return Promise.resolve();
  }
  const ended = new Promise((resolve) => child.once('exit', resolve));
  child.kill();
  return Promise.race([ended, sleep(5000)]);
}

function sleep(ms) {
  return new Promise((resolve) => setTimeout(resolve, ms));
}

async function waitFor(check, ms) {
  const end = Date.now() + ms;
  while (!check() && Date.now() < end) {
    await sleep(100);
  }
  return check();
}

function writeFile(file, text = 'x') {
  fs.mkdirSync(path.dirname(file), { recursive: true });
  fs.writeFileSync(file, text);
}

// Wine makes no Windows links (CreateSymbolicLinkW makes nothing, junctions
// fail), so a link is a Unix one, made through Wine's start /unix, which does
// not wait for the program: both wait until the link shows (or has gone).
function unixPath(windowsPath) {
  return childProcess.spawnSync('winepath.exe', ['-u', windowsPath], { encoding: 'latin1' }).stdout.trim();
}

function runUnix(args) {
  childProcess.spawnSync('cmd.exe', ['/c', 'start', '/wait', '/unix', ...args]);
}

async function unixLink(target, link) {
  runUnix(['/bin/ln', '-s', unixPath(target), unixPath(link)]);
  assert.ok(await waitFor(() => fs.existsSync(link), 5000), `no link at ${link}`);
}

async function removeUnixLink(link) {
  runUnix(['/bin/rm', unixPath(link)]);
  await waitFor(() => !fs.existsSync(link), 5000);
}

// APPDATA and TEMP below `dir`, with the four folders the clean-up removes,
// each holding a file; a sibling file in each base must survive.
function leftoverTree(dir) {
  const appData = path.join(dir, 'Roaming');
  const temp = path.join(dir, 'Temp');
  const folders = [
    path.join(appData, 'setup'),
    path.join(appData, 'QuillaretWorkspace'),
    path.join(temp, 'Quillaret', 'Quillaret Workspace Installer'),
    path.join(temp, 'Quillaret'),
  ];
  writeFile(path.join(folders[0], 'setup.log'));
  writeFile(path.join(folders[1], 'cache', 'deep', 'data.bin'));
  writeFile(path.join(folders[2], 'part.tmp'));
  writeFile(path.join(folders[3], 'state.txt'));
  writeFile(path.join(appData, 'keep.txt'));
  writeFile(path.join(temp, 'keep.txt'));
  return { appData, temp, folders, env: { APPDATA: appData, TEMP: temp } };
}

// The output of a run that removed (or found missing) every folder.
function removedOutput(tree) {
  return (['Cleanup ', tree.appData, ...tree.folders, 'Cleanup end'].join('\n'));
}

module.exports = {
  HOST, FIXTURES, lineFeeds, scratch, runHost, assertClean, startFixture, stopFixture, sleep, waitFor, writeFile,
  leftoverTree, removedOutput, unixLink, removeUnixLink,
};
