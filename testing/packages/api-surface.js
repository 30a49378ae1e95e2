'use strict';
// Reads a package's typings with the TypeScript compiler's own API: the values
// its index.d.ts declares (what require() must return), and which of its
// functions and methods a usage file calls.
const ts = require('typescript');

const options = { strict: true, noEmit: true, target: ts.ScriptTarget.ES2022, module: ts.ModuleKind.CommonJS };

const isIteratorName = (name) =>
  ts.isComputedPropertyName(name) && name.expression.getText() === 'Symbol.iterator';
// Member names as script sees them; Symbol.iterator as String(Symbol.iterator).
const memberName = (name) => (isIteratorName(name) ? 'Symbol(Symbol.iterator)' : name.getText());

function openTypings(dtsFile) {
  const program = ts.createProgram([dtsFile], options);
  const checker = program.getTypeChecker();
  const source = program.getSourceFile(dtsFile);
  return { program, checker, source, module: checker.getSymbolAtLocation(source) };
}

// { exports: { name: typeof value }, prototypes: { name: [method names] } }
// for the values the typings declare; prototypes only for the classes among
// them (a `prototype` property whose type has methods).
function declaredSurface(dtsFile) {
  const { checker, source, module } = openTypings(dtsFile);
  const surface = { exports: {}, prototypes: {} };
  for (const symbol of checker.getExportsOfModule(module)) {
    if (!(symbol.flags & ts.SymbolFlags.Value)) continue;
    const type = checker.getTypeOfSymbolAtLocation(symbol, source);
    const callable = type.getCallSignatures().length + type.getConstructSignatures().length > 0;
    surface.exports[symbol.name] = callable ? 'function' : 'object';
    const prototype = type.getProperty('prototype');
    if (!prototype) continue;
    const methods = checker.getPropertiesOfType(checker.getTypeOfSymbolAtLocation(prototype, source))
      .flatMap((p) => p.declarations ?? [])
      .filter((d) => ts.isMethodSignature(d) && d.getSourceFile() === source)
      .map((d) => memberName(d.name));
    if (methods.length > 0) surface.prototypes[symbol.name] = methods.sort();
  }
  return surface;
}

const returnsNever = (signature) => signature.type?.kind === ts.SyntaxKind.NeverKeyword;

// What a usage file has to exercise: each exported function called, each
// other exported value used, and each method or call signature of the
// package's interfaces called (iteration counts for Symbol.iterator).
// Signatures that return never (the class's throwing constructor) are left
// out. Keyed by declaration node, valued by a readable label.
function requiredUses(source) {
  const required = new Map();
  for (const statement of source.statements) {
    if (ts.isFunctionDeclaration(statement)) required.set(statement, statement.name.text);
    if (ts.isVariableStatement(statement)) {
      for (const d of statement.declarationList.declarations) required.set(d, d.name.getText());
    }
    if (!ts.isInterfaceDeclaration(statement)) continue;
    for (const member of statement.members) {
      if (returnsNever(member)) continue;
      if (ts.isMethodSignature(member)) required.set(member, `${statement.name.text}.${memberName(member.name)}`);
      if (ts.isCallSignatureDeclaration(member)) required.set(member, `${statement.name.text}(...)`);
    }
  }
  return required;
}

// The labels of what `usageFile` leaves unused of the package whose typings
// are `dtsFile` (the file the usage's import resolves to).
function unusedExports(usageFile, dtsFile) {
  const program = ts.createProgram([usageFile], options);
  const checker = program.getTypeChecker();
  const dts = program.getSourceFile(dtsFile);
  if (!dts) throw new Error(`${usageFile} does not reach ${dtsFile}`);
  const required = requiredUses(dts);
  const used = (declaration) => required.delete(declaration);
  // Functions and methods count when called, other values when named.
  const named = (identifier) => {
    let symbol = checker.getSymbolAtLocation(identifier);
    if (symbol && symbol.flags & ts.SymbolFlags.Alias) symbol = checker.getAliasedSymbol(symbol);
    (symbol?.declarations ?? []).filter(ts.isVariableDeclaration).forEach(used);
  };
  const visit = (node) => {
    if (ts.isImportDeclaration(node)) return;
    if (ts.isCallExpression(node)) used(checker.getResolvedSignature(node)?.declaration);
    if (ts.isIdentifier(node)) named(node);
    if (ts.isForOfStatement(node)) {
      for (const p of checker.getTypeAtLocation(node.expression).getProperties()) {
        (p.declarations ?? []).filter((d) => ts.isMethodSignature(d) && isIteratorName(d.name)).forEach(used);
      }
    }
    ts.forEachChild(node, visit);
  };
  visit(program.getSourceFile(usageFile));
  return [...required.values()];
}

module.exports = { declaredSurface, unusedExports };
