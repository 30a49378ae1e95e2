// The DLL's entry and the exports COM calls on an in-process server:
// DllGetClassObject, DllCanUnloadNow, DllRegisterServer and
// DllUnregisterServer.
#include <windows.h>
#include <objbase.h>

#include "class_factory.h"
#include "module.h"
#include "object_windows.h"
#include "registration.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    test_server::SetModuleHandle(instance);
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID class_id, REFIID interface_id, void** object) {
  return test_server::GetClassFactory(class_id, interface_id, object);
}

// A window class registered by this DLL points at its window procedure, so
// the DLL stays loaded once it has registered one.
STDAPI DllCanUnloadNow() {
  if (test_server::ModuleLocked() || test_server::WindowClassesRegistered()) return S_FALSE;
  return S_OK;
}

STDAPI DllRegisterServer() { return test_server::RegisterServer(test_server::ServerKind::kInProcess); }

STDAPI DllUnregisterServer() { return test_server::UnregisterServer(test_server::ServerKind::kInProcess); }
