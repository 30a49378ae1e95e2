#include "type_library.h"

#include <oleauto.h>

#include <string>

#include "com_types.h"
#include "module.h"
#include "server_ids.h"

namespace test_server {
namespace {

HRESULT LoadLibraryOfModule(REGKIND kind, ITypeLib** library) {
  std::wstring path = ModulePath();
  if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
  return LoadTypeLibEx(path.c_str(), kind, library);
}

}  // namespace

UINT TypeInfoCount() { return 1; }

HRESULT TypeInfoOf(REFIID interface_id, ITypeInfo** type_info) {
  ComRef<ITypeLib> library;
  HRESULT hr = LoadLibraryOfModule(REGKIND_NONE, library.Put());
  if (FAILED(hr)) return hr;
  return library->GetTypeInfoOfGuid(interface_id, type_info);
}

// Writes the TypeLib key (with the DLL's folder as the help folder) and the
// Interface keys of the dual interfaces.
HRESULT RegisterTypeLibrary() {
  ComRef<ITypeLib> library;
  HRESULT hr = LoadLibraryOfModule(REGKIND_NONE, library.Put());
  if (FAILED(hr)) return hr;
  std::wstring path = ModulePath();
  std::wstring folder = path.substr(0, path.find_last_of(L"\\/"));
  return RegisterTypeLib(library.Get(), &path[0], &folder[0]);
}

// Unregistering a library that is not registered is not a failure (Wine
// answers E_INVALIDARG for it), so that is asked first.
HRESULT UnregisterTypeLibrary() {
  Bstr registered_path;
  if (FAILED(QueryPathOfRegTypeLib(kLibraryId, 1, 0, LOCALE_NEUTRAL, registered_path.Put()))) return S_OK;
  const SYSKIND kind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;
  return UnRegisterTypeLib(kLibraryId, 1, 0, LOCALE_NEUTRAL, kind);
}

}  // namespace test_server
