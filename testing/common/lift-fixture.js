'use strict';
// lift_windows.exe (testing/fixtures) from node.exe: its four top-level
// windows (the third starts minimised) and its command channel.
const { spawn } = require('node:child_process');
const readline = require('node:readline');

async function startLiftFixture(exe) {
  const child = spawn(exe, [], { stdio: ['pipe', 'pipe', 'ignore'] });
  const lines = readline.createInterface({ input: child.stdout });
  const waiting = [];
  lines.on('line', (line) => waiting.shift()?.(line));
  const next = () => new Promise((resolve) => waiting.push(resolve));
  const first = await next();
  const handles = first.split(' ').slice(1).map(Number);
  return {
    handles,
    // One command, its reply line.
    async ask(command) {
      const reply = next();
      child.stdin.write(command + '\n');
      return reply;
    },
    stop() {
      child.stdin.end();
      return new Promise((resolve) => child.on('exit', resolve));
    },
  };
}

module.exports = { startLiftFixture };
