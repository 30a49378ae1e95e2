// Quillaret.TestProbe: reads what the TestServer objects of this process
// recorded and counted, without being counted or recorded itself.
//   Calls        property get: VT_BSTR, the call record as JSON
//                (call_record.h)
//   LiveObjects  property get: VT_I4, counted objects alive (server_object.h;
//                collections and their enumerators too)
//   References   property get: VT_I4, the sum of their reference counts
//   Sinks        property get: VT_I4, sinks advised right now on the
//                connection points of all objects
//   EventsFired  property get: VT_I4, sink Invoke calls made since Reset (one
//                per advised sink per event)
//   Reset()      clears the call record and EventsFired (the other counts
//                stay)
//   Recording    property get / put: VT_BOOL, whether calls are recorded (on
//                in a new process; benchmarks switch it off)
//   RecordTypeCalls
//                property get / put: VT_BOOL, whether the calls a client
//                makes to learn about an object are recorded too (off in a
//                new process)
//   ProcessId    property get: VT_I4, the process the probe runs in (the
//                local server's, for Quillaret.TestProbe.Local)
// The reading members answer DISPATCH_METHOD and DISPATCH_PROPERTYGET alike
// and take no arguments.
#pragma once

#include <windows.h>

namespace test_server {

// The class factory's creation function.
HRESULT CreateTestProbe(REFIID interface_id, void** object);

}  // namespace test_server
