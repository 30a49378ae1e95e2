// Code page conversions (UTF-8 only) and FormatMessageW's system texts.
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

}  // namespace

int WINAPI MultiByteToWideChar(UINT codePage, DWORD, LPCSTR text, int bytes, LPWSTR wide, int units) {
  if (text == nullptr || bytes == 0 || units < 0 || (codePage != CP_UTF8 && codePage != CP_ACP)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const size_t length = bytes < 0 ? std::strlen(text) + 1 : static_cast<size_t>(bytes);
  return CopyOut(WideFromUtf8(std::string(text, length)), wide, units);
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
  return CopyOut(Utf8FromWide(std::wstring(wide, length)), text, bytes);
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
