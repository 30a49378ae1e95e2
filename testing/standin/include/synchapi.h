// Windows stand-in: the synchronisation calls of <synchapi.h> and the
// interlocked operations, over pthreads. Linux builds only.
#pragma once
#include <windows.h>

typedef struct _RTL_SRWLOCK {
  PVOID Ptr;
} SRWLOCK, *PSRWLOCK;
// All zero, as in the SDK: the stand-in keeps the real lock elsewhere, keyed
// by the SRWLOCK's address.
#define SRWLOCK_INIT \
  { 0 }

#define INFINITE 0xFFFFFFFF
#define WAIT_OBJECT_0 0x00000000L
#define WAIT_TIMEOUT 258L
#define WAIT_FAILED ((DWORD)0xFFFFFFFF)

STANDIN_API void WINAPI InitializeSRWLock(PSRWLOCK lock);
STANDIN_API void WINAPI AcquireSRWLockExclusive(PSRWLOCK lock);
STANDIN_API void WINAPI ReleaseSRWLockExclusive(PSRWLOCK lock);
STANDIN_API void WINAPI AcquireSRWLockShared(PSRWLOCK lock);
STANDIN_API void WINAPI ReleaseSRWLockShared(PSRWLOCK lock);

STANDIN_API HANDLE WINAPI CreateEventW(LPSECURITY_ATTRIBUTES attributes, BOOL manualReset, BOOL initialState,
                                       LPCWSTR name);
STANDIN_API BOOL WINAPI SetEvent(HANDLE event);
STANDIN_API BOOL WINAPI ResetEvent(HANDLE event);
// Events and threads (a thread is signalled once it has ended).
STANDIN_API DWORD WINAPI WaitForSingleObject(HANDLE object, DWORD milliseconds);
STANDIN_API void WINAPI Sleep(DWORD milliseconds);

inline LONG InterlockedIncrement(LONG volatile* target) { return __atomic_add_fetch(target, 1, __ATOMIC_SEQ_CST); }
inline LONG InterlockedDecrement(LONG volatile* target) { return __atomic_sub_fetch(target, 1, __ATOMIC_SEQ_CST); }
inline LONG InterlockedExchange(LONG volatile* target, LONG value) {
  return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}
inline LONG InterlockedCompareExchange(LONG volatile* target, LONG exchange, LONG comparand) {
  __atomic_compare_exchange_n(target, &comparand, exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
  return comparand;
}
