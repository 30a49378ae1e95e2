#include "results.h"

#include <oleauto.h>

namespace test_server {

HRESULT SetInt32(VARIANT* result, LONG value) {
  result->vt = VT_I4;
  result->lVal = value;
  return S_OK;
}

HRESULT SetText(VARIANT* result, const wchar_t* text, size_t length) {
  BSTR bstr = SysAllocStringLen(text, static_cast<UINT>(length));
  if (bstr == nullptr) return E_OUTOFMEMORY;
  result->vt = VT_BSTR;
  result->bstrVal = bstr;
  return S_OK;
}

HRESULT SetText(VARIANT* result, const std::wstring& text) { return SetText(result, text.data(), text.size()); }

}  // namespace test_server
