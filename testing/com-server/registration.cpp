#include "registration.h"

#include <objbase.h>
#include <olectl.h>

#include <string>

#include "module.h"
#include "server_classes.h"
#include "server_ids.h"
#include "type_library.h"
#include "win-owners/handles.h"

namespace test_server {
namespace {

std::wstring GuidText(const GUID& guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return text;
}

HRESULT FromStatus(LSTATUS status) { return HRESULT_FROM_WIN32(static_cast<DWORD>(status)); }

// Creates (or opens) HKEY_CLASSES_ROOT\<path> and sets one string value; an
// empty name sets the default value.
HRESULT SetClassesValue(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
  win::UniqueRegistryKey key;
  LSTATUS status = RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                                   nullptr, key.put(), nullptr);
  if (status != ERROR_SUCCESS) return FromStatus(status);
  const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(WCHAR));
  status = RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes);
  return FromStatus(status);
}

HRESULT DeleteClassesTree(const std::wstring& path) {
  LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str());
  if (status == ERROR_FILE_NOT_FOUND) return S_OK;
  if (status != ERROR_SUCCESS) return FromStatus(status);
  status = RegDeleteKeyW(HKEY_CLASSES_ROOT, path.c_str());
  return status == ERROR_FILE_NOT_FOUND ? S_OK : FromStatus(status);
}

const CLSID& ClassIdOf(const ServerClass& server_class, ServerKind kind) {
  return kind == ServerKind::kLocal ? server_class.local_class_id : server_class.class_id;
}

std::wstring ProgIdOf(const ServerClass& server_class, ServerKind kind) {
  return std::wstring(server_class.prog_id) + (kind == ServerKind::kLocal ? kLocalProgIdSuffix : L"");
}

HRESULT RegisterClassKeys(const ServerClass& server_class, ServerKind kind, const std::wstring& module_path) {
  const std::wstring class_id = GuidText(ClassIdOf(server_class, kind));
  const std::wstring class_key = L"CLSID\\" + class_id;
  const std::wstring prog_id = ProgIdOf(server_class, kind);
  const bool local = kind == ServerKind::kLocal;
  const struct {
    std::wstring path;
    const wchar_t* name;
    std::wstring value;
  } values[] = {
      {class_key, nullptr, server_class.description},
      {class_key + (local ? L"\\LocalServer32" : L"\\InprocServer32"), nullptr,
       local ? L"\"" + module_path + L"\"" : module_path},
      {class_key + L"\\ProgID", nullptr, prog_id},
      {class_key + L"\\Version", nullptr, L"1.0"},
      {prog_id, nullptr, server_class.description},
      {prog_id + L"\\CLSID", nullptr, class_id},
  };
  for (const auto& value : values) {
    HRESULT hr = SetClassesValue(value.path, value.name, value.value);
    if (FAILED(hr)) return hr;
  }
  HRESULT hr = S_OK;
  if (!local) hr = SetClassesValue(class_key + L"\\InprocServer32", L"ThreadingModel", L"Both");
  if (SUCCEEDED(hr) && server_class.described)
    hr = SetClassesValue(class_key + L"\\TypeLib", nullptr, GuidText(kLibraryId));
  return hr;
}

HRESULT UnregisterClassKeys(const ServerClass& server_class, ServerKind kind) {
  HRESULT hr = DeleteClassesTree(L"CLSID\\" + GuidText(ClassIdOf(server_class, kind)));
  HRESULT prog_id_hr = DeleteClassesTree(ProgIdOf(server_class, kind));
  return FAILED(hr) ? hr : prog_id_hr;
}

}  // namespace

HRESULT RegisterServer(ServerKind kind) {
  const std::wstring module_path = ModulePath();
  if (module_path.empty()) return HRESULT_FROM_WIN32(GetLastError());
  for (size_t i = 0; i < kServerClassCount; ++i) {
    if (FAILED(RegisterClassKeys(kServerClasses[i], kind, module_path))) return SELFREG_E_CLASS;
  }
  return FAILED(RegisterTypeLibraries()) ? SELFREG_E_TYPELIB : S_OK;
}

HRESULT UnregisterServer(ServerKind kind) {
  HRESULT result = FAILED(UnregisterTypeLibraries()) ? SELFREG_E_TYPELIB : S_OK;
  for (size_t i = 0; i < kServerClassCount; ++i) {
    if (FAILED(UnregisterClassKeys(kServerClasses[i], kind))) result = SELFREG_E_CLASS;
  }
  return result;
}

}  // namespace test_server
