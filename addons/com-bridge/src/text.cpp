#include "text.h"

#include <string.h>

namespace com_bridge {

std::optional<std::wstring> WideTextOf(v8::Local<v8::Value> value) {
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

v8::Local<v8::String> ScriptString(const wchar_t* text, size_t length) {
  if (text == nullptr || length == 0) return Nan::EmptyString();
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), utf8.data(), bytes, nullptr, nullptr);
  size_t end = utf8.find('\0');
  if (end == std::string::npos) end = utf8.size();
  return Nan::New(utf8.data(), static_cast<int>(end)).FromMaybe(Nan::EmptyString());
}

}  // namespace com_bridge
