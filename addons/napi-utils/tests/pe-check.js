'use strict';
// Checks a Node-API addon's PE image: a PE32+ DLL whose only export is
// `_register_addon_`, with no load-time import of the runtime and every
// Node-API function bound through a delay-load descriptor for "node.exe".
//   node pe-check.js <addon.node>...
const { readImage, exportNames, importedDlls, delayDescriptors } = require('../../../testing/common/pe-image');

let failures = 0;
for (const file of process.argv.slice(2)) {
  const problems = [];
  const img = readImage(file);
  if (img.machine !== 0x8664 || img.magic !== 0x20b) problems.push('not a PE32+ x64 image');
  if (!(img.characteristics & 0x2000)) problems.push('not a DLL');
  const exports = exportNames(img);
  if (exports.length !== 1 || exports[0] !== '_register_addon_') problems.push(`exports: ${exports.join(', ')}`);
  const eager = importedDlls(img).filter((d) => /^node\.exe$/i.test(d));
  if (eager.length) problems.push('node.exe is imported at load time');
  const delayed = delayDescriptors(img).filter((d) => /^node\.exe$/i.test(d.dll));
  const names = delayed.flatMap((d) => d.names);
  if (!delayed.length) problems.push('no delay-load descriptor for node.exe');
  else if (!names.includes('napi_module_register')) problems.push('napi_module_register is not delay-loaded');
  const other = names.filter((n) => !/^napi_|^node_api_/.test(n));
  if (other.length) problems.push(`unexpected delay-loaded names: ${other.join(', ')}`);
  console.log(`${file}: exports [${exports.join(', ')}], ${names.length} functions delay-loaded from ${delayed.map((d) => d.dll).join(', ')}`);
  for (const p of problems) console.log(`  FAIL ${p}`);
  failures += problems.length;
}
process.exit(failures ? 1 : 0);
