'use strict';
// Test extension. It asks the test's server (named in config.json, written by
// the test) which message to send next, sends it to the native messaging host
// through a port, and posts back what the port delivered: the replies, the
// time from the call to the first reply, and the text of the disconnection.
//
// A port is needed: sendNativeMessage accepts only an object as the message,
// while the host reads a JSON string such as "sessionStatus".

const HOST_NAME = 'com.quillaret.workspace';

function exchange(message) {
  return new Promise((resolve) => {
    const result = { replies: [], roundTripMs: null, disconnect: null };
    const started = performance.now();
    const port = chrome.runtime.connectNative(HOST_NAME);
    port.onMessage.addListener((reply) => {
      if (result.roundTripMs === null) result.roundTripMs = performance.now() - started;
      result.replies.push(reply);
    });
    // The host's end of the exchange: its exit, or the browser's own error.
    port.onDisconnect.addListener(() => {
      result.disconnect = chrome.runtime.lastError ? chrome.runtime.lastError.message : '';
      resolve(result);
    });
    port.postMessage(message);
  });
}

async function post(server, path, body) {
  await fetch(`${server}/${path}`, { method: 'POST', body: JSON.stringify(body) });
}

async function main() {
  const { server } = await (await fetch(chrome.runtime.getURL('config.json'))).json();
  try {
    for (;;) {
      const next = await (await fetch(`${server}/next`)).json();
      if (next.done) return;
      const result = await exchange(next.message);
      await post(server, 'result', { id: next.id, ...result });
    }
  } catch (error) {
    await post(server, 'failure', { error: String(error && error.stack || error) });
  }
}

main();
