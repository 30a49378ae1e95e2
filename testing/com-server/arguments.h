// Reading the arguments of one IDispatch::Invoke call. rgvarg holds them in
// reverse: rgvarg[0] is the last argument, so argument k, counted from the
// first, is rgvarg[cArgs - 1 - k].
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

namespace test_server {

struct Invocation {
  WORD flags;
  const DISPPARAMS& params;
  VARIANT* result;       // always present; the caller hands it on or frees it
  EXCEPINFO* exception;  // may be null
  UINT* argument_error;  // may be null

  UINT Count() const { return params.cArgs; }
  // Argument k counted from the first.
  const VARIANT& Argument(UINT k) const { return params.rgvarg[params.cArgs - 1 - k]; }
  // Reports argument k as the one that failed (puArgErr is an rgvarg index).
  void BlameArgument(UINT k) const {
    if (argument_error != nullptr) *argument_error = params.cArgs - 1 - k;
  }
};

// The argument counts, pointers and named arguments agree with each other.
bool WellFormed(const DISPPARAMS& params);
// A property put's parameters: `count` arguments, the value last (rgvarg[0])
// and named DISPID_PROPERTYPUT. DISP_E_PARAMNOTFOUND without that name,
// DISP_E_BADPARAMCOUNT for another count.
HRESULT CheckPut(const DISPPARAMS& params, UINT count);

bool IsByReference(const VARIANT& value);
// The VARIANT an argument stands for: the cell of a VT_VARIANT | VT_BYREF
// argument, else the argument itself; null when that reference is null.
const VARIANT* Dereferenced(const VARIANT& argument);
// An omitted optional argument: VT_ERROR with DISP_E_PARAMNOTFOUND, passed by
// value or by reference.
bool IsMissing(const VARIANT& argument);

// A by-value copy of an argument (through its reference, if any).
HRESULT CopyArgument(const VARIANT& argument, VARIANT* copy);
// The argument's text: VT_BSTR as it is, anything else as VariantChangeTypeEx
// turns it into text in the invariant locale.
HRESULT ArgumentText(const VARIANT& argument, std::wstring& text);
// The argument as a 32-bit integer or a boolean, after the same coercion.
HRESULT ArgumentInt32(const VARIANT& argument, LONG& value);
HRESULT ArgumentBool(const VARIANT& argument, bool& value);

}  // namespace test_server
