// Class factories of the two classes, as DllGetClassObject hands them out.
#pragma once

#include <windows.h>

namespace test_server {

HRESULT GetClassFactory(REFCLSID class_id, REFIID interface_id, void** object);

}  // namespace test_server
