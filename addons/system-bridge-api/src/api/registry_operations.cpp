// Registry operations: each call opens what it needs with the wide registry
// calls, does one job and closes the key again.
#include <string_view>
#include <vector>

#include "functions.h"
#include "registry_values.h"
#include "shared.h"
#include "win-owners/handles.h"

namespace sba {
namespace {

const char kInvalidArguments[] = "Invalid arguments specified for the function call";

std::string SystemCallError(const char* what, LSTATUS status) {
  return FormatText("%s Error returned from system call: %x", what, static_cast<unsigned>(status));
}

REGSAM AccessFlagsFrom(v8::Local<v8::Value> value) { return static_cast<REGSAM>(Int32From(value)); }

// Whether a sub key path names a key below the root. A NUL anywhere is
// refused (the registry calls would stop reading there, at an ancestor). The
// registry separates names by backslash only ('/' is an ordinary name
// character); an empty path, or backslashes alone, names the root itself,
// whose whole contents a delete would take.
bool NamesKeyBelowRoot(const std::wstring& subKey) {
  return HasNoNul(subKey) && std::wstring_view(subKey).find_first_not_of(L'\\') != std::wstring_view::npos;
}

// The longest legal key name, 255 characters, and its terminator.
const DWORD kKeyNameUnits = 256;

}  // namespace

NAN_METHOD(CreateRegistryKeyFunction) {
  if (!ArgumentsAre(info, {Expect::Number, Expect::String, Expect::Number}))
    return SetReturnText(info, kInvalidArguments);
  HKEY root = RootKeyFrom(info[0]);
  std::wstring subKey = WideFrom(info[1]);
  REGSAM flags = AccessFlagsFrom(info[2]);
  if (!HasNoNul(subKey)) return SetReturnText(info, SystemCallError("Failled to create key.", ERROR_INVALID_PARAMETER));
  win::UniqueRegistryKey key;
  LSTATUS status = RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, flags | KEY_ALL_ACCESS,
                                   nullptr, key.put(), nullptr);
  if (status != ERROR_SUCCESS) SetReturnText(info, SystemCallError("Failled to create key.", status));
}

NAN_METHOD(SetRegistryKeyValueFunction) {
  if (!ArgumentsAre(info,
                    {Expect::Number, Expect::String, Expect::Number, Expect::String, Expect::Any, Expect::Number}))
    return SetReturnText(info, kInvalidArguments);
  HKEY root = RootKeyFrom(info[0]);
  std::wstring subKey = WideFrom(info[1]);
  REGSAM flags = AccessFlagsFrom(info[2]);
  std::wstring valueName = WideFrom(info[3]);
  DWORD type = static_cast<DWORD>(Int32From(info[5]));
  std::vector<BYTE> bytes;
  if (!EncodeValueData(info[4], type, &bytes))
    return SetReturnText(info, "Not supported or invalid key data type specified");
  if (!HasNoNul(subKey)) return SetReturnText(info, SystemCallError("Failled to open key.", ERROR_INVALID_PARAMETER));
  if (!HasNoNul(valueName))
    return SetReturnText(info, SystemCallError("Failled set key value.", ERROR_INVALID_PARAMETER));
  win::UniqueRegistryKey key;
  LSTATUS status = RegOpenKeyExW(root, subKey.c_str(), 0, flags | KEY_SET_VALUE, key.put());
  if (status != ERROR_SUCCESS) return SetReturnText(info, SystemCallError("Failled to open key.", status));
  status = RegSetValueExW(key.get(), valueName.c_str(), 0, type, bytes.data(), static_cast<DWORD>(bytes.size()));
  if (status != ERROR_SUCCESS) SetReturnText(info, SystemCallError("Failled set key value.", status));
}

NAN_METHOD(IsRegistryKeyExistsFunction) {
  if (!ArgumentsAre(info, {Expect::Number, Expect::String, Expect::Number})) return info.GetReturnValue().Set(false);
  std::wstring subKey = WideFrom(info[1]);
  if (!HasNoNul(subKey)) return info.GetReturnValue().Set(false);
  win::UniqueRegistryKey key;
  LSTATUS status =
      RegOpenKeyExW(RootKeyFrom(info[0]), subKey.c_str(), 0, AccessFlagsFrom(info[2]) | KEY_READ, key.put());
  info.GetReturnValue().Set(status == ERROR_SUCCESS);
}

NAN_METHOD(GetRegistryKeyValuesFunction) {
  if (!ArgumentsAre(info, {Expect::Number, Expect::String, Expect::Number})) return;
  std::wstring subKey = WideFrom(info[1]);
  if (!HasNoNul(subKey)) return;
  win::UniqueRegistryKey key;
  LSTATUS status =
      RegOpenKeyExW(RootKeyFrom(info[0]), subKey.c_str(), 0, AccessFlagsFrom(info[2]) | KEY_QUERY_VALUE, key.put());
  if (status != ERROR_SUCCESS) return;
  info.GetReturnValue().Set(ReadKeyValues(key.get()));
}

NAN_METHOD(DeleteRegistryKeyFunction) {
  if (!ArgumentsAre(info, {Expect::Number, Expect::String, Expect::Number}))
    return SetReturnText(info, "Invalid arguments specified for DeleteRegistryKey");
  std::wstring subKey = WideFrom(info[1]);
  LSTATUS status = NamesKeyBelowRoot(subKey)
                       ? RegDeleteKeyExW(RootKeyFrom(info[0]), subKey.c_str(), AccessFlagsFrom(info[2]), 0)
                       : ERROR_INVALID_PARAMETER;
  if (status != ERROR_SUCCESS) SetReturnText(info, SystemCallError("Failled delete registry key.", status));
}

NAN_METHOD(GetSubkeysFunction) {
  if (!ArgumentsAre(info, {Expect::Number, Expect::String}))
    return SetReturnText(info, "Invalid arguments specified for GetSubkeys");
  std::wstring subKey = WideFrom(info[1]);
  if (!HasNoNul(subKey)) return;
  win::UniqueRegistryKey key;
  if (RegOpenKeyExW(RootKeyFrom(info[0]), subKey.c_str(), 0, KEY_ALL_ACCESS, key.put()) != ERROR_SUCCESS) return;
  DWORD count = 0;
  if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr,
                       nullptr, nullptr) != ERROR_SUCCESS)
    return;
  v8::Local<v8::Array> names = Nan::New<v8::Array>(static_cast<int>(count));
  v8::Local<v8::Context> context = Nan::GetCurrentContext();
  for (DWORD i = 0; i < count; ++i) {
    WCHAR name[kKeyNameUnits];
    DWORD length = kKeyNameUnits;
    if (RegEnumKeyExW(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) continue;
    v8::Local<v8::String> text;
    // Own data elements: a setter on Array.prototype never sees them.
    if (Nan::New(WideToUtf8(name, length)).ToLocal(&text)) names->CreateDataProperty(context, i, text).FromMaybe(false);
  }
  info.GetReturnValue().Set(names);
}

NAN_METHOD(DeleteRegistryKeyTreeFunction) {
  if (!ArgumentsAre(info, {Expect::Number, Expect::String}))
    return SetReturnText(info, "Invalid arguments specified for DeleteRegistryKeyTree");
  std::wstring subKey = WideFrom(info[1]);
  LSTATUS status =
      NamesKeyBelowRoot(subKey) ? RegDeleteTreeW(RootKeyFrom(info[0]), subKey.c_str()) : ERROR_INVALID_PARAMETER;
  if (status != ERROR_SUCCESS) return SetReturnText(info, SystemCallError("Failed delete registry key tree.", status));
  info.GetReturnValue().Set(true);
}

}  // namespace sba
