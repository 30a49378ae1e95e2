'use strict';
// quillaret-host against a real browser: headless Chromium with the test
// extension (extension/) exchanges native messages with the host under Wine,
// one Chromium for all cases. Each case checks the reply byte for byte as the
// host wrote it (relay.exe's copy), what the extension received, and that the
// host ended with status 0 and nothing on standard error.
//
// Environment (set by CMake): QB_HOST, QB_RELAY, QB_FIXTURES, QB_TEMPLATE.
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { runSession, median, pathsFromEnvironment } = require('./session');

const LIMIT = 1024 * 1024; // the browser's own limit on a host's reply
const EXITED = 'Native host has exited.';
const BROWSER_ERROR = 'Error when communicating with the native messaging host.';

function frame(payload) {
  const body = Buffer.from(payload, 'utf8');
  const length = Buffer.alloc(4);
  length.writeUInt32LE(body.length);
  return Buffer.concat([length, body]);
}

// payload: the reply the host must write; the browser must hand the extension
// that JSON. Without a payload the browser must refuse the reply (error).
const CASES = [
  {
    name: 'machineId',
    message: 'machineId',
    outputs: { machineId: 'abc\r\n' },
    payload: '{"machineId":"abc"}',
    calls: ['QuillaretWorkspace.exe --machineId'],
  },
  {
    name: 'sessionStatus',
    message: 'sessionStatus',
    outputs: { sessionStatus: 'sharing: active, 2 viewers\r\n' },
    payload: '{"sessionStatus":"sharing: active, 2 viewers"}',
    calls: ['QuillaretWorkspace.exe --sessionStatus'],
  },
  {
    name: 'extensionInfo is the output itself',
    message: 'extensionInfo',
    outputs: { extensionInfo: '{"name":"Quillaret \\"W\\"","version":"1.0.74",\r\n"path":"C:\\\\Program Files"}\r\n' },
    payload: '{"name":"Quillaret \\"W\\"","version":"1.0.74","path":"C:\\\\Program Files"}',
    calls: ['QuillaretWorkspace.exe --extensionInfo'],
  },
  {
    name: 'xsessionStatusx gets the session-status form',
    message: 'xsessionStatusx',
    outputs: { xsessionStatusx: 'X\r\n' },
    payload: '{"sessionStatus":"X"}',
    calls: ['QuillaretWorkspace.exe --xsessionStatusx'],
  },
  {
    name: 'an unknown word gets the machine-identifier form',
    message: 'versionInfo',
    outputs: { versionInfo: 'V\r\n' },
    payload: '{"machineId":"V"}',
    calls: ['QuillaretWorkspace.exe --versionInfo'],
  },
  {
    name: 'quote, backslash and tab in the session status',
    message: 'sessionStatus',
    outputs: { sessionStatus: 'shared by "Ann" from C:\\Users\\ann\tnow\r\n' },
    payload: '{"sessionStatus":"shared by \\"Ann\\" from C:\\\\Users\\\\ann\\u0009now"}',
    calls: ['QuillaretWorkspace.exe --sessionStatus'],
  },
  {
    name: 'quote, backslash and tab in the machine id, escapes written on purpose kept',
    message: 'machineId',
    outputs: { machineId: 'D:\\Q "7"\t\\"kept\\" caf\\u00e9 \\\\\r\n' },
    payload: '{"machineId":"D:\\\\Q \\"7\\"\\u0009\\"kept\\" caf\\u00e9 \\\\"}',
    calls: ['QuillaretWorkspace.exe --machineId'],
  },
  {
    name: 'output in the ANSI code page arrives as UTF-8',
    message: 'sessionStatus',
    outputs: { sessionStatus: Buffer.from('Jos\xe9 M\xfcller\r\n', 'latin1') },
    payload: '{"sessionStatus":"José Müller"}',
    calls: ['QuillaretWorkspace.exe --sessionStatus'],
  },
  {
    name: 'a reply of exactly 1 MiB',
    message: 'machineId',
    outputs: { machineId: 'x'.repeat(LIMIT - 16) + '\r\n' },
    payload: `{"machineId":"${'x'.repeat(LIMIT - 16)}"}`,
    calls: ['QuillaretWorkspace.exe --machineId'],
  },
  {
    name: 'a reply one byte over 1 MiB',
    message: 'machineId',
    outputs: { machineId: 'x'.repeat(LIMIT - 15) + '\r\n' },
    payload: `{"machineId":"${'x'.repeat(LIMIT - 15)}"}`,
    refused: true,
    calls: ['QuillaretWorkspace.exe --machineId'],
  },
  {
    name: 'the application missing',
    message: 'sessionStatus',
    application: false,
    payload: '{"sessionStatus":""}',
    calls: [],
  },
];

// Entries of the home folder and of its usual configuration folders.
function homeEntries() {
  const home = os.homedir();
  const entries = new Set();
  for (const folder of ['', '.config', '.cache', '.local/share']) {
    const full = path.join(home, folder);
    if (!fs.existsSync(full)) continue;
    for (const name of fs.readdirSync(full)) entries.add(path.join(full, name));
  }
  return entries;
}

test('Chromium exchanges native messages with the host', async (t) => {
  const before = homeEntries();
  const session = await runSession({ ...pathsFromEnvironment(), cases: CASES });
  const times = session.results.filter((r) => r && r.roundTripMs !== null).map((r) => r.roundTripMs);
  t.diagnostic(`browser session ${session.seconds.toFixed(1)} s; round trip median ${median(times).toFixed(1)} ms`);

  for (const [index, testCase] of CASES.entries()) {
    await t.test(testCase.name, () => {
      const result = session.results[index];
      assert.ok(result, 'no result from the extension');
      assert.deepEqual(result.calls, testCase.calls);
      assert.ok(result.record, 'relay.exe left no record');
      const { exit, stderrBytes, replyBytes } = result.record;
      assert.deepEqual({ exit, stderrBytes }, { exit: 0, stderrBytes: 0 });
      const expected = frame(testCase.payload);
      assert.equal(replyBytes, expected.length);
      assert.ok(result.reply.equals(expected), `reply bytes differ: ${result.reply.subarray(0, 200).toString('latin1')}`);
      if (testCase.refused) {
        assert.deepEqual(result.replies, []);
        assert.equal(result.disconnect, BROWSER_ERROR);
        // The browser stopped reading; the relay drained the rest.
        assert.equal(result.record.forwarded, false);
      } else {
        assert.deepEqual(result.replies, [JSON.parse(testCase.payload)]);
        assert.equal(result.disconnect, EXITED);
      }
    });
  }

  await t.test('nothing outlives the browser', () => {
    assert.deepEqual(session.stray, []);
  });

  await t.test('nothing is written to the home folder', () => {
    const added = [...homeEntries()].filter((entry) => !before.has(entry));
    assert.deepEqual(added, []);
  });
});
