// An event sink for the tests: an IDispatch that answers IUnknown, IDispatch
// and the event interface it is made for, counts its references and keeps a
// copy of every notification (by-reference arguments copied as the values
// they refer to). Made to clear the arguments it receives, it behaves like a
// sink that takes them over.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <atomic>
#include <vector>

#include "win-owners/com.h"

namespace test_client {

struct Notification {
  DISPID dispid;
  DWORD thread;
  std::vector<VARTYPE> types;        // as received, rgvarg order
  std::vector<void*> references;     // byref of each argument
  std::vector<win::Variant> values;  // copies, rgvarg order
};

class RecordingSink final : public IDispatch {
 public:
  explicit RecordingSink(const IID& events, bool clears_arguments = false);
  ~RecordingSink();
  RecordingSink(const RecordingSink&) = delete;
  RecordingSink& operator=(const RecordingSink&) = delete;

  // Waits until at least count notifications arrived; false on timeout.
  bool WaitFor(size_t count, DWORD timeout_ms);
  // Only while nothing fires.
  const std::vector<Notification>& Received() const { return received_; }
  size_t ReceivedCount();
  // References held by others than the test (the first is the test's own).
  ULONG References() const { return references_.load(); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID interface_id, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** type_info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID interface_id, LPOLESTR* names, UINT name_count, LCID lcid,
                                          DISPID* dispids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID interface_id, LCID lcid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argument_error) override;

 private:
  const IID events_;
  const bool clears_arguments_;
  std::atomic<ULONG> references_{1};
  CRITICAL_SECTION lock_;
  CONDITION_VARIABLE arrived_ = CONDITION_VARIABLE_INIT;
  std::vector<Notification> received_;
};

}  // namespace test_client
