'use strict';
// The DLL runtime of the Microsoft-ABI addons, seen through runtime-probe.node
// in the Windows node.exe: each case runs in a fresh node.exe.
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { runChild } = require('../../../testing/common/addon-child');

const probe = process.env.RUNTIME_PROBE;

function run(body, options) {
  const r = runChild(probe, body, options);
  assert.equal(r.status, 0, r.stdout);
  return r.results;
}

test('static initialisers run once each, C before C++, in declaration and link order', () => {
  const [order] = run('keep(addon.initOrder());');
  assert.deepEqual(order, ['c', 'first.a', 'first.b', 'second.a']);
});

test('atexit functions and static destructors run when the process ends, last registered first', () => {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'probe-exit-'));
  try {
    const log = path.join(dir, 'exit.log');
    run('addon.registerExitWork(); keep(addon.initOrder());', { env: { PROBE_EXIT_LOG: log } });
    assert.equal(fs.readFileSync(log, 'latin1'), 'atexit\nlocal\nsecond.a\nfirst.b\nfirst.a\n');
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
});

test('a function-local static reached by eight threads at once is built once, and all see it built', () => {
  const [result] = run('keep(addon.threadSafeStatic());');
  assert.deepEqual(result, { constructions: 1, sameObject: true, allSawItBuilt: true });
});

test('thread_local data starts from its initial value, dynamic ones too, on every thread and stays apart', () => {
  const [result] = run('keep(addon.threadLocal());');
  const initial = result.threads.map(([first]) => first);
  assert.deepEqual(initial, [7, 7, 7, 7]);
  assert.deepEqual(result.threads.map(([first, after]) => after - first).sort(), [1, 2, 3, 4]);
  assert.equal(result.callingThread, 100);
  // thread_local DWORD initialised_on = GetCurrentThreadId(): the dynamic
  // initialiser ran on each new thread and on the one that loaded the probe.
  assert.deepEqual(result.threads.map(([, , dynamic]) => dynamic), [true, true, true, true]);
  assert.equal(result.callingThreadInitialised, true);
});

test('a 512 KiB frame on a fresh thread is probed page by page', () => {
  const [sum] = run('keep(addon.bigFrameOnThread());');
  assert.equal(sum, 128);
});

test('operator new honours an alignment above the heap\'s', () => {
  const [worst] = run('keep(addon.alignedNew());');
  assert.equal(worst, 0);
});

test('delay-load: the hooks see the documented notifications, the failure hook repairs a missing export', () => {
  const [result] = run('keep(addon.delayLoadCalls());');
  assert.equal(result.repaired, 4242);
  assert.equal(result.again, 4242);
  assert.deepEqual(result.notifications, [
    'start version.dll GetFileVersionInfoSizeW',
    'preload version.dll GetFileVersionInfoSizeW',
    'pregetproc version.dll GetFileVersionInfoSizeW',
    'end version.dll GetFileVersionInfoSizeW bound',
    'start version.dll QuillaretAbsentExport',
    'pregetproc version.dll QuillaretAbsentExport',
    'failgetproc version.dll QuillaretAbsentExport',
    'end version.dll QuillaretAbsentExport bound',
  ]);
});

test('delay-load: a DLL that cannot be loaded raises the documented exception with the load information', () => {
  const [result] = run('keep(addon.missingDll());');
  assert.deepEqual(result, {
    result: 777,  // the function the handler left in pfnCur
    code: 0xC06D007E,  // VcppException(ERROR_SEVERITY_ERROR, ERROR_MOD_NOT_FOUND)
    arguments: 1,
    dll: 'quillaret-missing.dll',
    function: 'QuillaretMissingFunction',
    lastError: 126,  // ERROR_MOD_NOT_FOUND
  });
});

// What a failed stack cookie check or guard check ends the process with: it
// leaves no results, since no exit handler runs after a fail-fast.
const STATUS_STACK_BUFFER_OVERRUN = 0xC0000409;

test('stack cookie: set before the library runs; overrunning a protected frame fails fast before it returns', () => {
  const [state] = run('keep(addon.overrunFrame(8));');
  assert.deepEqual(state, { cookieInitialized: true, cookieTopBitsClear: true, returned: 'x'.charCodeAt(0) });
  const r = runChild(probe, 'keep(addon.overrunFrame(64));');
  assert.equal(r.status, STATUS_STACK_BUFFER_OVERRUN, r.stdout);
  assert.equal(r.results, null);
});

test('Control Flow Guard: under an enforcing check a valid target passes and a target inside a function fails fast', () => {
  // Every other case runs with the image's default check, as on a system
  // without CFG (Wine is one).
  const [valid] = run('keep(addon.guardedCall(0));');
  assert.deepEqual(valid, { value: 42, checked: 1 });
  const r = runChild(probe, 'keep(addon.guardedCall(1));');
  assert.equal(r.status, STATUS_STACK_BUFFER_OVERRUN, r.stdout);
  assert.equal(r.results, null);
});

test('the runtime binds node.exe in a runtime executable of another name', () => {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'renamed-'));
  try {
    const exe = path.join(dir, 'Quillaret Runtime.EXE');
    fs.copyFileSync(process.execPath, exe);
    const r = runChild(probe, 'keep(addon.initOrder().length); keep(addon.threadSafeStatic().constructions);', { exe });
    assert.equal(r.status, 0, r.stdout);
    assert.deepEqual(r.results, [4, 1]);
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
});
