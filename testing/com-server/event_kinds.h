// FireKinds(dispid): one event whose thirteen arguments are one of every kind
// an automation client converts. Declared order (the event Kinds of
// _ITestServerEvents):
//
//   1  VT_I4 42                   8  VT_EMPTY
//   2  VT_UI1 200                 9  VT_DISPATCH, a new TestServer object
//   3  VT_R8 2.5                 10  VT_ARRAY | VT_VARIANT, VT_I4 [1, 2, 3]
//   4  VT_BOOL VARIANT_TRUE           from 0
//   5  VT_BSTR "kinds"           11  VT_I4 | VT_BYREF, a cell holding 7
//   6  VT_DATE 45000.25          12  VT_BSTR | VT_BYREF, a cell holding "cell"
//   7  VT_NULL                   13  VT_VARIANT | VT_BYREF, a cell holding
//                                    VT_BSTR "inner"
//
// As IDispatch passes them, rgvarg[0] is argument 13 and rgvarg[12] argument
// 1. After the sinks return, the server checks that every VARIANT of the
// array and every cell is bit for bit what it passed and every string still
// reads the same (nothing written, cleared or freed), then frees its own
// arguments, the object included. Across processes (the local server) the
// by-reference arguments are [in, out] for the marshaller, which writes the
// sink's copies back into the cells on return: there the VT_VARIANT cell
// holds a new BSTR afterwards and "cellsUnchanged" is false even when the
// sink changed nothing.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace test_server {

class ConnectionPoint;

HRESULT FireKinds(ConnectionPoint& point, DISPID dispid, LONG* sinks_called, bool* unchanged);

}  // namespace test_server
