'use strict';
// The five Windows deliverables as the binary tests see them: file names,
// their PDBs and what each one's symbols must show.
const path = require('node:path');

const DELIVERABLES = [
  { name: 'quillaret-host', file: 'quillaret-host.exe', tree: 'mingw' },
  { name: 'system-bridge-api', file: 'system-bridge-api.node', tree: 'msvc' },
  { name: 'com-bridge', file: 'com-bridge.node', tree: 'msvc' },
  { name: 'window-lift', file: 'window-lift.node', tree: 'mingw' },
  { name: 'quiet-mode', file: 'quiet-mode.node', tree: 'mingw' },
];

const dist = process.env.QUILLARET_DIST;
const binary = (d) => path.join(dist, d.file);
const pdb = (d) => path.join(dist, `${d.name}.pdb`);

module.exports = { DELIVERABLES, binary, pdb };
