#include "text.h"

#include <string.h>

#include <algorithm>

namespace com_bridge {

namespace {

bool IsHighSurrogate(wchar_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(wchar_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// A script string's UTF-16 units into `out`, which has room for all of
// them, read directly: the same text as the way through UTF-8 gives (a lone
// surrogate becomes U+FFFD, the text ends at its first NUL), without two
// conversions. Returns the text's length.
size_t WriteUnits(v8::Local<v8::String> string, wchar_t* out) {
  v8::Isolate* isolate = v8::Isolate::GetCurrent();
  const int length = string->Length();
  size_t size = 0;
  if constexpr (sizeof(wchar_t) == sizeof(uint16_t)) {
    // wchar_t is a UTF-16 unit (Windows): the engine writes into the text.
    string->Write(isolate, reinterpret_cast<uint16_t*>(out), 0, length, v8::String::NO_NULL_TERMINATION);
    size = static_cast<size_t>(std::find(out, out + length, L'\0') - out);
  } else {
    // Through pieces of 16-bit units.
    constexpr int kPiece = 256;
    uint16_t piece[kPiece];
    bool ended = false;
    for (int start = 0; start < length && !ended; start += kPiece) {
      const int count = std::min(kPiece, length - start);
      string->Write(isolate, piece, start, count, v8::String::NO_NULL_TERMINATION);
      uint16_t* end = std::find(piece, piece + count, 0);
      ended = end != piece + count;
      std::copy(piece, end, out + size);
      size += static_cast<size_t>(end - piece);
    }
  }
  for (size_t i = 0; i < size; ++i) {
    if (IsHighSurrogate(out[i]) && i + 1 < size && IsLowSurrogate(out[i + 1])) {
      ++i;
    } else if (IsHighSurrogate(out[i]) || IsLowSurrogate(out[i])) {
      out[i] = 0xFFFD;
    }
  }
  return size;
}

std::wstring WideTextOfString(v8::Local<v8::String> string) {
  std::wstring text(static_cast<size_t>(string->Length()), L'\0');
  text.resize(WriteUnits(string, text.data()));
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

bool WideText::Read(v8::Local<v8::Value> value) {
  if (!value->IsString()) {
    std::optional<std::wstring> text = WideTextOf(value);
    if (!text) return false;
    heap_ = std::move(*text);
    text_ = heap_.c_str();
    size_ = heap_.size();
    return true;
  }
  v8::Local<v8::String> string = value.As<v8::String>();
  const size_t length = static_cast<size_t>(string->Length());
  wchar_t* out = inline_;
  if (length > kInlineUnits) {
    heap_.resize(length);
    out = heap_.data();
  }
  size_ = WriteUnits(string, out);
  out[size_] = L'\0';  // inline_ has room for it, heap_ its own terminator
  text_ = out;
  return true;
}

bool NewBstrOf(v8::Local<v8::Value> value, BSTR* text) {
  WideText wide;
  if (!wide.Read(value)) return false;
  *text = SysAllocStringLen(wide.c_str(), static_cast<UINT>(wide.size()));
  return true;
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
