'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const { addon, control, needs, freshSystem, callsMatching } = require('./support');

freshSystem();

// Committing a list and reading it back, with the shell's objects counted.
const WORKING_LIST = needs('destinationList', 'jumpListInspection', 'comObjectCounts');
// The same, with shell calls made to fail and the calls logged.
const FAILING_STEPS = needs('destinationList', 'jumpListInspection', 'comObjectCounts', 'failureInjection', 'callLog');

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
  assert.equal(control.liveComObjects(), 0);
  assert.equal(control.outstandingTaskMemory(), 0);
}

test('an empty array replaces the list with an empty one', WORKING_LIST, () => {
  control.setJumpList(APP, [{ path: 'old.exe' }]);
  assert.equal(addon.SetJumpListToWindow([], APP), true);
  assert.deepEqual(control.jumpList(APP), []);
  assertAllReleased();
});

test('tasks carry every own property, in array order', WORKING_LIST, () => {
  const items = [
    { program: 'C:\\app.exe', args: '--new', description: 'New window', title: 'New', iconPath: 'C:\\app.exe', iconIndex: 2.7 },
    { type: 'separator' },
    { title: 'Ünïcode 😀', program: 5, args: 6 },
    {},
  ];
  assert.equal(addon.SetJumpListToWindow(items, APP), true);
  assert.deepEqual(control.jumpList(APP), [
    task({ path: 'C:\\app.exe', arguments: '--new', description: 'New window', title: 'New', iconPath: 'C:\\app.exe', iconIndex: 2 }),
    task({ separator: true }),
    task({ path: '5', arguments: '6', title: 'Ünïcode 😀' }),
    task({}),
  ]);
  assertAllReleased();
});

// A per-user install lies under the user's folder, whose name need not be
// ASCII: the texts reach the link whole, not read in the ANSI code page.
test('program, arguments, description and icon path reach the link as the script gave them', WORKING_LIST, () => {
  const program = 'C:\\Users\\Jürgen\\AppData\\Local\\Quillaret\\QuillaretWorkspace.exe';
  const item = { program, args: '--open "Übersicht 中文"', description: 'Öffnet 😀', iconPath: program, iconIndex: 1 };
  assert.equal(addon.SetJumpListToWindow([item], APP), true);
  assert.deepEqual(control.jumpList(APP), [
    task({ path: program, arguments: item.args, description: item.description, iconPath: program, iconIndex: 1 }),
  ]);
});

test('"Separator" is a task, and inherited properties do not count', WORKING_LIST, () => {
  const inherited = Object.create({ program: 'inherited.exe', type: 'separator' });
  inherited.title = 'own';
  assert.equal(addon.SetJumpListToWindow([{ type: 'Separator', title: 'S' }, inherited], APP), true);
  assert.deepEqual(control.jumpList(APP), [task({ title: 'S' }), task({ title: 'own' })]);
});

test('an icon needs both the path and the index', WORKING_LIST, () => {
  assert.equal(addon.SetJumpListToWindow([{ iconPath: 'a.ico' }, { iconIndex: 3 }, { iconPath: 'b.ico', iconIndex: -1 }], APP), true);
  assert.deepEqual(control.jumpList(APP), [task({}), task({}), task({ iconPath: 'b.ico', iconIndex: -1 })]);
});

test('[valid, invalid, valid] drops the invalid one; [valid, invalid] fails the list', FAILING_STEPS, () => {
  control.failCall('IShellLinkW::SetPath', E_INVALIDARG, 'bad.exe');
  assert.equal(addon.SetJumpListToWindow([{ program: 'a.exe' }, { program: 'bad.exe' }, { program: 'c.exe' }], APP), true);
  assert.deepEqual(control.jumpList(APP).map((t) => t.path), ['a.exe', 'c.exe']);
  assertAllReleased();

  control.clearCalls();
  assert.equal(addon.SetJumpListToWindow([{ program: 'a.exe' }, { program: 'bad.exe' }], APP), false);
  assert.equal(control.jumpList(APP), undefined);  // the old list was deleted, nothing committed
  assert.deepEqual(callsMatching(/AddUserTasks|CommitList/), []);
  assert.deepEqual(callsMatching(/AbortList|still open/), ['ICustomDestinationList::AbortList']);
  assertAllReleased();
});

test('the last step that ran decides an item', FAILING_STEPS, () => {
  control.failCall('IShellLinkW::SetPath', E_INVALIDARG, 'bad.exe');
  assert.equal(addon.SetJumpListToWindow([{ program: 'bad.exe', title: 'kept' }], APP), true);
  assert.deepEqual(control.jumpList(APP), [task({ title: 'kept' })]);
});

test('elements that are not objects are dropped like invalid items', WORKING_LIST, () => {
  assert.equal(addon.SetJumpListToWindow([{ title: 'a' }, 42, null, 'x', { title: 'b' }], APP), true);
  assert.deepEqual(control.jumpList(APP).map((t) => t.title), ['a', 'b']);
  assert.equal(addon.SetJumpListToWindow([{ title: 'a' }, 42], APP), false);
  assertAllReleased();
});

const NOT_ARRAYS = [undefined, {}, { length: 1, 0: {} }, 'items'];

test('a first argument that is not an array is false', () => {
  for (const value of NOT_ARRAYS) assert.equal(addon.SetJumpListToWindow(value, APP), false);
});

test('a first argument that is not an array touches nothing', needs('callLog', 'jumpListInspection'), () => {
  control.setJumpList(APP, [{ path: 'old.exe' }]);
  control.clearCalls();
  for (const value of NOT_ARRAYS) addon.SetJumpListToWindow(value, APP);
  assert.deepEqual(control.calls(), []);
  assert.equal(control.jumpList(APP).length, 1);
});

test('throwing getters and conversions never reach script', WORKING_LIST, () => {
  const item = { get program() { throw new Error('getter'); }, title: { toString() { throw new Error('text'); } }, args: 'a' };
  assert.equal(addon.SetJumpListToWindow([item], APP), true);
  assert.deepEqual(control.jumpList(APP), [task({ arguments: 'a' })]);
  const items = [{ title: 'x' }];
  Object.defineProperty(items, 1, { get() { throw new Error('element'); }, enumerable: true });
  assert.equal(addon.SetJumpListToWindow(items, APP), false);
  assertAllReleased();
});

test('a failing list step fails the call; after BeginList the list is aborted',
  needs('failureInjection', 'callLog', 'jumpListInspection', 'comObjectCounts'), () => {
    for (const step of ['DeleteList', 'SetAppID', 'BeginList']) {
      control.reset();
      control.initializeCom(true);
      control.failCall(`ICustomDestinationList::${step}`, E_FAIL);
      assert.equal(addon.SetJumpListToWindow([{ title: 'x' }], APP), false, step);
      assert.deepEqual(callsMatching(/AbortList/), [], step);
      assertAllReleased();
    }
    for (const step of ['ICustomDestinationList::AddUserTasks', 'ICustomDestinationList::CommitList',
      'IObjectCollection::AddObject', 'CoCreateInstance:EnumerableObjectCollection']) {
      control.reset();
      control.initializeCom(true);
      control.setJumpList(APP, [{ path: 'old.exe' }]);  // deleted before the list is begun
      control.failCall(step, E_FAIL);
      assert.equal(addon.SetJumpListToWindow([{ title: 'x' }], APP), false, step);
      assert.deepEqual(callsMatching(/AbortList|still open/), ['ICustomDestinationList::AbortList'], step);
      assert.equal(control.jumpList(APP), undefined, step);
      assertAllReleased();
    }
  });

test('without COM on the thread the call fails', () => {
  control.initializeCom(false);
  assert.equal(addon.SetJumpListToWindow([], APP), false);
  assert.equal(addon.SetJumpListToWindow([{ title: 'x' }], APP), false);
});

test('a destination list that cannot be created fails the call', needs('failureInjection', 'comObjectCounts'), () => {
  control.failCall('CoCreateInstance:DestinationList', E_FAIL);
  assert.equal(addon.SetJumpListToWindow([], APP), false);
  assertAllReleased();
});

test('where the shell\'s destination list fails, every call is false',
  { skip: !control.lacks.destinationList && 'the destination list works here' }, () => {
    assert.equal(addon.SetJumpListToWindow([], APP), false);
    assert.equal(addon.SetJumpListToWindow([{ title: 'x' }, { type: 'separator' }, { program: 'a.exe' }], APP), false);
  });

test('separators and titles fail cleanly when their property store does', FAILING_STEPS, () => {
  control.failCall('IPropertyStore::Commit', E_FAIL);
  assert.equal(addon.SetJumpListToWindow([{ type: 'separator' }, { title: 't' }, { program: 'p.exe' }], APP), true);
  assert.deepEqual(control.jumpList(APP), [task({ path: 'p.exe' })]);
  assertAllReleased();
});
