'use strict';
// Reads what the tests check of a PE image: headers, sections, the export
// names, the DLLs imported at load time and the delay-load descriptors.
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
    if (!name || !/^[\x21-\x7e]+$/.test(name)) return null;
    names.push(name);
  }
}

// Delay-load descriptors (RVA-based: attributes 1) with the names each binds:
// from the delay-import directory when the linker filled it in, else found by
// content (the GNU linker leaves that directory entry empty).
function delayDescriptors(img) {
  const dir = img.directories[13];
  if (dir.rva) {
    const found = [];
    for (let at = img.offset(dir.rva); at >= 0 && img.buf.readUInt32LE(at + 4) !== 0; at += 32) {
      found.push({ dll: img.cstring(img.buf.readUInt32LE(at + 4)), names: thunkNames(img, img.buf.readUInt32LE(at + 16)) || [] });
    }
    return found;
  }
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

module.exports = { readImage, exportNames, importedDlls, delayDescriptors };
