// What the test server's events and its local server cost: one event fired
// synchronously to a sink (FireNow), the rate of the looping firing threads
// into a sink, and for the local server the start, one call, one event and
// the threads' rate across the process boundary, and how long the process
// takes to end after its last object. Prints one line each.
//   com-server-events-bench [events]   (default 20000)
#include <windows.h>
#include <ocidl.h>
#include <oleauto.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "win-owners/com.h"
#include "../dispids.h"
#include "../server_ids.h"
#include "bench_support.h"

namespace {

using namespace test_server;
using namespace test_server_bench;

// A sink that only counts.
class CountingSink final : public IDispatch {
 public:
  std::atomic<long> events{0};

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, kServerEventsId)) {
      *object = static_cast<IDispatch*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    ++events;
    return S_OK;
  }
};

HRESULT Invoke(IDispatch* object, DISPID dispid, std::vector<VARIANT> args, VARIANT* result) {
  std::reverse(args.begin(), args.end());
  DISPPARAMS params = {args.data(), nullptr, static_cast<UINT>(args.size()), 0};
  return object->Invoke(dispid, IID_NULL, 0, DISPATCH_METHOD, &params, result, nullptr, nullptr);
}

void SwitchRecordingOff(IDispatch* probe) {
  DISPID put = DISPID_PROPERTYPUT;
  VARIANT off;
  off.vt = VT_BOOL;
  off.boolVal = VARIANT_FALSE;
  DISPPARAMS params = {&off, &put, 1, 1};
  probe->Invoke(DISPID_PROBE_RECORDING, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
}

win::ComPtr<IConnectionPoint> PointOf(IDispatch* object) {
  win::ComPtr<IConnectionPointContainer> container;
  win::ComPtr<IConnectionPoint> point;
  if (SUCCEEDED(object->QueryInterface(IID_IConnectionPointContainer, container.put_void()))) {
    container->FindConnectionPoint(kServerEventsId, point.put());
  }
  return point;
}

double FireNowMicros(IDispatch* server, int events) {
  return MedianMicros(events, [server] {
    win::Variant ignored;
    Invoke(server, DISPID_FIRE_NOW, {I4(DISPID_EVENT_NOTE), I4(1)}, ignored.get());
  });
}

// Events per second the looping threads deliver to the sink in one second.
double LoopRate(IDispatch* server, CountingSink& sink, LONG threads) {
  const long before = sink.events.load();
  win::Variant ignored;
  const double start = Now();
  Invoke(server, DISPID_START_FIRING, {I4(DISPID_EVENT_TICK), I4(threads)}, ignored.get());
  Sleep(1000);
  Invoke(server, DISPID_STOP_FIRING, {}, ignored.get());
  return (sink.events.load() - before) / (Now() - start);
}

void BenchEvents(const char* where, IDispatch* server, int events) {
  CountingSink sink;
  win::ComPtr<IConnectionPoint> point = PointOf(server);
  DWORD cookie = 0;
  if (!point || FAILED(point->Advise(&sink, &cookie))) {
    std::printf("com-server %s: could not advise a sink\n", where);
    return;
  }
  std::printf("com-server %s: FireNow to one sink, median per event over %d events: %.2f us\n", where, events,
              FireNowMicros(server, events));
  for (LONG threads : {1, 2}) {
    std::printf("com-server %s: StartFiring with %ld thread(s), events reaching the sink: %.0f per second\n", where,
                threads, LoopRate(server, sink, threads));
  }
  point->Unadvise(cookie);
}

void BenchLocalServer(int events) {
  const double start = Now();
  win::ComPtr<IDispatch> server, probe;
  if (FAILED(CoCreateInstance(kLocalProbeClassId, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, probe.put_void())) ||
      FAILED(CoCreateInstance(kLocalServerClassId, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, server.put_void()))) {
    std::printf("com-server local: the local server is not registered or did not start\n");
    return;
  }
  win::Variant process_id;
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  probe->Invoke(DISPID_PROBE_PROCESS_ID, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, process_id.get(), nullptr, nullptr);
  std::printf("com-server local: started and first call answered in %.1f ms\n", (Now() - start) * 1e3);
  SwitchRecordingOff(probe.get());
  std::printf("com-server local: Add(2, 3) by DISPID, median per call over %d calls: %.1f us\n", events,
              MedianMicros(events, [&server] {
                win::Variant sum;
                Invoke(server.get(), DISPID_SERVER_ADD, {I4(2), I4(3)}, sum.get());
              }));
  BenchEvents("local", server.get(), events);

  win::UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(process_id.get()->lVal)));
  server.reset();
  const double released = Now();
  probe.reset();
  if (process && WaitForSingleObject(process.get(), 10000) == WAIT_OBJECT_0) {
    std::printf("com-server local: process ended %.0f ms after its last object was released\n",
                (Now() - released) * 1e3);
  } else {
    std::printf("com-server local: process did not end within 10 s of its last object\n");
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int events = std::max(100, argc > 1 ? std::atoi(argv[1]) : 20000);
  if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 1;
  {
    win::ComPtr<IDispatch> server, probe;
    if (FAILED(CoCreateInstance(kServerClassId, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, server.put_void())) ||
        FAILED(CoCreateInstance(kProbeClassId, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, probe.put_void()))) {
      std::printf("com-server: the test server is not registered\n");
      return 1;
    }
    SwitchRecordingOff(probe.get());
    BenchEvents("in-process", server.get(), events);
  }
  BenchLocalServer(std::max(100, events / 10));
  CoUninitialize();
  return 0;
}
