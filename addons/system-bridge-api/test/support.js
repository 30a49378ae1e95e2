'use strict';
// Loads the addon under test and the stand-in's control module (one process,
// one simulated Windows), and gives each test a fresh stand-in.
const path = require('node:path');
const { beforeEach } = require('node:test');

const root = path.resolve(__dirname, '../../..');
const addon = require(process.env.SBA_ADDON || path.join(root, 'dist/sim-linux-x64/system-bridge-api.node'));
const standin = require(process.env.STANDIN_CONTROL ||
  path.join(root, 'build/linux/testing/standin/standin-control.node'));

const HKEY_CLASSES_ROOT = 0x80000000;
const HKEY_CURRENT_USER = 0x80000001;
const HKEY_LOCAL_MACHINE = 0x80000002;
const HKEY_USERS = 0x80000003;
const REG_SZ = 1;
const REG_EXPAND_SZ = 2;
const REG_BINARY = 3;
const REG_DWORD = 4;
const REG_MULTI_SZ = 7;
const REG_QWORD = 11;

function freshStandin() {
  beforeEach(() => {
    standin.reset();
    standin.initializeCom(true);
  });
}

// Calls of the given Win32 family made since the last clearCalls().
function callsMatching(pattern) {
  return standin.calls().filter((name) => pattern.test(name));
}

// UTF-16LE bytes of a text, with or without the terminator.
function utf16(text, terminated = true) {
  return Buffer.from(terminated ? text + '\0' : text, 'utf16le');
}

module.exports = {
  addon, standin, freshStandin, callsMatching, utf16,
  HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS,
  REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ, REG_QWORD,
};
