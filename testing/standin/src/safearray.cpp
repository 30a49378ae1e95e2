// SAFEARRAYs as Windows documents them: the descriptor with its dimensions
// stored last to first, the element type kept before the descriptor
// (FADF_HAVEVARTYPE) or named by the feature flags, the elements in one
// block with the first dimension varying fastest, lock counts that keep a
// locked array from being destroyed, and BSTR, object and VARIANT elements
// owned by the array.
#include <oleauto.h>

#include <cstdlib>
#include <cstring>

#include "accounting.h"

using standin::Allocation;

namespace {

// What precedes the descriptor: room for an IID, the last 4 bytes of which
// hold the VARTYPE, as Windows lays it out.
struct Prefix {
  unsigned char reserved[12];
  DWORD vartype;
};

ULONG ElementSize(VARTYPE type) {
  switch (type) {
    case VT_I1:
    case VT_UI1:
      return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
      return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR:
      return 4;
    case VT_I8:
    case VT_UI8:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
      return 8;
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_UNKNOWN:
      return sizeof(void*);
    case VT_DECIMAL:
      return sizeof(DECIMAL);
    case VT_VARIANT:
      return sizeof(VARIANT);
    default:
      return 0;
  }
}

USHORT FeaturesOf(VARTYPE type) {
  switch (type) {
    case VT_BSTR:
      return FADF_HAVEVARTYPE | FADF_BSTR;
    case VT_VARIANT:
      return FADF_HAVEVARTYPE | FADF_VARIANT;
    case VT_DISPATCH:
      return FADF_HAVEIID | FADF_DISPATCH;
    case VT_UNKNOWN:
      return FADF_HAVEIID | FADF_UNKNOWN;
    default:
      return FADF_HAVEVARTYPE;
  }
}

Prefix* PrefixOf(SAFEARRAY* array) { return reinterpret_cast<Prefix*>(array) - 1; }

// The product of the dimensions' counts, or false when it overflows.
bool ElementCount(const SAFEARRAY* array, size_t* count) {
  size_t total = 1;
  for (USHORT d = 0; d < array->cDims; ++d) {
    const size_t elements = array->rgsabound[d].cElements;
    if (elements != 0 && total > SIZE_MAX / elements) return false;
    total *= elements;
  }
  *count = total;
  return true;
}

VARTYPE TypeOf(SAFEARRAY* array) {
  if (array->fFeatures & FADF_BSTR) return VT_BSTR;
  if (array->fFeatures & FADF_VARIANT) return VT_VARIANT;
  if (array->fFeatures & FADF_DISPATCH) return VT_DISPATCH;
  if (array->fFeatures & FADF_UNKNOWN) return VT_UNKNOWN;
  if (array->fFeatures & FADF_HAVEVARTYPE) return static_cast<VARTYPE>(PrefixOf(array)->vartype);
  return VT_EMPTY;
}

// Releases what one element owns and zeroes it.
void ClearElement(VARTYPE type, void* cell) {
  switch (type) {
    case VT_BSTR:
      SysFreeString(*static_cast<BSTR*>(cell));
      break;
    case VT_DISPATCH:
    case VT_UNKNOWN:
      if (*static_cast<IUnknown**>(cell) != nullptr) (*static_cast<IUnknown**>(cell))->Release();
      break;
    case VT_VARIANT:
      VariantClear(static_cast<VARIANT*>(cell));
      break;
    default:
      break;
  }
}

// Copies `value` (given as SafeArrayPutElement takes it) into an empty cell.
HRESULT CopyIntoCell(VARTYPE type, ULONG size, void* cell, const void* value) {
  switch (type) {
    case VT_BSTR: {
      BSTR text = static_cast<BSTR>(const_cast<void*>(value));
      if (text == nullptr) {
        *static_cast<BSTR*>(cell) = nullptr;
        return S_OK;
      }
      BSTR copy = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(text), SysStringByteLen(text));
      if (copy == nullptr) return E_OUTOFMEMORY;
      *static_cast<BSTR*>(cell) = copy;
      return S_OK;
    }
    case VT_DISPATCH:
    case VT_UNKNOWN: {
      auto* object = static_cast<IUnknown*>(const_cast<void*>(value));
      if (object != nullptr) object->AddRef();
      *static_cast<IUnknown**>(cell) = object;
      return S_OK;
    }
    case VT_VARIANT:
      VariantInit(static_cast<VARIANT*>(cell));
      return VariantCopy(static_cast<VARIANT*>(cell), static_cast<const VARIANT*>(value));
    default:
      std::memcpy(cell, value, size);
      return S_OK;
  }
}

SAFEARRAY* NewDescriptor(VARTYPE type, UINT dimensions) {
  const size_t bytes = sizeof(Prefix) + sizeof(SAFEARRAY) + (dimensions - 1) * sizeof(SAFEARRAYBOUND);
  auto* prefix = static_cast<Prefix*>(std::calloc(1, bytes));
  if (prefix == nullptr) return nullptr;
  prefix->vartype = type;
  auto* array = reinterpret_cast<SAFEARRAY*>(prefix + 1);
  array->cDims = static_cast<USHORT>(dimensions);
  array->fFeatures = FeaturesOf(type);
  array->cbElements = ElementSize(type);
  return array;
}

void FreeDescriptor(SAFEARRAY* array) { std::free(PrefixOf(array)); }

// The element at the index vector (dimension 1 first), or DISP_E_BADINDEX.
HRESULT CellOf(SAFEARRAY* array, const LONG* indices, void** cell) {
  size_t offset = 0, stride = 1;
  for (USHORT d = 0; d < array->cDims; ++d) {
    const SAFEARRAYBOUND& bound = array->rgsabound[array->cDims - 1 - d];
    const int64_t position = static_cast<int64_t>(indices[d]) - bound.lLbound;
    if (position < 0 || position >= static_cast<int64_t>(bound.cElements)) return DISP_E_BADINDEX;
    offset += static_cast<size_t>(position) * stride;
    stride *= bound.cElements;
  }
  *cell = static_cast<char*>(array->pvData) + offset * array->cbElements;
  return S_OK;
}

}  // namespace

SAFEARRAY* WINAPI SafeArrayCreate(VARTYPE type, UINT dimensions, SAFEARRAYBOUND* bounds) {
  if (dimensions == 0 || dimensions > 0xFFFF || bounds == nullptr || ElementSize(type) == 0) return nullptr;
  SAFEARRAY* array = NewDescriptor(type, dimensions);
  if (array == nullptr) return nullptr;
  for (UINT d = 0; d < dimensions; ++d) array->rgsabound[dimensions - 1 - d] = bounds[d];
  size_t count = 0;
  if (!ElementCount(array, &count) || count > SIZE_MAX / array->cbElements) {
    FreeDescriptor(array);
    return nullptr;
  }
  array->pvData = std::calloc(count == 0 ? 1 : count, array->cbElements);
  if (array->pvData == nullptr) {
    FreeDescriptor(array);
    return nullptr;
  }
  standin::TrackAllocation(Allocation::kSafeArray, array);
  return array;
}

SAFEARRAY* WINAPI SafeArrayCreateVector(VARTYPE type, LONG lowerBound, ULONG elements) {
  SAFEARRAYBOUND bound = {elements, lowerBound};
  return SafeArrayCreate(type, 1, &bound);
}

HRESULT WINAPI SafeArrayDestroy(SAFEARRAY* array) {
  if (array == nullptr) return S_OK;
  if (array->cLocks > 0) return DISP_E_ARRAYISLOCKED;
  standin::UntrackAllocation(Allocation::kSafeArray, array, "SafeArrayDestroy");
  size_t count = 0;
  ElementCount(array, &count);
  const VARTYPE type = TypeOf(array);
  for (size_t i = 0; i < count; ++i) ClearElement(type, static_cast<char*>(array->pvData) + i * array->cbElements);
  std::free(array->pvData);
  FreeDescriptor(array);
  return S_OK;
}

UINT WINAPI SafeArrayGetDim(SAFEARRAY* array) { return array == nullptr ? 0 : array->cDims; }

UINT WINAPI SafeArrayGetElemsize(SAFEARRAY* array) { return array == nullptr ? 0 : array->cbElements; }

HRESULT WINAPI SafeArrayGetLBound(SAFEARRAY* array, UINT dimension, LONG* bound) {
  if (array == nullptr || bound == nullptr) return E_INVALIDARG;
  if (dimension == 0 || dimension > array->cDims) return DISP_E_BADINDEX;
  *bound = array->rgsabound[array->cDims - dimension].lLbound;
  return S_OK;
}

HRESULT WINAPI SafeArrayGetUBound(SAFEARRAY* array, UINT dimension, LONG* bound) {
  if (array == nullptr || bound == nullptr) return E_INVALIDARG;
  if (dimension == 0 || dimension > array->cDims) return DISP_E_BADINDEX;
  const SAFEARRAYBOUND& dim = array->rgsabound[array->cDims - dimension];
  *bound = static_cast<LONG>(static_cast<int64_t>(dim.lLbound) + dim.cElements - 1);
  return S_OK;
}

HRESULT WINAPI SafeArrayGetVartype(SAFEARRAY* array, VARTYPE* type) {
  if (array == nullptr || type == nullptr) return E_INVALIDARG;
  *type = TypeOf(array);
  return *type == VT_EMPTY ? DISP_E_BADVARTYPE : S_OK;
}

HRESULT WINAPI SafeArrayLock(SAFEARRAY* array) {
  if (array == nullptr) return E_INVALIDARG;
  if (array->cLocks >= 0xFFFF) return E_UNEXPECTED;
  __atomic_add_fetch(&array->cLocks, 1, __ATOMIC_SEQ_CST);
  return S_OK;
}

HRESULT WINAPI SafeArrayUnlock(SAFEARRAY* array) {
  if (array == nullptr) return E_INVALIDARG;
  ULONG locks = __atomic_load_n(&array->cLocks, __ATOMIC_SEQ_CST);
  do {
    if (locks == 0) return E_UNEXPECTED;
  } while (!__atomic_compare_exchange_n(&array->cLocks, &locks, locks - 1, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST));
  return S_OK;
}

HRESULT WINAPI SafeArrayAccessData(SAFEARRAY* array, void** data) {
  if (array == nullptr || data == nullptr) return E_INVALIDARG;
  HRESULT hr = SafeArrayLock(array);
  *data = SUCCEEDED(hr) ? array->pvData : nullptr;
  return hr;
}

HRESULT WINAPI SafeArrayUnaccessData(SAFEARRAY* array) { return SafeArrayUnlock(array); }

HRESULT WINAPI SafeArrayPtrOfIndex(SAFEARRAY* array, LONG* indices, void** element) {
  if (array == nullptr || indices == nullptr || element == nullptr) return E_INVALIDARG;
  if (array->cDims == 0) return DISP_E_BADINDEX;
  return CellOf(array, indices, element);
}

HRESULT WINAPI SafeArrayPutElement(SAFEARRAY* array, LONG* indices, void* value) {
  if (array == nullptr || indices == nullptr) return E_INVALIDARG;
  const VARTYPE type = TypeOf(array);
  if (value == nullptr && type != VT_BSTR && type != VT_DISPATCH && type != VT_UNKNOWN) return E_INVALIDARG;
  void* cell = nullptr;
  HRESULT hr = CellOf(array, indices, &cell);
  if (FAILED(hr)) return hr;
  if (FAILED(hr = SafeArrayLock(array))) return hr;
  ClearElement(type, cell);
  hr = CopyIntoCell(type, array->cbElements, cell, value);
  SafeArrayUnlock(array);
  return hr;
}

HRESULT WINAPI SafeArrayGetElement(SAFEARRAY* array, LONG* indices, void* value) {
  if (array == nullptr || indices == nullptr || value == nullptr) return E_INVALIDARG;
  const VARTYPE type = TypeOf(array);
  void* cell = nullptr;
  HRESULT hr = CellOf(array, indices, &cell);
  if (FAILED(hr)) return hr;
  if (FAILED(hr = SafeArrayLock(array))) return hr;
  switch (type) {
    case VT_BSTR:
      hr = CopyIntoCell(type, array->cbElements, value, *static_cast<BSTR*>(cell));
      break;
    case VT_DISPATCH:
    case VT_UNKNOWN:
      hr = CopyIntoCell(type, array->cbElements, value, *static_cast<IUnknown**>(cell));
      break;
    default:
      hr = CopyIntoCell(type, array->cbElements, value, cell);
      break;
  }
  SafeArrayUnlock(array);
  return hr;
}

HRESULT WINAPI SafeArrayCopy(SAFEARRAY* source, SAFEARRAY** copy) {
  if (copy == nullptr) return E_INVALIDARG;
  *copy = nullptr;
  if (source == nullptr) return S_OK;
  const VARTYPE type = TypeOf(source);
  SAFEARRAYBOUND bounds[64];
  if (source->cDims > 64 || source->cDims == 0) return E_INVALIDARG;
  for (USHORT d = 0; d < source->cDims; ++d) bounds[d] = source->rgsabound[source->cDims - 1 - d];
  SAFEARRAY* target = SafeArrayCreate(type, source->cDims, bounds);
  if (target == nullptr) return E_OUTOFMEMORY;
  size_t count = 0;
  ElementCount(source, &count);
  for (size_t i = 0; i < count; ++i) {
    void* from = static_cast<char*>(source->pvData) + i * source->cbElements;
    void* to = static_cast<char*>(target->pvData) + i * target->cbElements;
    const void* value = from;
    if (type == VT_BSTR) value = *static_cast<BSTR*>(from);
    if (type == VT_DISPATCH || type == VT_UNKNOWN) value = *static_cast<IUnknown**>(from);
    HRESULT hr = CopyIntoCell(type, source->cbElements, to, value);
    if (FAILED(hr)) {
      SafeArrayDestroy(target);
      return hr;
    }
  }
  *copy = target;
  return S_OK;
}
