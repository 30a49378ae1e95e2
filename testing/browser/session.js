'use strict';
// One run of headless Chromium with the test extension, talking to
// quillaret-host under the test bed's Wine through relay.exe. A small HTTP
// server on 127.0.0.1 hands the extension one message per case and takes back
// what the extension saw; relay.exe records how the host ended.
//
// Everything the run writes lives in one scratch folder (browser profile,
// XDG folders, extension copy, case folders), removed at the end. Chromium is
// started in a process group of its own, stopped by its process id, and the
// run checks that no process of that group is left.
const childProcess = require('node:child_process');
const crypto = require('node:crypto');
const fs = require('node:fs');
const http = require('node:http');
const os = require('node:os');
const path = require('node:path');

const CHROMIUM = '/usr/lib/chromium/chromium';
const EXTENSION_SOURCE = path.join(__dirname, 'extension');
const WRAPPER = path.join(__dirname, 'relay-host.sh');

// Chromium derives an unpacked extension's ID from the manifest's "key": the
// first 128 bits of the key's SHA-256, written with the letters a to p.
function extensionId(key) {
  const hex = crypto.createHash('sha256').update(Buffer.from(key, 'base64')).digest('hex').slice(0, 32);
  return [...hex].map((c) => String.fromCharCode(97 + parseInt(c, 16))).join('');
}

// A pause that does not keep the process alive by itself.
function sleep(ms) {
  return new Promise((resolve) => setTimeout(resolve, ms).unref());
}

// The installers' manifest template, pointed at the wrapper and the test
// extension: what Chromium on Linux reads from the profile folder.
function writeHostManifest(template, profile, id) {
  const manifest = JSON.parse(fs.readFileSync(template, 'utf8'));
  manifest.path = WRAPPER;
  manifest.allowed_origins = [`chrome-extension://${id}/`];
  const folder = path.join(profile, 'NativeMessagingHosts');
  fs.mkdirSync(folder, { recursive: true });
  fs.writeFileSync(path.join(folder, `${manifest.name}.json`), JSON.stringify(manifest, null, 2));
  return manifest.name;
}

function writeExtension(target, server) {
  fs.cpSync(EXTENSION_SOURCE, target, { recursive: true });
  fs.writeFileSync(path.join(target, 'config.json'), JSON.stringify({ server }));
  const { key } = JSON.parse(fs.readFileSync(path.join(target, 'manifest.json'), 'utf8'));
  return extensionId(key);
}

// A case's folder of arranged outputs for the fixture application (see
// testing/fixtures/QuillaretWorkspace.cpp), and the folder the host runs in.
function prepareCase(dir, index, testCase, fixtures) {
  const folder = path.join(dir, 'cases', String(index));
  fs.mkdirSync(folder, { recursive: true });
  for (const [word, bytes] of Object.entries(testCase.outputs || {})) {
    fs.writeFileSync(path.join(folder, `${word}.out`), bytes);
  }
  const cwd = testCase.application === false ? folder : fixtures;
  fs.writeFileSync(path.join(dir, 'current'), `${folder}\n${cwd}\n`);
  return folder;
}

// relay.exe's record of how the host ended, once it is there.
async function waitForRecord(folder, ms) {
  const file = path.join(folder, 'record.json');
  const end = Date.now() + ms;
  while (!fs.existsSync(file)) {
    if (Date.now() > end) return null;
    await sleep(20);
  }
  return JSON.parse(fs.readFileSync(file, 'utf8'));
}

function readIfThere(file) {
  return fs.existsSync(file) ? fs.readFileSync(file) : null;
}

function readBody(req) {
  return new Promise((resolve, reject) => {
    const chunks = [];
    req.on('data', (c) => chunks.push(c));
    req.on('end', () => resolve(Buffer.concat(chunks).toString('utf8')));
    req.on('error', reject);
  });
}

function chromiumArguments(profile, extension) {
  const args = [
    '--headless',
    `--user-data-dir=${profile}`,
    `--load-extension=${extension}`,
    `--disable-extensions-except=${extension}`,
    '--no-first-run',
    '--no-default-browser-check',
    '--disable-gpu',
    '--disable-sync',
    '--disable-background-networking',
    '--disable-component-update',
    '--disable-default-apps',
    '--no-pings',
    // Only the test's own server is reachable by name or address.
    '--host-resolver-rules=MAP * ~NOTFOUND, EXCLUDE 127.0.0.1',
    '--no-proxy-server',
  ];
  if (process.getuid && process.getuid() === 0) args.push('--no-sandbox');
  args.push('about:blank');
  return args;
}

// Process ids whose process group is `group`.
function processesInGroup(group) {
  const found = [];
  for (const entry of fs.readdirSync('/proc')) {
    if (!/^\d+$/.test(entry)) continue;
    try {
      const stat = fs.readFileSync(`/proc/${entry}/stat`, 'latin1');
      const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
      if (Number(fields[2]) === group) found.push(Number(entry));
    } catch {
      // gone meanwhile
    }
  }
  return found;
}

// Ends Chromium by its process id, waits for the browser to take its helpers
// down, and answers the ids of whatever of its group outlived that (killed).
async function stopChromium(child) {
  if (child.exitCode === null && child.signalCode === null) {
    const ended = new Promise((resolve) => child.once('exit', resolve));
    child.kill('SIGTERM');
    await Promise.race([ended, sleep(10000)]);
  }
  let left = [];
  for (let i = 0; i < 50; i++) {
    left = processesInGroup(child.pid);
    if (left.length === 0) break;
    await sleep(100);
  }
  if (left.length > 0) {
    try {
      process.kill(-child.pid, 'SIGKILL');
    } catch {
      // already gone
    }
  }
  return left;
}

// Runs the cases in order and resolves with one result per case:
//   { replies, roundTripMs, disconnect, record, reply, calls }
// record and reply (the bytes the host wrote) come from relay.exe, calls (the
// fixture application's command lines) from the fixture.
// options: host, relay, fixtures (Linux paths of quillaret-host.exe, relay.exe
// and the fixtures folder), template (the host manifest template), cases
// ({ message, outputs, application }), timeoutMs; keep: keep the scratch
// folder. Also resolves `stray` (ids of processes that outlived the browser),
// `seconds` and `log` (the browser's own output).
async function runSession({ host, relay, fixtures, template, cases, timeoutMs = 180000, keep = false }) {
  const started = Date.now();
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'qh-browser-'));
  const profile = path.join(dir, 'profile');
  const logFile = path.join(dir, 'chromium.log');
  const results = [];
  let chromium = null;
  let server = null;
  let stray = [];
  try {
    let finish;
    let fail;
    const done = new Promise((resolve, reject) => {
      finish = resolve;
      fail = reject;
    });
    let next = 0;
    const folders = [];
    server = http.createServer(async (req, res) => {
      try {
        const body = await readBody(req);
        if (req.url === '/next') {
          if (next >= cases.length) {
            res.end(JSON.stringify({ done: true }));
            finish();
            return;
          }
          folders[next] = prepareCase(dir, next, cases[next], fixtures);
          res.end(JSON.stringify({ id: next, message: cases[next].message }));
          next += 1;
        } else if (req.url === '/result') {
          const result = JSON.parse(body);
          const id = result.id;
          delete result.id;
          // The extension reports once the port is closed; a browser that
          // gave up early may close it before the relay has written.
          result.record = await waitForRecord(folders[id], 10000);
          result.reply = readIfThere(path.join(folders[id], 'reply.bin'));
          const calls = readIfThere(path.join(folders[id], 'calls.txt'));
          result.calls = calls ? calls.toString('latin1').split('\n').filter(Boolean) : [];
          results[id] = result;
          res.end('{}');
        } else if (req.url === '/failure') {
          res.end('{}');
          fail(new Error(`extension: ${JSON.parse(body).error}`));
        } else {
          res.statusCode = 404;
          res.end();
        }
      } catch (error) {
        res.statusCode = 500;
        res.end();
        fail(error);
      }
    });
    await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
    const url = `http://127.0.0.1:${server.address().port}`;

    const extension = path.join(dir, 'extension');
    const id = writeExtension(extension, url);
    writeHostManifest(template, profile, id);

    const log = fs.openSync(logFile, 'w');
    const env = {
      ...process.env,
      XDG_CONFIG_HOME: path.join(dir, 'config'),
      XDG_CACHE_HOME: path.join(dir, 'cache'),
      QB_DIR: dir,
      QB_RELAY: relay,
      QB_HOST: host,
    };
    chromium = childProcess.spawn(CHROMIUM, chromiumArguments(profile, extension), {
      env,
      detached: true,
      stdio: ['ignore', log, log],
    });
    fs.closeSync(log);
    const exited = new Promise((resolve) => chromium.once('exit', resolve)).then((code) => {
      throw new Error(`chromium ended early (${code})`);
    });
    let timer;
    const timeout = new Promise((resolve, reject) => {
      timer = setTimeout(() => reject(new Error(`no end after ${timeoutMs} ms, ${results.length} results`)), timeoutMs);
    });
    try {
      await Promise.race([done, exited, timeout]);
    } finally {
      clearTimeout(timer);
      exited.catch(() => {});
    }
  } catch (error) {
    const text = fs.existsSync(logFile) ? fs.readFileSync(logFile, 'utf8') : '';
    error.message += `\nchromium output:\n${text.slice(-4000)}`;
    throw error;
  } finally {
    if (chromium) stray = await stopChromium(chromium);
    if (server) {
      server.closeAllConnections();
      await new Promise((resolve) => server.close(resolve));
    }
    if (!keep) fs.rmSync(dir, { recursive: true, force: true });
  }
  return { results, stray, seconds: (Date.now() - started) / 1000, dir };
}

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  const middle = Math.floor(sorted.length / 2);
  return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

// The paths a session needs, from the environment CMake and the scripts set.
function pathsFromEnvironment() {
  return {
    host: process.env.QB_HOST,
    relay: process.env.QB_RELAY,
    fixtures: process.env.QB_FIXTURES,
    template: process.env.QB_TEMPLATE,
  };
}

module.exports = { runSession, extensionId, median, pathsFromEnvironment };
