// The firing members of every object with events (TestServer,
// TestDualEvents, TestForeignEvents, TestNoTypeInfo), with the same names and
// DISPIDs on each. They answer DISPATCH_METHOD and DISPATCH_PROPERTYGET, take
// no named arguments, and read their numbers as 32-bit integers (text and
// other numbers are coerced). Every one is recorded like any call.
//
//   FireNow(dispid, args...)
//                fires once, synchronously on the calling thread, with the
//                arguments after dispid exactly as received: the event's
//                rgvarg is the call's rgvarg without its last element (the
//                dispid), the same VARIANTs, by-reference ones included, so a
//                sink sees the caller's cells. VT_I4 number of sinks called.
//   FireKinds(dispid)
//                fires one event with one argument of every kind (event_kinds.h)
//                and notes "cellsUnchanged" in its call record; VT_I4 number
//                of sinks called.
//   FireFromThread(dispid, count)
//                one new thread fires `count` events (firing_threads.h:
//                arguments thread index 0 and sequence 1..count); returns at
//                once.
//   FireFromThreads(dispid, threads, count)
//                `threads` threads (1..64) at once, indices 0..threads-1, each
//                numbering its own events 1..count.
//   WaitFiring() waits for every thread the two above started on this object;
//                VT_I4 number of events they raised.
//   StartFiring(dispid, threads, [pause])
//                `threads` threads fire in a loop until StopFiring, with no
//                pause between events (or `pause` milliseconds); returns at
//                once.
//   StopFiring() stops and waits for them; VT_I4 number of events they raised.
//
// A count below 1, a thread count outside 1..64 or a negative pause:
// E_INVALIDARG. Threads hold a reference on the object while they run: a
// test waits or stops before it checks that nothing is left.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <cstddef>

#include "arguments.h"
#include "dispatch_object.h"

namespace test_server {

class ConnectionPoint;
class FiringThreads;

extern const MemberName kEventMemberNames[];
extern const size_t kEventMemberCount;

bool IsEventMember(DISPID dispid);

// What the members act on: the object, its connection point and its threads.
struct EventTarget {
  IUnknown* object;
  ConnectionPoint& point;
  FiringThreads& threads;
};

HRESULT DispatchEventMember(const EventTarget& target, DISPID dispid, const Invocation& call);

}  // namespace test_server
