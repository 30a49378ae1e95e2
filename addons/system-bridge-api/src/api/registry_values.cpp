#include "registry_values.h"

#include <cstring>

#include "shared.h"

namespace sba {
namespace {

const DWORD kValueNameUnits = 16383;
// A value whose data grows between the size probe and the read is probed
// again, this many times at most, and skipped if it keeps growing.
const int kReadAttempts = 4;

struct ValueEntry {
  std::vector<WCHAR> name = std::vector<WCHAR>(kValueNameUnits, 0);
  DWORD nameLength = 0;
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

// Probe for the data size, then read name, type and data. ERROR_MORE_DATA
// after every attempt means the value could not be read consistently.
LSTATUS ReadValueAt(HKEY key, DWORD index, ValueEntry* entry) {
  LSTATUS status = ERROR_MORE_DATA;
  for (int attempt = 0; attempt < kReadAttempts && status == ERROR_MORE_DATA; ++attempt) {
    DWORD size = 0;
    entry->nameLength = kValueNameUnits;
    status = RegEnumValueW(key, index, entry->name.data(), &entry->nameLength, nullptr, &entry->type, nullptr, &size);
    if (status != ERROR_SUCCESS) return status;
    entry->data.assign(size, 0);
    entry->nameLength = kValueNameUnits;
    status = RegEnumValueW(key, index, entry->name.data(), &entry->nameLength, nullptr, &entry->type,
                           entry->data.empty() ? nullptr : entry->data.data(), &size);
    if (status == ERROR_SUCCESS) entry->data.resize(size < entry->data.size() ? size : entry->data.size());
  }
  return status;
}

}  // namespace

bool EncodeValueData(v8::Local<v8::Value> value, DWORD type, std::vector<BYTE>* bytes) {
  if (type == REG_SZ) {
    std::string text;
    if (!TextOf(value, &text)) return false;
    std::wstring wide = Utf8ToWide(text);
    const BYTE* start = reinterpret_cast<const BYTE*>(wide.c_str());
    bytes->assign(start, start + (wide.size() + 1) * sizeof(WCHAR));
    return true;
  }
  if (type == REG_DWORD) {
    Nan::TryCatch guard;
    Nan::Maybe<int32_t> number = Nan::To<int32_t>(value);
    if (number.IsNothing()) return false;
    uint32_t word = static_cast<uint32_t>(number.FromJust());
    bytes->assign({static_cast<BYTE>(word), static_cast<BYTE>(word >> 8), static_cast<BYTE>(word >> 16),
                   static_cast<BYTE>(word >> 24)});
    return true;
  }
  return false;
}

v8::Local<v8::Value> DecodeValueData(DWORD type, const std::vector<BYTE>& data) {
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    std::vector<WCHAR> units(data.size() / sizeof(WCHAR));
    if (!units.empty()) std::memcpy(units.data(), data.data(), units.size() * sizeof(WCHAR));
    size_t length = 0;
    while (length < units.size() && units[length] != 0) ++length;
    v8::Local<v8::String> text;
    if (Nan::New(WideToUtf8(units.data(), length)).ToLocal(&text)) return text;
    return Nan::Undefined();
  }
  if (type == REG_DWORD && data.size() >= 4) {
    uint32_t word = data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<uint32_t>(data[3]) << 24);
    return Nan::New<v8::Number>(static_cast<double>(word));
  }
  return Nan::Undefined();
}

v8::Local<v8::Object> ReadKeyValues(HKEY key) {
  v8::Local<v8::Object> values = Nan::New<v8::Object>();
  v8::Local<v8::Context> context = Nan::GetCurrentContext();
  ValueEntry entry;
  for (DWORD index = 0;; ++index) {
    LSTATUS status = ReadValueAt(key, index, &entry);
    if (status == ERROR_MORE_DATA) continue;  // unreadable this time: skip it
    if (status != ERROR_SUCCESS) break;       // no more items, or the key is gone
    v8::Local<v8::String> name;
    if (!Nan::New(WideToUtf8(entry.name.data(), entry.nameLength)).ToLocal(&name)) continue;
    // An own data property even for names such as "__proto__".
    values->CreateDataProperty(context, name, DecodeValueData(entry.type, entry.data)).FromMaybe(false);
  }
  return values;
}

}  // namespace sba
