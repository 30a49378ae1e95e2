// The stack cookie of /GS (Microsoft-ABI tree): every function the compiler
// protects stores __security_cookie XOR its stack pointer in its frame and,
// before it returns, hands that value back (XORed again) to
// __security_check_cookie. The entry point (dll_entry.cpp) calls
// __security_init_cookie before any other code of the library runs.
#include "stack_cookie.h"

extern "C" {

// Writable data, as the loader expects of the SecurityCookie it initialises.
uintptr_t __security_cookie = stack_cookie::kDefault;

// Leaves a cookie the loader has already replaced as it is. Never protected
// itself: it changes the value its own frame would be checked against.
__attribute__((no_stack_protector)) void __cdecl __security_init_cookie() {
  if (__security_cookie == stack_cookie::kDefault || __security_cookie == 0) __security_cookie = stack_cookie::Fresh();
}

// A frame whose cookie changed was overrun: nothing of the process can be
// trusted to run after it, not even an exception handler.
__attribute__((no_stack_protector)) void __cdecl __security_check_cookie(uintptr_t cookie) {
  if (cookie != __security_cookie) stack_cookie::FailFast(stack_cookie::kStackCookieCheckFailure);
}

}  // extern "C"
