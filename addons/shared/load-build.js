'use strict';
// The main of every addon package (packed as its index.js). The package holds
// its builds in prebuilds/<platform>-<arch>/, named as prebuilt Node addons
// are: node.abi<module version>.node for a build against one runtime's
// headers, which only a runtime of that module version
// (process.versions.modules) can load, and node.napi.node for a Node-API
// build, which any runtime with Node-API loads. This loads the build for the
// running runtime and nothing else: when the package has none, no file is
// loaded and the Error says which runtime this is, which module versions the
// package carries and where its README tells how to build for another.
const fs = require('fs');
const path = require('path');

const { name } = require('./package.json');
const platform = `${process.platform}-${process.arch}`;
const folder = path.join(__dirname, 'prebuilds', platform);

function filesIn(dir) {
  try {
    return fs.readdirSync(dir);
  } catch {
    return [];
  }
}

// The file this runtime loads, or undefined.
function buildFor(files) {
  const own = `node.abi${process.versions.modules}.node`;
  if (files.includes(own)) return own;
  if (process.versions.napi && files.includes('node.napi.node')) return 'node.napi.node';
  return undefined;
}

const inWords = (items) => (items.length > 1 ? `${items.slice(0, -1).join(', ')} and ${items[items.length - 1]}` : items[0]);

// "module versions 127 and 93 (win32-x64)", from every platform folder the
// package has.
function carried() {
  const prebuilds = path.join(__dirname, 'prebuilds');
  const lists = filesIn(prebuilds).sort().map((dir) => {
    const files = filesIn(path.join(prebuilds, dir));
    const versions = files.map((file) => /^node\.abi(\d+)\.node$/.exec(file)?.[1]).filter(Boolean)
      .sort((a, b) => b - a);
    const kinds = [];
    if (versions.length) kinds.push(`module version${versions.length > 1 ? 's' : ''} ${inWords(versions)}`);
    if (files.includes('node.napi.node')) kinds.push('Node-API');
    return kinds.length ? `${inWords(kinds)} (${dir})` : undefined;
  }).filter(Boolean);
  return lists.length ? lists.join('; ') : 'no runtime';
}

const build = buildFor(filesIn(folder));
if (!build) {
  throw new Error(`${name}: no build for this runtime (module version ${process.versions.modules}, ` +
    `Node ${process.versions.node}, ${platform}). The package carries builds for ${carried()}. ` +
    `To build one for this runtime, see "Runtimes" in ${path.join(__dirname, 'README.md')}.`);
}
module.exports = require(path.join(folder, build));
