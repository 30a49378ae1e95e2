// Benchmark, the script host's side (JScript, run by cscript.exe; see
// scripts/bench-com-peer.sh): the property gets that sta-gets.js makes
// through com-bridge, Scripting.Dictionary's Count and VBScript.RegExp's
// Global, from JScript, each timed over the whole count.
//   cscript //nologo script-host-gets.js <gets>
// Prints "name value" lines: microseconds per get (the script host's clock
// counts milliseconds, hence whole runs of many gets).
var gets = WScript.Arguments.length > 0 ? parseInt(WScript.Arguments(0), 10) : 200000;

function perGet(start) {
  return (new Date().getTime() - start) * 1000 / gets;
}

var dictionary = new ActiveXObject("Scripting.Dictionary");
var regexp = new ActiveXObject("VBScript.RegExp");
var i, value, start;
for (i = 0; i < 1000; i++) {  // warm-up
  value = dictionary.Count;
  value = regexp.Global;
}
start = new Date().getTime();
for (i = 0; i < gets; i++) value = dictionary.Count;
WScript.Echo("dictionary " + perGet(start));
start = new Date().getTime();
for (i = 0; i < gets; i++) value = regexp.Global;
WScript.Echo("regexp " + perGet(start));
