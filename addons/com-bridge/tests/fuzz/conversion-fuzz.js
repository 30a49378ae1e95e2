'use strict';
// Randomized conversion, both ways, each input checked against the
// conversion tables:
//   - script values into calls: numbers at every boundary, -0, NaN, strings
//     with NULs and lone surrogates, BigInts, dates, nested arrays and
//     tables, `_out` holders of each kind, and values that must be
//     rejected, passed to the test server's Echo, which hands back what it
//     received; every 64th call's VARIANT type is read from the server's
//     call record;
//   - VARIANT trees from the server (RandomTree: every VARTYPE, by-reference
//     forms, SAFEARRAYs of random dimensions, bounds and element types,
//     nested) back to script, checked against the server's description.
// FUZZ_SEED picks the seed (printed; the same seed gives the same inputs),
// FUZZ_COUNT the inputs each way. Ends by proving that no server object,
// reference, BSTR or SAFEARRAY is left.
const test = require('node:test');
const assert = require('node:assert/strict');
const { addon, VT, serverCounts, standInCounts } = require('../support');

const seed = Number(process.env.FUZZ_SEED ?? (Date.now() % 2147483647)) >>> 0;
const count = Number(process.env.FUZZ_COUNT ?? 2000);
console.log(`# conversion fuzz: seed ${seed}, ${count} inputs each way (FUZZ_SEED=${seed} repeats them)`);

// mulberry32: small and the same everywhere.
function random32(state) {
  return () => {
    state = (state + 0x6D2B79F5) >>> 0;
    let t = state;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
}

// --- script values into calls ---------------------------------------------

const NUMBERS = [0, -0, 1, -1, 0.5, NaN, Infinity, -Infinity, 2 ** 31 - 1, 2 ** 31, -(2 ** 31), -(2 ** 31) - 1,
  2 ** 32 - 1, 2 ** 32, 2 ** 53, -(2 ** 53), Number.MAX_VALUE, Number.MIN_VALUE, Number.EPSILON, 1e21];
const UNITS = [0, 0x41, 0x7A, 0xE9, 0x20AC, 0xD83D, 0xDE00, 0xD800, 0xDFFF, 0xFFFD, 0xFFFF];
const REJECTED = [() => ({}), () => () => 1, () => Symbol('s'), () => new Map(), () => Object.create(null)];

function makeValue(rnd, depth) {
  const pick = (list) => list[Math.floor(rnd() * list.length)];
  switch (Math.floor(rnd() * (depth > 0 ? 11 : 8))) {
    case 0: return pick(NUMBERS);
    case 1: return rnd() < 0.5 ? Math.floor(rnd() * 2 ** 33) - 2 ** 32 : (rnd() - 0.5) * 10 ** Math.floor(rnd() * 40);
    case 2: {
      const units = Array.from({ length: Math.floor(rnd() * 10) },
        () => (rnd() < 0.7 ? pick(UNITS) : Math.floor(rnd() * 0x10000)));
      return String.fromCharCode(...units);
    }
    case 3: return BigInt(Math.floor((rnd() - 0.5) * 2 ** 52)) * BigInt(Math.floor(rnd() * 2 ** 30));
    case 4: return rnd() < 0.1 ? new Date(NaN) : new Date(Math.floor((rnd() - 0.5) * 2 ** 50));
    case 5: return rnd() < 0.5;
    case 6: return rnd() < 0.5 ? null : undefined;
    case 7: return pick(REJECTED)();
    case 8: case 9: {  // an array, or a table of equal rows
      const length = Math.floor(rnd() * 4);
      if (rnd() < 0.4) {
        const columns = Math.floor(rnd() * 3);
        return Array.from({ length }, () => Array.from({ length: columns }, () => makeValue(rnd, 0)));
      }
      return Array.from({ length }, () => makeValue(rnd, depth - 1));
    }
    default: return { _out: makeValue(rnd, depth - 1) };
  }
}

const isHolder = (v) => v !== null && typeof v === 'object' && !Array.isArray(v) && !(v instanceof Date) &&
  Object.prototype.hasOwnProperty.call(v, '_out');
const rejected = (v) => typeof v === 'function' || typeof v === 'symbol' ||
  (v !== null && typeof v === 'object' && !Array.isArray(v) && !(v instanceof Date) && !isHolder(v));

// Text as COM receives it: up to the first NUL, a lone surrogate as U+FFFD.
const comText = (s) => s.split('\0')[0].toWellFormed();

// What the value comes back as after a round trip through a VARIANT, or
// REJECT when it cannot cross (as an argument, or inside an array).
const REJECT = Symbol('rejected');
function expectedBack(v, inArray) {
  if (v === undefined) return undefined;
  if (v === null || typeof v === 'number' || typeof v === 'boolean') return v;
  if (typeof v === 'string') return comText(v);
  if (typeof v === 'bigint') return String(v);
  if (v instanceof Date) return new Date(v.getTime());
  if (Array.isArray(v)) {
    const table = v.length > 0 && v.every((row) => Array.isArray(row) && row.length === v[0].length);
    const convert = (e) => expectedBack(e, true);
    const result = table ? v.map((row) => row.map(convert)) : v.map(convert);
    return result.flat(Infinity).includes(REJECT) ? REJECT : result;
  }
  // A holder's value is converted as an array element is: no holder inside.
  if (isHolder(v) && !inArray) return expectedBack(v._out, true);
  return REJECT;
}

function expectedType(v) {
  if (v === undefined) return VT.ERROR;
  if (v === null) return VT.NULL;
  if (typeof v === 'number') {
    if (!Number.isInteger(v) || Object.is(v, -0)) return VT.R8;
    if (v >= -(2 ** 31) && v < 2 ** 31) return VT.I4;
    if (v >= 0 && v < 2 ** 32) return VT.UI4;
    return VT.R8;
  }
  if (typeof v === 'boolean') return VT.BOOL;
  if (typeof v === 'string' || typeof v === 'bigint') return VT.BSTR;
  if (v instanceof Date) return VT.DATE;
  if (Array.isArray(v)) return VT.ARRAY | VT.VARIANT;
  if (v._out === undefined) return VT.ERROR;  // missing, never by reference
  if (v._out === null) return VT.VARIANT | VT.BYREF;  // a VARIANT cell the server may fill
  return expectedType(v._out) | VT.BYREF;
}

function sameValue(actual, expected, where) {
  if (expected instanceof Date) {
    assert.ok(actual instanceof Date, `${where}: a Date`);
    assert.ok(Object.is(actual.getTime(), expected.getTime()), `${where}: ${actual.getTime()} ms`);
  } else if (Array.isArray(expected)) {
    assert.ok(Array.isArray(actual) && actual.length === expected.length, `${where}: an array of ${expected.length}`);
    expected.forEach((e, i) => sameValue(actual[i], e, `${where}[${i}]`));
  } else {
    assert.ok(Object.is(actual, expected), `${where}: ${String(actual)} is not ${String(expected)}`);
  }
}

const show = (v) => require('node:util').inspect(v, { depth: 6 });

test('random script values into calls, and back', () => {
  const rnd = random32(seed);
  const server = addon.CreateObject('Quillaret.TestServer');
  const probe = addon.CreateObject('Quillaret.TestProbe');
  try {
    probe.call('Reset');
    for (let i = 0; i < count; ++i) {
      const value = makeValue(rnd, 3);
      const expected = expectedBack(value, false);
      const outBefore = isHolder(value) ? value._out : undefined;
      const where = `input ${i} (seed ${seed}): ${show(value)}`;
      if (expected === REJECT) {
        assert.throws(() => server.call('Echo', value), { name: 'TypeError', message: /^Argument 1 cannot be passed to COM: / }, where);
        continue;
      }
      const back = server.call('Echo', value);
      sameValue(back, expected, where);
      if (isHolder(value) && outBefore !== undefined) sameValue(value._out, expected, `${where} written back`);
      if (i % 64 === 0) {
        const [call] = JSON.parse(probe.get('Calls'));
        assert.equal(call.args[0].vt, expectedType(value), `${where}: its VARIANT type`);
      }
      probe.call('Reset');
    }
  } finally {
    server.release();
    probe.release();
  }
  assert.deepEqual(serverCounts(), { live: 0, references: 0 });
});

// --- VARIANT trees back to script ------------------------------------------

const number = (v) => (typeof v === 'string' ? (v === '-0' ? -0 : Number(v)) : v);
const ELEMENT_READABLE = new Set([VT.BOOL, VT.I1, VT.UI1, VT.I2, VT.UI2, VT.I4, VT.UI4, 22, 23, VT.R4, VT.ERROR, VT.R8,
  VT.DATE, VT.CY, VT.I8, VT.UI8, VT.BSTR, VT.DISPATCH, VT.UNKNOWN, VT.VARIANT]);
const OBJECT = Symbol('a ComObject');

function utf16(units) {
  return comText(String.fromCharCode(...units));
}

// The script value the conversion table gives for a described VARIANT.
function expectedFromNode(node) {
  const vt = node.vt;
  if (vt & VT.BYREF) return node.ref === null ? undefined : expectedFromNode(node.ref);
  if (vt & VT.ARRAY) return expectedArray(node, vt & 0xFFF);
  return expectedScalar(vt, node.v);
}

function expectedScalar(vt, v) {
  switch (vt) {
    case VT.NULL: return null;
    case VT.I1: case VT.UI1: case VT.I2: case VT.UI2: case VT.I4: case VT.UI4: case 22: case 23: return v;
    case VT.R4: case VT.R8: return number(v);
    case VT.UI8: return Number(BigInt(v));
    case VT.DATE: return new Date(number(v));
    case VT.BOOL: return v === -1;
    case VT.BSTR: return v === null ? undefined : utf16(v);
    case VT.DISPATCH: return v === null ? undefined : OBJECT;
    default: return undefined;  // EMPTY, I8, CY, DECIMAL, ERROR, UNKNOWN
  }
}

function expectedArray(node, elementType) {
  const { count: counts, elements } = node;
  const readable = ELEMENT_READABLE.has(elementType);
  const strides = counts.map((_, d) => counts.slice(0, d).reduce((a, b) => a * b, 1));
  const build = (d, offset) => Array.from({ length: counts[d] }, (_, k) => {
    const at = offset + k * strides[d];
    if (d + 1 < counts.length) return build(d + 1, at);
    if (!readable) return undefined;
    return elementType === VT.VARIANT ? expectedFromNode(elements[at]) : expectedScalar(elementType, elements[at].v);
  });
  return build(0, 0);
}

// Compares, releasing every ComObject the conversion made.
function sameTree(actual, expected, where) {
  if (expected === OBJECT) {
    assert.ok(actual instanceof addon.ComObject, `${where}: a ComObject`);
    // The server's by-reference cells may hold it too, until the next tree.
    assert.equal(typeof actual.release(), 'number', `${where}: released`);
  } else if (Array.isArray(expected)) {
    assert.ok(Array.isArray(actual) && actual.length === expected.length, `${where}: an array of ${expected.length}`);
    expected.forEach((e, i) => sameTree(actual[i], e, `${where}[${i}]`));
  } else {
    sameValue(actual, expected, where);
  }
}

test('random VARIANT trees from the server, into script', () => {
  const rnd = random32(seed ^ 0x5bd1e995);
  const server = addon.CreateObject('Quillaret.TestServer');
  try {
    for (let i = 0; i < count; ++i) {
      const treeSeed = Math.floor(rnd() * 2 ** 31);
      const depth = Math.floor(rnd() * 5);
      const tree = server.call('RandomTree', treeSeed, depth);
      const description = JSON.parse(server.get('TreeDescription'));
      sameTree(tree, expectedFromNode(description), `input ${i} (seed ${seed}): RandomTree(${treeSeed}, ${depth})`);
    }
    server.call('RandomTree', 0, 0);  // gives back the last tree's cells
  } finally {
    server.release();
  }
  assert.deepEqual(serverCounts(), { live: 0, references: 0 });
  const counts = standInCounts();
  if (counts) assert.deepEqual([counts.bstrs, counts.safeArrays], [0, 0], 'BSTRs or SAFEARRAYs left');
});
