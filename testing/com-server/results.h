// Filling an Invoke result: each sets an empty VARIANT to a new value owned by
// whoever receives the result.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

namespace test_server {

HRESULT SetInt32(VARIANT* result, LONG value);
// A new BSTR of exactly these units (embedded NULs included).
HRESULT SetText(VARIANT* result, const wchar_t* text, size_t length);
HRESULT SetText(VARIANT* result, const std::wstring& text);

}  // namespace test_server
