'use strict';
// What each package holds, read from the tarballs and the archive themselves.
const test = require('node:test');
const assert = require('node:assert/strict');
const { execFileSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { readImage } = require('../common/pe-image');
const { ADDONS, BUILDS, NAN_ADDONS, version, tarball, hostArchive, symbolsArchive, packages } = require('./support');

const IMAGE_FILE_EXECUTABLE_IMAGE = 0x0002;
const IMAGE_FILE_DLL = 0x2000;
const AMD64 = 0x8664;
const LOADER = path.join(__dirname, '../../addons/shared/load-build.js');

// The files below a folder, as sorted relative paths with forward slashes.
const files = (dir) => fs.readdirSync(dir, { recursive: true, withFileTypes: true })
  .filter((e) => e.isFile()).map((e) => path.relative(dir, path.join(e.parentPath, e.name)).split(path.sep).join('/'))
  .sort();

function unpacked(command, args, body) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'package-'));
  try {
    execFileSync(command, [...args, dir]);
    return body(dir);
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
}

test('dist/packages holds one tarball per addon, the host archive and the symbols archive', () => {
  const expected = [...ADDONS.map((a) => path.basename(tarball(a))), path.basename(hostArchive), path.basename(symbolsArchive)];
  assert.deepEqual(fs.readdirSync(packages).sort(), expected.sort());
});

for (const addon of ADDONS) {
  test(`${addon}: manifest, loader, typings, README and the Windows x64 builds`, () =>
    unpacked('tar', ['-xzf', tarball(addon), '-C'], (dir) => {
      const root = path.join(dir, 'package');
      const builds = BUILDS[addon].map((b) => `prebuilds/win32-x64/${b}`);
      assert.deepEqual(files(root), ['README.md', 'index.d.ts', 'index.js', 'package.json', ...builds].sort());
      const manifest = JSON.parse(fs.readFileSync(path.join(root, 'package.json'), 'utf8'));
      assert.deepEqual(
        { name: manifest.name, version: manifest.version, os: manifest.os, cpu: manifest.cpu,
          main: manifest.main, types: manifest.types },
        { name: addon, version, os: ['win32'], cpu: ['x64'], main: 'index.js', types: 'index.d.ts' });
      assert.equal(fs.readFileSync(path.join(root, 'index.js'), 'utf8'), fs.readFileSync(LOADER, 'utf8'));
      for (const build of builds) {
        const image = readImage(path.join(root, build));
        assert.equal(image.machine, AMD64, build);
        assert.ok(image.characteristics & IMAGE_FILE_DLL, `${build} is not a DLL`);
      }
    }));
}

test('the host archive: the host, its manifest template and the registration note', () =>
  unpacked('unzip', ['-q', hostArchive, '-d'], (dir) => {
    assert.deepEqual(fs.readdirSync(dir).sort(), ['REGISTRATION.md', 'com.quillaret.workspace.json', 'quillaret-host.exe']);
    const image = readImage(path.join(dir, 'quillaret-host.exe'));
    assert.equal(image.machine, AMD64);
    assert.equal(image.characteristics & (IMAGE_FILE_DLL | IMAGE_FILE_EXECUTABLE_IMAGE), IMAGE_FILE_EXECUTABLE_IMAGE);
    const manifest = JSON.parse(fs.readFileSync(path.join(dir, 'com.quillaret.workspace.json'), 'utf8'));
    assert.equal(manifest.name, 'com.quillaret.workspace');
    assert.equal(manifest.path, 'quillaret-host.exe');
    const note = fs.readFileSync(path.join(dir, 'REGISTRATION.md'), 'utf8');
    assert.ok(note.includes('NativeMessagingHosts\\com.quillaret.workspace'), 'the note names no registry key');
  }));

test('the symbols archive: the PDB of each deliverable and of each other nan build, which no package carries', () =>
  unpacked('unzip', ['-q', symbolsArchive, '-d'], (dir) => {
    const names = ['quillaret-host', ...ADDONS];
    const others = NAN_ADDONS.map((a) => `node.abi93/${a}`);
    assert.deepEqual(files(dir), [...names, ...others].map((n) => `${n}.pdb`).sort());
    for (const name of [...names, ...others]) {
      const header = fs.readFileSync(path.join(dir, `${name}.pdb`)).toString('latin1', 0, 24);
      assert.equal(header, 'Microsoft C/C++ MSF 7.00', name);
    }
  }));
