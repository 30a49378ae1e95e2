'use strict';
// Benchmark: what a call costs in the apartment the script thread is in (a
// bare node.exe: the MTA com-bridge joins; with script-thread-sta.js
// preloaded: the desktop runtime's STA). One property get on an
// apartment-threaded server (Scripting.Dictionary's Count) and one on a
// server registered Both (MSXML's DOM's async), interleaved batch by batch;
// then for...of over the out-of-process test server's collection, per
// element, beside one get on that collection (two round trips: the name,
// then the call).
//   node apartments.js <com-bridge.node> <calls> <output file>
// Writes "name value" lines: microseconds, medians over the batches.
const fs = require('node:fs');
const path = require('node:path');
const [addonPath, count = '2000', out] = process.argv.slice(2);
const { CreateObject } = require(path.resolve(addonPath));

const { median, micros } = require('./timing');

const dictionary = CreateObject('Scripting.Dictionary');
const dom = CreateObject('Msxml2.DOMDocument.6.0');
const local = CreateObject('Quillaret.TestServer.Local');
const batches = 10;
const perBatch = Math.max(1, Math.floor(Number(count) / batches));
for (let i = 0; i < 50; i++) {
  dictionary.get('Count');
  dom.get('async');
}

const rows = { apartment: [], both: [], element: [], roundTrip: [] };
for (let b = 0; b < batches; b++) {
  rows.apartment.push(micros(() => { for (let i = 0; i < perBatch; i++) dictionary.get('Count'); }) / perBatch);
  rows.both.push(micros(() => { for (let i = 0; i < perBatch; i++) dom.get('async'); }) / perBatch);
}
const items = local.call('Items', 500);
for (let b = 0; b < 5; b++) {
  let seen = 0;
  rows.element.push(micros(() => { for (const item of items) seen += item > 0 ? 1 : 0; }) / 500);
  if (seen !== 500) throw new Error(`iterated ${seen} of 500 elements`);
  rows.roundTrip.push(micros(() => { for (let i = 0; i < 50; i++) items.get('Count'); }) / 50);
}
items.release();
for (const object of [dictionary, dom, local]) object.release();
fs.writeFileSync(out, Object.entries(rows).map(([name, values]) => `${name} ${median(values).toFixed(2)}`).join('\n') + '\n');
