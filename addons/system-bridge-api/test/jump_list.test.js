'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const { addon, standin, freshStandin, callsMatching } = require('./support');

freshStandin();

const APP = 'Quillaret.Workspace';
const E_INVALIDARG = 0x80070057 | 0;
const E_FAIL = 0x80004005 | 0;

function task(fields) {
  return {
    separator: false, path: '', arguments: '', description: '', iconPath: '', iconIndex: 0, ...fields,
  };
}

// Every COM object and task-memory block was released.
function assertAllReleased() {
  assert.equal(standin.liveComObjects(), 0);
  assert.equal(standin.outstandingTaskMemory(), 0);
}

test('an empty array replaces the list with an empty one', () => {
  standin.setJumpList(APP, [{ path: 'old.exe' }]);
  assert.equal(addon.SetJumpListToWindow([], APP), true);
  assert.deepEqual(standin.jumpList(APP), []);
  assertAllReleased();
});

test('tasks carry every own property, in array order', () => {
  const items = [
    { program: 'C:\\app.exe', args: '--new', description: 'New window', title: 'New', iconPath: 'C:\\app.exe', iconIndex: 2.7 },
    { type: 'separator' },
    { title: 'Ünïcode 😀', program: 5, args: 6 },
    {},
  ];
  assert.equal(addon.SetJumpListToWindow(items, APP), true);
  assert.deepEqual(standin.jumpList(APP), [
    task({ path: 'C:\\app.exe', arguments: '--new', description: 'New window', title: 'New', iconPath: 'C:\\app.exe', iconIndex: 2 }),
    task({ separator: true }),
    task({ path: '5', arguments: '6', title: 'Ünïcode 😀' }),
    task({}),
  ]);
  assertAllReleased();
});

test('"Separator" is a task, and inherited properties do not count', () => {
  const inherited = Object.create({ program: 'inherited.exe', type: 'separator' });
  inherited.title = 'own';
  assert.equal(addon.SetJumpListToWindow([{ type: 'Separator', title: 'S' }, inherited], APP), true);
  assert.deepEqual(standin.jumpList(APP), [task({ title: 'S' }), task({ title: 'own' })]);
});

test('an icon needs both the path and the index', () => {
  assert.equal(addon.SetJumpListToWindow([{ iconPath: 'a.ico' }, { iconIndex: 3 }, { iconPath: 'b.ico', iconIndex: -1 }], APP), true);
  assert.deepEqual(standin.jumpList(APP), [task({}), task({}), task({ iconPath: 'b.ico', iconIndex: -1 })]);
});

test('[valid, invalid, valid] drops the invalid one; [valid, invalid] fails the list', () => {
  standin.failCall('IShellLinkA::SetPath', E_INVALIDARG, 'bad.exe');
  assert.equal(addon.SetJumpListToWindow([{ program: 'a.exe' }, { program: 'bad.exe' }, { program: 'c.exe' }], APP), true);
  assert.deepEqual(standin.jumpList(APP).map((t) => t.path), ['a.exe', 'c.exe']);
  assertAllReleased();

  standin.clearCalls();
  assert.equal(addon.SetJumpListToWindow([{ program: 'a.exe' }, { program: 'bad.exe' }], APP), false);
  assert.equal(standin.jumpList(APP), undefined);  // the old list was deleted, nothing committed
  assert.deepEqual(callsMatching(/AddUserTasks|CommitList/), []);
  assert.deepEqual(callsMatching(/AbortList|still open/), ['ICustomDestinationList::AbortList']);
  assertAllReleased();
});

test('the last step that ran decides an item', () => {
  standin.failCall('IShellLinkA::SetPath', E_INVALIDARG, 'bad.exe');
  assert.equal(addon.SetJumpListToWindow([{ program: 'bad.exe', title: 'kept' }], APP), true);
  assert.deepEqual(standin.jumpList(APP), [task({ title: 'kept' })]);
});

test('elements that are not objects are dropped like invalid items', () => {
  assert.equal(addon.SetJumpListToWindow([{ title: 'a' }, 42, null, 'x', { title: 'b' }], APP), true);
  assert.deepEqual(standin.jumpList(APP).map((t) => t.title), ['a', 'b']);
  assert.equal(addon.SetJumpListToWindow([{ title: 'a' }, 42], APP), false);
  assertAllReleased();
});

test('a first argument that is not an array touches nothing', () => {
  standin.setJumpList(APP, [{ path: 'old.exe' }]);
  standin.clearCalls();
  for (const value of [undefined, {}, { length: 1, 0: {} }, 'items']) {
    assert.equal(addon.SetJumpListToWindow(value, APP), false);
  }
  assert.deepEqual(standin.calls(), []);
  assert.equal(standin.jumpList(APP).length, 1);
});

test('throwing getters and conversions never reach script', () => {
  const item = { get program() { throw new Error('getter'); }, title: { toString() { throw new Error('text'); } }, args: 'a' };
  assert.equal(addon.SetJumpListToWindow([item], APP), true);
  assert.deepEqual(standin.jumpList(APP), [task({ arguments: 'a' })]);
  const items = [{ title: 'x' }];
  Object.defineProperty(items, 1, { get() { throw new Error('element'); }, enumerable: true });
  assert.equal(addon.SetJumpListToWindow(items, APP), false);
  assertAllReleased();
});

test('a failing list step fails the call; after BeginList the list is aborted', () => {
  for (const step of ['DeleteList', 'SetAppID', 'BeginList']) {
    standin.reset();
    standin.initializeCom(true);
    standin.failCall(`ICustomDestinationList::${step}`, E_FAIL);
    assert.equal(addon.SetJumpListToWindow([{ title: 'x' }], APP), false, step);
    assert.deepEqual(callsMatching(/AbortList/), [], step);
    assertAllReleased();
  }
  for (const step of ['ICustomDestinationList::AddUserTasks', 'ICustomDestinationList::CommitList',
    'IObjectCollection::AddObject', 'CoCreateInstance:EnumerableObjectCollection']) {
    standin.reset();
    standin.initializeCom(true);
    standin.failCall(step, E_FAIL);
    assert.equal(addon.SetJumpListToWindow([{ title: 'x' }], APP), false, step);
    assert.deepEqual(callsMatching(/AbortList|still open/), ['ICustomDestinationList::AbortList'], step);
    assert.equal(standin.jumpList(APP), undefined, step);
    assertAllReleased();
  }
});

test('without COM on the thread the call fails', () => {
  standin.initializeCom(false);
  assert.equal(addon.SetJumpListToWindow([], APP), false);
  standin.initializeCom(true);
  standin.failCall('CoCreateInstance:DestinationList', E_FAIL);
  assert.equal(addon.SetJumpListToWindow([], APP), false);
  assertAllReleased();
});

test('separators and titles fail cleanly when their property store does', () => {
  standin.failCall('IPropertyStore::Commit', E_FAIL);
  assert.equal(addon.SetJumpListToWindow([{ type: 'separator' }, { title: 't' }, { program: 'p.exe' }], APP), true);
  assert.deepEqual(standin.jumpList(APP), [task({ path: 'p.exe' })]);
  assertAllReleased();
});
