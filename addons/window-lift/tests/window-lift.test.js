'use strict';
// WindowLift against real top-level windows of a fixture process (Xvfb).
const test = require('node:test');
const assert = require('node:assert');
const { runChild, fixturePath } = require('../../napi-utils/tests/addon-child');
const { startLiftFixture } = require('../../../testing/common/lift-fixture');

// %p as the Windows C runtime prints it: 16 upper-case hex digits.
const pointer = (h) => h.toString(16).toUpperCase().padStart(16, '0');
const T = '\\(T#[0-9a-f]+\\)';

// The nine [SBA] lines of one call. before/after: [handle, suffix] of the
// foreground lines; attach: the AttachThreadInput results.
function trace(target, { before, attach, after, visible = 'TRUE' }) {
  const p = pointer(target);
  const foreground = ([h, suffix]) =>
    `\\[SBA\\] \\[WindowLift\\] Current foreground window: ${pointer(h)} ${h ? T : '\\(T#0\\)'}${suffix}`;
  const previous = `(${p} = target window|(?!${p})[0-9A-F]{16})`;
  return [
    `\\[SBA\\] \\[WindowLift\\] _WindowLift_Thread target: ${p} ${T}`,
    foreground(before),
    `\\[SBA\\] \\[WindowLift\\] AttachThreadInput On  -> ${attach}`,
    `\\[SBA\\] \\[WindowLift\\] ShowWindow            -> ${visible}`,
    '\\[SBA\\] \\[WindowLift\\] SetForegroundWindow   -> TRUE',
    `\\[SBA\\] \\[WindowLift\\] SetFocus              -> ${previous}`,
    `\\[SBA\\] \\[WindowLift\\] SetActiveWindow       -> ${previous}`,
    `\\[SBA\\] \\[WindowLift\\] AttachThreadInput Off -> ${attach}`,
    foreground(after),
  ].map((line) => line + '\n').join('');
}
const exactly = (...traces) => new RegExp('^' + traces.join('') + '$');

const TARGET = ' = target window';

// Under Wine, detaching the input again leaves no foreground window when the
// foreground belonged to another thread, so such a call ends "failed"; with
// no foreground window to attach, the target stays in front.
test('WindowLift against fixture windows', async (t) => {
  const fixture = await startLiftFixture(fixturePath('lift_windows.exe'));
  const [first, second, minimised, doomed] = fixture.handles;
  // The upper-case check of %p needs a handle with a letter among its digits.
  assert.match(pointer(second), /[A-F]/);
  const lift = (...handles) => runChild('window-lift', handles.map((h) => `keep(addon.WindowLift(${h}));`).join(''));
  try {
    await t.test('another process\'s window in the foreground: the input is attached and detached', async () => {
      assert.strictEqual(await fixture.ask('front 0'), 'front 1');
      const r = lift(second);
      assert.match(r.stdout, exactly(trace(second, { before: [first, ''], attach: 'TRUE', after: [0, ''] })));
      assert.deepStrictEqual(r.results, ['failed']);
    });

    await t.test('no foreground window: nothing to attach, the target comes to the front', async () => {
      assert.strictEqual(await fixture.ask('foreground'), 'foreground 0');
      const r = lift(second);
      assert.match(r.stdout, exactly(trace(second, { before: [0, ''], attach: 'FALSE', after: [second, TARGET] })));
      assert.deepStrictEqual(r.results, ['']);
      assert.strictEqual(await fixture.ask('foreground'), `foreground ${second}`);
    });

    await t.test('the target already in the foreground: all six calls still run', async () => {
      const r = lift(second);
      assert.match(r.stdout, exactly(trace(second, { before: [second, TARGET], attach: 'TRUE', after: [0, ''] })));
      assert.deepStrictEqual(r.results, ['failed']);
    });

    await t.test('a minimised window is restored', async () => {
      assert.strictEqual(await fixture.ask('iconic 2'), 'iconic 1');
      const r = lift(minimised);
      assert.match(r.stdout, exactly(trace(minimised, { before: [0, ''], attach: 'FALSE', after: [minimised, TARGET] })));
      assert.deepStrictEqual(r.results, ['']);
      assert.strictEqual(await fixture.ask('iconic 2'), 'iconic 0');
    });

    await t.test('0 and a destroyed window are not valid windows', async () => {
      assert.strictEqual(await fixture.ask('destroy 3'), 'destroyed 3');
      const text = `ERROR (${(doomed >>> 0).toString(16)}) is not a valid window`;
      const r = lift(doomed, 0);
      assert.deepStrictEqual(r.results, [text, 'ERROR (0) is not a valid window']);
      assert.strictEqual(r.stdout, `${text}\nERROR (0) is not a valid window\n`);
    });

    await t.test('a handle given as a string makes no window call', async () => {
      assert.strictEqual(await fixture.ask('front 0'), 'front 1');
      const r = lift(`"${second}"`);
      const error = '[NAPI-UTILS] [window-lift/WindowLift] ERROR: Not a number (use 0 instead)';
      assert.deepStrictEqual(r.results, [error]);
      assert.strictEqual(r.stdout,
        `[NAPI-UTILS] [window-lift/WindowLift] Value to convert: IsString (type 4) = "${second}"\n${error}\n`);
      assert.strictEqual(await fixture.ask('foreground'), `foreground ${first}`);
    });

    // Without the check, ShowWindow waits for the fixture's thread, here for
    // the 8 s it sleeps, and for good with a thread that never pumps again.
    await t.test('a window whose thread takes no messages: no window call, "failed" within the time limit', async () => {
      assert.strictEqual(await fixture.ask('hang 8000'), 'hanging 8000');
      const started = Date.now();
      const r = lift(second);
      const took = Date.now() - started;
      assert.deepStrictEqual(r.results, ['failed']);
      assert.match(r.stdout, new RegExp('^' + [
        `\\[SBA\\] \\[WindowLift\\] _WindowLift_Thread target: ${pointer(second)} ${T}`,
        `\\[SBA\\] \\[WindowLift\\] Current foreground window: ${pointer(first)} ${T}`,
        `\\[SBA\\] \\[WindowLift\\] Not responding: ${pointer(second)}, no window call made`,
      ].map((line) => line + '\n').join('') + '$'));
      assert.ok(took < 6000, `WindowLift took ${took} ms`);
    });
  } finally {
    await fixture.stop();
  }
});
