'use strict';
// Benchmark: GetQuietMode from script. Prints the median time per call in
// microseconds.   node addon-calls.js <quiet-mode.node> <calls> <output file>
const fs = require('node:fs');
const [addonPath, count = '10000', out] = process.argv.slice(2);
const { GetQuietMode } = require(require('node:path').resolve(addonPath));
const calls = Number(count);
for (let i = 0; i < 200; i++) GetQuietMode();
const micros = new Float64Array(calls);
for (let i = 0; i < calls; i++) {
  const start = process.hrtime.bigint();
  GetQuietMode();
  micros[i] = Number(process.hrtime.bigint() - start) / 1000;
}
micros.sort();
fs.writeFileSync(out, micros[Math.floor(calls / 2)].toFixed(2) + '\n');
