'use strict';
// The installed packages required by name in the Windows node.exe under Wine:
// each resolves to the addon inside its own package, and what it exports is
// what its index.d.ts declares (functions, and the class's methods).
const test = require('node:test');
const assert = require('node:assert/strict');
const { spawnSync } = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');
const { declaredSurface } = require('./api-surface');
const { ADDONS, project, installed } = require('./support');

// Runs in node.exe from the project folder; writes what each package gives.
const PROBE = `'use strict';
const surfaces = {};
for (const name of ${JSON.stringify(ADDONS)}) {
  const addon = require(name);
  const surface = { resolved: require.resolve(name), exports: {}, prototypes: {} };
  for (const [key, value] of Object.entries(addon)) {
    surface.exports[key] = typeof value;
    const methods = typeof value === 'function' && value.prototype
      ? Reflect.ownKeys(value.prototype).filter((k) => k !== 'constructor').map(String).sort() : [];
    if (methods.length > 0) surface.prototypes[key] = methods;
  }
  surfaces[name] = surface;
}
require('node:fs').writeFileSync('surfaces.json', JSON.stringify(surfaces));
`;

function probeInWindowsNode() {
  fs.writeFileSync(path.join(project, 'probe.js'), PROBE);
  fs.rmSync(path.join(project, 'surfaces.json'), { force: true });
  // node.exe cannot write to a Linux pipe: its output goes to a file.
  const log = path.join(project, 'probe.log');
  const fd = fs.openSync(log, 'w');
  let status;
  try {
    status = spawnSync(process.env.WINE, [process.env.WIN_NODE, 'probe.js'],
      { cwd: project, stdio: ['ignore', fd, fd], timeout: 60000 }).status;
  } finally {
    fs.closeSync(fd);
  }
  assert.equal(status, 0, fs.readFileSync(log, 'utf8'));
  return JSON.parse(fs.readFileSync(path.join(project, 'surfaces.json'), 'utf8'));
}

test('each package, required by name in node.exe, exports what its typings declare', async (t) => {
  const surfaces = probeInWindowsNode();
  for (const addon of ADDONS) {
    await t.test(addon, () => {
      const { resolved, ...actual } = surfaces[addon];
      assert.equal(path.win32.relative(path.win32.join('Z:', project), resolved).replace(/\\/g, '/'),
        `node_modules/${addon}/${addon}.node`);
      assert.deepEqual(actual, declaredSurface(path.join(installed(addon), 'index.d.ts')));
    });
  }
});
