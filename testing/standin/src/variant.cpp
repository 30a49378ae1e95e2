// VARIANTs as Windows documents them: VariantClear frees what the VARIANT
// owns (a BSTR, an object reference, a SAFEARRAY; by-reference values own
// nothing), VariantCopy makes deep copies, VariantCopyInd copies what a
// by-reference VARIANT points at. A type the VARIANT cannot hold is
// DISP_E_BADVARTYPE, and the VARIANT is then left as it was.
#include <oleauto.h>

#include <cstring>

namespace {

bool ValidScalar(VARTYPE type) {
  switch (type) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_I2:
    case VT_I4:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_ERROR:
    case VT_BOOL:
    case VT_UNKNOWN:
    case VT_DECIMAL:
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
      return true;
    default:
      return false;
  }
}

// Whether a VARIANT may carry this vt.
bool ValidType(VARTYPE vt) {
  const VARTYPE base = vt & VT_TYPEMASK;
  if (vt & ~(VT_TYPEMASK | VT_ARRAY | VT_BYREF)) return false;
  if (vt & VT_ARRAY) return base != VT_EMPTY && base != VT_NULL && (ValidScalar(base) || base == VT_VARIANT);
  if (vt & VT_BYREF) return base != VT_EMPTY && base != VT_NULL && (ValidScalar(base) || base == VT_VARIANT);
  return ValidScalar(base);
}

// Copies a value the VARIANT owns (BSTR, object, array) into an empty target.
HRESULT CopyOwned(VARIANT* target, const VARIANT* source) {
  const VARTYPE vt = source->vt;
  if (vt & VT_ARRAY) {
    SAFEARRAY* copy = nullptr;
    HRESULT hr = SafeArrayCopy(source->parray, &copy);
    if (FAILED(hr)) return hr;
    target->vt = vt;
    target->parray = copy;
    return S_OK;
  }
  switch (vt) {
    case VT_BSTR: {
      BSTR copy = nullptr;
      if (source->bstrVal != nullptr) {
        copy = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(source->bstrVal), SysStringByteLen(source->bstrVal));
        if (copy == nullptr) return E_OUTOFMEMORY;
      }
      target->vt = VT_BSTR;
      target->bstrVal = copy;
      return S_OK;
    }
    case VT_DISPATCH:
    case VT_UNKNOWN:
      std::memcpy(target, source, sizeof(VARIANT));
      if (target->punkVal != nullptr) target->punkVal->AddRef();
      return S_OK;
    default:
      std::memcpy(target, source, sizeof(VARIANT));
      return S_OK;
  }
}

// The value a by-reference VARIANT points at, as a VARIANT of the base type
// that does not own it (a view).
HRESULT Dereference(const VARIANT* source, VARIANT* view) {
  VariantInit(view);
  const VARTYPE base = source->vt & ~VT_BYREF;
  if (source->byref == nullptr) return E_INVALIDARG;
  if (base & VT_ARRAY) {
    view->vt = base;
    view->parray = *source->pparray;
    return S_OK;
  }
  switch (base) {
    case VT_VARIANT:
      // A VARIANT that is itself a reference to a VARIANT is not followed.
      if (source->pvarVal->vt == (VT_VARIANT | VT_BYREF)) return E_INVALIDARG;
      std::memcpy(view, source->pvarVal, sizeof(VARIANT));
      return S_OK;
    case VT_DECIMAL:
      std::memcpy(view, source->pdecVal, sizeof(DECIMAL));
      view->vt = VT_DECIMAL;
      return S_OK;
    case VT_I1:
    case VT_UI1:
      view->bVal = *source->pbVal;
      break;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
      view->iVal = *source->piVal;
      break;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR:
      view->lVal = *source->plVal;
      break;
    case VT_I8:
    case VT_UI8:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
      view->llVal = *source->pllVal;
      break;
    case VT_BSTR:
      view->bstrVal = *source->pbstrVal;
      break;
    case VT_DISPATCH:
    case VT_UNKNOWN:
      view->punkVal = *source->ppunkVal;
      break;
    default:
      return DISP_E_BADVARTYPE;
  }
  view->vt = base;
  return S_OK;
}

}  // namespace

void WINAPI VariantInit(VARIANTARG* value) {
  value->vt = VT_EMPTY;
  value->wReserved1 = value->wReserved2 = value->wReserved3 = 0;
}

HRESULT WINAPI VariantClear(VARIANTARG* value) {
  if (value == nullptr) return E_INVALIDARG;
  // VariantClear also takes VT_VARIANT without VT_BYREF (and owns nothing there).
  if (!ValidType(value->vt) && value->vt != VT_VARIANT) return DISP_E_BADVARTYPE;
  if (!(value->vt & VT_BYREF)) {
    if (value->vt & VT_ARRAY) {
      HRESULT hr = SafeArrayDestroy(value->parray);
      if (FAILED(hr)) return hr;
    } else if (value->vt == VT_BSTR) {
      SysFreeString(value->bstrVal);
    } else if ((value->vt == VT_DISPATCH || value->vt == VT_UNKNOWN) && value->punkVal != nullptr) {
      value->punkVal->Release();
    }
  }
  value->vt = VT_EMPTY;
  return S_OK;
}

HRESULT WINAPI VariantCopy(VARIANTARG* target, const VARIANTARG* source) {
  if (target == nullptr || source == nullptr) return E_INVALIDARG;
  if (target == source) return S_OK;
  if (!ValidType(source->vt)) return DISP_E_BADVARTYPE;
  HRESULT hr = VariantClear(target);
  if (FAILED(hr)) return hr;
  if (source->vt & VT_BYREF) {
    std::memcpy(target, source, sizeof(VARIANT));
    return S_OK;
  }
  return CopyOwned(target, source);
}

HRESULT WINAPI VariantCopyInd(VARIANT* target, const VARIANTARG* source) {
  if (target == nullptr || source == nullptr) return E_INVALIDARG;
  if (!(source->vt & VT_BYREF)) return VariantCopy(target, source);
  if (!ValidType(source->vt)) return DISP_E_BADVARTYPE;
  VARIANT view;
  HRESULT hr = Dereference(source, &view);
  if (FAILED(hr)) return hr;
  VARIANT copy;
  VariantInit(&copy);
  if (view.vt & VT_BYREF) {
    std::memcpy(&copy, &view, sizeof(VARIANT));
  } else if (FAILED(hr = CopyOwned(&copy, &view))) {
    return hr;
  }
  // The source may be the target: it is cleared only once the copy exists.
  if (target == source) {
    std::memcpy(target, &copy, sizeof(VARIANT));
    return S_OK;
  }
  hr = VariantClear(target);
  if (FAILED(hr)) {
    VariantClear(&copy);
    return hr;
  }
  std::memcpy(target, &copy, sizeof(VARIANT));
  return S_OK;
}
