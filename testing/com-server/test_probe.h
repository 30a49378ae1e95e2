// Quillaret.TestProbe: reads what the TestServer objects of this process
// recorded and counted, without being counted or recorded itself.
//   Calls        property get: VT_BSTR, the call record as JSON
//                (call_record.h)
//   LiveObjects  property get: VT_I4, TestServer objects alive
//   References   property get: VT_I4, the sum of their reference counts
//   Reset()      clears the call record (the counts stay)
//   Recording    property get / put: VT_BOOL, whether calls are recorded (on
//                in a new process; benchmarks switch it off)
// The reading members answer DISPATCH_METHOD and DISPATCH_PROPERTYGET alike
// and take no arguments.
#pragma once

#include <windows.h>

namespace test_server {

// The class factory's creation function.
HRESULT CreateTestProbe(REFIID interface_id, void** object);

}  // namespace test_server
