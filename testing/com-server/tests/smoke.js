// Smoke test of the automation test server in Wine's script host (cscript,
// JScript): creation by ProgID, a few members, the call record, failures with
// exception information, and the probe's counts back at zero once the script
// has dropped its objects. Ends with "smoke: all N checks passed" only when
// every check passed (Wine's cscript exits with 0 after a script error) and
// exits with the number of failed checks.
var failed = 0;
var passed = 0;

function check(name, actual, expected) {
  if (actual === expected) {
    WScript.Echo("ok " + name);
    passed++;
  } else {
    WScript.Echo("FAIL " + name + ": got " + actual + ", expected " + expected);
    failed++;
  }
}

// This JScript has no JSON object; the record is plain JSON, which eval reads.
function calls(probe) {
  return eval("(" + probe.Calls + ")");
}

function describe(value) {
  return "vt " + value.vt + " " + value.value;
}

var probe = new ActiveXObject("Quillaret.TestProbe");
check("nothing alive at start", probe.LiveObjects, 0);
probe.Reset();

var server = new ActiveXObject("Quillaret.TestServer");
check("Echo", server.Echo("hello"), "hello");
check("Add of integers", server.Add(2, 3), 5);
check("Add of fractions", server.Add(0.5, 1), 1.5);
check("Optional", server.Optional(1), "a,-,-");
check("Args", server.Args(1, "two", 3, 4), 4);
check("Result BSTR", server.Result("BSTR"), "text");
check("Result UI4", server.Result("UI4"), 4294967295);
server.Value = 7;
check("Value", server.Value, 7);
check("Count", server.Count, 0);

var child = server.Child();
check("Child is its own object", child.Echo(1), 1);
check("objects alive", probe.LiveObjects, 2);

try {
  server.Fail("EXCEPTION");
  check("Fail throws", "no exception", "exception");
} catch (e) {
  check("exception description", e.description, "Something failed");
  check("exception code", e.number >>> 0, 0x80040201);
}
try {
  server.Fail("HRESULT 0x80070057");
  check("Fail with HRESULT throws", "no exception", "exception");
} catch (e) {
  check("HRESULT code", e.number >>> 0, 0x80070057);
}

var record = calls(probe);
var add = record[1];
check("recorded member", add.member, "Add");
check("recorded flags include the method call", (add.flags & 1), 1);
// rgvarg order: the last argument first.
check("recorded arguments", describe(add.args[0]) + ", " + describe(add.args[1]), "vt 3 3, vt 3 2");
var put = record[7];
check("recorded put", put.member + " " + put.flags + " [" + put.named.join(",") + "]", "Value 4 [-3]");
check("recorded failure", record[record.length - 1].hr, 0x80070057);

server = null;
child = null;
CollectGarbage();
check("no object alive after release", probe.LiveObjects, 0);
check("no reference left", probe.References, 0);

if (failed === 0) WScript.Echo("smoke: all " + passed + " checks passed");
WScript.Quit(failed);
