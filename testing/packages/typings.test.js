'use strict';
// The example in each installed package's README is its usage file: it must
// type-check against the package's index.d.ts (tsc --noEmit --strict, the
// import resolved through the package's "types") and call every export.
const test = require('node:test');
const assert = require('node:assert/strict');
const { spawnSync } = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');
const { unusedExports } = require('./api-surface');
const { ADDONS, project, installed } = require('./support');

const usageDir = path.join(project, 'usage');

// The README's TypeScript blocks, in order, as one file.
function exampleOf(addon) {
  const readme = fs.readFileSync(path.join(installed(addon), 'README.md'), 'utf8');
  const blocks = [...readme.matchAll(/^```ts\n([\s\S]*?)^```$/gm)].map((m) => m[1]);
  assert.ok(blocks.length > 0, `${addon}'s README has no \`\`\`ts example`);
  return blocks.join('\n');
}

function writeUsage(name, source) {
  fs.mkdirSync(usageDir, { recursive: true });
  const file = path.join(usageDir, `${name}.ts`);
  fs.writeFileSync(file, source);
  return file;
}

function tsc(file) {
  const compiler = require.resolve('typescript/bin/tsc');
  const r = spawnSync(process.execPath,
    [compiler, '--noEmit', '--strict', '--target', 'es2022', '--module', 'commonjs', file],
    { cwd: project, encoding: 'utf8' });
  return { status: r.status, output: r.stdout + r.stderr };
}

const typings = (addon) => path.join(installed(addon), 'index.d.ts');

for (const addon of ADDONS) {
  test(`${addon}: the README's example type-checks and calls every export`, () => {
    const file = writeUsage(addon, exampleOf(addon));
    const { status, output } = tsc(file);
    assert.equal(status, 0, output);
    assert.deepEqual(unusedExports(file, typings(addon)), []);
  });
}

// The two checks themselves: a wrong argument fails tsc (so the typings are
// really in force), and an example that leaves exports out is caught.
test('a call against the typings fails, an incomplete example is caught', () => {
  const wrong = tsc(writeUsage('wrong-argument', "import { WindowLift } from 'window-lift';\nWindowLift('0x30062');\n"));
  assert.notEqual(wrong.status, 0);
  assert.match(wrong.output, /error TS2345/);

  const partial = writeUsage('partial', [
    "import { CreateObject, ComObject } from 'com-bridge';",
    "const d = CreateObject('Scripting.Dictionary');",
    "for (const key of d) console.log(key instanceof ComObject);",
    "d.call('Add', 'k', 1);",
    'd.release();',
  ].join('\n'));
  assert.equal(tsc(partial).status, 0);
  assert.deepEqual(unusedExports(partial, typings('com-bridge')).sort(), [
    'AccessibleObjectFromWindow', 'ComObject(...)', 'ComObject._getTypeInfo', 'ComObject.callUnsafe',
    'ComObject.get', 'ComObject.off', 'ComObject.on', 'ComObject.qi', 'ComObject.set', 'FindWindow',
    'GetActiveObject', 'Release',
  ]);
});
