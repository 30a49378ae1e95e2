#include "test_probe.h"

#include <oleauto.h>

#include <atomic>

#include "arguments.h"
#include "call_record.h"
#include "win-owners/com.h"
#include "dispatch_object.h"
#include "module.h"
#include "object_counts.h"
#include "results.h"
#include "server_ids.h"

namespace test_server {
namespace {

const MemberName kMembers[] = {
    {L"Calls", DISPID_PROBE_CALLS},
    {L"LiveObjects", DISPID_PROBE_LIVE_OBJECTS},
    {L"References", DISPID_PROBE_REFERENCES},
    {L"Reset", DISPID_PROBE_RESET},
    {L"Recording", DISPID_PROBE_RECORDING},
    {L"Sinks", DISPID_PROBE_SINKS},
    {L"EventsFired", DISPID_PROBE_EVENTS_FIRED},
    {L"RecordTypeCalls", DISPID_PROBE_RECORD_TYPE_CALLS},
    {L"ProcessId", DISPID_PROBE_PROCESS_ID},
};

HRESULT SetBool(VARIANT* result, bool value) {
  result->vt = VT_BOOL;
  result->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

class TestProbe final : public DispatchObject {
 public:
  TestProbe() : DispatchObject(kMembers, sizeof(kMembers) / sizeof(kMembers[0]), kProbeInterfaceId) { LockModule(); }
  TestProbe(const TestProbe&) = delete;
  TestProbe& operator=(const TestProbe&) = delete;

  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID interface_id, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, UINT*) override {
    if (!IsEqualIID(interface_id, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (NameOf(dispid) == nullptr) return DISP_E_MEMBERNOTFOUND;
    if (params == nullptr || !WellFormed(*params)) return E_INVALIDARG;
    if ((flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0) return Write(dispid, *params);
    if ((flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) == 0) return DISP_E_MEMBERNOTFOUND;
    if (params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
    win::Variant value;
    HRESULT hr = Read(dispid, value.get());
    if (SUCCEEDED(hr) && result != nullptr) *result = value.release();
    return hr;
  }

 private:
  ~TestProbe() override { UnlockModule(); }

  static HRESULT Read(DISPID dispid, VARIANT* result) {
    switch (dispid) {
      case DISPID_PROBE_CALLS:
        return SetText(result, CallRecordJson());
      case DISPID_PROBE_LIVE_OBJECTS:
        return SetInt32(result, LiveObjects());
      case DISPID_PROBE_REFERENCES:
        return SetInt32(result, ReferenceTotal());
      case DISPID_PROBE_RESET:
        ResetCallRecord();
        ResetNotifications();
        return S_OK;
      case DISPID_PROBE_RECORDING:
        return SetBool(result, Recording());
      case DISPID_PROBE_SINKS:
        return SetInt32(result, AdvisedSinks());
      case DISPID_PROBE_EVENTS_FIRED:
        return SetInt32(result, Notifications());
      case DISPID_PROBE_RECORD_TYPE_CALLS:
        return SetBool(result, RecordingTypeCalls());
      case DISPID_PROBE_PROCESS_ID:
        return SetInt32(result, static_cast<LONG>(GetCurrentProcessId()));
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
  }

  static HRESULT Write(DISPID dispid, const DISPPARAMS& params) {
    if (dispid != DISPID_PROBE_RECORDING && dispid != DISPID_PROBE_RECORD_TYPE_CALLS) return DISP_E_MEMBERNOTFOUND;
    HRESULT hr = CheckPut(params, 1);
    if (FAILED(hr)) return hr;
    bool on = true;
    if (FAILED(ArgumentBool(params.rgvarg[0], on))) return DISP_E_TYPEMISMATCH;
    if (dispid == DISPID_PROBE_RECORDING)
      SetRecording(on);
    else
      SetRecordingTypeCalls(on);
    return S_OK;
  }

  std::atomic<ULONG> references_{1};
};

}  // namespace

HRESULT CreateTestProbe(REFIID interface_id, void** object) {
  auto probe = win::ComPtr<IDispatch>::Adopt(new TestProbe());
  return probe->QueryInterface(interface_id, object);
}

}  // namespace test_server
