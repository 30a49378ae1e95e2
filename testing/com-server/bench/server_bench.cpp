// What the test server itself costs a client, the floor under any automation
// bridge benchmark that drives it: one Add(2, 3) call as a bridge makes it
// (GetIDsOfNames, then Invoke), with the call record on and off, the probe
// reading the record those calls left, and Table building and freeing a large
// array. Prints one line each.
//   com-server-bench [calls] [table side]   (defaults 100000, 1000)
#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "win-owners/com.h"
#include "../server_ids.h"
#include "bench_support.h"

namespace {

using namespace test_server;
using namespace test_server_bench;

HRESULT CallByName(IDispatch* object, const wchar_t* name, WORD flags, VARIANT* args, UINT count, VARIANT* result) {
  DISPID dispid = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &dispid);
  if (FAILED(hr)) return hr;
  DISPID put = DISPID_PROPERTYPUT;
  const bool is_put = flags == DISPATCH_PROPERTYPUT;
  DISPPARAMS params = {args, is_put ? &put : nullptr, count, is_put ? 1u : 0u};
  return object->Invoke(dispid, IID_NULL, 0, flags, &params, result, nullptr, nullptr);
}

// Median microseconds per Add(2, 3) call by name.
double AddCallMicros(IDispatch* server, int calls) {
  return MedianMicros(calls, [server] {
    VARIANT args[] = {I4(3), I4(2)};
    win::Variant sum;
    CallByName(server, L"Add", DISPATCH_METHOD, args, 2, sum.get());
  });
}

}  // namespace

int main(int argc, char** argv) {
  const int calls = std::max(100, argc > 1 ? std::atoi(argv[1]) : 100000);
  const LONG side = argc > 2 ? std::atoi(argv[2]) : 1000;
  if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 1;
  {
    win::ComPtr<IDispatch> server, probe;
    if (FAILED(CoCreateInstance(kServerClassId, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, server.put_void())) ||
        FAILED(CoCreateInstance(kProbeClassId, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, probe.put_void()))) {
      std::printf("com-server: the test server is not registered\n");
      return 1;
    }
    win::Variant ignored;
    CallByName(probe.get(), L"Reset", DISPATCH_METHOD, nullptr, 0, ignored.get());
    std::printf("com-server: Add(2, 3) by name, recorded, median per call over %d calls: %.2f us\n", calls,
                AddCallMicros(server.get(), calls));

    double start = Now();
    win::Variant record;
    CallByName(probe.get(), L"Calls", DISPATCH_PROPERTYGET, nullptr, 0, record.get());
    const double read_ms = (Now() - start) * 1e3;
    std::printf("com-server: reading the record of those calls: %.1f ms, %u characters (%.0f per call)\n", read_ms,
                SysStringLen(record.get()->bstrVal), static_cast<double>(SysStringLen(record.get()->bstrVal)) / calls);
    CallByName(probe.get(), L"Reset", DISPATCH_METHOD, nullptr, 0, ignored.get());

    VARIANT off;
    off.vt = VT_BOOL;
    off.boolVal = VARIANT_FALSE;
    CallByName(probe.get(), L"Recording", DISPATCH_PROPERTYPUT, &off, 1, nullptr);
    std::printf("com-server: Add(2, 3) by name, not recorded, median per call over %d calls: %.2f us\n", calls,
                AddCallMicros(server.get(), calls));

    VARIANT table_args[] = {I4(1), I4(side), I4(side)};
    start = Now();
    win::Variant table;
    HRESULT hr = CallByName(server.get(), L"Table", DISPATCH_METHOD, table_args, 3, table.get());
    const double build_ms = (Now() - start) * 1e3;
    start = Now();
    table = win::Variant();
    const double free_ms = (Now() - start) * 1e3;
    std::printf("com-server: Table(%ld, %ld, 1): built in %.1f ms, freed in %.1f ms (hr 0x%08lx)\n", side, side,
                build_ms, free_ms, static_cast<unsigned long>(hr));
  }
  CoUninitialize();
  return 0;
}
