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

// UTF-16 text as a script string, up to its first NUL. Empty when the text
// is longer than the script engine takes (kMaxScriptTextBytes of UTF-8); no
// exception is pending then.
v8::MaybeLocal<v8::String> ScriptString(const wchar_t* text, size_t length);

// The longest text, in UTF-8 bytes, that becomes a script string.
constexpr size_t kMaxScriptTextBytes = static_cast<size_t>(v8::String::kMaxLength);

}  // namespace com_bridge
