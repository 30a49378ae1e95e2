#include "client.h"

namespace test_client {

HRESULT Call(IDispatch* object, const wchar_t* name, WORD flags, std::vector<VARIANT> args, VARIANT* result,
             EXCEPINFO* exception) {
  DISPID dispid = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &dispid);
  if (FAILED(hr)) return hr;
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPID put = DISPID_PROPERTYPUT;
  const bool is_put = (flags & DISPATCH_PROPERTYPUT) != 0;
  DISPPARAMS params = {reversed.data(), is_put ? &put : nullptr, static_cast<UINT>(reversed.size()), is_put ? 1u : 0u};
  return object->Invoke(dispid, IID_NULL, 0, flags, &params, result, exception, nullptr);
}

VARIANT I4(LONG value) {
  VARIANT v;
  v.vt = VT_I4;
  v.lVal = value;
  return v;
}

VARIANT Text(const win::Bstr& text) {
  VARIANT v;
  v.vt = VT_BSTR;
  v.bstrVal = text.get();
  return v;
}

VARIANT Ref(VARTYPE type, void* cell) {
  VARIANT v;
  v.vt = VT_BYREF | type;
  v.byref = cell;
  return v;
}

VARIANT Object(IDispatch* object) {
  VARIANT v;
  v.vt = VT_DISPATCH;
  v.pdispVal = object;
  return v;
}

std::wstring TextOf(const VARIANT& v) {
  return v.vt == VT_BSTR && v.bstrVal != nullptr ? std::wstring(v.bstrVal, SysStringLen(v.bstrVal)) : L"<not text>";
}

win::Variant Element(const VARIANT& array, std::vector<LONG> indices) {
  win::Variant element;
  EXPECT_EQ(SafeArrayGetElement(array.parray, indices.data(), element.get()), S_OK);
  return element;
}

win::ComPtr<IDispatch> Create(const wchar_t* prog_id, DWORD context) {
  win::ComPtr<IDispatch> object;
  CLSID class_id = {};
  EXPECT_EQ(CLSIDFromProgID(prog_id, &class_id), S_OK) << prog_id;
  EXPECT_EQ(CoCreateInstance(class_id, nullptr, context, IID_IDispatch, object.put_void()), S_OK) << prog_id;
  return object;
}

void ProbedTest::SetUp() {
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
  probe_ = Create(ProbeProgId(), Context());
  ASSERT_TRUE(probe_);
  ASSERT_EQ(Call(probe_.get(), L"Reset", DISPATCH_METHOD, {}, nullptr), S_OK);
}

void ProbedTest::TearDown() {
  ReleaseObjects();
  if (probe_) {
    EXPECT_EQ(Count(L"LiveObjects"), 0);
    EXPECT_EQ(Count(L"References"), 0);
    EXPECT_EQ(Count(L"Sinks"), 0);
    SetProbe(L"RecordTypeCalls", false);
  }
  probe_.reset();
  CoUninitialize();
}

LONG ProbedTest::Count(const wchar_t* member) {
  win::Variant value;
  EXPECT_EQ(Call(probe_.get(), member, DISPATCH_PROPERTYGET, {}, value.get()), S_OK) << member;
  return value.get()->lVal;
}

std::wstring ProbedTest::Calls() {
  win::Variant json;
  EXPECT_EQ(Call(probe_.get(), L"Calls", DISPATCH_PROPERTYGET, {}, json.get()), S_OK);
  return TextOf(*json.get());
}

void ProbedTest::SetProbe(const wchar_t* member, bool on) {
  VARIANT value;
  value.vt = VT_BOOL;
  value.boolVal = on ? VARIANT_TRUE : VARIANT_FALSE;
  EXPECT_EQ(Call(probe_.get(), member, DISPATCH_PROPERTYPUT, {value}, nullptr), S_OK) << member;
}

}  // namespace test_client
