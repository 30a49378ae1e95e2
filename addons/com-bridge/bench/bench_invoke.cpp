// Benchmark addon (build tree only; scripts/bench-com-bridge.sh loads it
// beside com-bridge.node in one node.exe). It does from C++ what the script
// side does through com-bridge, on its own object of the same in-process
// test server:
//   ComBridgeBench(n)   n > 0: n calls of Add(1, 2), GetIDsOfNames + Invoke
//                       each; returns microseconds per call
//   ComBridgeBench(-n)  Table(n, n, 0) fetched once and walked element by
//                       element with SafeArrayGetElement; returns
//                       microseconds for the whole fetch and walk
#include "napi_utils.h"

#include <objbase.h>
#include <oleauto.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

double Now() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return 1e6 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

IDispatch* TestServer() {
  static IDispatch* server = [] {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    CLSID clsid;
    IDispatch* object = nullptr;
    if (SUCCEEDED(CLSIDFromProgID(L"Quillaret.TestServer", &clsid)))
      CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&object));
    return object;
  }();
  return server;
}

HRESULT Call(IDispatch* object, const wchar_t* member, WORD flags, VARIANT* arguments, UINT count, VARIANT* result) {
  DISPID dispid;
  auto* name = const_cast<LPOLESTR>(member);
  HRESULT outcome = object->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &dispid);
  if (FAILED(outcome)) return outcome;
  DISPPARAMS params = {arguments, nullptr, count, 0};
  return object->Invoke(dispid, IID_NULL, 0, flags, &params, result, nullptr, nullptr);
}

double TimeAdd(IDispatch* server, std::int64_t calls) {
  double start = Now();
  for (std::int64_t i = 0; i < calls; ++i) {
    VARIANT arguments[2];
    arguments[0].vt = VT_I4;  // the last argument first
    arguments[0].lVal = 2;
    arguments[1].vt = VT_I4;
    arguments[1].lVal = 1;
    VARIANT result;
    VariantInit(&result);
    Call(server, L"Add", DISPATCH_METHOD, arguments, 2, &result);
    VariantClear(&result);
  }
  return (Now() - start) / static_cast<double>(calls);
}

double TimeTable(IDispatch* server, LONG size) {
  double start = Now();
  VARIANT arguments[3];
  arguments[0].vt = VT_I4;  // lower bound
  arguments[0].lVal = 0;
  arguments[1].vt = VT_I4;  // columns
  arguments[1].lVal = size;
  arguments[2].vt = VT_I4;  // rows
  arguments[2].lVal = size;
  VARIANT table;
  VariantInit(&table);
  if (FAILED(Call(server, L"Table", DISPATCH_PROPERTYGET, arguments, 3, &table)) || table.vt != (VT_ARRAY | VT_VARIANT))
    return -1;
  double sum = 0;
  for (LONG i = 0; i < size; ++i) {
    for (LONG j = 0; j < size; ++j) {
      LONG index[2] = {i, j};
      VARIANT element;
      VariantInit(&element);
      if (SUCCEEDED(SafeArrayGetElement(table.parray, index, &element)) && element.vt == VT_R8) sum += element.dblVal;
      VariantClear(&element);
    }
  }
  VariantClear(&table);
  return sum >= 0 ? Now() - start : -1;
}

Napi::Value ComBridgeBench(const Napi::CallbackInfo& info) {
  return napi_utils::RunMethod(info, "ComBridgeBench", [&info]() -> std::string {
    const std::int64_t n = napi_utils::GetInt64Argument(info, 0);
    IDispatch* server = TestServer();
    if (server == nullptr || n == 0) return std::string();
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", n > 0 ? TimeAdd(server, n) : TimeTable(server, static_cast<LONG>(-n)));
    return text;
  });
}

}  // namespace

const napi_utils::MethodExport napi_utils::kMethod{"ComBridgeBench", ComBridgeBench};
