// What the run-time tests of the binaries' hardening do inside a process of
// the tree under test (the Microsoft-ABI tree's runtime probe, the MinGW
// tree's hardening_probe.exe), compiled with that tree's hardening options.
#pragma once

namespace hardening_checks {

// Writes `length` bytes into a 16-byte buffer of its own frame and returns.
// With stack protection the frame's cookie is found changed on the way out
// and the process ends with STATUS_STACK_BUFFER_OVERRUN (0xC0000409).
int OverrunOwnFrame(int length);

// Control Flow Guard as a system that enforces it applies it: the image's
// dispatch pointer (named by its load configuration) is replaced with a check
// of the target against the image's table of valid call targets, and a
// target not in it ends the process by fail-fast (0xC0000409). Wine does not
// enforce CFG, so the tests do it this way. Calls an address-taken function
// through a pointer while the check is in place, then `target_offset` bytes
// into it (0: the function itself, which passes); returns the function's
// result, or -1 if the image has no CFG table. `checked` receives how many
// calls the check let through.
int CallThroughEnforcedGuard(int target_offset, long* checked);

}  // namespace hardening_checks
