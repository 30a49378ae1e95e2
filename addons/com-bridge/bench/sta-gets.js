'use strict';
// Benchmark, com-bridge's side (scripts/bench-com-peer.sh): the property
// gets script-host-gets.js makes from JScript, Scripting.Dictionary's Count
// and VBScript.RegExp's Global, through com-bridge, each timed over the
// whole count. Run with script-thread-sta.js preloaded: the script thread is
// a single-threaded apartment, as in the desktop runtime (both servers are
// apartment-threaded).
//   node sta-gets.js <com-bridge.node> <gets> <output file>
// Appends "name value" lines: microseconds per get.
const fs = require('node:fs');
const path = require('node:path');
const [addonPath, count = '200000', out] = process.argv.slice(2);
const { CreateObject } = require(path.resolve(addonPath));

const { micros } = require('./timing');

const gets = Number(count);
const dictionary = CreateObject('Scripting.Dictionary');
const regexp = CreateObject('VBScript.RegExp');
for (let i = 0; i < 1000; i++) {  // warm-up
  dictionary.get('Count');
  regexp.get('Global');
}
const lines = [
  `dictionary ${micros(() => { for (let i = 0; i < gets; i++) dictionary.get('Count'); }) / gets}`,
  `regexp ${micros(() => { for (let i = 0; i < gets; i++) regexp.get('Global'); }) / gets}`,
];
dictionary.release();
regexp.release();
fs.appendFileSync(out, lines.join('\n') + '\n');
