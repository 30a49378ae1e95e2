#include "text.h"

#include <string.h>

#include <algorithm>

namespace com_bridge {

namespace {

bool IsHighSurrogate(wchar_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(wchar_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// A script string's UTF-16 units, read directly: the same text as the way
// through UTF-8 gives (a lone surrogate becomes U+FFFD, the text ends at its
// first NUL), without two conversions.
std::wstring WideTextOfString(v8::Local<v8::String> string) {
  // Member names are short: those need no buffer of their own.
  uint16_t short_units[64];
  std::u16string long_units;
  const int length = string->Length();
  uint16_t* units = short_units;
  if (length > 64) {
    long_units.resize(static_cast<size_t>(length));
    units = reinterpret_cast<uint16_t*>(long_units.data());
  }
  string->Write(v8::Isolate::GetCurrent(), units, 0, length, v8::String::NO_NULL_TERMINATION);
  std::wstring text(units, std::find(units, units + length, 0));
  for (size_t i = 0; i < text.size(); ++i) {
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      ++i;
    } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
      text[i] = 0xFFFD;
    }
  }
  return text;
}

}  // namespace

std::optional<std::wstring> WideTextOf(v8::Local<v8::Value> value) {
  if (value->IsString()) return WideTextOfString(value.As<v8::String>());
  Nan::TryCatch failure;
  Nan::Utf8String utf8(value);  // invalid UTF-16 becomes U+FFFD here
  if (failure.HasCaught()) {
    failure.ReThrow();
    return std::nullopt;
  }
  const char* bytes = *utf8 != nullptr ? *utf8 : "";
  int length = static_cast<int>(strnlen(bytes, static_cast<size_t>(utf8.length())));
  std::wstring wide;
  if (length == 0) return wide;
  int units = MultiByteToWideChar(CP_UTF8, 0, bytes, length, nullptr, 0);
  wide.resize(static_cast<size_t>(units));
  MultiByteToWideChar(CP_UTF8, 0, bytes, length, wide.data(), units);
  return wide;
}

v8::MaybeLocal<v8::String> ScriptString(const wchar_t* text, size_t length) {
  if (text == nullptr) return Nan::EmptyString();
  // A NUL unit is the only one that gives a NUL byte: cutting here is
  // cutting the UTF-8 text at its first NUL.
  length = static_cast<size_t>(std::find(text, text + length, L'\0') - text);
  if (length == 0) return Nan::EmptyString();
  // Every unit gives at least one byte; the engine refuses longer texts.
  if (length > kMaxScriptTextBytes) return {};
  const int units = static_cast<int>(length);
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text, units, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0 || static_cast<size_t>(bytes) > kMaxScriptTextBytes) return {};
  std::string utf8(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, units, utf8.data(), bytes, nullptr, nullptr);
  return Nan::New(utf8.data(), bytes);
}

}  // namespace com_bridge
