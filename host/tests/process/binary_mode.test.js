'use strict';
// Frames whose length bytes are line feeds, carriage returns or Ctrl-Z, sent
// as a browser sends them: exchange.exe starts the host with plain inherited
// pipes, so the host's C runtime opens its standard streams in text mode and
// only the host's own switch to binary mode keeps those bytes intact. (A host
// started by node.exe would not show it: libuv hands the child a descriptor
// table without the text flag.)
const test = require('node:test');
const assert = require('node:assert/strict');
const { spawnSync } = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');
const { HOST, FIXTURES, frame, tempFolder, application } = require('./harness');

// Sends `request` (bytes, length included) and returns every byte the host wrote.
function exchange(app, request) {
  const dir = tempFolder('raw');
  const requestFile = path.join(dir, 'request.bin');
  const replyFile = path.join(dir, 'reply.bin');
  fs.writeFileSync(requestFile, request);
  const result = spawnSync(path.win32.join(FIXTURES, 'exchange.exe'), ['--raw', requestFile, replyFile, `"${HOST}"`], {
    cwd: FIXTURES,
    env: { ...process.env, QW_FIXTURE_DIR: app.dir },
    stdio: 'ignore',
  });
  assert.equal(result.status, 0);
  const reply = fs.readFileSync(replyFile);
  fs.rmSync(dir, { recursive: true, force: true });
  return reply;
}

const letters = (n, seed) => Array.from({ length: n }, (_, i) => String.fromCharCode(97 + ((i + seed) % 26))).join('');

test('request lengths whose bytes text mode would change', async (t) => {
  const words = {
    '0x0A': letters(8, 0),      // "" + 8 letters = 10 bytes
    '0x0D': letters(11, 1),     // 13 bytes
    '0x1A': letters(24, 2),     // 26 bytes
    '0x0D 0x0A': letters(2571, 3), // 2573 bytes: 0D 0A 00 00
  };
  const app = application({ outputs: Object.fromEntries(Object.values(words).slice(0, 3).map((w) => [w, 'id-' + w.length])) });
  for (const [name, word] of Object.entries(words)) {
    await t.test(name, () => {
      const request = frame(`"${word}"`);
      assert.equal(request.readUInt32LE(0), word.length + 2);
      const reply = exchange(app, request);
      assert.deepEqual(app.calls().slice(-1), [`QuillaretWorkspace.exe --${word}`]);
      const expected = word.length < 100 ? `{"machineId":"id-${word.length}"}` : '{"machineId":""}';
      assert.deepEqual(reply, frame(expected));
    });
  }
});

test('reply lengths whose bytes text mode would change', async (t) => {
  for (const [name, length] of [['0x0A', 0x0a], ['0x1A', 0x1a], ['0x0D 0x0A', 0x0a0d]]) {
    await t.test(name, () => {
      const output = letters(length, 5);
      const app = application({ outputs: { extensionInfo: output } });
      const reply = exchange(app, frame('"extensionInfo"'));
      assert.deepEqual([...reply.subarray(0, 4)], [length & 0xff, length >> 8, 0, 0]);
      assert.deepEqual(reply, frame(output));
    });
  }
});
