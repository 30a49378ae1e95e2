'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const { addon, control, needs, freshSystem } = require('./support');

freshSystem();

const GWLP_USERDATA = -21;
const ERROR_INVALID_INDEX = 0x585;

// Calls with arguments of the wrong types, and the texts they must give.
function wronglyTyped(w) {
  return [
    [() => addon.EnableWindow(String(w), 1), 'Wrong arguments: number expected'],
    [() => addon.EnableWindow(w), 'Wrong arguments: number expected'],
    [() => addon.SetWindowLongPtrW(w, GWLP_USERDATA), 'Wrong arguments: numbers expected'],
    [() => addon.SetWindowLongPtrW(w, '1', 2), 'Wrong arguments: numbers expected'],
    [() => addon.SetForegroundWindow(), 'Wrong argument: number expected'],
    [() => addon.SetForegroundWindow(`${w}`), 'Wrong argument: number expected'],
  ];
}

test('argument type texts name what was expected', () => {
  const w = control.createWindow({});
  for (const [call, text] of wronglyTyped(w)) assert.equal(call(), text);
  assert.equal(control.window(w).enabled, true);
});

test('wrongly typed arguments never reach Win32', needs('callLog'), () => {
  const w = control.createWindow({});
  control.clearCalls();
  for (const [call] of wronglyTyped(w)) call();
  assert.deepEqual(control.calls(), []);
});

test('extra arguments are ignored by the window functions', () => {
  const w = control.createWindow({});
  assert.equal(addon.EnableWindow(w, 0, 'extra', {}), '');
  assert.equal(control.window(w).enabled, false);
  assert.equal(addon.SetForegroundWindow(w, 1, 2), '');
});

test('EnableWindow truncates the flag and reports nothing of the previous state', () => {
  const w = control.createWindow({});
  assert.equal(addon.EnableWindow(w, 0.5), '');
  assert.equal(control.window(w).enabled, false);
  assert.equal(addon.EnableWindow(w, -3), '');
  assert.equal(control.window(w).enabled, true);
  assert.equal(addon.EnableWindow(w, 0), '');
  assert.equal(addon.EnableWindow(w, 0), '');
});

test('a handle that is no window is named in lower-case hexadecimal', () => {
  assert.equal(addon.EnableWindow(12345, 1), '(3039) is not a valid window');
  assert.equal(addon.SetWindowLongPtrW(0xabcdef, 0, 0), '(abcdef) is not a valid window');
  assert.equal(addon.SetForegroundWindow(-1), '(ffffffff) is not a valid window');
  assert.equal(addon.SetForegroundWindow(0), '(0) is not a valid window');
});

test('SetWindowLongPtrW: a previous value of 0 is success, a real failure names the error', () => {
  const w = control.createWindow({ extraBytes: 8 });
  assert.equal(addon.SetWindowLongPtrW(w, GWLP_USERDATA, -7), '');
  assert.equal(control.window(w).userData, -7);
  assert.equal(addon.SetWindowLongPtrW(w, GWLP_USERDATA, 0), '');
  // A successful SetWindowLongPtrW leaves the last error as it was: a stale
  // one must not turn the previous value 0 into a failure.
  control.setLastError(ERROR_INVALID_INDEX);
  assert.equal(addon.SetWindowLongPtrW(w, GWLP_USERDATA, 0), '');
  control.setLastError(ERROR_INVALID_INDEX);
  assert.equal(addon.SetWindowLongPtrW(w, 0, 0), '');
  assert.equal(addon.SetWindowLongPtrW(w, 0, 0x7fffffff), '');
  assert.equal(control.window(w).extra.readBigInt64LE(0), 0x7fffffffn);
  // ERROR_INVALID_INDEX for an index past the extra bytes
  assert.equal(addon.SetWindowLongPtrW(w, 8, 5), `Cannot set value - hwnd=${w} index=8 value=5 (LastError=0x585)`);
});

test('SetWindowLongPtrW sign-extends a negative value to the pointer-wide long', () => {
  const w = control.createWindow({ extraBytes: 8 });
  assert.equal(addon.SetWindowLongPtrW(w, 0, -2), '');
  assert.equal(control.window(w).extra.readBigInt64LE(0), -2n);
  assert.equal(addon.SetWindowLongPtrW(w, 0, 2 ** 32 + 5), '');  // out of range saturates
  assert.equal(control.window(w).extra.readBigInt64LE(0), -2147483648n);
});

test('SetForegroundWindow brings the window to the foreground', () => {
  const w = control.createWindow({});
  control.createWindow({});
  assert.equal(addon.SetForegroundWindow(w), '');
  assert.equal(control.foreground(), w);
});

test('SetForegroundWindow reports a refusal', needs('foregroundRefusal'), () => {
  const w = control.createWindow({});
  assert.equal(addon.SetForegroundWindow(w), '');
  const other = control.createWindow({});
  control.allowForeground(false);
  assert.equal(addon.SetForegroundWindow(other), 'fail to set foreground window');
  assert.equal(control.foreground(), w);
});

test('FindWindowEx on an empty desktop finds nothing', needs('emptyDesktop'), () => {
  assert.equal(addon.FindWindowEx(), 0);
});

test('FindWindowEx: no arguments give the first top-level window; class names and children', () => {
  const first = control.createWindow({ className: 'Alpha' });
  const top = control.createWindow({ className: 'Beta' });
  const child1 = control.createWindow({ className: 'Item', parent: first });
  const child2 = control.createWindow({ className: 'Item', parent: first });
  assert.equal(addon.FindWindowEx(), top);  // newest top-level window is on top
  assert.equal(addon.FindWindowEx(0, 0, ''), top);
  assert.equal(addon.FindWindowEx(0, 0, 5), top);  // not a string: no class
  assert.equal(addon.FindWindowEx(0, 0, 'alpha'), first);
  assert.equal(addon.FindWindowEx(first, 0, 'Item'), child1);
  assert.equal(addon.FindWindowEx(first, child1, 'Item'), child2);
  assert.equal(addon.FindWindowEx(first, child2, 'Item'), 0);
  assert.equal(addon.FindWindowEx('x', 'y', 'Alpha'), first);  // non-numbers read as 0
});

test('FindWindowEx is one FindWindowExW call, whatever the arguments', needs('callLog'), () => {
  const first = control.createWindow({ className: 'Alpha' });
  for (const args of [[], ['x', 'y', 'Alpha'], [first, 0, 'Item'], [424242, 0, 5]]) {
    control.clearCalls();
    addon.FindWindowEx(...args);
    assert.deepEqual(control.calls(), ['FindWindowExW'], String(args));
  }
});

test('a handle at or above 2^31 comes back negative and works everywhere', needs('highHandles'), () => {
  const high = control.createWindow({ className: 'High', handle: 0x80001234 | 0, visible: true });
  const found = addon.FindWindowEx(0, 0, 'High');
  assert.equal(found, -2147478988);  // 0x80001234 as a signed 32-bit number
  assert.equal(addon.EnableWindow(found, 0), '');
  assert.equal(control.window(high).enabled, false);
  assert.equal(addon.SetWindowLongPtrW(found, GWLP_USERDATA, 9), '');
  assert.equal(addon.SetForegroundWindow(found), '');
  assert.equal(addon.IsWindowVisible(found), true);
  // The same handle as a positive number saturates to 0x80000000, another window.
  assert.equal(addon.EnableWindow(0x80001234, 1), '(80000000) is not a valid window');
  assert.equal(addon.IsWindowVisible(0x80001234), false);
  assert.equal(control.window(high).enabled, false);
});

test('handles are truncated toward zero', () => {
  const w = control.createWindow({});
  assert.equal(addon.EnableWindow(w + 0.9, 0), '');
  assert.equal(control.window(w).enabled, false);
  assert.equal(addon.EnableWindow(NaN, 0), '(80000000) is not a valid window');
  assert.equal(addon.EnableWindow(Infinity, 0), '(80000000) is not a valid window');
});

test('PostMessage posts with sign-extended parameters and returns undefined', () => {
  const w = control.createWindow({});
  assert.equal(addon.PostMessage(w, 0x8001, -1, -2), undefined);
  assert.equal(addon.PostMessage(), undefined);
  assert.equal(addon.PostMessage(12345, 1, 2, 3), undefined);  // failure is not reported
  assert.equal(addon.PostMessage(w, '5', {}, 1.9), undefined);
  assert.deepEqual(control.postedMessages(), [
    { window: w, message: 0x8001, wParam: -1, lParam: -2 },
    { window: 0, message: 0, wParam: 0, lParam: 0 },
    { window: w, message: 0, wParam: 0, lParam: 1 },
  ]);
});

test('IsWindowVisible follows the parents and reads non-numbers as no window', () => {
  const parent = control.createWindow({ visible: false });
  const child = control.createWindow({ parent });
  const shown = control.createWindow({});
  assert.equal(addon.IsWindowVisible(child), false);
  assert.equal(addon.IsWindowVisible(shown), true);
  assert.equal(addon.IsWindowVisible(String(shown)), false);
  assert.equal(addon.IsWindowVisible(), false);
  assert.equal(addon.IsWindowVisible(424242), false);
});
