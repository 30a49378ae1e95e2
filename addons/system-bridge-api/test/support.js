'use strict';
// Loads the addon under test and the control module of the system it runs
// against: the stand-in's (STANDIN_CONTROL, Linux node) or the Windows one
// (WIN_CONTROL, node.exe), gives the tests one interface for both and a fresh
// system for each test. What a system cannot arrange or inspect is listed in
// control.lacks with the reason; tests that need it skip (needs()).
const path = require('node:path');
const { after, beforeEach } = require('node:test');

const root = path.resolve(__dirname, '../../..');
const addonPath = require.resolve(process.env.SBA_ADDON || path.join(root, 'dist/sim-linux-x64/system-bridge-api.node'));
const controlPath = require.resolve(process.env.WIN_CONTROL || process.env.STANDIN_CONTROL ||
  path.join(root, 'build/linux/testing/standin/standin-control.node'));
const addon = require(addonPath);
const native = require(controlPath);
const onWindows = Boolean(process.env.WIN_CONTROL);

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

// Everything the tests write lies below these keys, and every hive they load
// is mounted under a name with this prefix: reset() removes them.
const TEST_ROOT = 'QuillaretTests';
const userKey = (name) => `Software\\${TEST_ROOT}\\${name}`;
const machineKey = (name) => `SOFTWARE\\${TEST_ROOT}\\${name}`;
const hiveName = (name) => `${TEST_ROOT}${name}`;

let nextPid = 500;

// One interface over both control modules. The stand-in can arrange and
// inspect everything; the Windows module says what it cannot.
const control = Object.create(native);
if (onWindows) {
  Object.assign(control, {
    lacks: native.lacks,
    addProcess(priorityClass) { return native.startProcess(priorityClass); },
    // The token is what the process was started with.
    useElevatedToken(elevated) {
      const missing = native.lacks[elevated ? 'elevatedToken' : 'standardUserToken'];
      if (missing) throw new Error(missing);
    },
  });
} else {
  Object.assign(control, {
    lacks: {},
    underWine: false,
    addProcess(priorityClass, { otherUser = false } = {}) {
      const pid = nextPid++;
      native.addProcess(pid, priorityClass, otherUser);
      return pid;
    },
  });
}

// Test options that skip, with the reason, where the system lacks any of the
// named capabilities.
function needs(...capabilities) {
  const reason = capabilities.map((name) => control.lacks[name]).find(Boolean);
  return { skip: reason || false };
}

// A fresh system for each test, and nothing of the tests' left at the end.
function freshSystem() {
  beforeEach(() => {
    nextPid = 500;
    control.reset();
    control.initializeCom(true);
  });
  after(() => control.reset());
}

// Calls of the given Win32 family made since the last clearCalls().
function callsMatching(pattern) {
  return control.calls().filter((name) => pattern.test(name));
}

// The first line of the system's message for an error code.
function systemMessage(code) {
  const text = control.systemMessage(code);
  return text.split(/[\r\n]/)[0];
}

// UTF-16LE bytes of a text, with or without the terminator.
function utf16(text, terminated = true) {
  return Buffer.from(terminated ? text + '\0' : text, 'utf16le');
}

module.exports = {
  addon, control, addonPath, controlPath, needs, freshSystem, callsMatching, systemMessage, utf16,
  userKey, machineKey, hiveName,
  HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS,
  REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ, REG_QWORD,
};
