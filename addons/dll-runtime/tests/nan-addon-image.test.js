'use strict';
// The nan addons as shipped: PE32+ DLLs with the expected exports, node.exe
// bound lazily and never at load time, only Windows system DLLs imported at
// load time (no C++ runtime DLL of any toolchain), and loadable in node.exe
// and in a copy of it under another name.
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { runChild, addonPath } = require('../../../testing/common/addon-child');
const { readImage, exportNames, importedDlls, delayDescriptors } = require('../../../testing/common/pe-image');

const addons = [
  { name: 'system-bridge-api', exports: ['_register_addon_'], functions: 18 },
  { name: 'com-bridge', exports: [], functions: 6 },
];

const systemDll = /^(kernel32|advapi32|user32|ole32|oleaut32|oleacc|shell32|ucrtbase|api-ms-win-crt-[a-z]+-l1-1-0)\.dll$/i;

function imageOf(name) {
  return readImage(path.join(process.env.QUILLARET_DIST, `${name}.node`));
}

for (const addon of addons) {
  test(`${addon.name}: a PE32+ DLL exporting ${addon.exports.join(', ') || 'nothing'}`, () => {
    const img = imageOf(addon.name);
    assert.equal(img.machine, 0x8664);
    assert.equal(img.magic, 0x20b);
    assert.ok(img.characteristics & 0x2000, 'DLL flag');
    assert.deepEqual(exportNames(img), addon.exports);
  });

  test(`${addon.name}: node.exe is delay-loaded; load-time imports are system DLLs only`, () => {
    const img = imageOf(addon.name);
    const eager = importedDlls(img);
    assert.deepEqual(eager.filter((dll) => !systemDll.test(dll)), []);
    const delayed = delayDescriptors(img);
    assert.deepEqual(delayed.map((d) => d.dll.toLowerCase()), ['node.exe']);
    assert.ok(delayed[0].names.includes('node_module_register'));
  });

  test(`${addon.name}: loads in node.exe and in a runtime executable of another name`, () => {
    const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'renamed-'));
    try {
      const renamed = path.join(dir, 'Quillaret Runtime.EXE');
      fs.copyFileSync(process.execPath, renamed);
      for (const exe of [process.execPath, renamed]) {
        const r = runChild(addonPath(addon.name), 'keep(Object.keys(addon).length);', { exe });
        assert.equal(r.status, 0, r.stdout);
        assert.deepEqual(r.results, [addon.functions]);
      }
    } finally {
      fs.rmSync(dir, { recursive: true, force: true });
    }
  });
}
