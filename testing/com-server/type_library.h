// Everything that touches the type libraries: they are embedded in the
// module as TYPELIB resources 1 (the server's library) and 2 (the library
// describing only TestForeignEvents' events) and loaded from there. An
// environment that cannot load type library files replaces this one source.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace test_server {

// What IDispatch::GetTypeInfoCount answers: 1 when type information exists.
UINT TypeInfoCount();
// The type information of one of the first library's interfaces (its
// dispatch view, for the dual ones); a new reference in *type_info.
HRESULT TypeInfoOf(REFIID interface_id, ITypeInfo** type_info);

// Both libraries, with the module's folder as help folder.
HRESULT RegisterTypeLibraries();
HRESULT UnregisterTypeLibraries();

}  // namespace test_server
