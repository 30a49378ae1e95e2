'use strict';
// Loads com-bridge for the tests, in one of two beds: the Windows node.exe
// under Wine (real COM), or the Linux node against the Windows stand-in,
// where the test server is registered here as regsvr32 would and the
// stand-in counts every BSTR and SAFEARRAY it hands out. Reaches the test
// server (Quillaret.TestServer) and its probe, which reads the server's call
// record and counts its objects and references without being counted itself.
const path = require('node:path');
const test = require('node:test');
const assert = require('node:assert/strict');

const onStandIn = process.platform !== 'win32';
const addon = require(process.env.COM_BRIDGE ||
  path.resolve(__dirname, '../../../dist', onStandIn ? 'sim-linux-x64' : 'win-x64', 'com-bridge.node'));

// On the stand-in: registers the test server in this process, as regsvr32
// would (the stand-in's registry lives as long as the process); childSetUp
// does the same in a child process's script.
const standInSetUp = (automationPath, serverPath) => {
  const hr = require(automationPath).registerServer(serverPath);
  if (hr !== 0) throw new Error(`registering ${serverPath} failed: 0x${(hr >>> 0).toString(16)}`);
};
const childSetUp = onStandIn
  ? `(${standInSetUp})(${JSON.stringify(process.env.STANDIN_AUTOMATION)}, ${JSON.stringify(process.env.TEST_SERVER)});`
  : '';
const automation = onStandIn ? require(process.env.STANDIN_AUTOMATION) : null;
if (onStandIn) standInSetUp(process.env.STANDIN_AUTOMATION, process.env.TEST_SERVER);
// For a case that needs Wine's own servers or processes, which the stand-in
// does not have: the reason it skips there.
const needsWine = onStandIn && 'needs Wine\'s own automation servers or processes; the stand-in has only the test server';
// An object of a class without events or collections, in either bed.
const plainProgId = onStandIn ? 'Quillaret.TestEmpty' : 'Scripting.Dictionary';
// What the stand-in's automation calls handed out and not yet got back.
const standInCounts = () => (onStandIn ? automation.counts() : null);

// The HRESULT as the addon reports it: a signed 32-bit number.
const hresult = (code) => code | 0;

const VT = {
  EMPTY: 0, NULL: 1, I2: 2, I4: 3, R4: 4, R8: 5, CY: 6, DATE: 7, BSTR: 8, DISPATCH: 9, ERROR: 10, BOOL: 11,
  VARIANT: 12, UNKNOWN: 13, DECIMAL: 14, I1: 16, UI1: 17, UI2: 18, UI4: 19, I8: 20, UI8: 21, ARRAY: 0x2000,
  BYREF: 0x4000,
};
const DISP_E_PARAMNOTFOUND = 0x80020004;

function withProbe(fn) {
  const probe = addon.CreateObject('Quillaret.TestProbe');
  try {
    return fn(probe);
  } finally {
    probe.release();
  }
}

// The server's live objects and their references.
const serverCounts = () => withProbe((p) => ({ live: p.get('LiveObjects'), references: p.get('References') }));
// The calls the server received since the last reset, oldest first.
const serverCalls = () => withProbe((p) => JSON.parse(p.get('Calls')));
const resetServerCalls = () => withProbe((p) => p.call('Reset'));
// The arguments of the last call the server received, as the server saw
// them (index 0 is the last argument).
const lastArguments = () => serverCalls().at(-1).args;

function releaseIfLive(object) {
  try {
    object.release();
  } catch (e) {
    if (e.message !== 'The ComObject was released') throw e;
  }
}

// A test with a fresh TestServer object, released afterwards; the test
// releases every other object it gets. Ends by proving that no server object
// or reference is left.
// On the stand-in also proves that every BSTR, SAFEARRAY, running object
// registration and waitable handle handed out during the test was given back.
function serverTest(name, body, options = {}) {
  test(name, options, async () => {
    resetServerCalls();
    const before = standInCounts();
    const server = addon.CreateObject('Quillaret.TestServer');
    try {
      await body(server);
    } finally {
      releaseIfLive(server);
    }
    assert.deepEqual(serverCounts(), { live: 0, references: 0 }, 'server objects or references left');
    assert.deepEqual(standInCounts(), before, 'BSTRs, SAFEARRAYs or handles left');
  });
}

module.exports = {
  addon, hresult, VT, DISP_E_PARAMNOTFOUND, serverTest, serverCounts, serverCalls, resetServerCalls, lastArguments,
  releaseIfLive, onStandIn, needsWine, plainProgId, childSetUp, standInCounts,
};
