// Threads, events, waits and slim reader/writer locks over pthreads, as
// Windows documents them: a thread handle is signalled once the thread has
// ended and keeps its exit code until closed; an auto-reset event releases
// one waiter; SRWLOCKs are one pointer-sized word that starts zeroed.
#include <process.h>
#include <pthread.h>
#include <sched.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>

#include "state.h"
#include "sync_objects.h"

namespace standin {
namespace {

struct Waitable {
  std::mutex lock;
  std::condition_variable changed;
  bool signalled = false;
  bool manual_reset = true;  // a thread stays signalled
  DWORD exit_code = STILL_ACTIVE;
  bool is_thread = false;
};

std::mutex table_lock;
std::map<uintptr_t, std::shared_ptr<Waitable>>& Table() {
  static auto* table = new std::map<uintptr_t, std::shared_ptr<Waitable>>;
  return *table;
}
uintptr_t next_sync_handle = 0x40000000;

HANDLE AddHandle(std::shared_ptr<Waitable> object) {
  std::lock_guard<std::mutex> hold(table_lock);
  uintptr_t value = next_sync_handle;
  next_sync_handle += 4;
  Table()[value] = std::move(object);
  return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<Waitable> Find(HANDLE handle) {
  std::lock_guard<std::mutex> hold(table_lock);
  auto found = Table().find(reinterpret_cast<uintptr_t>(handle));
  return found == Table().end() ? nullptr : found->second;
}

void Signal(Waitable& object, DWORD exit_code) {
  std::lock_guard<std::mutex> hold(object.lock);
  object.exit_code = exit_code;
  object.signalled = true;
  object.changed.notify_all();
}

// The running thread's own object, signalled when it ends.
thread_local std::shared_ptr<Waitable> this_thread;

struct Start {
  LPTHREAD_START_ROUTINE routine;
  LPVOID parameter;
  std::shared_ptr<Waitable> object;
};

void* RunThread(void* argument) {
  std::unique_ptr<Start> start(static_cast<Start*>(argument));
  this_thread = start->object;
  DWORD code = start->routine(start->parameter);
  ExitThread(code);
}

}  // namespace

bool CloseSyncHandle(HANDLE handle) {
  std::lock_guard<std::mutex> hold(table_lock);
  return Table().erase(reinterpret_cast<uintptr_t>(handle)) != 0;
}

size_t OpenSyncHandleCount() {
  std::lock_guard<std::mutex> hold(table_lock);
  return Table().size();
}

}  // namespace standin

using namespace standin;

HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD,
                           LPDWORD threadId) {
  auto object = std::make_shared<Waitable>();
  object->is_thread = true;
  auto* run = new Start{start, parameter, object};
  pthread_t thread;
  if (pthread_create(&thread, nullptr, RunThread, run) != 0) {
    delete run;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  pthread_detach(thread);
  if (threadId != nullptr) *threadId = 0;
  return AddHandle(std::move(object));
}

uintptr_t _beginthreadex(void* security, unsigned stackSize, unsigned(WINAPI* start)(void*), void* argument,
                         unsigned flags, unsigned* threadId) {
  DWORD id = 0;
  HANDLE thread = CreateThread(static_cast<LPSECURITY_ATTRIBUTES>(security), stackSize,
                               reinterpret_cast<LPTHREAD_START_ROUTINE>(start), argument, flags, &id);
  if (threadId != nullptr) *threadId = id;
  return reinterpret_cast<uintptr_t>(thread);
}

void WINAPI ExitThread(DWORD exitCode) {
  if (this_thread) {
    Signal(*this_thread, exitCode);
    this_thread.reset();
  }
  pthread_exit(nullptr);
}

void _endthreadex(unsigned exitCode) { ExitThread(exitCode); }

DWORD WINAPI GetCurrentThreadId(void) { return static_cast<DWORD>(syscall(SYS_gettid)); }

BOOL WINAPI GetExitCodeThread(HANDLE thread, LPDWORD exitCode) {
  std::shared_ptr<Waitable> object = Find(thread);
  if (!object || !object->is_thread || exitCode == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::lock_guard<std::mutex> hold(object->lock);
  *exitCode = object->exit_code;
  return TRUE;
}

HANDLE WINAPI CreateEventW(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCWSTR) {
  auto object = std::make_shared<Waitable>();
  object->manual_reset = manualReset != FALSE;
  object->signalled = initialState != FALSE;
  return AddHandle(std::move(object));
}

BOOL WINAPI SetEvent(HANDLE event) {
  std::shared_ptr<Waitable> object = Find(event);
  if (!object || object->is_thread) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  Signal(*object, 0);
  return TRUE;
}

BOOL WINAPI ResetEvent(HANDLE event) {
  std::shared_ptr<Waitable> object = Find(event);
  if (!object || object->is_thread) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::lock_guard<std::mutex> hold(object->lock);
  object->signalled = false;
  return TRUE;
}

DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  std::shared_ptr<Waitable> object = Find(handle);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  std::unique_lock<std::mutex> hold(object->lock);
  auto signalled = [&] { return object->signalled; };
  if (milliseconds == INFINITE) {
    object->changed.wait(hold, signalled);
  } else if (!object->changed.wait_for(hold, std::chrono::milliseconds(milliseconds), signalled)) {
    return WAIT_TIMEOUT;
  }
  if (!object->manual_reset) object->signalled = false;
  return WAIT_OBJECT_0;
}

void WINAPI Sleep(DWORD milliseconds) {
  if (milliseconds == 0) {
    sched_yield();
    return;
  }
  timespec pause = {static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&pause, &pause) != 0) {
  }
}

// SRWLOCK: the word is 0 when free, 1 while held exclusively, and twice the
// count of shared holders otherwise. Waiters yield; holds are short.
namespace {

constexpr uintptr_t kExclusive = 1;

uintptr_t* Word(PSRWLOCK lock) { return reinterpret_cast<uintptr_t*>(&lock->Ptr); }

}  // namespace

void WINAPI InitializeSRWLock(PSRWLOCK lock) { __atomic_store_n(Word(lock), 0, __ATOMIC_RELEASE); }

void WINAPI AcquireSRWLockExclusive(PSRWLOCK lock) {
  uintptr_t expected = 0;
  while (!__atomic_compare_exchange_n(Word(lock), &expected, kExclusive, false, __ATOMIC_ACQUIRE, __ATOMIC_RELAXED)) {
    expected = 0;
    sched_yield();
  }
}

void WINAPI ReleaseSRWLockExclusive(PSRWLOCK lock) { __atomic_store_n(Word(lock), 0, __ATOMIC_RELEASE); }

void WINAPI AcquireSRWLockShared(PSRWLOCK lock) {
  uintptr_t seen = __atomic_load_n(Word(lock), __ATOMIC_RELAXED);
  for (;;) {
    if (seen != kExclusive &&
        __atomic_compare_exchange_n(Word(lock), &seen, seen + 2, false, __ATOMIC_ACQUIRE, __ATOMIC_RELAXED)) {
      return;
    }
    if (seen == kExclusive) {
      sched_yield();
      seen = __atomic_load_n(Word(lock), __ATOMIC_RELAXED);
    }
  }
}

void WINAPI ReleaseSRWLockShared(PSRWLOCK lock) { __atomic_sub_fetch(Word(lock), 2, __ATOMIC_RELEASE); }
