'use strict';
// Crash reports name functions: llvm-symbolizer, given only a shipped binary
// and an address in it, finds the binary's PDB through its CodeView record and
// names the function there (with file and line where our code is: under the
// source root the PDBs give, never the build machine's folders). Every
// function the exception table lists is asked for; the entry point is the
// runtime's start-up function and each deliverable's own functions come with
// their source files. Without the PDB beside it, no address of the same
// binary finds a source line.
const test = require('node:test');
const assert = require('node:assert/strict');
const { execFileSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const pe = require('../common/pe-image');
const { DELIVERABLES, binary } = require('./deliverables');

// Per deliverable: the start-up function at the entry point, and functions of
// its own sources that must be named, with the file they are in.
const EXPECTED = {
  'quillaret-host': { entry: 'mainCRTStartup', own: { main: 'host/entry.cpp' } },
  'system-bridge-api': {
    entry: '_DllMainCRTStartup',
    own: { _register_addon_: 'addons/system-bridge-api/src/api/module.cpp', _DllMainCRTStartup: 'addons/dll-runtime/dll_entry.cpp' },
  },
  'com-bridge': { entry: '_DllMainCRTStartup', own: { _DllMainCRTStartup: 'addons/dll-runtime/dll_entry.cpp' } },
  'window-lift': { entry: 'DllMainCRTStartup', own: { _register_addon: 'addons/napi-utils/registration.cpp' } },
  'quiet-mode': { entry: 'DllMainCRTStartup', own: { _register_addon: 'addons/napi-utils/registration.cpp' } },
};

// The code addresses the binary itself gives: the entry point, its exports
// (or the function a data export points at), and every function start in the
// exception table (.pdata; functions that need no unwinding have no entry).
function codeAddresses(img) {
  const code = (rva) => img.sectionAt(rva) && img.sectionAt(rva).flags & 0x20000000;
  const fromExports = pe.exports(img).map(({ rva }) => (code(rva) ? rva : pe.quadAt(img, img.imageBase + rva) - img.imageBase));
  return [img.entryPoint, ...fromExports.filter(code), ...pe.functionStarts(img)];
}

// Symbolizes addresses (RVAs) of the binary, one byte into each:
// [{ name, file, line }] (nothing known when the symbolizer reports an error).
function symbolize(file, rvas, base) {
  const input = rvas.map((rva) => `0x${(base + rva + 1).toString(16)}`).join('\n');
  const out = execFileSync('llvm-symbolizer', ['--obj', file, '--output-style=JSON', '--no-inlines'], {
    input, encoding: 'utf8', maxBuffer: 1 << 28,
  });
  return out.trim().split('\n').map((line) => {
    const frame = JSON.parse(line).Symbol?.[0] ?? { FunctionName: '', FileName: '', Line: 0 };
    return { name: frame.FunctionName, file: frame.FileName.replace(/\\/g, '/'), line: frame.Line };
  });
}

for (const d of DELIVERABLES) {
  test(`${d.name}: an address in each function resolves to its name through the PDB`, () => {
    const img = pe.readImage(binary(d));
    const addresses = codeAddresses(img);
    const frames = symbolize(binary(d), addresses, img.imageBase);
    const expected = EXPECTED[d.name];
    assert.equal(frames[0].name, expected.entry);
    for (const [name, source] of Object.entries(expected.own)) {
      const frame = frames.find((f) => f.name === name);
      assert.ok(frame, `${name} not found`);
      assert.equal(frame.file, `${process.env.PDB_SOURCE_ROOT}/${source}`);
      assert.ok(frame.line > 0);
    }
    // A few functions of MinGW's static libraries carry no symbol at all.
    const unnamed = frames.filter((f) => !f.name).length;
    assert.ok(unnamed <= frames.length / 100, `${unnamed} of ${frames.length} functions unnamed`);

    const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'no-pdb-'));
    try {
      const alone = path.join(dir, d.file);
      fs.copyFileSync(binary(d), alone);
      const without = symbolize(alone, addresses, img.imageBase);
      assert.equal(without.filter((f) => f.line > 0).length, 0);
    } finally {
      fs.rmSync(dir, { recursive: true, force: true });
    }
  });
}
