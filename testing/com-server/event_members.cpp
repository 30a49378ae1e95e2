#include "event_members.h"

#include "call_record.h"
#include "connection_point.h"
#include "dispids.h"
#include "event_kinds.h"
#include "firing_threads.h"
#include "results.h"

namespace test_server {

const MemberName kEventMemberNames[] = {
    {L"FireNow", DISPID_FIRE_NOW},
    {L"FireKinds", DISPID_FIRE_KINDS},
    {L"FireFromThread", DISPID_FIRE_FROM_THREAD},
    {L"FireFromThreads", DISPID_FIRE_FROM_THREADS},
    {L"WaitFiring", DISPID_WAIT_FIRING},
    {L"StartFiring", DISPID_START_FIRING},
    {L"StopFiring", DISPID_STOP_FIRING},
};
const size_t kEventMemberCount = sizeof(kEventMemberNames) / sizeof(kEventMemberNames[0]);

namespace {

// The argument counts each member accepts.
bool CountFits(DISPID dispid, UINT count) {
  switch (dispid) {
    case DISPID_FIRE_NOW:
      return count >= 1;
    case DISPID_FIRE_KINDS:
      return count == 1;
    case DISPID_FIRE_FROM_THREAD:
      return count == 2;
    case DISPID_FIRE_FROM_THREADS:
      return count == 3;
    case DISPID_START_FIRING:
      return count == 2 || count == 3;
    default:
      return count == 0;
  }
}

// Reads the first `n` arguments as 32-bit integers (an omitted optional one
// keeps its value), blaming the one that does not convert.
HRESULT Int32Arguments(const Invocation& call, LONG* values, UINT n) {
  for (UINT k = 0; k < n && k < call.Count(); ++k) {
    if (IsMissing(call.Argument(k))) continue;
    if (FAILED(ArgumentInt32(call.Argument(k), values[k]))) {
      call.BlameArgument(k);
      return DISP_E_TYPEMISMATCH;
    }
  }
  return S_OK;
}

HRESULT FireNow(ConnectionPoint& point, DISPID dispid, const Invocation& call) {
  DISPPARAMS event = {call.params.rgvarg, nullptr, call.Count() - 1, 0};
  if (event.cArgs == 0) event.rgvarg = nullptr;
  return SetInt32(call.result, point.Fire(dispid, event));
}

HRESULT FireKindsMember(ConnectionPoint& point, DISPID dispid, const Invocation& call) {
  LONG sinks = 0;
  bool unchanged = true;
  HRESULT hr = FireKinds(point, dispid, &sinks, &unchanged);
  if (call.record != nullptr) call.record->Note(L"cellsUnchanged", unchanged);
  return FAILED(hr) ? hr : SetInt32(call.result, sinks);
}

}  // namespace

bool IsEventMember(DISPID dispid) { return dispid >= DISPID_FIRE_NOW && dispid <= DISPID_STOP_FIRING; }

HRESULT DispatchEventMember(const EventTarget& target, DISPID dispid, const Invocation& call) {
  if ((call.flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) == 0) return DISP_E_MEMBERNOTFOUND;
  if (call.params.cNamedArgs != 0) return DISP_E_NONAMEDARGS;
  if (!CountFits(dispid, call.Count())) return DISP_E_BADPARAMCOUNT;
  LONG numbers[3] = {0, 0, 0};
  HRESULT hr = Int32Arguments(call, numbers, dispid == DISPID_FIRE_NOW ? 1 : 3);
  if (FAILED(hr)) return hr;
  const DISPID event = numbers[0];
  switch (dispid) {
    case DISPID_FIRE_NOW:
      return FireNow(target.point, event, call);
    case DISPID_FIRE_KINDS:
      return FireKindsMember(target.point, event, call);
    case DISPID_FIRE_FROM_THREAD:
      return target.threads.StartCounted(target.object, target.point, event, 1, numbers[1]);
    case DISPID_FIRE_FROM_THREADS:
      return target.threads.StartCounted(target.object, target.point, event, numbers[1], numbers[2]);
    case DISPID_WAIT_FIRING:
      return SetInt32(call.result, target.threads.WaitCounted());
    case DISPID_START_FIRING:
      return target.threads.StartLooping(target.object, target.point, event, numbers[1], numbers[2]);
    case DISPID_STOP_FIRING:
      return SetInt32(call.result, target.threads.StopLooping());
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

}  // namespace test_server
