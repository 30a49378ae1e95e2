'use strict';
// Checks a Node-API addon's PE image: a PE32+ DLL whose only export is
// `_register_addon_`, with no load-time import of the runtime and every
// Node-API function bound through a delay-load descriptor for "node.exe".
//   node pe-check.js <addon.node>...
const fs = require('node:fs');

function readImage(file) {
  const buf = fs.readFileSync(file);
  if (buf.toString('latin1', 0, 2) !== 'MZ') throw new Error('not an MZ image');
  const pe = buf.readUInt32LE(0x3c);
  if (buf.toString('latin1', pe, pe + 4) !== 'PE\0\0') throw new Error('no PE signature');
  const machine = buf.readUInt16LE(pe + 4);
  const sectionCount = buf.readUInt16LE(pe + 6);
  const optionalSize = buf.readUInt16LE(pe + 20);
  const characteristics = buf.readUInt16LE(pe + 22);
  const opt = pe + 24;
  const magic = buf.readUInt16LE(opt);
  const directories = [];
  for (let i = 0; i < 16; i++) {
    directories.push({ rva: buf.readUInt32LE(opt + 112 + i * 8), size: buf.readUInt32LE(opt + 116 + i * 8) });
  }
  const sections = [];
  for (let i = 0, s = opt + optionalSize; i < sectionCount; i++, s += 40) {
    sections.push({
      name: buf.toString('latin1', s, s + 8).replace(/\0+$/, ''),
      virtualSize: buf.readUInt32LE(s + 8),
      rva: buf.readUInt32LE(s + 12),
      rawSize: buf.readUInt32LE(s + 16),
      raw: buf.readUInt32LE(s + 20),
    });
  }
  const offset = (rva) => {
    const s = sections.find((x) => rva >= x.rva && rva < x.rva + Math.max(x.virtualSize, x.rawSize));
    return s && rva - s.rva < s.rawSize ? s.raw + rva - s.rva : -1;
  };
  const cstring = (rva) => {
    const at = offset(rva);
    if (at < 0) return null;
    const end = buf.indexOf(0, at);
    return end < 0 ? null : buf.toString('latin1', at, end);
  };
  return { buf, machine, characteristics, magic, directories, sections, offset, cstring };
}

function exportNames(img) {
  const dir = img.directories[0];
  if (!dir.rva) return [];
  const at = img.offset(dir.rva);
  const count = img.buf.readUInt32LE(at + 24);
  const names = img.buf.readUInt32LE(at + 32);
  const result = [];
  for (let i = 0; i < count; i++) result.push(img.cstring(img.buf.readUInt32LE(img.offset(names) + i * 4)));
  return result;
}

function importedDlls(img) {
  const dir = img.directories[1];
  const result = [];
  for (let at = img.offset(dir.rva); at >= 0; at += 20) {
    const name = img.buf.readUInt32LE(at + 12);
    if (name === 0) break;
    result.push(img.cstring(name));
  }
  return result;
}

// Names behind a thunk list of 64-bit hint/name RVAs, or null if it is none.
function thunkNames(img, rva) {
  let at = img.offset(rva);
  if (at < 0) return null;
  const names = [];
  for (;; at += 8) {
    const thunk = img.buf.readBigUInt64LE(at);
    if (thunk === 0n) return names;
    if (thunk >> 63n || thunk > 0xffffffffn) return null;
    const name = img.cstring(Number(thunk) + 2);
    if (!name || !/^[A-Za-z_][A-Za-z0-9_]*$/.test(name)) return null;
    names.push(name);
  }
}

// Delay-load descriptors (RVA-based: attributes 1), found by content since
// the GNU linker leaves the delay-import directory entry empty.
function delayDescriptors(img) {
  const found = [];
  for (const s of img.sections) {
    for (let at = s.raw; at + 32 <= s.raw + s.rawSize; at += 4) {
      if (img.buf.readUInt32LE(at) !== 1) continue;
      const dll = img.cstring(img.buf.readUInt32LE(at + 4));
      if (!dll || !/^[\w.-]+\.(exe|dll)$/i.test(dll)) continue;
      const names = thunkNames(img, img.buf.readUInt32LE(at + 16));
      if (names && names.length) found.push({ dll, names });
    }
  }
  return found;
}

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
