'use strict';
// The shipped binaries' check: for each deliverable in dist/win-x64, reads the
// PE headers, the load configuration, the debug and resource directories (and
// the PDB's identity and public symbols through llvm-pdbutil), prints one table
// with a cell per deliverable and property, and fails on any "no" that the
// README does not name as a toolchain limit (its table under "Toolchain
// limits"). The last row compares with the second build of
// binaries:reproducible (REBUILT: its list of SHA-256 sums). The table also
// goes to the file TABLE, which make test prints at its end.
//   node binary-check.js      (QUILLARET_DIST, README, REBUILT, PRODUCT_MANIFEST, TABLE)
const { execFileSync } = require('node:child_process');
const crypto = require('node:crypto');
const fs = require('node:fs');
const path = require('node:path');
const pe = require('../common/pe-image');
const { DELIVERABLES, binary, pdb } = require('./deliverables');

const version = `${require(process.env.PRODUCT_MANIFEST).version}.0`;
const DEFAULT_COOKIE = 0x2b992ddfa232;
const SCN_EXECUTE = 0x20000000;
const SCN_WRITE = 0x80000000;
const SCN_SHARED = 0x10000000;
const DLL_HIGH_ENTROPY_VA = 0x20;
const DLL_DYNAMIC_BASE = 0x40;
const DLL_NX_COMPAT = 0x100;
const DLL_GUARD_CF = 0x4000;
const GUARD_CF_INSTRUMENTED = 0x100;
const GUARD_CF_FUNCTION_TABLE_PRESENT = 0x400;
const DEBUG_TYPE_CODEVIEW = 2;
const DEBUG_TYPE_EX_DLLCHARACTERISTICS = 20;
const EX_CET_COMPAT = 0x1;

const has = (flags, bit) => ((flags & bit) >>> 0) === bit >>> 0;
const sha256 = (file) => crypto.createHash('sha256').update(fs.readFileSync(file)).digest('hex');

// Each check returns null when the property holds, or why it does not.
function versionResource(d, img) {
  const info = pe.versionInfo(img);
  if (!info) return 'no version resource';
  const expected = {
    ProductName: 'Quillaret Workspace', FileVersion: version, ProductVersion: version,
    OriginalFilename: d.file, InternalName: d.name,
  };
  const wrong = Object.entries(expected).filter(([k, v]) => info.strings[k] !== v).map(([k]) => k);
  for (const k of ['FileDescription', 'CompanyName', 'LegalCopyright']) if (!info.strings[k]) wrong.push(k);
  if (info.fileVersion !== version || info.productVersion !== version) wrong.push('fixed versions');
  if (d.file.endsWith('.exe') && !pe.resource(img, 24, 1)) wrong.push('manifest');
  return wrong.length ? `wrong or missing: ${wrong.join(', ')}` : null;
}

function symbols(d, img) {
  const record = pe.debugEntries(img).find((e) => e.type === DEBUG_TYPE_CODEVIEW);
  if (!record) return 'no CodeView record';
  if (record.pdb !== `${d.name}.pdb`) return `the record names ${record.pdb}`;
  if (!fs.existsSync(pdb(d))) return `no ${d.name}.pdb beside it`;
  const summary = execFileSync('llvm-pdbutil', ['dump', '--summary', pdb(d)], { encoding: 'utf8' });
  const guid = /GUID: (\{[0-9A-F-]+\})/.exec(summary)?.[1];
  const age = Number(/Age: (\d+)/.exec(summary)?.[1]);
  if (guid !== record.guid || age !== record.age) return `the PDB is ${guid} age ${age}, the record ${record.guid} age ${record.age}`;
  const embedded = img.sections.filter((s) => s.name.startsWith('.debug') || s.name.startsWith('/'));
  if (embedded.length || img.symbolTable) return 'debug data inside the binary';
  return null;
}

function aslr(d, img) {
  const flags = DLL_DYNAMIC_BASE | DLL_HIGH_ENTROPY_VA | DLL_NX_COMPAT;
  if (!has(img.dllCharacteristics, flags)) return `DllCharacteristics 0x${img.dllCharacteristics.toString(16)}`;
  return img.directories[5].size ? null : 'no base relocations';
}

function publics(d) {
  return execFileSync('llvm-pdbutil', ['dump', '--publics', pdb(d)], { encoding: 'utf8', maxBuffer: 1 << 28 });
}

function stackCookies(d, img) {
  const config = pe.loadConfig(img);
  if (!config || !config.securityCookie) return 'no SecurityCookie in the load configuration';
  const section = img.sectionAt(config.securityCookie - img.imageBase);
  if (!section || !has(section.flags, SCN_WRITE) || has(section.flags, SCN_EXECUTE)) return 'the cookie is not in writable data';
  if (pe.quadAt(img, config.securityCookie) !== DEFAULT_COOKIE) return 'the cookie does not hold the value the loader replaces';
  const check = d.tree === 'msvc' ? '__security_check_cookie' : '__stack_chk_fail';
  return publics(d).includes(`\`${check}\``) ? null : `no ${check} in the image`;
}

function controlFlowGuard(d, img) {
  if (!has(img.dllCharacteristics, DLL_GUARD_CF)) return 'no GUARD_CF flag';
  const config = pe.loadConfig(img);
  if (!config || config.size < 0x94) return 'no load configuration with guard fields';
  if (!has(config.guardFlags, GUARD_CF_INSTRUMENTED | GUARD_CF_FUNCTION_TABLE_PRESENT)) return `GuardFlags 0x${config.guardFlags.toString(16)}`;
  if (!config.guardFunctionCount || !img.sectionAt(config.guardFunctionTable - img.imageBase)) return 'no table of call targets';
  for (const pointer of [config.guardCheckPointer, config.guardDispatchPointer]) {
    const section = img.sectionAt(pointer - img.imageBase);
    if (!section || section.flags & (SCN_WRITE | SCN_EXECUTE)) return 'a guard function pointer is not in read-only data';
    const target = img.sectionAt(pe.quadAt(img, pointer) - img.imageBase);
    if (!target || !has(target.flags, SCN_EXECUTE)) return 'a guard function pointer has no default function';
  }
  return null;
}

function cet(d, img) {
  const entry = pe.debugEntries(img).find((e) => e.type === DEBUG_TYPE_EX_DLLCHARACTERISTICS);
  return entry && has(entry.flags, EX_CET_COMPAT) ? null : 'no CET_COMPAT flag';
}

function sections(d, img) {
  const bad = img.sections.filter((s) => has(s.flags, SCN_WRITE) && (s.flags & (SCN_EXECUTE | SCN_SHARED)));
  return bad.length ? bad.map((s) => s.name).join(', ') : null;
}

const rebuilt = new Map();
if (process.env.REBUILT && fs.existsSync(process.env.REBUILT)) {
  for (const line of fs.readFileSync(process.env.REBUILT, 'utf8').split('\n')) {
    const [file, sum] = line.split(/\s+/);
    if (file) rebuilt.set(file, sum);
  }
}
function reproducible(d) {
  if (!rebuilt.size) return 'no second build (binaries:reproducible)';
  const differ = [d.file, `${d.name}.pdb`].filter((f) => rebuilt.get(f) !== sha256(path.join(process.env.QUILLARET_DIST, f)));
  return differ.length ? `differs: ${differ.join(', ')}` : null;
}

const ROWS = [
  ['version resource (VS_VERSION_INFO)', versionResource],
  ['symbols for crash reports (PDB)', symbols],
  ['ASLR, high-entropy VA, DEP', aslr],
  ['stack cookies (/GS or stack protector)', stackCookies],
  ['Control Flow Guard', controlFlowGuard],
  ['CET shadow-stack compatible', cet],
  ['no writable+executable or shared writable section', sections],
  ['same bytes when built twice', reproducible],
];

// "| deliverable | property | cause | what would lift it |" rows of the
// README's table under its "Toolchain limits" heading.
function readmeLimits() {
  const text = fs.readFileSync(process.env.README, 'utf8');
  const start = text.search(/^#+ .*Toolchain limits/m);
  if (start < 0) return [];
  const limits = [];
  for (const line of text.slice(start).split('\n').slice(1)) {
    if (/^#/.test(line)) break;
    const cells = line.split('|').slice(1, -1).map((c) => c.trim().replace(/`/g, ''));
    if (cells.length >= 4 && !/^-+$/.test(cells[0]) && cells[0] !== 'Deliverable') limits.push({ name: cells[0], property: cells[1] });
  }
  return limits;
}

const limits = readmeLimits();
const images = DELIVERABLES.map((d) => pe.readImage(binary(d)));
const header = ['', ...DELIVERABLES.map((d) => d.name.replace(/^quillaret-/, ''))];
const table = [header];
const problems = [];
for (const [label, check] of ROWS) {
  const row = [label];
  DELIVERABLES.forEach((d, i) => {
    const why = check(d, images[i]);
    if (!why) {
      row.push('yes');
      return;
    }
    const named = limits.some((l) => l.name === d.name && label.startsWith(l.property));
    row.push(named ? 'no (README)' : 'no');
    problems.push(`${named ? 'toolchain limit' : 'FAIL'}: ${d.name}, ${label}: ${why}`);
  });
  table.push(row);
}
const widths = header.map((_, c) => Math.max(...table.map((r) => r[c].length)));
const lines = table.map((row) => `| ${row.map((cell, c) => cell.padEnd(widths[c])).join(' | ')} |`);
lines.splice(1, 0, `|${widths.map((w) => '-'.repeat(w + 2)).join('|')}|`);
const report = [...lines, ...problems].join('\n') + '\n';
process.stdout.write(report);
if (process.env.TABLE) fs.writeFileSync(process.env.TABLE, report);
process.exit(problems.some((p) => p.startsWith('FAIL')) ? 1 : 0);
