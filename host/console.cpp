#include "console.h"

#include <windows.h>

#include <cstdio>

void writeOut(std::string_view text) { std::fwrite(text.data(), 1, text.size(), stdout); }

void writeOut(long long number) {
  char digits[24];
  int length = std::snprintf(digits, sizeof digits, "%lld", number);
  writeOut(std::string_view(digits, static_cast<std::size_t>(length)));
}

void flushOut() { std::fflush(stdout); }

std::string ansiText(const std::wstring& text) {
  if (text.empty()) {
    return std::string();
  }
  int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), narrow.data(), size, nullptr, nullptr);
  return narrow;
}
