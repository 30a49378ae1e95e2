'use strict';
// Benchmark: com-bridge from script beside the same COM calls from C++, in
// one process, interleaved batch by batch so that both sides see the same
// load.
//   node script-calls.js <com-bridge.node> <com-bridge-bench.node> <calls> <table size> <output file>
// Writes "name value" lines: microseconds, medians over the batches.
const fs = require('node:fs');
const path = require('node:path');
const [addonPath, benchPath, count = '20000', size = '1000', out] = process.argv.slice(2);
const { CreateObject } = require(path.resolve(addonPath));
const { ComBridgeBench } = require(path.resolve(benchPath));

const median = (values) => {
  const v = [...values].sort((a, b) => a - b);
  return v.length % 2 ? v[(v.length - 1) / 2] : (v[v.length / 2 - 1] + v[v.length / 2]) / 2;
};
const micros = (fn) => {
  const start = process.hrtime.bigint();
  fn();
  return Number(process.hrtime.bigint() - start) / 1000;
};

// The server's call record would be most of a call's cost on both sides.
const probe = CreateObject('Quillaret.TestProbe');
probe.set('Recording', false);
const server = CreateObject('Quillaret.TestServer');
const batches = 20;
const perBatch = Math.max(1, Math.floor(Number(count) / batches));
const n = Number(size);

// Warm-up: both libraries, the server and its type information are loaded.
for (let i = 0; i < 500; i++) server.call('Add', 1, 2);
ComBridgeBench(500);

const rows = { call: [], callCpp: [], callRatio: [], table: [], tableCpp: [], tableRatio: [] };
for (let b = 0; b < batches; b++) {
  const call = micros(() => { for (let i = 0; i < perBatch; i++) server.call('Add', 1, 2); }) / perBatch;
  const callCpp = Number(ComBridgeBench(perBatch));
  rows.call.push(call); rows.callCpp.push(callCpp); rows.callRatio.push(call / callCpp);
}
for (let b = 0; b < 5; b++) {
  let rowsRead = 0;
  const table = micros(() => { rowsRead = server.get('Table', n, n, 0).length; });
  if (rowsRead !== n) throw new Error(`Table gave ${rowsRead} rows`);
  const tableCpp = Number(ComBridgeBench(-n));
  rows.table.push(table); rows.tableCpp.push(tableCpp); rows.tableRatio.push(table / tableCpp);
}
server.release();
probe.set('Recording', true);
probe.release();
fs.writeFileSync(out, Object.entries(rows).map(([name, values]) => `${name} ${median(values).toFixed(3)}`).join('\n') + '\n');
