#include "recording_sink.h"

#include <oleauto.h>

#include <utility>

namespace test_client {

RecordingSink::RecordingSink(const IID& events, bool clears_arguments)
    : events_(events), clears_arguments_(clears_arguments) {
  InitializeCriticalSection(&lock_);
}

RecordingSink::~RecordingSink() { DeleteCriticalSection(&lock_); }

bool RecordingSink::WaitFor(size_t count, DWORD timeout_ms) {
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  EnterCriticalSection(&lock_);
  while (received_.size() < count) {
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline || !SleepConditionVariableCS(&arrived_, &lock_, static_cast<DWORD>(deadline - now))) break;
  }
  const bool arrived = received_.size() >= count;
  LeaveCriticalSection(&lock_);
  return arrived;
}

size_t RecordingSink::ReceivedCount() {
  EnterCriticalSection(&lock_);
  const size_t count = received_.size();
  LeaveCriticalSection(&lock_);
  return count;
}

HRESULT RecordingSink::QueryInterface(REFIID interface_id, void** object) {
  if (object == nullptr) return E_POINTER;
  if (IsEqualIID(interface_id, IID_IUnknown) || IsEqualIID(interface_id, IID_IDispatch) ||
      (!IsEqualIID(events_, IID_NULL) && IsEqualIID(interface_id, events_))) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

// The test owns the sink; references only count.
ULONG RecordingSink::AddRef() { return ++references_; }
ULONG RecordingSink::Release() { return --references_; }

HRESULT RecordingSink::GetTypeInfoCount(UINT* count) {
  if (count != nullptr) *count = 0;
  return S_OK;
}
HRESULT RecordingSink::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
HRESULT RecordingSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

HRESULT RecordingSink::Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) {
  Notification notification{dispid, GetCurrentThreadId(), {}, {}, {}};
  for (UINT i = 0; params != nullptr && i < params->cArgs; ++i) {
    VARIANT& argument = params->rgvarg[i];
    notification.types.push_back(argument.vt);
    notification.references.push_back((argument.vt & VT_BYREF) != 0 ? argument.byref : nullptr);
    notification.values.emplace_back();
    VariantCopyInd(notification.values.back().get(), &argument);
    if (clears_arguments_) VariantClear(&argument);
  }
  EnterCriticalSection(&lock_);
  received_.push_back(std::move(notification));
  LeaveCriticalSection(&lock_);
  WakeAllConditionVariable(&arrived_);
  return S_OK;
}

}  // namespace test_client
