// The installer wait's limit: a setup.exe that outlives 30 seconds.
'use strict';
const { test } = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const h = require('./helpers');

test('a setup.exe running past 30 s stops the clean-up before any folder is touched', async (t) => {
  const tree = h.leftoverTree(h.scratch(t, 'timeout'));
  const installer = await h.startFixture(t, path.join(h.FIXTURES, 'setup.exe'), ['120000'], 'ready');
  const result = h.runHost(['--cleanup', `--pid=${installer.pid}`], tree.env, { timeout: 90000 });
  h.assertClean(result);
  assert.strictEqual(result.stdout, ('Cleanup \nStop . \nCleanup end'));
  assert.ok(result.elapsed >= 29500 && result.elapsed < 60000, `${result.elapsed} ms`);
  for (const folder of tree.folders) {
    assert.ok(fs.existsSync(folder), folder);
  }
});
