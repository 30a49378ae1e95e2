// Code page conversions (UTF-8 and the ANSI code page, 1252) and
// FormatMessageW's system texts.
#include <cstring>

#include "state.h"
#include "system_messages.h"

using namespace standin;

namespace {

// Copies `text` (with its terminating NUL when the input had one) into the
// caller's buffer, or tells its size when the buffer size is 0.
template <typename Unit, typename Text>
int CopyOut(const Text& text, Unit* out, int size) {
  if (size == 0) return static_cast<int>(text.size());
  if (out == nullptr || static_cast<size_t>(size) < text.size()) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(out, text.data(), text.size() * sizeof(Unit));
  return static_cast<int>(text.size());
}

// Code page 1252's characters for the bytes 0x80 to 0x9F; the five bytes it
// leaves undefined map to the control characters of the same value, as
// Windows maps them. Every other byte is the character of its value.
const wchar_t kAnsiHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                               0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                               0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

namespace standin {

std::wstring WideFromAnsi(const std::string& text) {
  std::wstring wide;
  for (char byte : text) {
    auto value = static_cast<unsigned char>(byte);
    wide.push_back(value >= 0x80 && value < 0xA0 ? kAnsiHigh[value - 0x80] : static_cast<wchar_t>(value));
  }
  return wide;
}

std::string AnsiFromWide(const std::wstring& text, bool* usedDefault) {
  std::string narrow;
  for (wchar_t unit : text) {
    int byte = unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF) ? static_cast<int>(unit) : -1;
    for (int i = 0; i < 32 && byte < 0; ++i)
      if (kAnsiHigh[i] == unit) byte = 0x80 + i;
    if (byte < 0 && usedDefault != nullptr) *usedDefault = true;
    narrow.push_back(byte < 0 ? '?' : static_cast<char>(byte));
  }
  return narrow;
}

}  // namespace standin

int WINAPI MultiByteToWideChar(UINT codePage, DWORD, LPCSTR text, int bytes, LPWSTR wide, int units) {
  if (text == nullptr || bytes == 0 || units < 0 || (codePage != CP_UTF8 && codePage != CP_ACP)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const size_t length = bytes < 0 ? std::strlen(text) + 1 : static_cast<size_t>(bytes);
  const std::string narrow(text, length);
  return CopyOut(codePage == CP_ACP ? WideFromAnsi(narrow) : WideFromUtf8(narrow), wide, units);
}

int WINAPI WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR wide, int units, LPSTR text, int bytes, LPCSTR,
                               BOOL* usedDefault) {
  if (wide == nullptr || units == 0 || bytes < 0 || (codePage != CP_UTF8 && codePage != CP_ACP)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (usedDefault != nullptr) *usedDefault = FALSE;
  size_t length = 0;
  if (units < 0) {
    while (wide[length] != 0) ++length;
    ++length;
  } else {
    length = static_cast<size_t>(units);
  }
  const std::wstring units16(wide, length);
  if (codePage == CP_UTF8) return CopyOut(Utf8FromWide(units16), text, bytes);
  bool replaced = false;
  const std::string narrow = AnsiFromWide(units16, &replaced);
  if (usedDefault != nullptr) *usedDefault = replaced ? TRUE : FALSE;
  return CopyOut(narrow, text, bytes);
}

DWORD WINAPI FormatMessageW(DWORD flags, LPCVOID, DWORD messageId, DWORD, LPWSTR buffer, DWORD size, va_list*) {
  LogCall("FormatMessageW");
  const char* found = (flags & FORMAT_MESSAGE_FROM_SYSTEM) ? SystemMessage(messageId) : nullptr;
  if (found == nullptr) {
    SetLastError(ERROR_MR_MID_NOT_FOUND);
    return 0;
  }
  const std::wstring text = WideFromUtf8(std::string(found) + "\r\n");
  const DWORD length = static_cast<DWORD>(text.size());
  if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
    auto* block = static_cast<LPWSTR>(LocalAlloc(LMEM_FIXED, (length + 1) * sizeof(WCHAR)));
    if (block == nullptr) return 0;
    std::memcpy(block, text.c_str(), (length + 1) * sizeof(WCHAR));
    *reinterpret_cast<LPWSTR*>(buffer) = block;
    return length;
  }
  if (buffer == nullptr || size < length + 1) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(buffer, text.c_str(), (length + 1) * sizeof(WCHAR));
  return length;
}
