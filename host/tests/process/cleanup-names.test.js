// The clean-up with APPDATA and TEMP values that have letters outside ASCII.
// Their ANSI form can hold "?" for a letter the code page lacks, and "?" is
// a wildcard: the clean-up must remove the folders the values name, or
// nothing, and never a folder elsewhere that such a pattern would match.
'use strict';
const { test } = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const h = require('./helpers');

// A folder beside `dir` named like `name` to the ANSI code page's "?", with
// the four leftovers in it.
function bait(parent, name) {
  const lookalike = h.leftoverTree(path.join(parent, 'x'.repeat([...name].length)));
  return lookalike;
}

for (const name of ['José', 'Женя', '山田']) {
  test(`profile folder named ${name}: its leftovers go, a look-alike folder stays`, (t) => {
    const parent = h.scratch(t, 'names');
    const tree = h.leftoverTree(path.join(parent, name));
    const lookalike = bait(parent, name);
    const result = h.runHost(['--cleanup', '--pid=0'], tree.env);
    h.assertClean(result);
    assert.ok(result.stdout.endsWith('Cleanup end'), result.stdout);
    assert.doesNotMatch(result.stdout, /Unable to delete/);
    for (const folder of tree.folders) {
      assert.ok(!fs.existsSync(folder), folder);
    }
    assert.ok(fs.existsSync(path.join(tree.appData, 'keep.txt')));
    assert.ok(fs.existsSync(path.join(tree.temp, 'keep.txt')));
    for (const folder of lookalike.folders) {
      assert.ok(fs.existsSync(folder), folder);
    }
  });
}

test('values with wildcard characters remove nothing', (t) => {
  const parent = h.scratch(t, 'wildcards');
  const tree = h.leftoverTree(path.join(parent, 'ab'));
  for (const env of [
    { APPDATA: path.join(parent, '??', 'Roaming'), TEMP: path.join(parent, '??', 'Temp') },
    { APPDATA: path.join(parent, '*', 'Roaming'), TEMP: path.join(parent, 'a*', 'Temp') },
    { APPDATA: path.join(parent, 'ab', 'Roamin?'), TEMP: path.join(parent, 'ab', 'Te*') },
  ]) {
    const result = h.runHost(['--cleanup', '--pid=0'], env);
    h.assertClean(result);
    assert.strictEqual(result.stdout, 'Cleanup \nCleanup end', JSON.stringify(env));
  }
  for (const folder of tree.folders) {
    assert.ok(fs.existsSync(folder), folder);
  }
});
