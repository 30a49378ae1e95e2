'use strict';
// Runs a piece of script in a fresh node.exe that loads one addon (a name in
// QUILLARET_DIST or the path of a .node file), with its own DEBUG setting.
// The child's standard output goes to a file and is read back byte for byte;
// the values kept with keep() come back as `results`.
const { spawnSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

// Linux paths handed in by the build are drive Z: under Wine (a Linux node
// takes them as they are).
function windowsPath(p) {
  return process.platform === 'win32' && p.startsWith('/') ? 'Z:' + p.replace(/\//g, '\\') : p;
}

function addonPath(name) {
  if (/[\\/]/.test(name)) return windowsPath(name);
  const dist = process.env.QUILLARET_DIST;
  if (!dist) throw new Error('QUILLARET_DIST is not set');
  return path.win32.join(windowsPath(dist), `${name}.node`);
}

function fixturePath(name) {
  return path.win32.join(windowsPath(process.env.QUILLARET_FIXTURES), name);
}

// env: variables for the child; DEBUG is removed unless given here. A child
// that has not ended after `timeout` ms is killed (status null).
function runChild(addon, body, { env = {}, exe = process.execPath, timeout = 60000 } = {}) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'addon-'));
  try {
    const script = path.join(dir, 'child.js');
    const out = path.join(dir, 'out.txt');
    const results = path.join(dir, 'results.json');
    fs.writeFileSync(script, [
      `const addon = require(${JSON.stringify(addonPath(addon))});`,
      'const results = [];',
      'const keep = (value) => { results.push(value === undefined ? "<undefined>" : value); return value; };',
      // Written when the process ends, so that work left to the loop is kept too.
      `process.on('exit', () => require('node:fs').writeFileSync(${JSON.stringify(results)}, JSON.stringify(results)));`,
      body,
    ].join('\n'));
    const childEnv = {};
    for (const [k, v] of Object.entries(process.env)) {
      if (k.toUpperCase() !== 'DEBUG') childEnv[k] = v;
    }
    Object.assign(childEnv, env);
    const fd = fs.openSync(out, 'w');
    let status;
    try {
      status = spawnSync(exe, [script], { env: childEnv, stdio: ['ignore', fd, fd], timeout }).status;
    } finally {
      fs.closeSync(fd);
    }
    const stdout = fs.readFileSync(out, 'latin1');
    const kept = fs.existsSync(results) ? JSON.parse(fs.readFileSync(results, 'utf8')) : null;
    return { status, stdout, results: kept };
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
}

module.exports = { runChild, addonPath, fixturePath, windowsPath };
