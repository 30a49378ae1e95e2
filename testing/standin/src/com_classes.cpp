// Automation classes: class ids from ProgIDs and from their text, and
// in-process servers found through their registration under
// HKEY_CLASSES_ROOT (CLSID\{...}\InprocServer32 names the module, whose
// DllGetClassObject hands out the class factory), as COM finds them. The
// module stays loaded once a class of it was created.
#include <oleauto.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "com_classes.h"
#include "state.h"

extern "C" const IID IID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
extern "C" const IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
extern "C" const IID IID_IDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
extern "C" const IID IID_ITypeInfo = {0x00020401, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
extern "C" const IID IID_ITypeLib = {0x00020402, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
extern "C" const IID IID_IEnumVARIANT = {0x00020404, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
extern "C" const IID IID_IConnectionPointContainer = {
    0xB196B284, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
extern "C" const IID IID_IEnumConnectionPoints = {
    0xB196B285, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
extern "C" const IID IID_IConnectionPoint = {
    0xB196B286, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
extern "C" const IID IID_IEnumConnections = {
    0xB196B287, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};

namespace standin {
namespace {

typedef HRESULT(WINAPI* GetClassObjectEntry)(REFCLSID clsid, REFIID iid, void** object);

class Key {
 public:
  Key() = default;
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  ~Key() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  HKEY* put() { return &key_; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

// The default string value of HKEY_CLASSES_ROOT\<path>, if there is one.
bool ClassesDefaultValue(const std::wstring& path, std::wstring* value) {
  Key key;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return false;
  DWORD type = 0, bytes = 0;
  if (RegQueryValueExW(key.get(), nullptr, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS || type != REG_SZ)
    return false;
  std::wstring text(bytes / sizeof(WCHAR) + 1, L'\0');
  if (RegQueryValueExW(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(&text[0]), &bytes) != ERROR_SUCCESS)
    return false;
  text.resize(wcsnlen(text.c_str(), text.size()));
  *value = text;
  return true;
}

int HexDigit(WCHAR c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}", hex digits of either case.
bool ParseGuid(LPCOLESTR text, GUID* guid) {
  static const char kPattern[] = "{........-....-....-....-............}";
  uint8_t bytes[16];
  int nibble = 0;
  for (int i = 0; kPattern[i] != '\0'; ++i) {
    if (text[i] == 0) return false;
    if (kPattern[i] != '.') {
      if (text[i] != static_cast<WCHAR>(kPattern[i])) return false;
      continue;
    }
    int digit = HexDigit(text[i]);
    if (digit < 0) return false;
    if (nibble % 2 == 0)
      bytes[nibble / 2] = static_cast<uint8_t>(digit << 4);
    else
      bytes[nibble / 2] |= static_cast<uint8_t>(digit);
    ++nibble;
  }
  if (text[sizeof(kPattern) - 1] != 0) return false;
  guid->Data1 = (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) | bytes[3];
  guid->Data2 = static_cast<unsigned short>((bytes[4] << 8) | bytes[5]);
  guid->Data3 = static_cast<unsigned short>((bytes[6] << 8) | bytes[7]);
  for (int i = 0; i < 8; ++i) guid->Data4[i] = bytes[8 + i];
  return true;
}

std::wstring GuidText(REFGUID guid) {
  WCHAR text[39];
  StringFromGUID2(guid, text, 39);
  return text;
}

}  // namespace

HRESULT CreateRegisteredInstance(REFCLSID clsid, DWORD context, REFIID iid, void** object) {
  if (!(context & CLSCTX_INPROC_SERVER)) return REGDB_E_CLASSNOTREG;
  std::wstring module_path;
  if (!ClassesDefaultValue(L"CLSID\\" + GuidText(clsid) + L"\\InprocServer32", &module_path))
    return REGDB_E_CLASSNOTREG;
  HMODULE module = LoadLibraryW(module_path.c_str());
  if (module == nullptr) return HRESULT_FROM_WIN32(126);  // ERROR_MOD_NOT_FOUND
  auto entry =
      reinterpret_cast<GetClassObjectEntry>(reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
  if (entry == nullptr) return static_cast<HRESULT>(0x800401F9L);  // CO_E_ERRORINDLL
  IClassFactory* factory = nullptr;
  HRESULT hr = entry(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(hr)) return hr;
  hr = factory->CreateInstance(nullptr, iid, object);
  factory->Release();
  return hr;
}

HRESULT RegisterServerModule(const std::wstring& path) {
  HMODULE module = LoadLibraryW(path.c_str());
  if (module == nullptr) return HRESULT_FROM_WIN32(126);
  typedef HRESULT(WINAPI * RegisterEntry)();
  auto entry = reinterpret_cast<RegisterEntry>(reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")));
  HRESULT hr = entry != nullptr ? entry() : static_cast<HRESULT>(0x800401F9L);
  FreeLibrary(module);
  return hr;
}

}  // namespace standin

using namespace standin;

int WINAPI StringFromGUID2(REFGUID guid, LPOLESTR text, int size) {
  if (text == nullptr || size < 39) return 0;
  char narrow[40];
  std::snprintf(narrow, sizeof(narrow), "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", guid.Data1, guid.Data2,
                guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                guid.Data4[6], guid.Data4[7]);
  for (int i = 0; i < 39; ++i) text[i] = static_cast<WCHAR>(narrow[i]);
  return 39;
}

HRESULT WINAPI CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid) {
  LogCall("CLSIDFromProgID");
  if (progId == nullptr || clsid == nullptr) return E_INVALIDARG;
  std::wstring text;
  if (*progId == 0 || !ClassesDefaultValue(std::wstring(progId) + L"\\CLSID", &text) ||
      !ParseGuid(text.c_str(), clsid)) {
    *clsid = IID_NULL;
    return CO_E_CLASSSTRING;
  }
  return S_OK;
}

// The braced form, or else a ProgID, as COM accepts both.
HRESULT WINAPI CLSIDFromString(LPCOLESTR text, CLSID* clsid) {
  if (clsid == nullptr) return E_INVALIDARG;
  if (text == nullptr) {
    *clsid = IID_NULL;
    return S_OK;
  }
  if (ParseGuid(text, clsid)) return S_OK;
  if (text[0] != L'{' && SUCCEEDED(CLSIDFromProgID(text, clsid))) return S_OK;
  *clsid = IID_NULL;
  return CO_E_CLASSSTRING;
}
