// The class factories, one per class of server_classes.h.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <cstddef>

namespace test_server {

// DllGetClassObject: the factory of the class with this in-process CLSID.
HRESULT GetClassFactory(REFCLSID class_id, REFIID interface_id, void** object);
// The factory of kServerClasses[index] (static, no reference added), for
// the local server to register.
IClassFactory* ClassFactoryAt(size_t index);

}  // namespace test_server
