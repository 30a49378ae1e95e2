// Conversion between script values and registry value data.
#pragma once

#include <nan.h>
#include <windows.h>

#include <vector>

namespace sba {

// The bytes RegSetValueExW stores for a script value: REG_SZ as UTF-16 text
// with its terminator, REG_DWORD as four little-endian bytes. False for any
// other type, or when the value cannot be converted.
bool EncodeValueData(v8::Local<v8::Value> value, DWORD type, std::vector<BYTE>* bytes);

// REG_SZ and REG_EXPAND_SZ as strings (ending at the first NUL), REG_DWORD as
// an unsigned number; undefined for every other type and for a REG_DWORD of
// fewer than four bytes.
v8::Local<v8::Value> DecodeValueData(DWORD type, const std::vector<BYTE>& data);

// Every value of an open key, as one object in enumeration order.
v8::Local<v8::Object> ReadKeyValues(HKEY key);

}  // namespace sba
