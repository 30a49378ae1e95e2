'use strict';
// Reads what the tests check of a PE image: headers, sections, the export
// names, the DLLs imported at load time, the delay-load descriptors, and what
// shipping needs (the load configuration, the debug directory, the version
// resource).
const fs = require('node:fs');

function readImage(file) {
  const buf = fs.readFileSync(file);
  if (buf.toString('latin1', 0, 2) !== 'MZ') throw new Error('not an MZ image');
  const pe = buf.readUInt32LE(0x3c);
  if (buf.toString('latin1', pe, pe + 4) !== 'PE\0\0') throw new Error('no PE signature');
  const machine = buf.readUInt16LE(pe + 4);
  const sectionCount = buf.readUInt16LE(pe + 6);
  const symbolTable = buf.readUInt32LE(pe + 12);
  const optionalSize = buf.readUInt16LE(pe + 20);
  const characteristics = buf.readUInt16LE(pe + 22);
  const opt = pe + 24;
  const magic = buf.readUInt16LE(opt);
  const entryPoint = buf.readUInt32LE(opt + 16);
  const imageBase = Number(buf.readBigUInt64LE(opt + 24));
  const dllCharacteristics = buf.readUInt16LE(opt + 70);
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
      flags: buf.readUInt32LE(s + 36),
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
  const sectionAt = (rva) => sections.find((x) => rva >= x.rva && rva < x.rva + Math.max(x.virtualSize, x.rawSize));
  return {
    buf, machine, characteristics, magic, entryPoint, imageBase, dllCharacteristics, symbolTable,
    directories, sections, offset, cstring, sectionAt,
  };
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

// Name and RVA of each export.
function exports(img) {
  const dir = img.directories[0];
  if (!dir.rva) return [];
  const at = img.offset(dir.rva);
  const count = img.buf.readUInt32LE(at + 24);
  const functions = img.offset(img.buf.readUInt32LE(at + 28));
  const names = img.offset(img.buf.readUInt32LE(at + 32));
  const ordinals = img.offset(img.buf.readUInt32LE(at + 36));
  const result = [];
  for (let i = 0; i < count; i++) {
    const ordinal = img.buf.readUInt16LE(ordinals + i * 2);
    result.push({ name: img.cstring(img.buf.readUInt32LE(names + i * 4)), rva: img.buf.readUInt32LE(functions + ordinal * 4) });
  }
  return result;
}

// IMAGE_LOAD_CONFIG_DIRECTORY64's fields that hardening sets (addresses as
// virtual addresses at the image's preferred base), or null.
function loadConfig(img) {
  const dir = img.directories[10];
  if (!dir.rva) return null;
  const at = img.offset(dir.rva);
  const size = img.buf.readUInt32LE(at);
  const va = (offset) => (offset + 8 <= size ? Number(img.buf.readBigUInt64LE(at + offset)) : 0);
  return {
    size,
    securityCookie: va(0x58),
    guardCheckPointer: va(0x70),
    guardDispatchPointer: va(0x78),
    guardFunctionTable: va(0x80),
    guardFunctionCount: va(0x88),
    guardFlags: size >= 0x94 ? img.buf.readUInt32LE(at + 0x90) : 0,
  };
}

// The 64-bit value the file holds at a virtual address, or null.
function quadAt(img, va) {
  const at = img.offset(va - img.imageBase);
  return at < 0 ? null : Number(img.buf.readBigUInt64LE(at));
}

// The debug directory's entries; a CodeView entry carries its PDB's GUID (as
// the PDB prints it), age and file name, an extended-characteristics entry
// its flags.
function debugEntries(img) {
  const dir = img.directories[6];
  const entries = [];
  for (let i = 0; dir.rva && i < dir.size / 28; i++) {
    const at = img.offset(dir.rva) + i * 28;
    const entry = { type: img.buf.readUInt32LE(at + 12), size: img.buf.readUInt32LE(at + 16), raw: img.buf.readUInt32LE(at + 24) };
    const data = img.buf.subarray(entry.raw, entry.raw + entry.size);
    if (entry.type === 2 && data.toString('latin1', 0, 4) === 'RSDS') {
      const hex = (from, to, reverse) => {
        const bytes = [...data.subarray(from, to)];
        return (reverse ? bytes.reverse() : bytes).map((b) => b.toString(16).padStart(2, '0')).join('');
      };
      entry.guid = `{${hex(4, 8, true)}-${hex(8, 10, true)}-${hex(10, 12, true)}-${hex(12, 14)}-${hex(14, 20)}}`.toUpperCase();
      entry.age = data.readUInt32LE(20);
      entry.pdb = data.toString('utf8', 24, data.indexOf(0, 24));
    } else if (entry.type === 20) {
      entry.flags = data.readUInt32LE(0);
    }
    entries.push(entry);
  }
  return entries;
}

// The resource directory's first data entry for a type (and an optional name
// or ID): { id, language, data }.
function resource(img, type, name) {
  const dir = img.directories[2];
  if (!dir.rva) return null;
  const root = img.offset(dir.rva);
  const children = (at) => {
    const count = img.buf.readUInt16LE(at + 12) + img.buf.readUInt16LE(at + 14);
    return Array.from({ length: count }, (_, i) => ({
      id: img.buf.readUInt32LE(at + 16 + i * 8),
      target: img.buf.readUInt32LE(at + 20 + i * 8),
    }));
  };
  const types = children(root).find((e) => e.id === type);
  if (!types) return null;
  const names = children(root + (types.target & 0x7fffffff));
  const named = names.find((e) => name === undefined || e.id === name);
  if (!named) return null;
  const language = children(root + (named.target & 0x7fffffff))[0];
  const entry = root + language.target;
  const rva = img.buf.readUInt32LE(entry);
  const at = img.offset(rva);
  return { id: named.id, language: language.id, data: img.buf.subarray(at, at + img.buf.readUInt32LE(entry + 4)) };
}

// The version resource (RT_VERSION, ID 1): the fixed file and product
// versions as "a.b.c.d" and the first string table's values.
function versionInfo(img) {
  const found = resource(img, 16, 1);
  if (!found) return null;
  const data = found.data;
  const align = (n) => (n + 3) & ~3;
  // One node of the version tree: length, value length, type (1: text), key,
  // value, children.
  const node = (at) => {
    const length = data.readUInt16LE(at);
    const valueLength = data.readUInt16LE(at + 2);
    const text = data.readUInt16LE(at + 4) === 1;
    let end = at + 6;
    while (data.readUInt16LE(end) !== 0) end += 2;
    const key = data.toString('utf16le', at + 6, end);
    const valueAt = align(end + 2);
    const valueBytes = text ? valueLength * 2 : valueLength;
    const value = data.subarray(valueAt, valueAt + valueBytes);
    const kids = [];
    for (let child = align(valueAt + valueBytes); child < at + length; child = align(child + data.readUInt16LE(child))) {
      kids.push(node(child));
    }
    return { key, text, value, kids };
  };
  const top = node(0);
  const fixed = top.value;
  const version = (ms, ls) => [ms >>> 16, ms & 0xffff, ls >>> 16, ls & 0xffff].join('.');
  const strings = {};
  const table = top.kids.find((k) => k.key === 'StringFileInfo')?.kids[0];
  for (const entry of table?.kids ?? []) strings[entry.key] = entry.value.toString('utf16le').replace(/\0+$/, '');
  return {
    signature: fixed.readUInt32LE(0),
    fileVersion: version(fixed.readUInt32LE(8), fixed.readUInt32LE(12)),
    productVersion: version(fixed.readUInt32LE(16), fixed.readUInt32LE(20)),
    fileType: fixed.readUInt32LE(36),
    strings,
  };
}

// Function start addresses (RVAs) from the exception directory (.pdata).
function functionStarts(img) {
  const dir = img.directories[3];
  const at = img.offset(dir.rva);
  return Array.from({ length: dir.size / 12 }, (_, i) => img.buf.readUInt32LE(at + i * 12));
}

module.exports = {
  readImage, exportNames, exports, importedDlls, delayDescriptors, loadConfig, quadAt, debugEntries, resource,
  versionInfo, functionStarts,
};
