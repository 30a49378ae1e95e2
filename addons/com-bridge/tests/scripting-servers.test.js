'use strict';
// Automation servers nobody here wrote, driven through a user's whole task
// and checked against what each server documents: VBScript's regular
// expressions, MSXML's DOM, the dictionary called as a function, and the
// script control running VBScript over arrays from script.
const test = require('node:test');
const assert = require('node:assert/strict');
const { addon, hresult, needsWine } = require('./support');

// Releases every object the body collects with keep(), last first, then the
// object itself, whose count must reach 0.
function session(progId, body) {
  const object = addon.CreateObject(progId);
  const kept = [];
  try {
    body(object, (o) => { kept.push(o); return o; });
  } finally {
    for (const o of kept.reverse()) o.release();
    assert.equal(object.release(), 0, `${progId} still referenced`);
  }
}

test('VBScript.RegExp: Execute, the Matches iterated and indexed, SubMatches', { skip: needsWine }, () => {
  session('VBScript.RegExp', (re, keep) => {
    re.set('Pattern', '(\\w+)@(\\w+)\\.com');
    re.set('Global', true);
    assert.equal(re.call('Test', 'nobody here'), false);
    const matches = keep(re.call('Execute', 'ann@example.com, bob@test.com'));
    assert.equal(matches.get('Count'), 2);
    // One element per Next: this enumerator answers a larger request with
    // S_OK and fewer elements.
    const found = [];
    for (const match of matches) {
      keep(match);
      const subMatches = keep(match.get('SubMatches'));  // Count and Item only: no enumerator
      found.push([match.get('Value'), match.get('FirstIndex'), match.get('Length'),
        subMatches.get('Count'), subMatches(0), subMatches(1)]);
    }
    assert.deepEqual(found, [['ann@example.com', 0, 15, 2, 'ann', 'example'], ['bob@test.com', 17, 12, 2, 'bob', 'test']]);
    // The default member, Item, from 0.
    assert.equal(keep(matches(1)).get('Value'), 'bob@test.com');
  });
});

test('MSXML DOM: loadXML, selectNodes iterated, attributes, an element added, the serialized document', { skip: needsWine }, () => {
  session('Msxml2.DOMDocument.6.0', (doc, keep) => {
    doc.set('async', false);
    assert.equal(doc.call('loadXML', '<list><item id="1">one</item><item id="2">two</item></list>'), true);
    const nodes = keep(doc.call('selectNodes', '//item'));
    assert.equal(nodes.get('length'), 2);
    assert.deepEqual([...nodes].map((n) => [keep(n).call('getAttribute', 'id'), n.get('text')]), [['1', 'one'], ['2', 'two']]);
    assert.equal(keep(nodes(1)).get('text'), 'two');
    const item = keep(doc.call('createElement', 'item'));
    item.call('setAttribute', 'id', 3);
    item.set('text', 'three');
    keep(keep(doc.get('documentElement')).call('appendChild', item));
    // Windows writes the document without whitespace between the elements;
    // Wine's MSXML indents it.
    assert.equal(doc.get('xml').replace(/>\s+</g, '><').trim(),
      '<list><item id="1">one</item><item id="2">two</item><item id="3">three</item></list>');
  });
});

test('Scripting.Dictionary called as a function reads Item, its default member', { skip: needsWine }, () => {
  session('Scripting.Dictionary', (d) => {
    d.call('Add', 'a', 1);
    d.call('Add', 2, 'two');
    assert.equal(d('a'), 1);
    assert.equal(d(2), 'two');
    // Reading a missing key adds it, empty, as the dictionary documents.
    assert.equal(d('missing'), undefined);
    assert.equal(d.get('Count'), 3);
  });
});

test('MSScriptControl with VBScript: script arrays and tables into a function, Array(...) back, errors', { skip: needsWine }, () => {
  session('MSScriptControl.ScriptControl', (control) => {
    control.set('Language', 'VBScript');
    control.callUnsafe('AddCode', [
      'Function CountAll(a)', '  CountAll = UBound(a) - LBound(a) + 1', 'End Function',
      'Function Bounds(t)', '  Bounds = LBound(t, 1) & ".." & UBound(t, 1) & " x " & LBound(t, 2) & ".." & UBound(t, 2)',
      'End Function',
    ].join('\r\n'));
    assert.equal(control.callUnsafe('Run', 'CountAll', [1, 'two', 3]), 3);
    assert.equal(control.callUnsafe('Run', 'Bounds', [[1, 2, 3], [4, 5, 6]]), '0..1 x 0..2');
    assert.deepEqual(control.callUnsafe('Eval', 'Array(1, "two", 3.5)'), [1, 'two', 3.5]);
    // A run-time error of the script. Windows adds VBScript's description
    // ("Division by zero"); Wine gives none.
    assert.throws(() => control.callUnsafe('Eval', '1/0'), (e) => e.comError.errorCode === hresult(0x80020009));
  });
});

test('a RegExp kept in a Dictionary: each ComObject gives up its own reference once, even during a call', { skip: needsWine }, () => {
  const released = { message: 'The ComObject was released' };
  session('Scripting.Dictionary', (d) => {
    const p = addon.CreateObject('VBScript.RegExp');
    p.set('Pattern', 'a+');
    d.call('Add', 'p', p);
    const q = d.get('Item', 'p');  // the same object, fetched back: p, q and the dictionary hold it
    // The count is the object's business (under Wine's MTA p is a proxy
    // with counts of its own).
    assert.equal(typeof p.release(), 'number');
    assert.throws(() => p.release(), released);
    assert.equal(q.get('Pattern'), 'a+');
    // Released by script while its own call runs: the argument slot keeps the
    // object alive for the call, and q is released for good.
    assert.equal(d.call('Exists', q, { get _out() { q.release(); return 1; } }), undefined);
    assert.throws(() => q.get('Pattern'), released);
    const kept = d.get('Item', 'p');
    assert.equal(kept.call('Test', 'caab'), true);
    kept.release();
  });
});
