'use strict';
// Reads the LeakSanitizer reports that the node test processes of the
// sanitizer run wrote (ASAN_OPTIONS log_path) and fails on every leak our
// own code allocated: the stand-in, the addons, the test server. The node
// binary is not instrumented and does not free everything at exit (V8's page
// metadata, for one); a leak whose allocation came from node itself is
// listed as such and not counted. Which side allocated is decided by the
// first frame of the allocation stack outside the allocator and the C++
// library headers: a leak that V8 made while our code called it counts as
// V8's, one our code made while V8 called it as ours.
//   node own-leaks.js <report folder>
const fs = require('node:fs');
const path = require('node:path');

const allocatorFrame = /libsanitizer|asan_|__interceptor_|operator new|\b(malloc|calloc|realloc|posix_memalign|strdup)\b/;
const libraryFrame = /\/usr\/include\/c\+\+\/|libstdc\+\+|\/usr\/lib\/gcc\//;
const nodeFrame = /\/bin\/node\+0x/;

function leaksIn(text) {
  const leaks = [];
  let current = null;
  for (const line of text.split('\n')) {
    const head = /^(Direct|Indirect) leak of (\d+) byte/.exec(line);
    if (head) {
      current = { kind: head[1], bytes: Number(head[2]), frames: [], text: [line] };
      leaks.push(current);
    } else if (current && /^\s+#\d+ /.test(line)) {
      current.frames.push(line.trim());
      current.text.push(line);
    } else if (current && line.trim() === '') {
      current = null;
    }
  }
  return leaks;
}

const folder = process.argv[2];
const files = fs.existsSync(folder) ? fs.readdirSync(folder).map((f) => path.join(folder, f)) : [];
let ours = 0;
let nodes = 0;
let otherErrors = 0;
for (const file of files) {
  const text = fs.readFileSync(file, 'utf8');
  if (/ERROR: AddressSanitizer/.test(text)) {
    otherErrors += 1;
    console.log(text);
  }
  for (const leak of leaksIn(text)) {
    const first = leak.frames.find((f) => !allocatorFrame.test(f) && !libraryFrame.test(f));
    if (first && !nodeFrame.test(first)) {
      ours += 1;
      console.log(`${path.basename(file)}:\n${leak.text.join('\n')}\n`);
    } else {
      nodes += 1;
    }
  }
}
console.log(`leak reports: ${files.length} processes, ${ours} leaks of our code, ${nodes} of node itself (not counted)`);
process.exit(ours || otherErrors ? 1 : 0);
