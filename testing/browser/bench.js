'use strict';
// The browser's round trip of one native message: from the extension's
// connectNative call to the reply it receives, beside the host's own time as
// relay.exe sees it (from creating the host to its exit). One headless
// Chromium, a warm-up request, then RUNS (default 15) sessionStatus requests.
// Run inside the Wine test bed with the QB_* paths set (scripts/bench-browser.sh).
const { runSession, median, pathsFromEnvironment } = require('./session');

const runs = Number(process.env.RUNS || 15);

async function main() {
  const request = { message: 'sessionStatus', outputs: { sessionStatus: 'sharing: active, 2 viewers\r\n' } };
  const session = await runSession({ ...pathsFromEnvironment(), cases: Array(runs + 1).fill(request) });
  const measured = session.results.slice(1);
  if (measured.some((r) => !r || r.roundTripMs === null || !r.record)) {
    throw new Error(`a request got no reply: ${JSON.stringify(measured)}`);
  }
  const trips = measured.map((r) => r.roundTripMs);
  const hosts = measured.map((r) => r.record.hostMs);
  const line = (label, values) =>
    console.log(`${label}, median of ${values.length}: ${median(values).toFixed(1)} ms ` +
      `(min ${Math.min(...values).toFixed(1)}, max ${Math.max(...values).toFixed(1)})`);
  line('browser round trip (extension call to reply)', trips);
  line('host, creation to exit, as the relay sees it', hosts);
  console.log(`the rest (browser, wrapper, Wine starting the relay, relay): ${(median(trips) - median(hosts)).toFixed(1)} ms`);
  console.log(`whole browser session (start to stop): ${session.seconds.toFixed(1)} s`);
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
