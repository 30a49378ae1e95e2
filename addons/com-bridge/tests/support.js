'use strict';
// Loads com-bridge for the tests, in the Windows node.exe under Wine.
const path = require('node:path');

const addon = require(process.env.COM_BRIDGE ||
  path.resolve(__dirname, '../../../dist/win-x64/com-bridge.node'));

// The HRESULT as the addon reports it: a signed 32-bit number.
const hresult = (code) => code | 0;

module.exports = { addon, hresult };
