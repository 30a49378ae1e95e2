// A folder that cannot be removed: three attempts 5 s apart, then the next.
'use strict';
const { test } = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const h = require('./helpers');

function failedAttempts(folder) {
  return [0, 1, 2].map((n) => `${folder}\nUnable to delete ${folder}\n`
    + `Retry Count : ${n} trying to delete in 5 seconds. \n`).join('');
}

test('a file held open gives three attempts with counts 0, 1 and 2, then the next folder', async (t) => {
  const tree = h.leftoverTree(h.scratch(t, 'retry'));
  const held = path.join(tree.folders[0], 'setup.log');
  const holder = await h.startFixture(t, path.join(h.FIXTURES, 'file_holder.exe'), [held, '60000'], 'held');
  const result = h.runHost(['--cleanup', '--pid=0'], tree.env, { timeout: 90000 });
  h.assertClean(result);
  assert.strictEqual(result.stdout, ('Cleanup \n' + tree.appData + '\n' + failedAttempts(tree.folders[0])
    + tree.folders.slice(1).join('\n') + '\nCleanup end'));
  assert.ok(result.elapsed >= 15000, `${result.elapsed} ms`);
  assert.ok(fs.existsSync(held));
  await h.stopFixture(holder);
  for (const folder of tree.folders.slice(1)) {
    assert.ok(!fs.existsSync(folder), folder);
  }
});
