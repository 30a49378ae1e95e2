'use strict';
// Values both ways, as the test server receives and returns them.
const assert = require('node:assert/strict');
const { addon, VT, DISP_E_PARAMNOTFOUND, serverTest, serverCalls, lastArguments, onStandIn } = require('./support');

const missing = { vt: VT.ERROR, value: DISP_E_PARAMNOTFOUND };

serverTest('numbers: Int32 range to VT_I4, 2^31..2^32-1 to VT_UI4, everything else VT_R8', (server) => {
  const values = [5, -2147483648, 2147483647, 2 ** 31, 2 ** 32 - 1, 5.5, 2 ** 32, -0, NaN, Infinity, -1e300];
  assert.equal(server.call('Args', ...values), values.length);
  const received = lastArguments().reverse();  // back to script order
  assert.deepEqual(received.slice(0, 5), [
    { vt: VT.I4, value: 5 }, { vt: VT.I4, value: -2147483648 }, { vt: VT.I4, value: 2147483647 },
    { vt: VT.UI4, value: 2147483648 }, { vt: VT.UI4, value: 4294967295 },
  ]);
  assert.deepEqual(received.slice(5).map((a) => a.vt), Array(6).fill(VT.R8));
  assert.equal(received[5].value, 5.5);
  assert.equal(received[6].value, 2 ** 32);
  assert.ok(Object.is(received[7].value, -0), 'minus zero keeps its sign');
  assert.equal(received[10].value, -1e300);
});

serverTest('other primitives: booleans, null, undefined, strings, BigInts', (server) => {
  server.call('Args', true, false, null, undefined, 'text', '12', '', 12n);
  assert.deepEqual(lastArguments().reverse(), [
    { vt: VT.BOOL, value: -1 }, { vt: VT.BOOL, value: 0 }, { vt: VT.NULL, value: null }, missing,
    { vt: VT.BSTR, value: 'text' }, { vt: VT.BSTR, value: '12' }, { vt: VT.BSTR, value: '' },
    { vt: VT.BSTR, value: '12' },
  ]);
});

serverTest('text: cut at the first NUL; surrogate pairs kept; a lone surrogate becomes U+FFFD', (server) => {
  server.call('Args', 'ab\0cd', 'smile \u{1F600}', 'lone \ud800 x', 'caf\u00e9 \u5c71\u7530');
  assert.deepEqual(lastArguments().reverse().map((a) => a.value),
    ['ab', 'smile \u{1F600}', 'lone \ufffd x', 'caf\u00e9 \u5c71\u7530']);
  // And back, from the server's own BSTRs.
  assert.equal(server.call('Echo', 'smile \u{1F600}'), 'smile \u{1F600}');
  assert.equal(server.call('Result', 'BSTR_NUL'), 'ab');
});

serverTest('a Date crosses as its millisecond time value, unchanged, both ways', (server) => {
  server.call('Args', new Date(1000));
  assert.deepEqual(lastArguments(), [{ vt: VT.DATE, value: 1000 }]);
  const back = server.call('Echo', new Date(Date.UTC(2026, 11, 8)));
  assert.ok(back instanceof Date);
  assert.equal(back.getTime(), Date.UTC(2026, 11, 8));
  assert.equal(server.call('Result', 'DATE').getTime(), 1000);  // the DATE 1000.5, as a time value
});

serverTest('omitted and undefined arguments reach the server as missing optional parameters', (server) => {
  assert.equal(server.call('Optional', 'x'), 'a,-,-');
  assert.equal(server.call('Optional', 'x', undefined, 'z'), 'a,-,c');
  assert.equal(server.call('Optional', undefined, 'y'), '-,b,-');
});

serverTest('arguments arrive last first, as Invoke expects', (server) => {
  server.call('Args', 'a', 'b', 'c');
  assert.deepEqual(lastArguments().map((a) => a.value), ['c', 'b', 'a']);
  const [call] = serverCalls().slice(-1);
  assert.equal(call.member, 'Args');
  assert.deepEqual(call.named, []);
});

serverTest('a ComObject argument is VT_DISPATCH: the server sees the very object', (server) => {
  const child = server.call('Child');
  const childId = serverCalls().at(-1);  // the Child call itself
  assert.ok(childId);
  server.call('Args', child);
  const [argument] = lastArguments();
  assert.equal(argument.vt, VT.DISPATCH);
  assert.equal(typeof argument.value, 'number');  // one of the server's own objects
  if (!onStandIn) {  // an object of another server: the stand-in has only this one
    const dictionary = addon.CreateObject('Scripting.Dictionary');
    server.call('Args', dictionary);
    assert.deepEqual(lastArguments(), [{ vt: VT.DISPATCH, value: 'foreign' }]);
    assert.equal(dictionary.release(), 0);
  }
  assert.equal(child.release(), 0);
});

serverTest('arrays go out as SAFEARRAYs of VARIANT from 0: tables as rows x columns', (server) => {
  server.call('Args', [1, 'a', true]);
  assert.deepEqual(lastArguments(), [{
    vt: VT.ARRAY | VT.VARIANT, dims: [{ lbound: 0, count: 3 }],
    elements: [{ vt: VT.I4, value: 1 }, { vt: VT.BSTR, value: 'a' }, { vt: VT.BOOL, value: -1 }],
  }]);
  server.call('Args', [[1, 2, 3], [4, 5, 6]]);
  const [table] = lastArguments();
  assert.deepEqual(table.dims, [{ lbound: 0, count: 2 }, { lbound: 0, count: 3 }]);
  // Memory order: dimension 1 (the rows) varies fastest.
  assert.deepEqual(table.elements.map((e) => e.value), [1, 4, 2, 5, 3, 6]);
  server.call('Args', [[1, 2], [3]]);
  const [ragged] = lastArguments();
  assert.deepEqual(ragged.dims, [{ lbound: 0, count: 2 }]);
  assert.deepEqual(ragged.elements[1], { vt: VT.ARRAY | VT.VARIANT, dims: [{ lbound: 0, count: 1 }], elements: [{ vt: VT.I4, value: 3 }] });
  server.call('Args', []);
  assert.deepEqual(lastArguments(), [{ vt: VT.ARRAY | VT.VARIANT, dims: [{ lbound: 0, count: 0 }], elements: [] }]);
  // Holes are missing values; objects inside are passed with their references.
  const child = server.call('Child');
  server.call('Args', [, child]);  // eslint-disable-line no-sparse-arrays
  assert.deepEqual(lastArguments()[0].elements[0], missing);
  assert.equal(lastArguments()[0].elements[1].vt, VT.DISPATCH);
  assert.equal(child.release(), 0);
});

serverTest('tables and nested arrays come back as they went', (server) => {
  const table = [[1, 2, 3], [4, 5, 6]];
  assert.deepEqual(server.call('Echo', table), table);
  const nested = [1, [2, [3, 'x']], [], null, true];
  assert.deepEqual(server.call('Echo', nested), nested);
});

serverTest('values that cannot cross throw a TypeError naming their position, before any COM call', (server) => {
  const released = server.call('Child');
  released.release();
  const cyclic = [1];
  cyclic.push(cyclic);
  const cases = [
    [{}, 'an object that is neither a ComObject, an _out holder nor an array'],
    [() => 1, 'a function'],
    [new String('x'), 'an object that is neither a ComObject, an _out holder nor an array'],
    [new Number(1), 'an object that is neither a ComObject, an _out holder nor an array'],
    [Symbol('s'), 'a symbol'],
    [Object.create(null), 'an object that is neither a ComObject, an _out holder nor an array'],
    [new Proxy([], {}), 'an object that is neither a ComObject, an _out holder nor an array'],
    [released, 'a released ComObject'],
    [[1, [{}]], 'an object that is neither a ComObject, an _out holder nor an array'],
    [[{ _out: 1 }], 'an _out holder where only a value can go'],
    [{ _out: { _out: 1 } }, 'an _out holder where only a value can go'],
    [cyclic, 'arrays nested too deeply'],
    // Refused by their size, before any element is read or any memory taken.
    [new Array(2 ** 32 - 1), 'an array too large for COM'],
    [[new Array(2 ** 26), new Array(2 ** 26)], 'an array too large for COM'],
  ];
  const before = serverCalls().length;
  for (const [value, what] of cases) {
    assert.throws(() => server.call('Args', 'first', value),
      { name: 'TypeError', message: `Argument 2 cannot be passed to COM: ${what}` });
    assert.throws(() => server.get('Value', value), TypeError);
    assert.throws(() => server.set('Value', value), TypeError);
    assert.throws(() => server(value), TypeError);
  }
  assert.equal(serverCalls().length, before, 'nothing reached the server');
});

serverTest('an exception thrown by script during the conversion reaches the caller as it is', (server) => {
  const hostile = { toString() { throw new RangeError('no text'); } };
  assert.throws(() => server.call('Args', 1n, hostile), { name: 'TypeError' });  // an object: refused
  const getter = { get _out() { throw new RangeError('no value'); } };
  assert.throws(() => server.call('Args', getter), { name: 'RangeError', message: 'no value' });
  const arrayGetter = [1];
  Object.defineProperty(arrayGetter, 0, { get() { throw new RangeError('no element'); } });
  assert.throws(() => server.call('Args', arrayGetter), { name: 'RangeError', message: 'no element' });
  assert.throws(() => server.call(hostile), { name: 'RangeError', message: 'no text' });
});

serverTest('results of every type, as the conversion table says', (server) => {
  const expected = {
    I1: -5, UI1: 255, I2: -1, UI2: 65535, I4: -7, UI4: 4294967295, INT: -9, UINT: 9, R4: 1.5, R8: 2.25,
    UI8: 2 ** 53, I8: undefined, CY: undefined, DECIMAL: undefined, ERROR: undefined, EMPTY: undefined,
    NULL: null, BOOL_TRUE: true, BOOL_ONE: false, BSTR: 'text', BSTR_EMPTY: '', BSTR_NULL: undefined,
    NULL_OBJECT: undefined, UNKNOWN: undefined, VARIANT_BYREF: 9,
  };
  for (const [kind, value] of Object.entries(expected)) assert.equal(server.call('Result', kind), value, kind);
  const object = server.call('Result', 'OBJECT');
  assert.ok(object instanceof addon.ComObject);
  assert.equal(object.release(), 0);
});

serverTest('arrays come back from each dimension\'s lower bound', (server) => {
  const expected = {
    ARRAY_1D_0: [1, 'two', 3.5],
    ARRAY_1D_1: [1, 'two', 3.5],
    ARRAY_2D: [[11, 12, 13], [21, 22, 23]],
    ARRAY_3D: [[[0, 1], [10, 11]], [[100, 101], [110, 111]]],
    ARRAY_EMPTY: [],
    ARRAY_NESTED: [[1, 2], 3],
    ARRAY_I4: [10, 20, 30],
    ARRAY_BSTR: ['a', 'b'],
    ARRAY_NEGATIVE_BOUNDS: [-1, 0, 1],
  };
  for (const [kind, value] of Object.entries(expected)) assert.deepEqual(server.call('Result', kind), value, kind);
  const objects = server.call('Result', 'ARRAY_DISPATCH');
  assert.equal(objects.length, 2);
  for (const object of objects) assert.equal(object.release(), 0);
  // The array's own element type, not the VARIANT's word: doubles labelled VT_BSTR are doubles.
  assert.deepEqual(server.call('Result', 'ARRAY_MISLABELLED'), [1.5, 2.5]);
  const big = server.get('Table', 3, 4, 1);
  assert.deepEqual(big, [[0, 1, 2, 3], [4, 5, 6, 7], [8, 9, 10, 11]]);
});

serverTest('results that cannot be script values: undefined from get and call, a TypeError from callUnsafe', (server) => {
  const refused = (what) => ({ name: 'TypeError', message: `The result cannot be passed to script: ${what}` });
  // 65535 dimensions of one element each, a legal SAFEARRAY.
  assert.equal(server.call('Result', 'ARRAY_MANY_DIMENSIONS'), undefined);
  assert.equal(server.get('Result', 'ARRAY_MANY_DIMENSIONS'), undefined);
  assert.throws(() => server.callUnsafe('Result', 'ARRAY_MANY_DIMENSIONS'), refused('an array of more than 32 dimensions'));
  // A string whose UTF-8 form is longer than the script engine takes.
  assert.equal(server.call('Result', 'BSTR_LONG'), undefined);
  assert.throws(() => server.callUnsafe('Result', 'BSTR_LONG'), refused('a string longer than the script engine takes'));
});
