#include "type_library.h"

#include <oleauto.h>

#include <string>

#include "win-owners/com.h"
#include "module.h"
#include "server_ids.h"

namespace test_server {
namespace {

struct Library {
  const GUID& id;
  const wchar_t* resource;  // appended to the module path, as LoadTypeLibEx takes it
};

const Library kLibraries[] = {{kLibraryId, L""}, {kForeignLibraryId, L"\\2"}};

HRESULT LoadLibraryOfModule(const Library& library, ITypeLib** loaded) {
  std::wstring path = ModulePath();
  if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
  return LoadTypeLibEx((path + library.resource).c_str(), REGKIND_NONE, loaded);
}

// Writes the TypeLib key and the Interface keys of the library's dual
// interfaces and dispinterfaces.
HRESULT Register(const Library& library) {
  win::ComPtr<ITypeLib> loaded;
  HRESULT hr = LoadLibraryOfModule(library, loaded.put());
  if (FAILED(hr)) return hr;
  std::wstring path = ModulePath() + library.resource;
  std::wstring folder = ModulePath();
  folder = folder.substr(0, folder.find_last_of(L"\\/"));
  return RegisterTypeLib(loaded.get(), &path[0], &folder[0]);
}

// Unregistering a library that is not registered is not a failure (Wine
// answers E_INVALIDARG for it), so that is asked first.
HRESULT Unregister(const Library& library) {
  win::Bstr registered_path;
  if (FAILED(QueryPathOfRegTypeLib(library.id, 1, 0, LOCALE_NEUTRAL, registered_path.put()))) return S_OK;
  const SYSKIND kind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;
  return UnRegisterTypeLib(library.id, 1, 0, LOCALE_NEUTRAL, kind);
}

}  // namespace

UINT TypeInfoCount() { return 1; }

HRESULT TypeInfoOf(REFIID interface_id, ITypeInfo** type_info) {
  win::ComPtr<ITypeLib> library;
  HRESULT hr = LoadLibraryOfModule(kLibraries[0], library.put());
  if (FAILED(hr)) return hr;
  return library->GetTypeInfoOfGuid(interface_id, type_info);
}

HRESULT RegisterTypeLibraries() {
  for (const Library& library : kLibraries) {
    HRESULT hr = Register(library);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT UnregisterTypeLibraries() {
  HRESULT result = S_OK;
  for (const Library& library : kLibraries) {
    HRESULT hr = Unregister(library);
    if (FAILED(hr)) result = hr;
  }
  return result;
}

}  // namespace test_server
