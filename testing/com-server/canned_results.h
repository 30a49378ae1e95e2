// Result(kind): one canned VARIANT per kind name (exact, case-sensitive).
//
//   I1 -5            UI1 255           I2 -1             UI2 65535
//   I4 -7            UI4 4294967295    I8 1234           UI8 2^53
//   INT -9           UINT 9            R4 1.5            R8 2.25
//   CY 12.3456       DECIMAL -123.45 (scale 2)           DATE 1000.5
//   ERROR            VT_ERROR with scode E_ABORT (0x80004004)
//   EMPTY, NULL      VT_EMPTY, VT_NULL
//   BOOL_TRUE        VT_BOOL VARIANT_TRUE      BOOL_ONE    VT_BOOL holding 1
//   BSTR "text"      BSTR_NUL "ab\0cd" (5 units)
//   BSTR_EMPTY ""    BSTR_NULL a null BSTR
//   BSTR_LONG        179,000,000 times U+20AC: 537 million bytes in UTF-8
//   OBJECT           VT_DISPATCH, a new TestServer object
//   NULL_OBJECT      VT_DISPATCH, null
//   UNKNOWN          VT_UNKNOWN, a new TestServer object
//   VARIANT_BYREF    VT_VARIANT | VT_BYREF pointing at a server-owned VARIANT
//                    that holds VT_I4 9 (reset to 9 on every such call)
//
// Arrays, VT_ARRAY with the element type named; [i, j] is the index vector,
// dimension 1 first:
//   ARRAY_1D_0       VARIANT, bounds 0..2: I4 1, BSTR "two", R8 3.5
//   ARRAY_1D_1       VARIANT, bounds 1..3, the same values
//   ARRAY_2D         VARIANT, bounds 1..2 x 1..3, [i, j] = I4 10 i + j
//   ARRAY_3D         VARIANT, 2 x 2 x 2 from 0, [i, j, k] = I4 100 i + 10 j + k
//   ARRAY_EMPTY      VARIANT, one dimension of no elements (lower bound 0)
//   ARRAY_NESTED     VARIANT, bounds 0..1: element 0 a VT_ARRAY | VT_VARIANT
//                    of I4 [1, 2] (bounds 0..1), element 1 the I4 3
//   ARRAY_I4         I4, bounds 0..2: 10, 20, 30
//   ARRAY_BSTR       BSTR, bounds 0..1: "a", "b"
//   ARRAY_DISPATCH   DISPATCH, bounds 0..1: two new TestServer objects
//   ARRAY_NEGATIVE_BOUNDS
//                    VARIANT, bounds -1..1: I4 -1, 0, 1 (each its own index)
//   ARRAY_MANY_DIMENSIONS
//                    I4, 65535 dimensions (the most a SAFEARRAY has) of one
//                    element each, from 0: the I4 7
//   ARRAY_MISLABELLED
//                    labelled VT_ARRAY | VT_BSTR, but an array of R8 (as
//                    SafeArrayGetVartype says), bounds 0..1: 1.5, 2.5
//
// Any other kind: E_INVALIDARG.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

namespace test_server {

HRESULT CannedResult(const std::wstring& kind, VARIANT* result);

}  // namespace test_server
