'use strict';
// Runs quillaret-host as a browser would: a Windows pipe on standard input
// carrying a frame, standard output and standard error collected apart.
const { spawn } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

// Paths come from the Linux side; Wine shows the Linux root as drive Z:.
function windowsPath(p) {
  return p && p.startsWith('/') ? `Z:${p.replace(/\//g, '\\')}` : p;
}

const HOST = windowsPath(process.env.QH_HOST);
const FIXTURES = windowsPath(process.env.QH_FIXTURES);
if (!HOST || !FIXTURES) throw new Error('QH_HOST and QH_FIXTURES must name the host and the fixtures folder');

function frame(payload) {
  const body = Buffer.isBuffer(payload) ? payload : Buffer.from(payload, 'utf8');
  const length = Buffer.alloc(4);
  length.writeUInt32LE(body.length);
  return Buffer.concat([length, body]);
}

function tempFolder(tag) {
  return fs.mkdtempSync(path.join(os.tmpdir(), `qh-${tag}-`));
}

// A folder of arranged outputs for the fixture desktop application:
// outputs maps an option word to the bytes printed for it; delays and exits
// map an option word to its delay (ms) and exit status.
function application({ outputs = {}, delays = {}, exits = {} } = {}) {
  const dir = tempFolder('app');
  for (const [word, bytes] of Object.entries(outputs)) fs.writeFileSync(path.join(dir, `${word}.out`), bytes);
  for (const [word, ms] of Object.entries(delays)) fs.writeFileSync(path.join(dir, `${word}.delay`), String(ms));
  for (const [word, code] of Object.entries(exits)) fs.writeFileSync(path.join(dir, `${word}.exit`), String(code));
  return {
    dir,
    // Command lines the application was started with, one per start.
    calls() {
      const file = path.join(dir, 'calls.txt');
      return fs.existsSync(file) ? fs.readFileSync(file, 'latin1').split('\n').filter(Boolean) : [];
    },
  };
}

// Starts the host and resolves with { status, stdout, stderr, ms }.
//   input:    Buffer written to the host's standard input, then closed
//   inputAt:  delay before writing (ms)
//   stdin:    'pipe' (default), or a file descriptor, or 'ignore' (NUL)
//   app:      the application() whose outputs the fixture prints, or null
//   cwd:      the host's current folder (default: the fixtures folder, where
//             QuillaretWorkspace.exe is found through the interpreter)
function runHost({ args = [], input = Buffer.alloc(0), inputAt = 0, stdin = 'pipe', app = null, cwd = FIXTURES, env = {} } = {}) {
  return new Promise((resolve, reject) => {
    const childEnv = { ...process.env, ...env };
    if (app) childEnv.QW_FIXTURE_DIR = app.dir;
    else delete childEnv.QW_FIXTURE_DIR;
    const started = process.hrtime.bigint();
    const child = spawn(HOST, args, { cwd, env: childEnv, stdio: [stdin, 'pipe', 'pipe'], windowsHide: true });
    const out = [];
    const err = [];
    child.stdout.on('data', (d) => out.push(d));
    child.stderr.on('data', (d) => err.push(d));
    child.on('error', reject);
    child.on('close', (status) => {
      resolve({
        status,
        stdout: Buffer.concat(out),
        stderr: Buffer.concat(err),
        ms: Number(process.hrtime.bigint() - started) / 1e6,
      });
    });
    if (stdin === 'pipe') {
      child.stdin.on('error', () => {});
      const send = () => child.stdin.end(input);
      if (inputAt > 0) setTimeout(send, inputAt);
      else send();
    }
  });
}

// Splits a reply into its announced length and payload text.
function decodeReply(stdout) {
  if (stdout.length < 4) return { length: null, payload: null, rest: stdout };
  const length = stdout.readUInt32LE(0);
  return { length, payload: stdout.subarray(4, 4 + length).toString('latin1'), rest: stdout.subarray(4 + length) };
}

module.exports = { windowsPath, HOST, FIXTURES, frame, tempFolder, application, runHost, decodeReply };
