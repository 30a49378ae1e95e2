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

const { median, micros } = require('./timing');

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

// Event throughput: four server threads fire, each numbering its events;
// one script callback receives them all.
function eventRun(perThread) {
  return new Promise((resolve) => {
    const threads = 4;
    const last = new Array(threads).fill(0);
    let received = 0;
    let ordered = true;
    const start = process.hrtime.bigint();
    const onTick = (sequence, thread) => {
      ordered = ordered && sequence === last[thread] + 1;
      last[thread] = sequence;
      received += 1;
      if (received === threads * perThread) finish();
    };
    const timer = setTimeout(() => finish(), 60000);
    function finish() {
      clearTimeout(timer);
      const seconds = Number(process.hrtime.bigint() - start) / 1e9;
      server.off(2, onTick);
      resolve({ rate: received / seconds, lost: threads * perThread - received, ordered });
    }
    server.on(2, onTick);
    server.call('FireFromThreads', 2, threads, perThread);
  });
}

(async () => {
  rows.eventsPerSecond = [];
  rows.eventsLost = [];
  rows.eventsOrdered = [];
  for (let run = 0; run < 5; run++) {
    const { rate, lost, ordered } = await eventRun(50000);
    server.call('WaitFiring');
    rows.eventsPerSecond.push(rate);
    rows.eventsLost.push(lost);
    rows.eventsOrdered.push(ordered ? 1 : 0);
  }
  server.release();
  probe.set('Recording', true);
  probe.release();
  fs.writeFileSync(out, Object.entries(rows).map(([name, values]) => `${name} ${median(values).toFixed(3)}`).join('\n') + '\n');
})();
