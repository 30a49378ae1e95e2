'use strict';
// The diagnostic log below temporary folders whose names have letters outside
// ASCII, as an account named José, Женя or 山田 has them.
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { frame, tempFolder, application, runHost, decodeReply } = require('./harness');

const STAMP = /^\[\d{2}-\d{2}-\d{4} \d{2}:\d{2}:\d{2}\] /;

test('log folder below a temporary folder with letters outside ASCII', async (t) => {
  const app = application({ outputs: { sessionStatus: 'logged' } });
  for (const name of ['José', 'Женя', '山田']) {
    await t.test(name, async () => {
      const temp = path.join(tempFolder('logname'), name, 'Temp');
      const folder = path.join(temp, 'quillaret-host');
      fs.mkdirSync(folder, { recursive: true });
      for (let day = 1; day <= 20; day++) {
        fs.writeFileSync(path.join(folder, `log_2020-01-${String(day).padStart(2, '0')}.txt`), 'old');
      }
      const env = { TEMP: temp, TMP: temp, EnableSessionSharingExtensionLog: 'true' };
      const result = await runHost({ app, env, input: frame('"sessionStatus"') });
      assert.equal(result.status, 0);
      assert.equal(decodeReply(result.stdout).payload, '{"sessionStatus":"logged"}');

      const files = fs.readdirSync(folder).sort();
      assert.equal(files.length, 20, files.join(' '));
      assert.equal(files[0], 'log_2020-01-02.txt');
      const today = files.filter((f) => !f.startsWith('log_2020-'));
      assert.equal(today.length, 1);
      const lines = fs.readFileSync(path.join(folder, today[0]), 'latin1').split('\r\r\n');
      assert.equal(lines.pop(), '');
      assert.deepEqual(lines.map((l) => l.replace(STAMP, '')), [
        'start quillaret host for Chrome extension',
        'response: {"sessionStatus":"logged"}',
        'close quillaret host for Chrome extension',
      ]);
      // Nothing was made beside the folder (a name changed on its way).
      assert.deepEqual(fs.readdirSync(path.dirname(temp)), ['Temp']);
      assert.deepEqual(fs.readdirSync(temp), ['quillaret-host']);
    });
  }
});
