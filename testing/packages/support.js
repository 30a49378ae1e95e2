'use strict';
// Where the package tests find the packages and the project they were
// installed into (set by CMake), and what they expect of them.
const path = require('node:path');

const ADDONS = ['system-bridge-api', 'com-bridge', 'window-lift', 'quiet-mode'];
const NAN_ADDONS = ['system-bridge-api', 'com-bridge'];
// The builds each package carries in prebuilds/win32-x64: the nan addons one
// per module version (127: Node 22, 93: Node 16), the Node-API addons one.
const BUILDS = Object.fromEntries(ADDONS.map((a) =>
  [a, NAN_ADDONS.includes(a) ? ['node.abi127.node', 'node.abi93.node'] : ['node.napi.node']]));
const packages = process.env.PACKAGES;
const project = process.env.PACKAGE_PROJECT;
const version = require(process.env.PRODUCT_MANIFEST).version;

module.exports = {
  ADDONS,
  NAN_ADDONS,
  BUILDS,
  version,
  project,
  tarball: (addon) => path.join(packages, `${addon}-${version}.tgz`),
  hostArchive: path.join(packages, `quillaret-host-${version}-win-x64.zip`),
  symbolsArchive: path.join(packages, `quillaret-symbols-${version}-win-x64.zip`),
  packages,
  // The folder npm installed the package into.
  installed: (addon) => path.join(project, 'node_modules', addon),
};
