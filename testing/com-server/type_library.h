// Everything that touches the type library: it is embedded in this DLL as
// TYPELIB resource 1 and loaded from there. An environment that cannot load
// type library files replaces this one source.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace test_server {

// What IDispatch::GetTypeInfoCount answers: 1 when type information exists.
UINT TypeInfoCount();
// The type information of one of the library's interfaces (its dispatch view,
// for the dual ones); a new reference in *type_info.
HRESULT TypeInfoOf(REFIID interface_id, ITypeInfo** type_info);

HRESULT RegisterTypeLibrary();
HRESULT UnregisterTypeLibrary();

}  // namespace test_server
