#include "safe_arrays.h"

#include <oleauto.h>

#include <cstdint>
#include <vector>

#include "results.h"

namespace test_server {

win::SafeArray CreateArray(VARTYPE element_type, std::initializer_list<Dimension> dimensions) {
  std::vector<SAFEARRAYBOUND> bounds;
  for (const Dimension& dimension : dimensions) bounds.push_back({dimension.count, dimension.lower_bound});
  return win::SafeArray(SafeArrayCreate(element_type, static_cast<UINT>(bounds.size()), bounds.data()));
}

HRESULT PutElement(SAFEARRAY* array, std::initializer_list<LONG> indices, void* value) {
  std::vector<LONG> index_vector(indices);
  return SafeArrayPutElement(array, index_vector.data(), value);
}

HRESULT SetArray(VARIANT* target, win::SafeArray array) {
  VARTYPE element_type = VT_EMPTY;
  if (array.get() == nullptr) return E_OUTOFMEMORY;
  HRESULT hr = SafeArrayGetVartype(array.get(), &element_type);
  if (FAILED(hr)) return hr;
  target->vt = VT_ARRAY | element_type;
  target->parray = array.release();
  return S_OK;
}

win::SafeArray Int32VariantArray(std::initializer_list<LONG> values, LONG lower_bound) {
  win::SafeArray array = CreateArray(VT_VARIANT, {{lower_bound, static_cast<ULONG>(values.size())}});
  LONG index = lower_bound;
  for (LONG value : values) {
    VARIANT element;
    SetInt32(&element, value);
    if (array.get() == nullptr || FAILED(PutElement(array.get(), {index++}, &element))) return win::SafeArray();
  }
  return array;
}

HRESULT NewTable(LONG rows, LONG columns, LONG lower_bound, VARIANT* result) {
  constexpr uint64_t kMaxElements = uint64_t{1} << 24;
  if (rows < 0 || columns < 0 || static_cast<uint64_t>(rows) * static_cast<uint64_t>(columns) > kMaxElements) {
    return E_INVALIDARG;
  }
  win::SafeArray table =
      CreateArray(VT_VARIANT, {{lower_bound, static_cast<ULONG>(rows)}, {lower_bound, static_cast<ULONG>(columns)}});
  if (table.get() == nullptr) return E_OUTOFMEMORY;
  {
    win::SafeArrayDataLock lock(table.get());
    VARIANT* elements = lock.locked() ? static_cast<VARIANT*>(table.get()->pvData) : nullptr;
    if (elements == nullptr && rows != 0 && columns != 0) return E_UNEXPECTED;
    for (LONG j = 0; j < columns; ++j) {
      for (LONG i = 0; i < rows; ++i) {
        VARIANT& element = elements[static_cast<size_t>(j) * rows + i];
        element.vt = VT_R8;
        element.dblVal = static_cast<double>(i) * columns + j;
      }
    }
  }
  return SetArray(result, std::move(table));
}

}  // namespace test_server
