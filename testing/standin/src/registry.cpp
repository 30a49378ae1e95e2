// advapi32 registry part of the stand-in: predefined roots by their handle
// values, sub-key paths, the 32-bit view, access checks (keys only
// administrators may write), values with types and raw bytes in creation
// order and sub keys in name order (as Windows enumerates them), delete and
// delete-tree, and hives saved to and loaded from files.
//
// Value data is kept in the Windows layout (16-bit units for the string
// types); the W calls present string data in WCHAR units of this platform.
#include "state.h"

#include <cstring>
#include <fstream>
#include <sstream>

namespace standin {
namespace {

struct Value {
  std::wstring name;
  DWORD type;
  std::vector<uint8_t> data;  // Windows layout
};

struct Key {
  std::wstring name;
  Key* parent = nullptr;
  std::vector<Value> values;                  // creation order
  std::vector<std::shared_ptr<Key>> subkeys;  // sorted by upper-cased name, as Windows keeps them
  bool adminOnly = false;                     // only administrators may write (inherited)
  bool deleted = false;
  std::string hiveFile;  // set on the root of a loaded hive
};

struct OpenKey {
  std::shared_ptr<Key> key;
  REGSAM access;
};

struct Growth {
  Key* key;
  std::wstring value;
  size_t extraBytes;
  int times;
};

std::map<uintptr_t, std::shared_ptr<Key>> roots;
std::map<uintptr_t, OpenKey> open_keys;
uintptr_t next_key = 0x2000;
std::vector<Growth> growths;

const REGSAM kWriteAccess = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE | WRITE_DAC | WRITE_OWNER;
const REGSAM kViewBits = KEY_WOW64_32KEY | KEY_WOW64_64KEY;

uintptr_t HandleValue(HKEY key) { return reinterpret_cast<uintptr_t>(key); }

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// Caller bytes (WCHAR units) to the Windows layout and back, for string types.
std::vector<uint8_t> ToStored(DWORD type, const BYTE* data, DWORD size) {
  if (!data) return {};
  if (!IsStringType(type) || sizeof(WCHAR) == 2) return std::vector<uint8_t>(data, data + size);
  std::vector<uint8_t> out;
  size_t units = size / sizeof(WCHAR);
  for (size_t i = 0; i < units; ++i) {
    WCHAR unit;
    std::memcpy(&unit, data + i * sizeof(WCHAR), sizeof(WCHAR));
    out.push_back(static_cast<uint8_t>(unit & 0xFF));
    out.push_back(static_cast<uint8_t>((unit >> 8) & 0xFF));
  }
  size_t rest = size % sizeof(WCHAR);
  for (size_t i = 0; i < rest && i < 2; ++i) out.push_back(data[units * sizeof(WCHAR) + i]);
  return out;
}

std::vector<uint8_t> ToCaller(const Value& value) {
  if (!IsStringType(value.type) || sizeof(WCHAR) == 2) return value.data;
  std::vector<uint8_t> out;
  size_t units = value.data.size() / 2;
  for (size_t i = 0; i < units; ++i) {
    WCHAR unit = static_cast<WCHAR>(value.data[2 * i] | (value.data[2 * i + 1] << 8));
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&unit);
    out.insert(out.end(), bytes, bytes + sizeof(WCHAR));
  }
  if (value.data.size() % 2) out.push_back(value.data.back());
  return out;
}

bool AdminOnly(const Key* key) {
  for (; key; key = key->parent)
    if (key->adminOnly) return true;
  return false;
}

LSTATUS CheckAccess(const Key* key, REGSAM access) {
  if ((access & kWriteAccess) && AdminOnly(key) && !Token().elevated) return ERROR_ACCESS_DENIED;
  return ERROR_SUCCESS;
}

// The key behind a handle with the access the handle grants.
LSTATUS Resolve(HKEY handle, std::shared_ptr<Key>* key, REGSAM* granted) {
  // A predefined key is known by its low 32 bits, sign- or zero-extended.
  uintptr_t value = HandleValue(handle);
  if ((value >> 32) == 0 && (value & 0xF0000000u) == 0x80000000u)
    value = static_cast<uintptr_t>(static_cast<intptr_t>(static_cast<int32_t>(value)));
  auto root = roots.find(value);
  if (root != roots.end()) {
    *key = root->second;
    *granted = KEY_ALL_ACCESS;
    return ERROR_SUCCESS;
  }
  auto open = open_keys.find(HandleValue(handle));
  if (open == open_keys.end()) return ERROR_INVALID_HANDLE;
  if (open->second.key->deleted) return ERROR_KEY_DELETED;
  *key = open->second.key;
  *granted = open->second.access;
  return ERROR_SUCCESS;
}

LSTATUS ResolveFor(HKEY handle, REGSAM wanted, std::shared_ptr<Key>* key) {
  REGSAM granted = 0;
  LSTATUS status = Resolve(handle, key, &granted);
  if (status != ERROR_SUCCESS) return status;
  if ((granted & wanted) != wanted) return ERROR_ACCESS_DENIED;
  return ERROR_SUCCESS;
}

std::vector<std::wstring> SplitPath(LPCWSTR path) {
  std::vector<std::wstring> parts;
  std::wstring current;
  for (const WCHAR* p = path ? path : L""; *p; ++p) {
    if (*p == L'\\') {
      if (!current.empty()) parts.push_back(current);
      current.clear();
    } else {
      current.push_back(*p);
    }
  }
  if (!current.empty()) parts.push_back(current);
  return parts;
}

// The 32-bit view sees HKLM\SOFTWARE\WOW6432Node in place of HKLM\SOFTWARE.
void ApplyView(const Key* base, REGSAM access, std::vector<std::wstring>* parts) {
  if (!(access & KEY_WOW64_32KEY) || parts->empty()) return;
  if (base != roots[HandleValue(HKEY_LOCAL_MACHINE)].get() || !SameName((*parts)[0], L"SOFTWARE")) return;
  if (parts->size() > 1 && SameName((*parts)[1], L"WOW6432Node")) return;
  parts->insert(parts->begin() + 1, L"WOW6432Node");
}

std::shared_ptr<Key> Child(const Key& key, const std::wstring& name) {
  for (auto& sub : key.subkeys)
    if (SameName(sub->name, name)) return sub;
  return nullptr;
}

std::shared_ptr<Key> Walk(std::shared_ptr<Key> key, const std::vector<std::wstring>& parts) {
  for (auto& part : parts) {
    if (!key) break;
    key = Child(*key, part);
  }
  return key;
}

LSTATUS Find(HKEY handle, LPCWSTR path, REGSAM access, std::shared_ptr<Key>* found) {
  std::shared_ptr<Key> base;
  REGSAM granted = 0;
  LSTATUS status = Resolve(handle, &base, &granted);
  if (status != ERROR_SUCCESS) return status;
  std::vector<std::wstring> parts = SplitPath(path);
  ApplyView(base.get(), access, &parts);
  *found = Walk(base, parts);
  return *found ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

HKEY NewKeyHandle(const std::shared_ptr<Key>& key, REGSAM access) {
  uintptr_t value = next_key;
  next_key += 4;
  open_keys[value] = OpenKey{key, access & ~kViewBits};
  return reinterpret_cast<HKEY>(value);
}

void MarkDeleted(Key& key) {
  key.deleted = true;
  for (auto& sub : key.subkeys) MarkDeleted(*sub);
}

void Unlink(Key& key) {
  MarkDeleted(key);
  auto& siblings = key.parent->subkeys;
  for (auto it = siblings.begin(); it != siblings.end(); ++it)
    if (it->get() == &key) {
      siblings.erase(it);
      return;
    }
}

Value* FindValue(Key& key, const std::wstring& name) {
  for (auto& value : key.values)
    if (SameName(value.name, name)) return &value;
  return nullptr;
}

std::wstring UpperName(const std::wstring& name) {
  std::wstring upper = name;
  for (auto& c : upper)
    if (c >= L'a' && c <= L'z') c = c - L'a' + L'A';
  return upper;
}

std::shared_ptr<Key> AddChild(Key& parent, const std::wstring& name) {
  auto key = std::make_shared<Key>();
  key->name = name;
  key->parent = &parent;
  auto position = parent.subkeys.begin();
  while (position != parent.subkeys.end() && UpperName((*position)->name) < UpperName(name)) ++position;
  parent.subkeys.insert(position, key);
  return key;
}

std::shared_ptr<Key> CreatePath(std::shared_ptr<Key> key, const std::vector<std::wstring>& parts) {
  for (auto& part : parts) {
    std::shared_ptr<Key> next = Child(*key, part);
    key = next ? next : AddChild(*key, part);
  }
  return key;
}

void UseGrowth(Key& key, Value& value) {
  for (auto& growth : growths) {
    if (growth.key != &key || !SameName(growth.value, value.name) || growth.times <= 0) continue;
    --growth.times;
    for (size_t i = 0; i < growth.extraBytes; ++i) value.data.push_back(i % 2 ? 0x00 : 0x41);
  }
}

// --- hive files: the stand-in's own text format ---------------------------
std::string Hex(const std::vector<uint8_t>& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (uint8_t b : bytes) {
    out.push_back(digits[b >> 4]);
    out.push_back(digits[b & 15]);
  }
  return out.empty() ? "-" : out;
}

std::vector<uint8_t> Unhex(const std::string& text) {
  std::vector<uint8_t> out;
  if (text == "-") return out;
  for (size_t i = 0; i + 1 < text.size(); i += 2)
    out.push_back(static_cast<uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
  return out;
}

std::string HexName(const std::wstring& name) {
  std::vector<uint8_t> bytes;
  for (wchar_t c : name) {
    bytes.push_back(static_cast<uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<uint8_t>((c >> 8) & 0xFF));
  }
  return Hex(bytes);
}

std::wstring UnhexName(const std::string& text) {
  std::vector<uint8_t> bytes = Unhex(text);
  std::wstring out;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) out.push_back(static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8)));
  return out;
}

void WriteTree(std::ostream& out, const Key& key, int depth) {
  out << "key " << depth << ' ' << HexName(depth ? key.name : L"") << '\n';
  for (auto& value : key.values)
    out << "value " << HexName(value.name) << ' ' << value.type << ' ' << Hex(value.data) << '\n';
  for (auto& sub : key.subkeys) WriteTree(out, *sub, depth + 1);
}

const char* kHiveHeader = "standin-hive 1";

LSTATUS WriteHive(const Key& key, const std::string& file) {
  if (std::ifstream(file)) return ERROR_ALREADY_EXISTS;
  std::ofstream out(file);
  if (!out) return ERROR_ACCESS_DENIED;
  out << kHiveHeader << '\n';
  WriteTree(out, key, 0);
  return out ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

LSTATUS ReadHive(const std::string& file, Key* root) {
  std::ifstream in(file);
  if (!in) return ERROR_FILE_NOT_FOUND;
  std::string line;
  if (!std::getline(in, line) || line != kHiveHeader) return ERROR_BADDB;
  std::vector<Key*> path;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string kind, name;
    fields >> kind;
    if (kind == "key") {
      size_t depth;
      fields >> depth >> name;
      if (!fields || depth > path.size()) return ERROR_BADDB;
      path.resize(depth);
      path.push_back(depth == 0 ? root : AddChild(*path.back(), UnhexName(name)).get());
    } else if (kind == "value" && !path.empty()) {
      DWORD type;
      std::string data;
      fields >> name >> type >> data;
      if (!fields) return ERROR_BADDB;
      path.back()->values.push_back(Value{UnhexName(name), type, Unhex(data)});
    } else {
      return ERROR_BADDB;
    }
  }
  return path.empty() ? ERROR_BADDB : ERROR_SUCCESS;
}

std::string NarrowPath(LPCWSTR path) { return Utf8FromWide(WideOrEmpty(path)); }

bool HivePrivilegesEnabled() { return PrivilegeEnabled(SE_RESTORE_NAME) && PrivilegeEnabled(SE_BACKUP_NAME); }

bool HiveRootHandle(HKEY key) { return key == HKEY_USERS || key == HKEY_LOCAL_MACHINE; }

bool FileInUse(const std::string& file, const Key& key) {
  if (key.hiveFile == file) return true;
  for (auto& sub : key.subkeys)
    if (FileInUse(file, *sub)) return true;
  return false;
}

}  // namespace

void ResetRegistry() {
  roots.clear();
  open_keys.clear();
  growths.clear();
  next_key = 0x2000;
  for (HKEY handle : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS, HKEY_CURRENT_CONFIG})
    roots[HandleValue(handle)] = std::make_shared<Key>();
  Key& machine = *roots[HandleValue(HKEY_LOCAL_MACHINE)];
  machine.adminOnly = true;
  roots[HandleValue(HKEY_USERS)]->adminOnly = true;
  roots[HandleValue(HKEY_CURRENT_CONFIG)]->adminOnly = true;
  AddChild(*AddChild(machine, L"SOFTWARE"), L"WOW6432Node");
  AddChild(machine, L"SYSTEM");
  AddChild(*roots[HandleValue(HKEY_CURRENT_USER)], L"Software");
  AddChild(*roots[HandleValue(HKEY_USERS)], L".DEFAULT");
}

size_t OpenKeyCount() { return open_keys.size(); }

bool SetAdminOnly(HKEY root, const std::wstring& path, bool adminOnly) {
  EnsureBooted();
  std::shared_ptr<Key> key;
  if (Find(root, path.c_str(), 0, &key) != ERROR_SUCCESS) return false;
  key->adminOnly = adminOnly;
  return true;
}

bool WriteRawValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
                   const std::vector<uint8_t>& data) {
  EnsureBooted();
  auto base = roots.find(HandleValue(root));
  if (base == roots.end()) return false;
  std::shared_ptr<Key> key = CreatePath(base->second, SplitPath(path.c_str()));
  if (Value* value = FindValue(*key, name)) {
    value->type = type;
    value->data = data;
  } else {
    key->values.push_back(Value{name, type, data});
  }
  return true;
}

std::optional<RawValue> ReadRawValue(HKEY root, const std::wstring& path, const std::wstring& name) {
  EnsureBooted();
  std::shared_ptr<Key> key;
  if (Find(root, path.c_str(), 0, &key) != ERROR_SUCCESS) return std::nullopt;
  Value* value = FindValue(*key, name);
  if (!value) return std::nullopt;
  return RawValue{value->type, value->data};
}

LSTATUS SaveHive(HKEY root, const std::wstring& path, const std::string& file) {
  EnsureBooted();
  std::shared_ptr<Key> key;
  LSTATUS status = Find(root, path.c_str(), 0, &key);
  return status == ERROR_SUCCESS ? WriteHive(*key, file) : status;
}

std::vector<std::wstring> LoadedHives() {
  EnsureBooted();
  std::vector<std::wstring> names;
  for (HKEY root : {HKEY_USERS, HKEY_LOCAL_MACHINE})
    for (auto& sub : roots[HandleValue(root)]->subkeys)
      if (!sub->hiveFile.empty()) names.push_back(sub->name);
  return names;
}

void GrowValueAfterProbe(HKEY root, const std::wstring& path, const std::wstring& name, size_t extraBytes, int times) {
  EnsureBooted();
  std::shared_ptr<Key> key;
  if (Find(root, path.c_str(), 0, &key) == ERROR_SUCCESS) growths.push_back(Growth{key.get(), name, extraBytes, times});
}

}  // namespace standin

using namespace standin;

LSTATUS WINAPI RegOpenKeyExW(HKEY handle, LPCWSTR subKey, DWORD, REGSAM access, PHKEY result) {
  LogCall("RegOpenKeyExW");
  std::shared_ptr<Key> key;
  LSTATUS status = Find(handle, subKey, access, &key);
  if (status == ERROR_SUCCESS) status = CheckAccess(key.get(), access);
  if (status != ERROR_SUCCESS) return status;
  *result = NewKeyHandle(key, access);
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegCreateKeyExW(HKEY handle, LPCWSTR subKey, DWORD, LPWSTR, DWORD, REGSAM access,
                               const SECURITY_ATTRIBUTES*, PHKEY result, LPDWORD disposition) {
  LogCall("RegCreateKeyExW");
  std::shared_ptr<Key> key;
  REGSAM granted = 0;
  LSTATUS status = Resolve(handle, &key, &granted);
  if (status != ERROR_SUCCESS) return status;
  std::vector<std::wstring> parts = SplitPath(subKey);
  ApplyView(key.get(), access, &parts);
  bool created = false;
  for (auto& part : parts) {
    if (part.size() > 255) return ERROR_INVALID_PARAMETER;
    std::shared_ptr<Key> next = Child(*key, part);
    if (!next) {
      if (CheckAccess(key.get(), KEY_CREATE_SUB_KEY) != ERROR_SUCCESS) return ERROR_ACCESS_DENIED;
      next = AddChild(*key, part);
      created = true;
    }
    key = next;
  }
  status = CheckAccess(key.get(), access);
  if (status != ERROR_SUCCESS) return status;
  *result = NewKeyHandle(key, access);
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegCloseKey(HKEY handle) {
  LogCall("RegCloseKey");
  if (roots.count(HandleValue(handle))) return ERROR_SUCCESS;
  return open_keys.erase(HandleValue(handle)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LSTATUS WINAPI RegSetValueExW(HKEY handle, LPCWSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD size) {
  LogCall("RegSetValueExW");
  std::shared_ptr<Key> key;
  LSTATUS status = ResolveFor(handle, KEY_SET_VALUE, &key);
  if (status == ERROR_SUCCESS) status = CheckAccess(key.get(), KEY_SET_VALUE);
  if (status != ERROR_SUCCESS) return status;
  std::wstring name = WideOrEmpty(valueName);
  std::vector<uint8_t> stored = ToStored(type, data, size);
  if (Value* value = FindValue(*key, name)) {
    value->type = type;
    value->data = stored;
  } else {
    key->values.push_back(Value{name, type, stored});
  }
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegQueryValueExW(HKEY handle, LPCWSTR valueName, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD size) {
  LogCall("RegQueryValueExW");
  std::shared_ptr<Key> key;
  LSTATUS status = ResolveFor(handle, KEY_QUERY_VALUE, &key);
  if (status != ERROR_SUCCESS) return status;
  Value* value = FindValue(*key, WideOrEmpty(valueName));
  if (!value) return ERROR_FILE_NOT_FOUND;
  std::vector<uint8_t> bytes = ToCaller(*value);
  if (type) *type = value->type;
  if (!size) return data ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
  DWORD room = *size;
  *size = static_cast<DWORD>(bytes.size());
  if (!data) return ERROR_SUCCESS;
  if (room < bytes.size()) return ERROR_MORE_DATA;
  std::memcpy(data, bytes.data(), bytes.size());
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegEnumValueW(HKEY handle, DWORD index, LPWSTR name, LPDWORD nameLength, LPDWORD, LPDWORD type,
                             LPBYTE data, LPDWORD size) {
  LogCall("RegEnumValueW");
  std::shared_ptr<Key> key;
  LSTATUS status = ResolveFor(handle, KEY_QUERY_VALUE, &key);
  if (status != ERROR_SUCCESS) return status;
  if (index >= key->values.size()) return ERROR_NO_MORE_ITEMS;
  Value& value = key->values[index];
  if (value.name.size() >= *nameLength) return ERROR_MORE_DATA;
  std::memcpy(name, value.name.c_str(), (value.name.size() + 1) * sizeof(WCHAR));
  *nameLength = static_cast<DWORD>(value.name.size());
  if (type) *type = value.type;
  std::vector<uint8_t> bytes = ToCaller(value);
  if (!size) return ERROR_SUCCESS;
  DWORD room = *size;
  *size = static_cast<DWORD>(bytes.size());
  if (!data) {
    UseGrowth(*key, value);  // a writer racing with this reader
    return ERROR_SUCCESS;
  }
  if (room < bytes.size()) return ERROR_MORE_DATA;
  std::memcpy(data, bytes.data(), bytes.size());
  return ERROR_SUCCESS;
}

// The length holds the room in characters, terminator included; on success
// it receives the name's length without the terminator. A name that does not
// fit gives ERROR_MORE_DATA.
LSTATUS WINAPI RegEnumKeyExW(HKEY handle, DWORD index, LPWSTR name, LPDWORD nameLength, LPDWORD, LPWSTR, LPDWORD,
                             PFILETIME) {
  LogCall("RegEnumKeyExW");
  std::shared_ptr<Key> key;
  LSTATUS status = ResolveFor(handle, KEY_ENUMERATE_SUB_KEYS, &key);
  if (status != ERROR_SUCCESS) return status;
  if (index >= key->subkeys.size()) return ERROR_NO_MORE_ITEMS;
  const std::wstring& found = key->subkeys[index]->name;
  if (found.size() >= *nameLength) return ERROR_MORE_DATA;
  std::memcpy(name, found.c_str(), (found.size() + 1) * sizeof(WCHAR));
  *nameLength = static_cast<DWORD>(found.size());
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegQueryInfoKeyW(HKEY handle, LPWSTR, LPDWORD, LPDWORD, LPDWORD subKeys, LPDWORD maxSubKeyLength,
                                LPDWORD, LPDWORD values, LPDWORD maxValueNameLength, LPDWORD maxValueLength, LPDWORD,
                                PFILETIME) {
  LogCall("RegQueryInfoKeyW");
  std::shared_ptr<Key> key;
  LSTATUS status = ResolveFor(handle, KEY_QUERY_VALUE, &key);
  if (status != ERROR_SUCCESS) return status;
  DWORD longestKey = 0, longestName = 0, longestData = 0;
  for (auto& sub : key->subkeys) longestKey = std::max<DWORD>(longestKey, sub->name.size());
  for (auto& value : key->values) {
    longestName = std::max<DWORD>(longestName, value.name.size());
    longestData = std::max<DWORD>(longestData, ToCaller(value).size());
  }
  if (subKeys) *subKeys = static_cast<DWORD>(key->subkeys.size());
  if (maxSubKeyLength) *maxSubKeyLength = longestKey;
  if (values) *values = static_cast<DWORD>(key->values.size());
  if (maxValueNameLength) *maxValueNameLength = longestName;
  if (maxValueLength) *maxValueLength = longestData;
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegDeleteKeyExW(HKEY handle, LPCWSTR subKey, REGSAM view, DWORD) {
  LogCall("RegDeleteKeyExW");
  std::shared_ptr<Key> key;
  LSTATUS status = Find(handle, subKey, view, &key);
  if (status != ERROR_SUCCESS) return status;
  if (!key->parent || !key->subkeys.empty() || !key->hiveFile.empty()) return ERROR_ACCESS_DENIED;
  status = CheckAccess(key.get(), DELETE);
  if (status != ERROR_SUCCESS) return status;
  Unlink(*key);
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegDeleteValueW(HKEY handle, LPCWSTR valueName) {
  LogCall("RegDeleteValueW");
  std::shared_ptr<Key> key;
  LSTATUS status = ResolveFor(handle, KEY_SET_VALUE, &key);
  if (status == ERROR_SUCCESS) status = CheckAccess(key.get(), KEY_SET_VALUE);
  if (status != ERROR_SUCCESS) return status;
  std::wstring name = WideOrEmpty(valueName);
  for (auto it = key->values.begin(); it != key->values.end(); ++it)
    if (SameName(it->name, name)) {
      key->values.erase(it);
      return ERROR_SUCCESS;
    }
  return ERROR_FILE_NOT_FOUND;
}

LSTATUS WINAPI RegDeleteTreeW(HKEY handle, LPCWSTR subKey) {
  LogCall("RegDeleteTreeW");
  std::shared_ptr<Key> key;
  LSTATUS status = Find(handle, subKey, 0, &key);
  if (status != ERROR_SUCCESS) return status;
  status = CheckAccess(key.get(), DELETE);
  if (status != ERROR_SUCCESS) return status;
  if (!subKey || !*subKey || !key->parent || !key->hiveFile.empty()) {
    // The key itself stays; its values and sub keys go.
    for (auto& sub : key->subkeys) MarkDeleted(*sub);
    key->subkeys.clear();
    key->values.clear();
    return ERROR_SUCCESS;
  }
  Unlink(*key);
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegSaveKeyW(HKEY handle, LPCWSTR file, const SECURITY_ATTRIBUTES*) {
  LogCall("RegSaveKeyW");
  if (!PrivilegeEnabled(SE_BACKUP_NAME)) return ERROR_PRIVILEGE_NOT_HELD;
  std::shared_ptr<Key> key;
  REGSAM granted = 0;
  LSTATUS status = Resolve(handle, &key, &granted);
  return status == ERROR_SUCCESS ? WriteHive(*key, NarrowPath(file)) : status;
}

LSTATUS WINAPI RegLoadKeyW(HKEY handle, LPCWSTR subKey, LPCWSTR file) {
  LogCall("RegLoadKeyW");
  if (!HivePrivilegesEnabled()) return ERROR_PRIVILEGE_NOT_HELD;
  std::vector<std::wstring> parts = SplitPath(subKey);
  if (!HiveRootHandle(handle) || parts.size() != 1) return ERROR_INVALID_PARAMETER;
  Key& root = *roots[HandleValue(handle)];
  if (Child(root, parts[0])) return ERROR_ALREADY_EXISTS;
  std::string path = NarrowPath(file);
  for (auto& entry : roots)
    if (FileInUse(path, *entry.second)) return ERROR_SHARING_VIOLATION;
  Key loaded;
  LSTATUS status = ReadHive(path, &loaded);
  if (status != ERROR_SUCCESS) return status;
  std::shared_ptr<Key> hive = AddChild(root, parts[0]);
  hive->values = std::move(loaded.values);
  hive->subkeys = std::move(loaded.subkeys);
  for (auto& sub : hive->subkeys) sub->parent = hive.get();
  hive->hiveFile = path;
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegUnLoadKeyW(HKEY handle, LPCWSTR subKey) {
  LogCall("RegUnLoadKeyW");
  if (!HivePrivilegesEnabled()) return ERROR_PRIVILEGE_NOT_HELD;
  std::vector<std::wstring> parts = SplitPath(subKey);
  if (!HiveRootHandle(handle) || parts.size() != 1) return ERROR_INVALID_PARAMETER;
  std::shared_ptr<Key> hive = Child(*roots[HandleValue(handle)], parts[0]);
  if (!hive) return ERROR_FILE_NOT_FOUND;
  if (hive->hiveFile.empty()) return ERROR_INVALID_PARAMETER;
  // The hive's changes go back to its file.
  std::string file = hive->hiveFile;
  std::remove(file.c_str());
  hive->hiveFile.clear();
  LSTATUS status = WriteHive(*hive, file);
  Unlink(*hive);
  return status;
}

LSTATUS WINAPI RegDeleteKeyW(HKEY key, LPCWSTR subKey) { return RegDeleteKeyExW(key, subKey, 0, 0); }
