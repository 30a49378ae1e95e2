// The stack protector's guard and failure path for the MinGW-built
// deliverables, in place of GCC's libssp (which the link leaves out): there a
// smashed frame executes an invalid instruction, an exception that the
// process's own handlers can catch; here it fails fast, as /GS does in the
// Microsoft-ABI tree (security_cookie.cpp).
#include "stack_cookie.h"

extern "C" {

// The load configuration names it as the image's SecurityCookie, so the
// loader gives it a fresh value before any code of the image runs.
uintptr_t __stack_chk_guard = stack_cookie::kDefault;

// A protected frame's copy of the guard changed.
[[noreturn]] __attribute__((no_stack_protector)) void __stack_chk_fail() {
  stack_cookie::FailFast(stack_cookie::kStackCookieCheckFailure);
}

}  // extern "C"

namespace {

// For a loader that left the guard as it is. Constructors run one after the
// other from the C runtime's start-up code, which is not protected, so no
// protected frame is live while the value changes.
__attribute__((constructor, no_stack_protector)) void InitializeGuard() {
  if (__stack_chk_guard == stack_cookie::kDefault || __stack_chk_guard == 0) __stack_chk_guard = stack_cookie::Fresh();
}

}  // namespace
