// atexit for this library alone: static destructors and atexit calls of the
// addon run when the library is unloaded (or the process ends), not when the
// C runtime of the executable shuts down, by which time the code may be gone.
#include <windows.h>

#include "dll_runtime.h"

namespace {

using ExitFunction = void(__cdecl*)();

SRWLOCK exit_lock = SRWLOCK_INIT;
ExitFunction* exit_functions = nullptr;
size_t exit_count = 0;
size_t exit_capacity = 0;

bool Grow() {
  size_t capacity = exit_capacity == 0 ? 32 : exit_capacity * 2;
  void* grown = exit_functions == nullptr
                    ? HeapAlloc(GetProcessHeap(), 0, capacity * sizeof(ExitFunction))
                    : HeapReAlloc(GetProcessHeap(), 0, exit_functions, capacity * sizeof(ExitFunction));
  if (grown == nullptr) return false;
  exit_functions = static_cast<ExitFunction*>(grown);
  exit_capacity = capacity;
  return true;
}

}  // namespace

extern "C" int __cdecl atexit(ExitFunction function) {
  AcquireSRWLockExclusive(&exit_lock);
  bool stored = exit_count < exit_capacity || Grow();
  if (stored) exit_functions[exit_count++] = function;
  ReleaseSRWLockExclusive(&exit_lock);
  return stored ? 0 : -1;
}

namespace dll_runtime {

void RunExitFunctions() {
  // A function may register another while the list runs; take them one by
  // one so that it runs too.
  for (;;) {
    AcquireSRWLockExclusive(&exit_lock);
    ExitFunction function = exit_count > 0 ? exit_functions[--exit_count] : nullptr;
    ReleaseSRWLockExclusive(&exit_lock);
    if (function == nullptr) break;
    function();
  }
  AcquireSRWLockExclusive(&exit_lock);
  if (exit_functions != nullptr) HeapFree(GetProcessHeap(), 0, exit_functions);
  exit_functions = nullptr;
  exit_capacity = 0;
  ReleaseSRWLockExclusive(&exit_lock);
}

}  // namespace dll_runtime
