'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { runChild } = require('./addon-child');

const addons = [
  ['window-lift', 'WindowLift', 'string'],
  ['quiet-mode', 'GetQuietMode', 'boolean'],
];

test('each addon exports exactly its one function', () => {
  for (const [addon, name, resultType] of addons) {
    const r = runChild(addon, `keep(Object.getOwnPropertyNames(addon)); keep(typeof addon.${name}); keep(typeof addon.${name}(0));`);
    assert.strictEqual(r.status, 0, r.stdout);
    assert.deepStrictEqual(r.results, [[name], 'function', resultType]);
  }
});

test('the addons load and work in a runtime executable of another name', () => {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'renamed-'));
  try {
    const exe = path.join(dir, 'Quillaret Runtime.EXE');
    fs.copyFileSync(process.execPath, exe);
    for (const [addon, name, resultType] of addons) {
      const r = runChild(addon, `keep(typeof addon.${name}(0));`, { exe });
      assert.strictEqual(r.status, 0, r.stdout);
      assert.deepStrictEqual(r.results, [resultType]);
    }
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
});
