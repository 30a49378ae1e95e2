// What the stack-cookie runtimes of both Windows trees share (security_cookie.cpp
// for the Microsoft-ABI tree's /GS, stack_guard.cpp for the MinGW tree's stack
// protector): the cookie's value before initialisation, a fresh value, and the
// way a failed check ends the process.
#pragma once

#include <windows.h>

#include <stdint.h>

namespace stack_cookie {

// The value a cookie holds in the file. The loader replaces it when the load
// configuration's SecurityCookie points at it (load_config.cpp); a runtime
// that finds it unchanged replaces it itself.
constexpr uintptr_t kDefault = 0x00002B992DDFA232;

// The top 16 bits stay clear, so that an overrun by a string ends at a zero
// byte before it could copy a cookie that leaked.
constexpr uintptr_t kMask = 0x0000FFFFFFFFFFFF;

// The fail-fast code of a failed cookie check (winnt.h's
// FAST_FAIL_STACK_COOKIE_CHECK_FAILURE).
constexpr unsigned kStackCookieCheckFailure = 2;

// A value no other process and no earlier run shares: the time, the process
// and thread, the performance counter and where the stack lies (ASLR).
__attribute__((no_stack_protector)) inline uintptr_t Fresh() {
  FILETIME now = {};
  GetSystemTimeAsFileTime(&now);
  LARGE_INTEGER counter = {};
  QueryPerformanceCounter(&counter);
  uintptr_t value = (static_cast<uintptr_t>(now.dwHighDateTime) << 32) ^ now.dwLowDateTime;
  value ^= static_cast<uintptr_t>(GetCurrentThreadId()) << 32 ^ GetCurrentProcessId();
  value ^= static_cast<uintptr_t>(counter.QuadPart) << 32 ^ static_cast<uintptr_t>(counter.QuadPart);
  value ^= reinterpret_cast<uintptr_t>(&counter);
  value &= kMask;
  return value == 0 || value == kDefault ? kDefault + 1 : value;
}

// Ends the process at once with STATUS_STACK_BUFFER_OVERRUN and the code: no
// exception handler of the process runs, and the system's error reporting
// records the failure. (int 0x29 is what __fastfail compiles to.)
[[noreturn]] __attribute__((no_stack_protector)) inline void FailFast(unsigned code) {
  __asm__ volatile("int $0x29" : : "c"(code) : "memory");
  __builtin_unreachable();
}

}  // namespace stack_cookie
