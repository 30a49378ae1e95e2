// Text between script and COM: script strings cross as UTF-16 through UTF-8,
// cut at their first NUL, in both directions.
#pragma once

#include <nan.h>
#include <windows.h>

#include <optional>
#include <string>

namespace com_bridge {

// The value by the script language's string conversion, as UTF-16. Empty
// when the conversion threw; the exception stays pending for the caller to
// return to script with.
std::optional<std::wstring> WideTextOf(v8::Local<v8::Value> value);

// UTF-16 text as a script string, up to its first NUL.
v8::Local<v8::String> ScriptString(const wchar_t* text, size_t length);

}  // namespace com_bridge
