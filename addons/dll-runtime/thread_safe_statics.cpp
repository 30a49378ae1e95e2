// Initialisation of function-local statics from several threads at once, as
// the compiler's Microsoft-ABI code expects it. Each static has a guard: 0
// before its initialisation, -1 while one thread runs it, and afterwards the
// epoch at which it completed. A thread whose own epoch has reached a guard
// knows without locking that the static is ready.
#include <limits.h>
#include <windows.h>

namespace {

constexpr int kUninitialized = 0;
constexpr int kBeingInitialized = -1;

SRWLOCK guard_lock = SRWLOCK_INIT;
CONDITION_VARIABLE guard_changed = CONDITION_VARIABLE_INIT;

}  // namespace

extern "C" {

int _Init_global_epoch = INT_MIN;
thread_local int _Init_thread_epoch = INT_MIN;

// Called when the guard is newer than this thread's epoch. Returns with the
// guard at -1 if this thread is to run the initialisation; otherwise the
// static is ready when it returns.
void __cdecl _Init_thread_header(int* guard) {
  AcquireSRWLockExclusive(&guard_lock);
  while (*guard == kBeingInitialized) SleepConditionVariableSRW(&guard_changed, &guard_lock, INFINITE, 0);
  if (*guard == kUninitialized)
    *guard = kBeingInitialized;
  else
    _Init_thread_epoch = _Init_global_epoch;
  ReleaseSRWLockExclusive(&guard_lock);
}

// The initialisation completed.
void __cdecl _Init_thread_footer(int* guard) {
  AcquireSRWLockExclusive(&guard_lock);
  ++_Init_global_epoch;
  *guard = _Init_global_epoch;
  _Init_thread_epoch = _Init_global_epoch;
  ReleaseSRWLockExclusive(&guard_lock);
  WakeAllConditionVariable(&guard_changed);
}

// The initialisation ended without completing; another thread may try.
void __cdecl _Init_thread_abort(int* guard) {
  AcquireSRWLockExclusive(&guard_lock);
  *guard = kUninitialized;
  ReleaseSRWLockExclusive(&guard_lock);
  WakeAllConditionVariable(&guard_changed);
}

}  // extern "C"
