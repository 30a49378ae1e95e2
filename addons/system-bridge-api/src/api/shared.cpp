#include "shared.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <limits>
#include <string_view>

#include "win-owners/handles.h"

namespace sba {

std::string FormatText(const char* format, ...) {
  char buffer[1024];
  va_list arguments;
  va_start(arguments, format);
  int written = std::vsnprintf(buffer, sizeof(buffer), format, arguments);
  va_end(arguments);
  return written < 0 ? std::string() : std::string(buffer);
}

std::string LastErrorText() {
  DWORD code = GetLastError();
  if (code == 0) return {};
  // The wide call: the text in the user's language whatever the ANSI code page.
  win::UniqueLocalMemory<wchar_t> message;
  DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
      MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPWSTR>(message.put()), 0, nullptr);
  if (length == 0 || !message) return {};
  std::wstring_view text(message.get(), length);
  return WideToUtf8(std::wstring(text.substr(0, text.find_first_of(L"\r\n"))));
}

std::wstring Utf8ToWide(const std::string& text) {
  std::wstring wide;
  wide.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || i + length > text.size()) {  // never produced by V8; kept safe anyway
      wide.push_back(static_cast<WCHAR>(0xFFFD));
      ++i;
      continue;
    }
    uint32_t point = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) point = (point << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    i += length;
    if (point >= 0x10000) {
      point -= 0x10000;
      wide.push_back(static_cast<WCHAR>(0xD800 + (point >> 10)));
      wide.push_back(static_cast<WCHAR>(0xDC00 + (point & 0x3FF)));
    } else {
      wide.push_back(static_cast<WCHAR>(point));
    }
  }
  return wide;
}

namespace {

void AppendUtf8(uint32_t point, std::string* out) {
  if (point < 0x80) {
    out->push_back(static_cast<char>(point));
  } else if (point < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (point >> 6)));
    out->push_back(static_cast<char>(0x80 | (point & 0x3F)));
  } else if (point < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (point >> 12)));
    out->push_back(static_cast<char>(0x80 | ((point >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (point & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (point >> 18)));
    out->push_back(static_cast<char>(0x80 | ((point >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((point >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (point & 0x3F)));
  }
}

bool IsHighSurrogate(uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

std::string WideToUtf8(const WCHAR* text, size_t length) {
  std::string out;
  out.reserve(length * 3);
  for (size_t i = 0; i < length; ++i) {
    uint32_t unit = static_cast<uint16_t>(text[i]);
    if (IsHighSurrogate(unit) && i + 1 < length && IsLowSurrogate(static_cast<uint16_t>(text[i + 1]))) {
      uint32_t low = static_cast<uint16_t>(text[++i]);
      AppendUtf8(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00), &out);
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      AppendUtf8(0xFFFD, &out);
    } else {
      AppendUtf8(unit, &out);
    }
  }
  return out;
}

std::string WideToUtf8(const std::wstring& text) { return WideToUtf8(text.data(), text.size()); }

void SetReturnText(const CallInfo& info, const std::string& text) {
  v8::Local<v8::String> result;
  if (Nan::New(text.c_str()).ToLocal(&result)) info.GetReturnValue().Set(result);
}

bool ArgumentsAre(const CallInfo& info, std::initializer_list<Expect> expected) {
  if (info.Length() != static_cast<int>(expected.size())) return false;
  int index = 0;
  for (Expect type : expected) {
    v8::Local<v8::Value> value = info[index++];
    if (type == Expect::Number && !value->IsNumber()) return false;
    if (type == Expect::String && !value->IsString()) return false;
  }
  return true;
}

int32_t TruncateToInt32(double value) {
  double truncated = std::trunc(value);
  if (std::isnan(truncated) || truncated < std::numeric_limits<int32_t>::min() ||
      truncated > std::numeric_limits<int32_t>::max())
    return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(truncated);
}

int32_t IntegerFrom(v8::Local<v8::Value> value) { return TruncateToInt32(Nan::To<double>(value).FromMaybe(0)); }

int32_t Int32From(v8::Local<v8::Value> value) { return Nan::To<int32_t>(value).FromMaybe(0); }

HWND WindowFrom(v8::Local<v8::Value> value) {
  return reinterpret_cast<HWND>(static_cast<LONG_PTR>(IntegerFrom(value)));
}

HKEY RootKeyFrom(v8::Local<v8::Value> value) { return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(Int32From(value))); }

int32_t WindowToNumber(HWND window) {
  return static_cast<int32_t>(static_cast<uint32_t>(reinterpret_cast<ULONG_PTR>(window)));
}

bool TextOf(v8::Local<v8::Value> value, std::string* text) {
  Nan::TryCatch guard;
  v8::Local<v8::String> string;
  if (!Nan::To<v8::String>(value).ToLocal(&string)) return false;
  Nan::Utf8String utf8(string);
  text->assign(*utf8 ? *utf8 : "", static_cast<size_t>(utf8.length()));
  return true;
}

std::wstring WideFrom(v8::Local<v8::Value> value) {
  std::string text;
  TextOf(value, &text);
  return Utf8ToWide(text);
}

bool HasNoNul(const std::wstring& name) { return name.find(L'\0') == std::wstring::npos; }

}  // namespace sba
