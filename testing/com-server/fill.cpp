#include "fill.h"

#include <oleauto.h>

#include "win-owners/com.h"
#include "safe_arrays.h"
#include "test_server.h"

namespace test_server {
namespace {

// Writes the fill value into the cell of one by-reference argument; false
// when the argument is left alone.
bool FillCell(const VARIANT& argument) {
  if ((argument.vt & VT_BYREF) == 0 || argument.byref == nullptr) return false;
  switch (argument.vt & ~VT_BYREF) {
    case VT_I4:
      *argument.plVal = 42;
      return true;
    case VT_UI4:
      *argument.pulVal = 4000000000u;
      return true;
    case VT_I2:
      *argument.piVal = -2;
      return true;
    case VT_R8:
      *argument.pdblVal = 2.5;
      return true;
    case VT_DATE:
      *argument.pdate = 86400000.0;
      return true;
    case VT_BOOL:
      *argument.pboolVal = VARIANT_TRUE;
      return true;
    case VT_BSTR: {
      BSTR filled = SysAllocString(L"filled");
      if (filled == nullptr) return false;
      SysFreeString(*argument.pbstrVal);
      *argument.pbstrVal = filled;
      return true;
    }
    case VT_VARIANT: {
      BSTR filled = SysAllocString(L"variant");
      if (filled == nullptr) return false;
      VariantClear(argument.pvarVal);
      argument.pvarVal->vt = VT_BSTR;
      argument.pvarVal->bstrVal = filled;
      return true;
    }
    case VT_DISPATCH: {
      if (*argument.ppdispVal != nullptr) (*argument.ppdispVal)->Release();
      *argument.ppdispVal = NewTestServer();
      return true;
    }
    case VT_ARRAY | VT_VARIANT: {
      win::SafeArray filled = Int32VariantArray({7, 8, 9}, 0);
      if (filled.get() == nullptr) return false;
      if (*argument.pparray != nullptr) SafeArrayDestroy(*argument.pparray);
      *argument.pparray = filled.release();
      return true;
    }
    default:
      return false;
  }
}

}  // namespace

LONG FillCells(const DISPPARAMS& params) {
  LONG written = 0;
  for (UINT i = 0; i < params.cArgs; ++i) {
    if (FillCell(params.rgvarg[i])) ++written;
  }
  return written;
}

}  // namespace test_server
