// Building the SAFEARRAYs the server returns. Dimensions and index vectors
// list dimension 1 first, the dimension SafeArrayGetLBound(array, 1) reads;
// in memory dimension 1 varies fastest.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <initializer_list>

#include "win-owners/com.h"

namespace test_server {

struct Dimension {
  LONG lower_bound;
  ULONG count;
};

// A new array of element_type, empty (zeroed) elements; null on failure.
win::SafeArray CreateArray(VARTYPE element_type, std::initializer_list<Dimension> dimensions);
// Stores a copy of value at the index vector. value is what
// SafeArrayPutElement takes: the BSTR or interface pointer itself for those
// types, a pointer to the value (a VARIANT*, a LONG*) for the others.
HRESULT PutElement(SAFEARRAY* array, std::initializer_list<LONG> indices, void* value);
// Hands the array over to target as VT_ARRAY | its element type.
HRESULT SetArray(VARIANT* target, win::SafeArray array);

// A 1-D VT_VARIANT array of VT_I4 values, indices from lower_bound.
win::SafeArray Int32VariantArray(std::initializer_list<LONG> values, LONG lower_bound);

// Table(rows, columns, lowerBound), as test_server.h describes it.
HRESULT NewTable(LONG rows, LONG columns, LONG lower_bound, VARIANT* result);

}  // namespace test_server
