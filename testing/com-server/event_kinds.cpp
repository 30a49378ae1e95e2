#include "event_kinds.h"

#include <oleauto.h>

#include <cstring>
#include <string>

#include "win-owners/com.h"
#include "connection_point.h"
#include "results.h"
#include "safe_arrays.h"
#include "test_server.h"

namespace test_server {
namespace {

constexpr UINT kArguments = 13;

// The event's arguments in rgvarg order, the cells they refer to, and what
// they were before the event.
class KindsEvent {
 public:
  KindsEvent() {
    for (VARIANT& argument : arguments_) VariantInit(&argument);
  }
  ~KindsEvent() {
    for (VARIANT& argument : arguments_) VariantClear(&argument);
  }
  KindsEvent(const KindsEvent&) = delete;
  KindsEvent& operator=(const KindsEvent&) = delete;

  HRESULT Build() {
    HRESULT hr = SetText(variant_cell_.get(), L"inner");
    if (SUCCEEDED(hr)) hr = SetText(&Declared(5), L"kinds");
    *text_cell_.put() = SysAllocString(L"cell");
    if (text_cell_.get() == nullptr) hr = E_OUTOFMEMORY;
    if (SUCCEEDED(hr)) hr = SetArray(&Declared(10), Int32VariantArray({1, 2, 3}, 0));
    if (FAILED(hr)) return hr;
    SetInt32(&Declared(1), 42);
    Declared(2).vt = VT_UI1;
    Declared(2).bVal = 200;
    Declared(3).vt = VT_R8;
    Declared(3).dblVal = 2.5;
    Declared(4).vt = VT_BOOL;
    Declared(4).boolVal = VARIANT_TRUE;
    Declared(6).vt = VT_DATE;
    Declared(6).date = 45000.25;
    Declared(7).vt = VT_NULL;
    Declared(9).vt = VT_DISPATCH;
    Declared(9).pdispVal = NewTestServer();
    Declared(11).vt = VT_I4 | VT_BYREF;
    Declared(11).plVal = &i4_cell_;
    text_cell_value_ = text_cell_.get();
    Declared(12).vt = VT_BSTR | VT_BYREF;
    Declared(12).pbstrVal = &text_cell_value_;
    Declared(13).vt = VT_VARIANT | VT_BYREF;
    Declared(13).pvarVal = variant_cell_.get();
    std::memcpy(arguments_before_, arguments_, sizeof(arguments_));
    variant_cell_before_ = *variant_cell_.get();
    return S_OK;
  }

  DISPPARAMS Params() { return DISPPARAMS{arguments_, nullptr, kArguments, 0}; }

  bool Unchanged() const {
    return std::memcmp(arguments_before_, arguments_, sizeof(arguments_)) == 0 && i4_cell_ == 7 &&
           text_cell_value_ == text_cell_.get() &&
           std::memcmp(&variant_cell_before_, variant_cell_.get(), sizeof(VARIANT)) == 0 &&
           Reads(arguments_[kArguments - 5].bstrVal, L"kinds") && Reads(text_cell_.get(), L"cell") &&
           Reads(variant_cell_.get()->bstrVal, L"inner");
  }

 private:
  // Argument k of the declared order, counted from 1.
  VARIANT& Declared(UINT k) { return arguments_[kArguments - k]; }

  static bool Reads(BSTR text, const wchar_t* expected) {
    return text != nullptr && std::wstring(text, SysStringLen(text)) == expected;
  }

  VARIANT arguments_[kArguments];
  VARIANT arguments_before_[kArguments];
  LONG i4_cell_ = 7;
  win::Bstr text_cell_;
  BSTR text_cell_value_ = nullptr;  // the cell argument 12 refers to
  win::Variant variant_cell_;
  VARIANT variant_cell_before_;
};

}  // namespace

HRESULT FireKinds(ConnectionPoint& point, DISPID dispid, LONG* sinks_called, bool* unchanged) {
  KindsEvent event;
  HRESULT hr = event.Build();
  if (FAILED(hr)) return hr;
  DISPPARAMS params = event.Params();
  *sinks_called = point.Fire(dispid, params);
  *unchanged = event.Unchanged();
  return S_OK;
}

}  // namespace test_server
