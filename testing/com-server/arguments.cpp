#include "arguments.h"

#include <oleauto.h>

#include "win-owners/com.h"

namespace test_server {
namespace {

HRESULT CoercedCopy(const VARIANT& argument, VARTYPE type, win::Variant& copy) {
  HRESULT hr = CopyArgument(argument, copy.get());
  if (FAILED(hr)) return hr;
  if (copy.get()->vt == type) return S_OK;
  return VariantChangeTypeEx(copy.get(), copy.get(), LOCALE_INVARIANT, 0, type);
}

}  // namespace

bool WellFormed(const DISPPARAMS& params) {
  if (params.cNamedArgs > params.cArgs) return false;
  if (params.cArgs != 0 && params.rgvarg == nullptr) return false;
  return params.cNamedArgs == 0 || params.rgdispidNamedArgs != nullptr;
}

HRESULT CheckPut(const DISPPARAMS& params, UINT count) {
  if (params.cNamedArgs != 1 || params.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) return DISP_E_PARAMNOTFOUND;
  return params.cArgs == count ? S_OK : DISP_E_BADPARAMCOUNT;
}

bool IsByReference(const VARIANT& value) { return (value.vt & VT_BYREF) != 0; }

const VARIANT* Dereferenced(const VARIANT& argument) {
  if (argument.vt == (VT_VARIANT | VT_BYREF)) return argument.pvarVal;
  return &argument;
}

bool IsMissing(const VARIANT& argument) {
  const VARIANT* value = Dereferenced(argument);
  if (value == nullptr) return false;
  if (value->vt == VT_ERROR) return value->scode == DISP_E_PARAMNOTFOUND;
  if (value->vt == (VT_ERROR | VT_BYREF)) return value->pscode != nullptr && *value->pscode == DISP_E_PARAMNOTFOUND;
  return false;
}

HRESULT CopyArgument(const VARIANT& argument, VARIANT* copy) {
  if (IsByReference(argument) && argument.byref == nullptr) return E_POINTER;
  return VariantCopyInd(copy, const_cast<VARIANT*>(&argument));
}

HRESULT ArgumentText(const VARIANT& argument, std::wstring& text) {
  win::Variant copy;
  HRESULT hr = CoercedCopy(argument, VT_BSTR, copy);
  if (FAILED(hr)) return hr;
  const BSTR bstr = copy.get()->bstrVal;
  text.assign(bstr == nullptr ? L"" : bstr, SysStringLen(bstr));
  return S_OK;
}

HRESULT ArgumentInt32(const VARIANT& argument, LONG& value) {
  win::Variant copy;
  HRESULT hr = CoercedCopy(argument, VT_I4, copy);
  if (SUCCEEDED(hr)) value = copy.get()->lVal;
  return hr;
}

HRESULT ArgumentBool(const VARIANT& argument, bool& value) {
  win::Variant copy;
  HRESULT hr = CoercedCopy(argument, VT_BOOL, copy);
  if (SUCCEEDED(hr)) value = copy.get()->boolVal != VARIANT_FALSE;
  return hr;
}

}  // namespace test_server
