// DllRegisterServer and DllUnregisterServer: the classes' keys under
// HKEY_CLASSES_ROOT and the type library. Registering again overwrites the
// same values, so both are safe to repeat.
#include <windows.h>
#include <objbase.h>
#include <olectl.h>

#include <string>

#include "module.h"
#include "server_ids.h"
#include "type_library.h"

namespace test_server {
namespace {

class RegistryKey {
 public:
  RegistryKey() = default;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  ~RegistryKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  HKEY Get() const { return key_; }
  HKEY* Put() { return &key_; }

 private:
  HKEY key_ = nullptr;
};

struct ServerClass {
  const CLSID& class_id;
  const wchar_t* prog_id;
  const wchar_t* description;
};

const ServerClass kClasses[] = {
    {kServerClassId, kServerProgId, L"Quillaret automation test server"},
    {kProbeClassId, kProbeProgId, L"Quillaret automation test server probe"},
};

std::wstring GuidText(const GUID& guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return text;
}

HRESULT FromStatus(LSTATUS status) { return HRESULT_FROM_WIN32(static_cast<DWORD>(status)); }

// Creates (or opens) HKEY_CLASSES_ROOT\<path> and sets one string value; an
// empty name sets the default value.
HRESULT SetClassesValue(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
  RegistryKey key;
  LSTATUS status = RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                   KEY_SET_VALUE, nullptr, key.Put(), nullptr);
  if (status != ERROR_SUCCESS) return FromStatus(status);
  const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(WCHAR));
  status = RegSetValueExW(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes);
  return FromStatus(status);
}

HRESULT DeleteClassesTree(const std::wstring& path) {
  LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str());
  if (status == ERROR_FILE_NOT_FOUND) return S_OK;
  if (status != ERROR_SUCCESS) return FromStatus(status);
  status = RegDeleteKeyW(HKEY_CLASSES_ROOT, path.c_str());
  return status == ERROR_FILE_NOT_FOUND ? S_OK : FromStatus(status);
}

HRESULT RegisterClassKeys(const ServerClass& server_class, const std::wstring& module_path) {
  const std::wstring class_id = GuidText(server_class.class_id);
  const std::wstring class_key = L"CLSID\\" + class_id;
  const std::wstring prog_id = server_class.prog_id;
  const struct {
    std::wstring path;
    const wchar_t* name;
    std::wstring value;
  } values[] = {
      {class_key, nullptr, server_class.description},
      {class_key + L"\\InprocServer32", nullptr, module_path},
      {class_key + L"\\InprocServer32", L"ThreadingModel", L"Both"},
      {class_key + L"\\ProgID", nullptr, prog_id},
      {class_key + L"\\TypeLib", nullptr, GuidText(kLibraryId)},
      {class_key + L"\\Version", nullptr, L"1.0"},
      {prog_id, nullptr, server_class.description},
      {prog_id + L"\\CLSID", nullptr, class_id},
  };
  for (const auto& value : values) {
    HRESULT hr = SetClassesValue(value.path, value.name, value.value);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT UnregisterClassKeys(const ServerClass& server_class) {
  HRESULT hr = DeleteClassesTree(L"CLSID\\" + GuidText(server_class.class_id));
  HRESULT prog_id_hr = DeleteClassesTree(server_class.prog_id);
  return FAILED(hr) ? hr : prog_id_hr;
}

}  // namespace
}  // namespace test_server

STDAPI DllRegisterServer() {
  using namespace test_server;
  const std::wstring module_path = ModulePath();
  if (module_path.empty()) return HRESULT_FROM_WIN32(GetLastError());
  for (const ServerClass& server_class : kClasses) {
    HRESULT hr = RegisterClassKeys(server_class, module_path);
    if (FAILED(hr)) return SELFREG_E_CLASS;
  }
  return FAILED(RegisterTypeLibrary()) ? SELFREG_E_TYPELIB : S_OK;
}

STDAPI DllUnregisterServer() {
  using namespace test_server;
  HRESULT result = FAILED(UnregisterTypeLibrary()) ? SELFREG_E_TYPELIB : S_OK;
  for (const ServerClass& server_class : kClasses) {
    if (FAILED(UnregisterClassKeys(server_class))) result = SELFREG_E_CLASS;
  }
  return result;
}
