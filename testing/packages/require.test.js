'use strict';
// The installed packages required by name in the Windows node.exe under Wine,
// in both releases the nan builds are made for (22.23.3, module version 127;
// 16.20.2, module version 93): each loads the one build of its package that
// the runtime takes, answers a call, and exports what its index.d.ts declares
// (functions, and the class's methods). A runtime for which a package has no
// build gets the loader's Error, and nothing is loaded.
const test = require('node:test');
const assert = require('node:assert/strict');
const { spawnSync } = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');
const { declaredSurface } = require('./api-surface');
const { ADDONS, NAN_ADDONS, project, installed } = require('./support');

const RUNTIMES = [
  { node: process.env.WIN_NODE, version: '22.23.3', modules: '127' },
  { node: process.env.WIN_NODE16, version: '16.20.2', modules: '93' },
];

// Runs in node.exe from the project folder (in Node 16 too); writes what
// each package gives: the .node files loaded, one answer and the exports.
const PROBE = `'use strict';
const loaded = () => Object.keys(require.cache).filter((file) => file.endsWith('.node'));
const answers = {
  'system-bridge-api': (a) => a.GetLogonSID(),
  'com-bridge': (a) => {
    const d = a.CreateObject('Scripting.Dictionary');
    try {
      d.call('Add', 'key', 'value');
      return d.get('Item', 'key');
    } finally {
      d.release();
    }
  },
  'window-lift': (a) => a.WindowLift(0),
  'quiet-mode': (a) => a.GetQuietMode(),
};
const surfaces = { runtime: [process.versions.node, process.versions.modules] };
for (const name of ${JSON.stringify(ADDONS)}) {
  const before = loaded();
  const addon = require(name);
  const surface = { loaded: loaded().filter((file) => !before.includes(file)), answer: answers[name](addon),
    exports: {}, prototypes: {} };
  for (const [key, value] of Object.entries(addon)) {
    surface.exports[key] = typeof value;
    const methods = typeof value === 'function' && value.prototype
      ? Reflect.ownKeys(value.prototype).filter((k) => k !== 'constructor').map(String).sort() : [];
    if (methods.length > 0) surface.prototypes[key] = methods;
  }
  surfaces[name] = surface;
}
require('fs').writeFileSync('surfaces.json', JSON.stringify(surfaces));
`;

// Requires com-bridge from ./node_modules and writes the error it throws and
// the .node files loaded by then.
const FAILING_PROBE = `'use strict';
let message = null;
try {
  require('com-bridge');
} catch (e) {
  message = e.message;
}
const loaded = Object.keys(require.cache).filter((file) => file.endsWith('.node'));
require('fs').writeFileSync('surfaces.json', JSON.stringify({ message, loaded }));
`;

const windowsPath = (file) => path.win32.join('Z:', file);

// Runs a probe with node.exe in a folder and returns what it wrote.
function probeInWindowsNode(node, cwd, probe) {
  fs.writeFileSync(path.join(cwd, 'probe.js'), probe);
  fs.rmSync(path.join(cwd, 'surfaces.json'), { force: true });
  // node.exe cannot write to a Linux pipe: its output goes to a file.
  const log = path.join(cwd, 'probe.log');
  const fd = fs.openSync(log, 'w');
  let status;
  try {
    status = spawnSync(process.env.WINE, [node, 'probe.js'], { cwd, stdio: ['ignore', fd, fd], timeout: 60000 }).status;
  } finally {
    fs.closeSync(fd);
  }
  assert.equal(status, 0, fs.readFileSync(log, 'utf8'));
  return JSON.parse(fs.readFileSync(path.join(cwd, 'surfaces.json'), 'utf8'));
}

for (const runtime of RUNTIMES) {
  test(`node.exe ${runtime.version}: each package, required by name, loads its build for the runtime, answers, ` +
    'and exports what its typings declare', async (t) => {
    const surfaces = probeInWindowsNode(runtime.node, project, PROBE);
    assert.deepEqual(surfaces.runtime, [runtime.version, runtime.modules]);
    for (const addon of ADDONS) {
      await t.test(addon, () => {
        const { loaded, answer, ...actual } = surfaces[addon];
        const build = NAN_ADDONS.includes(addon) ? `node.abi${runtime.modules}.node` : 'node.napi.node';
        assert.deepEqual(loaded.map((file) => path.win32.relative(windowsPath(project), file).replace(/\\/g, '/')),
          [`node_modules/${addon}/prebuilds/win32-x64/${build}`]);
        assert.deepEqual(actual, declaredSurface(path.join(installed(addon), 'index.d.ts')));
        if (addon === 'system-bridge-api') assert.match(answer, /^S-1-5-5-/);
        if (addon === 'com-bridge') assert.equal(answer, 'value');
        if (addon === 'window-lift') assert.match(answer, /^ERROR /);
        if (addon === 'quiet-mode') assert.equal(typeof answer, 'boolean');
      });
    }
  });
}

test('a runtime whose module version the package has no build for gets the loader\'s Error, and nothing is loaded', () => {
  // com-bridge as installed, less its module-93 build, required in node.exe 16.20.2.
  const folder = path.join(project, 'only-127');
  const copy = path.join(folder, 'node_modules', 'com-bridge');
  fs.rmSync(folder, { recursive: true, force: true });
  fs.cpSync(installed('com-bridge'), copy, { recursive: true });
  fs.rmSync(path.join(copy, 'prebuilds', 'win32-x64', 'node.abi93.node'));
  const { message, loaded } = probeInWindowsNode(process.env.WIN_NODE16, folder, FAILING_PROBE);
  assert.equal(message, 'com-bridge: no build for this runtime (module version 93, Node 16.20.2, win32-x64). ' +
    'The package carries builds for module version 127 (win32-x64). To build one for this runtime, see "Runtimes" in ' +
    `${windowsPath(path.join(copy, 'README.md'))}.`);
  assert.deepEqual(loaded, []);
});
