// The threads an object fires events from. Each joins the multithreaded
// apartment, holds a reference on the object while it runs (so the object
// and its connection point outlive it) and fires Tick-shaped events: two
// VT_I4 arguments, declared (thread index, sequence number), so rgvarg[0]
// is the sequence number and rgvarg[1] the thread index. Thread indices
// count from 0 in each start; sequence numbers from 1 in each thread.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <atomic>
#include <vector>

namespace test_server {

class ConnectionPoint;

class FiringThreads {
 public:
  FiringThreads() = default;
  // Closes the handles of threads that may still be finishing; does not
  // wait (the last reference on the object may be released on one of them).
  ~FiringThreads();
  FiringThreads(const FiringThreads&) = delete;
  FiringThreads& operator=(const FiringThreads&) = delete;

  // `threads` threads, each firing `count` events at once and ending.
  HRESULT StartCounted(IUnknown* object, ConnectionPoint& point, DISPID dispid, LONG threads, LONG count);
  // `threads` threads firing until Stop, pausing `pause_ms` milliseconds
  // after each event (0: none).
  HRESULT StartLooping(IUnknown* object, ConnectionPoint& point, DISPID dispid, LONG threads, LONG pause_ms);
  // Wait for the counted threads started so far / stop and wait for the
  // looping ones; each returns the events those threads raised, whether or
  // not a sink was advised at the time.
  LONG WaitCounted();
  LONG StopLooping();

 private:
  struct Group {
    std::vector<HANDLE> threads;
    std::atomic<LONG> raised{0};
    std::atomic<bool> stop{false};
  };

  HRESULT Start(Group& group, IUnknown* object, ConnectionPoint& point, DISPID dispid, LONG threads, LONG count,
                LONG pause_ms);
  LONG Finish(Group& group);

  SRWLOCK lock_ = SRWLOCK_INIT;  // guards the handle lists
  Group counted_;
  Group looping_;
};

}  // namespace test_server
