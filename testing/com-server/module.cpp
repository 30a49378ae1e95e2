// DLL entry and the two exports COM calls on a loaded server:
// DllGetClassObject and DllCanUnloadNow.
#include "module.h"

#include <objbase.h>

#include <atomic>

#include "class_factory.h"
#include "object_windows.h"

namespace test_server {
namespace {

HINSTANCE module_handle = nullptr;
std::atomic<long> module_locks{0};

}  // namespace

HINSTANCE ModuleHandle() { return module_handle; }

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(module_handle, &path[0], static_cast<DWORD>(path.size()));
    if (length == 0) return std::wstring();
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

void LockModule() { ++module_locks; }
void UnlockModule() { --module_locks; }

}  // namespace test_server

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    test_server::module_handle = instance;
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
  if (test_server::module_locks.load() != 0 || test_server::WindowClassesRegistered()) return S_FALSE;
  return S_OK;
}
