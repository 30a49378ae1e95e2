'use strict';
// The layer's trace lines, byte for byte, in both builds.
const test = require('node:test');
const assert = require('node:assert');
const { runChild } = require('./addon-child');

const WL = '[NAPI-UTILS] [window-lift/WindowLift]';
const QM = '[NAPI-UTILS] [quiet-mode/GetQuietMode]';
const notANumber = `${WL} ERROR: Not a number (use 0 instead)`;

const initTrace = (version, module, fn) =>
  `\n[NAPI-UTILS] Version ${version}\n` +
  `[NAPI-UTILS] Initializing module: "${module}"\n` +
  `[NAPI-UTILS] Exporting function: "${fn}"\n` +
  '[NAPI-UTILS] Done\n\n';

function run(addon, body, debug) {
  const r = runChild(addon, body, { env: debug === undefined ? {} : { DEBUG: debug } });
  assert.strictEqual(r.status, 0, r.stdout);
  return r;
}

test('DEBUG unset: only the always-printed lines', () => {
  const wl = run('window-lift', 'keep(addon.WindowLift(0)); keep(addon.WindowLift("7"));');
  assert.strictEqual(wl.stdout,
    'ERROR (0) is not a valid window\n' +
    `${WL} Value to convert: IsString (type 4) = "7"\n` +
    `${notANumber}\n`);
  assert.deepStrictEqual(wl.results, ['ERROR (0) is not a valid window', notANumber]);

  const qm = run('quiet-mode', 'keep(typeof addon.GetQuietMode(1, "a"));');
  assert.strictEqual(qm.stdout, '');
  assert.deepStrictEqual(qm.results, ['boolean']);
});

test('DEBUG values that only print the DEBUG line', () => {
  const cases = [
    ['window-lift', 'NAPI'], ['window-lift', 'napi '], ['window-lift', 'quiet-mode'],
    ['quiet-mode', 'NAPI'], ['quiet-mode', 'napi '], ['quiet-mode', 'quiet-mode'], ['quiet-mode', 'window-lift'],
  ];
  for (const [addon, debug] of cases) {
    const call = addon === 'window-lift' ? 'addon.WindowLift(0)' : 'addon.GetQuietMode()';
    const r = run(addon, `${call};`, debug);
    const always = addon === 'window-lift' ? 'ERROR (0) is not a valid window\n' : '';
    assert.strictEqual(r.stdout, `[NAPI-UTILS] DEBUG=${debug}\n${always}`, `${addon} with DEBUG="${debug}"`);
  }
});

test('DEBUG of 259 characters is read; of 260 and more it is reported as too long', () => {
  const fits = 'x'.repeat(259);
  assert.strictEqual(run('quiet-mode', '', fits).stdout, `[NAPI-UTILS] DEBUG=${fits}\n`);
  for (const length of [260, 300, 5000]) {
    const value = 'napi' + 'x'.repeat(length - 4);
    const line = `[NAPI-UTILS] DEBUG is too long to read (${length} characters), tracing stays off\n`;
    assert.strictEqual(run('quiet-mode', 'addon.GetQuietMode();', value).stdout, line);
    assert.strictEqual(run('window-lift', 'addon.WindowLift(0);', value).stdout,
      line + 'ERROR (0) is not a valid window\n');
  }
});

test('window-lift traced by "napi" and by its module name', () => {
  for (const debug of ['napi', 'window-lift']) {
    const r = run('window-lift', 'keep(addon.WindowLift(0, "x", 3.7));', debug);
    assert.strictEqual(r.stdout,
      `[NAPI-UTILS] DEBUG=${debug}\n` +
      initTrace(3, 'window-lift', 'WindowLift') +
      '\n[NAPI-UTILS] [window-lift/WindowLift] Calling method: "WindowLift"\n' +
      `${WL} With 3 argument(s)\n` +
      `${WL} #0: IsNumber (type 3) = 0\n` +
      `${WL} #1: IsString (type 4) = "x"\n` +
      `${WL} #2: IsNumber (type 3) = 3\n` +
      `${WL} Retrieving argument #0 (number expected)\n` +
      `${WL} Got Number => 0\n` +
      'ERROR (0) is not a valid window\n' +
      `${WL} returns string: "ERROR (0) is not a valid window"\n\n`);
  }
});

test('quiet-mode traced by "napi"', () => {
  const r = run('quiet-mode', 'addon.GetQuietMode();', 'napi');
  assert.match(r.stdout, new RegExp('^' + escape(
    '[NAPI-UTILS] DEBUG=napi\n' +
    initTrace(1, 'quiet-mode', 'GetQuietMode') +
    '\n[NAPI-UTILS] [quiet-mode/GetQuietMode] Calling method: "GetQuietMode"\n' +
    `${QM} With no argument\n` +
    `${QM} returns boolean: `) + '(true|false)\n\n$'));
});

function escape(text) {
  return text.replace(/[.*+?^${}()|[\]\\]/g, '\\$&');
}

// One value of each kind, and the line the dump prints for it (the runtime
// counts DataView and typed arrays as buffers, and a Promise as an object,
// before the later rows are reached).
const values = [
  ['"text"', 'IsString', 4, ' = "text"'],
  ['42', 'IsNumber', 3, ' = 42'],
  ['3.7', 'IsNumber', 3, ' = 3'],
  ['NaN', 'IsNumber', 3, ' = 0'],
  ['-12', 'IsNumber', 3, ' = -12'],
  ['-(2 ** 40) - 5', 'IsNumber', 3, ' = -1099511627781'],
  ['true', 'IsBoolean', 2, ' = true'],
  ['[1, 2, 3]', 'IsArray', 6, ' = 3 items'],
  ['new Array(70000)', 'IsArray', 6, ' = 70000 items'],
  ['new ArrayBuffer(4)', 'IsArrayBuffer', 6, ''],
  ['Buffer.from("ab")', 'IsBuffer', 6, ''],
  ['new DataView(new ArrayBuffer(2))', 'IsBuffer', 6, ''],
  ['new Date(0)', 'IsDate', 6, ''],
  ['() => 1', 'IsFunction', 7, ''],
  ['null', 'IsNull', 1, ''],
  ['({ a: 1 })', 'IsObject', 6, ''],
  ['Promise.resolve(1)', 'IsObject', 6, ''],
  ['Symbol("s")', 'IsSymbol', 5, ''],
  ['new Float64Array(2)', 'IsBuffer', 6, ''],
  ['undefined', 'IsUndefined', 0, ''],
];

function dumpLines(context, typePart) {
  const lines = values.map(([, kind, type, rest], i) => `${context} #${i}: ${kind} ${typePart(type)}${rest}\n`);
  lines.push(`${context} #${values.length}: type 9\n`);
  return lines.join('');
}

const callWithAll = (fn) => `addon.${fn}(${values.map((v) => v[0]).join(', ')}, 5n);`;
const count = values.length + 1;

test('argument dumps of every value kind, "(type %d)" in window-lift', () => {
  const r = run('window-lift', callWithAll('WindowLift'), 'napi');
  const calls = r.stdout.slice(r.stdout.indexOf('\n[NAPI-UTILS] [window-lift'));
  assert.strictEqual(calls,
    '\n[NAPI-UTILS] [window-lift/WindowLift] Calling method: "WindowLift"\n' +
    `${WL} With ${count} argument(s)\n` +
    dumpLines(WL, (t) => `(type ${t})`) +
    `${WL} Retrieving argument #0 (number expected)\n` +
    `${WL} Value to convert: IsString (type 4) = "text"\n` +
    `${notANumber}\n` +
    `${WL} returns string: "${notANumber}"\n\n`);
});

test('argument dumps of every value kind, "(%d)" in quiet-mode', () => {
  const r = run('quiet-mode', callWithAll('GetQuietMode'), 'napi');
  const start = r.stdout.indexOf(`${QM} With`);
  const end = r.stdout.indexOf(`${QM} returns`);
  assert.strictEqual(r.stdout.slice(start, end),
    `${QM} With ${count} argument(s)\n` + dumpLines(QM, (t) => `(${t})`));
});

test('a bad argument\'s error does not carry into the next call', () => {
  const r = run('window-lift', 'keep(addon.WindowLift("12")); keep(addon.WindowLift(0)); keep(addon.WindowLift());');
  assert.deepStrictEqual(r.results, [notANumber, 'ERROR (0) is not a valid window', notANumber]);
  assert.strictEqual(r.stdout,
    `${WL} Value to convert: IsString (type 4) = "12"\n${notANumber}\n` +
    'ERROR (0) is not a valid window\n' +
    `${WL} Value to convert: IsUndefined (type 0)\n${notANumber}\n`);
});
