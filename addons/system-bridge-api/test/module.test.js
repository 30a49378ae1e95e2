'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const { addon, control, freshSystem, userKey, HKEY_CURRENT_USER, REG_SZ } = require('./support');

freshSystem();

test('the 18 functions are registered in their fixed order', () => {
  assert.deepEqual(Object.keys(addon), [
    'EnableWindow', 'SetWindowLongPtrW', 'SetForegroundWindow', 'FindWindowEx', 'PostMessage',
    'SetJumpListToWindow', 'CreateRegistryKey', 'SetRegistryKeyValue', 'IsRegistryKeyExists',
    'GetRegistryKeyValues', 'DeleteRegistryKey', 'GetLogonSID', 'SetPriority', 'LoadHive', 'UnloadHive',
    'IsWindowVisible', 'GetSubkeys', 'DeleteRegistryKeyTree',
  ]);
  for (const name of Object.keys(addon)) assert.equal(typeof addon[name], 'function', name);
});

test('no function throws, whatever it is given', () => {
  const hostile = {
    toString() { throw new Error('toString'); },
    valueOf() { throw new Error('valueOf'); },
  };
  const odd = [undefined, null, Symbol('s'), hostile, {}, [], '', '12', NaN, -0, 2 ** 53, 1n];
  for (const name of Object.keys(addon)) {
    for (const value of odd) {
      for (const args of [[value], [value, value], [value, value, value],
        [HKEY_CURRENT_USER, userKey('Odd'), 0, 'v', value, REG_SZ],
        [HKEY_CURRENT_USER, userKey('Odd'), 0, 'v', value, 4], [[value, { title: value }], value]]) {
        assert.doesNotThrow(() => addon[name](...args), `${name}(${String(args.length)} args)`);
      }
    }
  }
});

test('a value that cannot be converted to text is refused, not thrown', () => {
  control.writeRawValue(HKEY_CURRENT_USER, userKey('Q'), 'x', REG_SZ, Buffer.alloc(2));
  const hostile = { toString() { throw new Error('no'); } };
  assert.equal(addon.SetRegistryKeyValue(HKEY_CURRENT_USER, userKey('Q'), 0, 'x', hostile, REG_SZ),
    'Not supported or invalid key data type specified');
  assert.equal(addon.SetRegistryKeyValue(HKEY_CURRENT_USER, userKey('Q'), 0, 'x', Symbol('s'), 4),
    'Not supported or invalid key data type specified');
  assert.deepEqual(addon.GetRegistryKeyValues(HKEY_CURRENT_USER, userKey('Q'), 0), { x: '' });
  assert.equal(addon.SetJumpListToWindow([], hostile), false);
});
