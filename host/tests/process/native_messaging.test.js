'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { frame, tempFolder, application, runHost, decodeReply } = require('./harness');

// Every run must end with exit status 0, nothing on standard error, and exactly
// one well-formed frame on standard output; returns the payload.
function replyOf(result) {
  assert.equal(result.status, 0);
  assert.equal(result.stderr.length, 0, `stderr: ${result.stderr}`);
  const { length, payload, rest } = decodeReply(result.stdout);
  assert.notEqual(length, null, 'no length prefix');
  assert.equal(rest.length, 0, 'bytes after the frame');
  assert.equal(Buffer.byteLength(payload, 'latin1'), length);
  return payload;
}

test('known requests', async (t) => {
  const app = application({
    outputs: {
      machineId: 'abc\r\n',
      sessionStatus: 'active\r\n',
      extensionInfo: '{"name":"Q \\"W\\"",\r\n"path":"C:\\\\x"}\r\n',
    },
  });

  await t.test('sessionStatus gets the session-status form', async () => {
    const result = await runHost({ app, input: frame('"sessionStatus"') });
    assert.equal(replyOf(result), '{"sessionStatus":"active"}');
    assert.deepEqual(app.calls().slice(-1), ['QuillaretWorkspace.exe --sessionStatus']);
  });

  await t.test('machineId: 19-byte reply, line breaks removed', async () => {
    const result = await runHost({ app, input: frame('"machineId"') });
    assert.deepEqual([...result.stdout.subarray(0, 4)], [0x13, 0, 0, 0]);
    assert.equal(replyOf(result), '{"machineId":"abc"}');
    assert.deepEqual(app.calls().slice(-1), ['QuillaretWorkspace.exe --machineId']);
  });

  await t.test('extensionInfo is relayed as printed, quotes and backslashes unchanged', async () => {
    const result = await runHost({ app, input: frame('"extensionInfo"') });
    assert.equal(replyOf(result), '{"name":"Q \\"W\\"","path":"C:\\\\x"}');
  });

  await t.test('browser arguments are ignored', async () => {
    const result = await runHost({
      app,
      args: ['chrome-extension://abcdefghijklmnop/', '--parent-window=0'],
      input: frame('"sessionStatus"'),
    });
    assert.equal(replyOf(result), '{"sessionStatus":"active"}');
  });
});

test('request words', async (t) => {
  const app = application({ outputs: { ExtensionInfo: 'E', xsessionStatusx: 'X', machineId: 'M' } });

  await t.test('only the exact word selects the extension information', async () => {
    assert.equal(replyOf(await runHost({ app, input: frame('"ExtensionInfo"') })), '{"machineId":"E"}');
    assert.deepEqual(app.calls().slice(-1), ['QuillaretWorkspace.exe --ExtensionInfo']);
  });

  await t.test('a word containing sessionStatus gets that form with its own command', async () => {
    assert.equal(replyOf(await runHost({ app, input: frame('"xsessionStatusx"') })), '{"sessionStatus":"X"}');
    assert.deepEqual(app.calls().slice(-1), ['QuillaretWorkspace.exe --xsessionStatusx']);
  });

  await t.test('payloads of 0, 1 and 2 bytes ask for the machine id', async () => {
    for (const payload of ['', '"', '""']) {
      assert.equal(replyOf(await runHost({ app, input: frame(payload) })), '{"machineId":"M"}', payload);
      assert.deepEqual(app.calls().slice(-1), ['QuillaretWorkspace.exe --machineId']);
    }
  });
});

test('words that are not plain letters and digits run nothing', async (t) => {
  const app = application({ outputs: { machineId: 'M', sessionStatus: 'S' } });
  const canary = path.join(app.dir, 'canary.txt');
  const words = [
    `machineId & echo x> "${canary}"`,
    `machineId | echo x> "${canary}"`,
    'machineId"',
    'machine%PATH%Id',
    'machine^Id',
    `machineId > "${canary}"`,
    `machineId < "${canary}"`,
    'machine Id',
    'machineId\r\necho x',
    'sessionStatus&x',
  ];
  for (const word of words) {
    await t.test(JSON.stringify(word), async () => {
      const payload = replyOf(await runHost({ app, input: frame(`"${word}"`) }));
      assert.equal(payload, word.includes('sessionStatus') ? '{"sessionStatus":""}' : '{"machineId":""}');
      assert.deepEqual(app.calls(), []);
      assert.equal(fs.existsSync(canary), false);
    });
  }
  await t.test('bytes that are not UTF-8', async () => {
    const payload = replyOf(await runHost({ app, input: frame(Buffer.from([0x22, 0xff, 0xfe, 0x80, 0x22])) }));
    assert.equal(payload, '{"machineId":""}');
    assert.deepEqual(app.calls(), []);
  });
});

test('input that is missing, late, short or not a pipe', async (t) => {
  const app = application({ outputs: { machineId: 'M', sessionStatus: 'S', first: 'F' } });

  await t.test('empty input: both polls wait, then the machine id', async () => {
    const result = await runHost({ app });
    assert.equal(replyOf(result), '{"machineId":"M"}');
    assert.ok(result.ms >= 100, `took ${result.ms} ms`);
  });

  await t.test('a frame after the second poll stays unread', async () => {
    const result = await runHost({ app, input: frame('"sessionStatus"'), inputAt: 600 });
    assert.equal(replyOf(result), '{"machineId":"M"}');
  });

  await t.test('a declared length far beyond the input uses what arrived', async () => {
    const bytes = Buffer.concat([Buffer.from([0x00, 0x00, 0x10, 0x00]), Buffer.from('"sessionStatus')]);
    assert.equal(replyOf(await runHost({ app, input: bytes })), '{"sessionStatus":"S"}');
  });

  await t.test('fewer than 4 length bytes', async () => {
    assert.equal(replyOf(await runHost({ app, input: Buffer.from([0x05, 0x00]) })), '{"machineId":"M"}');
  });

  await t.test('two frames in one window: the first is answered', async () => {
    const input = Buffer.concat([frame('"first"'), frame('"sessionStatus"')]);
    assert.equal(replyOf(await runHost({ app, input })), '{"machineId":"F"}');
    assert.deepEqual(app.calls().slice(-1), ['QuillaretWorkspace.exe --first']);
  });

  await t.test('standard input that is a file is not polled', async () => {
    const file = path.join(tempFolder('stdin'), 'frame.bin');
    fs.writeFileSync(file, frame('"sessionStatus"'));
    const fd = fs.openSync(file, 'r');
    try {
      assert.equal(replyOf(await runHost({ app, stdin: fd })), '{"machineId":"M"}');
    } finally {
      fs.closeSync(fd);
    }
  });

  await t.test('standard input that is the NUL device', async () => {
    assert.equal(replyOf(await runHost({ app, stdin: 'ignore' })), '{"machineId":"M"}');
  });
});

test('what the application prints', async (t) => {
  await t.test('above 64 KiB arrives whole', async () => {
    const big = 'x'.repeat(70000) + '\r\n' + 'y'.repeat(70000);
    const app = application({ outputs: { extensionInfo: big } });
    const payload = replyOf(await runHost({ app, input: frame('"extensionInfo"') }));
    assert.equal(payload, big.replace('\r\n', ''));
  });

  await t.test('slow output is waited for', async () => {
    const app = application({ outputs: { sessionStatus: 'slow-but-sure' }, delays: { sessionStatus: 400 } });
    const result = await runHost({ app, input: frame('"sessionStatus"') });
    assert.equal(replyOf(result), '{"sessionStatus":"slow-but-sure"}');
    assert.ok(result.ms >= 800, `took ${result.ms} ms`);
  });

  await t.test('empty output and a non-zero exit status', async () => {
    const app = application({ outputs: { sessionStatus: '' }, exits: { sessionStatus: 3, machineId: 7 } });
    assert.equal(replyOf(await runHost({ app, input: frame('"sessionStatus"') })), '{"sessionStatus":""}');
    assert.equal(replyOf(await runHost({ app, input: frame('"machineId"') })), '{"machineId":""}');
  });

  await t.test('extensionInfo with empty output is a zero-length frame', async () => {
    const app = application();
    const result = await runHost({ app, input: frame('"extensionInfo"') });
    assert.deepEqual([...result.stdout], [0, 0, 0, 0]);
    assert.equal(result.stderr.length, 0);
  });

  await t.test('application not found', async () => {
    const app = application({ outputs: { sessionStatus: 'never' } });
    const result = await runHost({ app, cwd: app.dir, input: frame('"sessionStatus"') });
    assert.equal(replyOf(result), '{"sessionStatus":""}');
    assert.equal(result.stdout.length, 24);
  });
});

test('mode selection falls through to the exchange', async (t) => {
  const app = application({ outputs: { sessionStatus: 'S' } });
  for (const args of [[], ['--elevate'], ['--CLEANUP'], ['--cleanup=1'], ['-cleanup']]) {
    await t.test(JSON.stringify(args), async () => {
      assert.equal(replyOf(await runHost({ app, args, input: frame('"sessionStatus"') })), '{"sessionStatus":"S"}');
    });
  }
});

test('diagnostic log', async (t) => {
  const app = application({ outputs: { sessionStatus: 'logged' } });
  const logEnv = (temp) => ({ TEMP: temp, TMP: temp, EnableSessionSharingExtensionLog: 'True' });

  await t.test('three lines per run in the day file', async () => {
    const temp = tempFolder('logtemp');
    const result = await runHost({ app, env: logEnv(temp), input: frame('"sessionStatus"') });
    assert.equal(replyOf(result), '{"sessionStatus":"logged"}');
    const folder = path.join(temp, 'quillaret-host');
    const files = fs.readdirSync(folder);
    assert.equal(files.length, 1);
    assert.match(files[0], /^log_\d{4}-\d{2}-\d{2}\.txt$/);
    const text = fs.readFileSync(path.join(folder, files[0]), 'latin1');
    const lines = text.split('\r\r\n');
    assert.equal(lines.pop(), '');
    const stamp = /^\[\d{2}-\d{2}-\d{4} \d{2}:\d{2}:\d{2}\] /;
    assert.deepEqual(lines.map((l) => l.replace(stamp, '')), [
      'start quillaret host for Chrome extension',
      'response: {"sessionStatus":"logged"}',
      'close quillaret host for Chrome extension',
    ]);
    for (const line of lines) assert.match(line, stamp);
  });

  await t.test('a file where the log folder belongs changes nothing', async () => {
    const temp = tempFolder('logblocked');
    fs.writeFileSync(path.join(temp, 'quillaret-host'), 'in the way');
    const result = await runHost({ app, env: logEnv(temp), input: frame('"sessionStatus"') });
    assert.equal(replyOf(result), '{"sessionStatus":"logged"}');
    assert.equal(fs.readFileSync(path.join(temp, 'quillaret-host'), 'latin1'), 'in the way');
  });

  await t.test('a temporary folder that does not exist changes nothing', async () => {
    const temp = path.join(tempFolder('lognone'), 'missing');
    const starts = app.calls().length;
    const result = await runHost({ app, env: logEnv(temp), input: frame('"sessionStatus"') });
    assert.equal(app.calls().length, starts + 1, 'the application was started once');
    assert.equal(replyOf(result), '{"sessionStatus":"logged"}');
    assert.equal(fs.existsSync(temp), false);
  });

  await t.test('the oldest of 21 files is pruned', async () => {
    const temp = tempFolder('logprune');
    const folder = path.join(temp, 'quillaret-host');
    fs.mkdirSync(folder);
    for (let day = 1; day <= 20; day++) {
      fs.writeFileSync(path.join(folder, `log_2020-01-${String(day).padStart(2, '0')}.txt`), 'old');
    }
    replyOf(await runHost({ app, env: logEnv(temp), input: frame('"sessionStatus"') }));
    const files = fs.readdirSync(folder).sort();
    assert.equal(files.length, 20);
    assert.equal(files[0], 'log_2020-01-02.txt');
  });

  await t.test('switched off: nothing is written', async () => {
    const temp = tempFolder('logoff');
    const env = { ...logEnv(temp), EnableSessionSharingExtensionLog: 'yes' };
    replyOf(await runHost({ app, env, input: frame('"sessionStatus"') }));
    assert.deepEqual(fs.readdirSync(temp), []);
  });
});
