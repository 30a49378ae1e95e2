// Raw registry values, hive files and loaded hives, and the removal of all
// the tests wrote below the test roots.
#include <string>
#include <vector>

#include "control.h"
#include "win-owners/handles.h"

namespace wincontrol {
namespace {

HKEY RootFrom(const Napi::Value& value) { return reinterpret_cast<HKEY>(PointerFrom(value)); }

// writeRawValue(root, path, name, type, bytes): the key is created as needed.
Napi::Value WriteRawValue(const Napi::CallbackInfo& info) {
  std::wstring path = WideFrom(info[1]);
  std::wstring name = WideFrom(info[2]);
  DWORD type = info[3].ToNumber().Uint32Value();
  Napi::Buffer<uint8_t> data = info[4].As<Napi::Buffer<uint8_t>>();
  win::UniqueRegistryKey key;
  LSTATUS status = RegCreateKeyExW(RootFrom(info[0]), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                                   nullptr, key.put(), nullptr);
  if (status == ERROR_SUCCESS)
    status = RegSetValueExW(key.get(), name.c_str(), 0, type, data.Data(), static_cast<DWORD>(data.Length()));
  return Napi::Boolean::New(info.Env(), status == ERROR_SUCCESS);
}

// readRawValue(root, path, name): {type, data} as stored, or undefined.
Napi::Value ReadRawValue(const Napi::CallbackInfo& info) {
  Napi::Env env = info.Env();
  std::wstring path = WideFrom(info[1]);
  std::wstring name = WideFrom(info[2]);
  win::UniqueRegistryKey key;
  if (RegOpenKeyExW(RootFrom(info[0]), path.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
    return env.Undefined();
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return env.Undefined();
  std::vector<uint8_t> data(size);
  if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
    return env.Undefined();
  Napi::Object value = Napi::Object::New(env);
  value.Set("type", static_cast<double>(type));
  value.Set("data", Napi::Buffer<uint8_t>::Copy(env, data.data(), size));
  return value;
}

// saveHive(root, path, file): RegSaveKeyW's status, with the backup
// privilege enabled for the call.
Napi::Value SaveHive(const Napi::CallbackInfo& info) {
  std::wstring path = WideFrom(info[1]);
  std::wstring file = WideFrom(info[2]);
  win::UniqueRegistryKey key;
  LSTATUS status = RegOpenKeyExW(RootFrom(info[0]), path.c_str(), 0, KEY_READ, key.put());
  if (status == ERROR_SUCCESS) {
    bool enabled = EnablePrivilege(L"SeBackupPrivilege", true);
    status = RegSaveKeyW(key.get(), file.c_str(), nullptr);
    if (enabled) EnablePrivilege(L"SeBackupPrivilege", false);
  }
  return Napi::Number::New(info.Env(), static_cast<double>(status));
}

std::vector<std::wstring> SubkeyNames(HKEY root) {
  std::vector<std::wstring> names;
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD length = 256;
    LSTATUS status = RegEnumKeyExW(root, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status == ERROR_SUCCESS) names.emplace_back(name, length);
  }
  return names;
}

// Mounted test hives: keys directly below HKEY_USERS and HKEY_LOCAL_MACHINE
// (and HKEY_CURRENT_USER, where Wine loads them too) whose names start with
// the hive prefix (only hives live there).
std::vector<std::pair<HKEY, std::wstring>> TestHives() {
  std::vector<std::pair<HKEY, std::wstring>> hives;
  const std::wstring prefix = kHivePrefix;
  for (HKEY root : {HKEY_USERS, HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
    for (const std::wstring& name : SubkeyNames(root))
      if (CompareStringOrdinal(name.c_str(), static_cast<int>(std::min(name.size(), prefix.size())), prefix.c_str(),
                               static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL)
        hives.emplace_back(root, name);
  return hives;
}

Napi::Value LoadedHives(const Napi::CallbackInfo& info) {
  Napi::Env env = info.Env();
  std::vector<std::pair<HKEY, std::wstring>> hives = TestHives();
  Napi::Array out = Napi::Array::New(env, hives.size());
  for (size_t i = 0; i < hives.size(); ++i) out.Set(static_cast<uint32_t>(i), Utf8From(hives[i].second));
  return out;
}

}  // namespace

void RegisterRegistry(Napi::Env env, Napi::Object exports) {
  exports.Set("writeRawValue", Napi::Function::New(env, WriteRawValue, "writeRawValue"));
  exports.Set("readRawValue", Napi::Function::New(env, ReadRawValue, "readRawValue"));
  exports.Set("saveHive", Napi::Function::New(env, SaveHive, "saveHive"));
  exports.Set("loadedHives", Napi::Function::New(env, LoadedHives, "loadedHives"));
}

void ResetRegistry() {
  std::vector<std::pair<HKEY, std::wstring>> hives = TestHives();
  if (!hives.empty()) {
    bool backup = EnablePrivilege(L"SeBackupPrivilege", true);
    bool restore = EnablePrivilege(L"SeRestorePrivilege", true);
    for (const auto& hive : hives) RegUnLoadKeyW(hive.first, hive.second.c_str());
    if (backup) EnablePrivilege(L"SeBackupPrivilege", false);
    if (restore) EnablePrivilege(L"SeRestorePrivilege", false);
  }
  RegDeleteTreeW(HKEY_CURRENT_USER, kUserTestRoot);
  RegDeleteKeyW(HKEY_CURRENT_USER, kUserTestRoot);
  for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
    win::UniqueRegistryKey software;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE", 0, KEY_ALL_ACCESS | view, software.put()) != ERROR_SUCCESS)
      continue;
    const wchar_t* name = kMachineTestRoot + wcslen(L"SOFTWARE\\");
    RegDeleteTreeW(software.get(), name);
    RegDeleteKeyExW(software.get(), name, view, 0);
  }
}

}  // namespace wincontrol
