'use strict';
// The shipped Node-API addons (dist/win-x64, unchanged) in node.exe 16, the
// desktop runtime's generation, under Wine: each loads and answers.
const test = require('node:test');
const assert = require('node:assert/strict');
const { addonPath } = require('./addon-child');

test('node 16: window-lift and quiet-mode load and answer', () => {
  assert.equal(process.versions.node.split('.')[0], '16');
  const { WindowLift } = require(addonPath('window-lift'));
  const { GetQuietMode } = require(addonPath('quiet-mode'));
  assert.equal(WindowLift(0), 'ERROR (0) is not a valid window');
  assert.equal(typeof GetQuietMode(), 'boolean');
});
