'use strict';
// Benchmark: GetQuietMode from script beside the same work from C++, in one
// process, interleaved batch by batch so that both sides see the same load.
//   node addon-calls.js <quiet-mode.node> <quiet-mode-bench.node> <calls> <output file>
// Writes "name value" lines (microseconds per call, medians over the batches).
const fs = require('node:fs');
const path = require('node:path');
const [addonPath, benchPath, count = '10000', out] = process.argv.slice(2);
const { GetQuietMode } = require(path.resolve(addonPath));
const { QuietModeBench } = require(path.resolve(benchPath));

const batches = 20;
const perBatch = Math.max(1, Math.floor(Number(count) / batches));

function microsPerCall(fn) {
  const start = process.hrtime.bigint();
  for (let i = 0; i < perBatch; i++) fn();
  return Number(process.hrtime.bigint() - start) / 1000 / perBatch;
}
const median = (values) => {
  const v = [...values].sort((a, b) => a - b);
  return v.length % 2 ? v[(v.length - 1) / 2] : (v[v.length / 2 - 1] + v[v.length / 2]) / 2;
};

// Warm-up: both libraries, the registry keys and shell32 are loaded and cached.
for (let i = 0; i < 200; i++) GetQuietMode();
QuietModeBench(200);

const rows = { addon: [], bare: [], ratio: [], frame: [], hours: [], profile: [], shell: [], toasts: [] };
for (let b = 0; b < batches; b++) {
  const addon = microsPerCall(GetQuietMode);
  const [bare, hours, profile, shell, toasts] = QuietModeBench(perBatch).split(' ').map(Number);
  const frame = microsPerCall(() => QuietModeBench(0));
  Object.entries({ addon, bare, ratio: addon / bare, frame, hours, profile, shell, toasts })
    .forEach(([name, value]) => rows[name].push(value));
}
fs.writeFileSync(out, Object.entries(rows).map(([name, values]) => `${name} ${median(values).toFixed(3)}`).join('\n') + '\n');
