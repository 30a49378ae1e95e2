#include "json_text.h"

#include <charconv>
#include <cmath>

namespace test_server {

void AppendJsonString(std::wstring& out, const wchar_t* text, size_t length) {
  static const wchar_t kHex[] = L"0123456789abcdef";
  out += L'"';
  for (size_t i = 0; i < length; ++i) {
    const unsigned unit = static_cast<unsigned>(text[i]) & 0xFFFF;
    if (unit == L'"' || unit == L'\\') {
      out += L'\\';
      out += static_cast<wchar_t>(unit);
    } else if (unit >= 0x20 && unit < 0x7F) {
      out += static_cast<wchar_t>(unit);
    } else {
      out += L"\\u";
      for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(unit >> shift) & 0xF];
    }
  }
  out += L'"';
}

void AppendJsonString(std::wstring& out, const std::string& ascii) {
  std::wstring wide(ascii.begin(), ascii.end());
  AppendJsonString(out, wide.data(), wide.size());
}

void AppendJsonNumber(std::wstring& out, double value) {
  if (std::isnan(value)) return AppendJsonString(out, std::string("NaN"));
  if (std::isinf(value)) return AppendJsonString(out, std::string(value > 0 ? "Infinity" : "-Infinity"));
  char text[32];
  const auto result = std::to_chars(text, text + sizeof(text), value);
  out.append(text, result.ptr);
}

void AppendJsonInteger(std::wstring& out, int64_t value) { out += std::to_wstring(value); }

std::string ScaledDecimalText(bool negative, std::string digits, unsigned scale) {
  if (digits.size() <= scale) digits.insert(0, scale + 1 - digits.size(), '0');
  if (scale > 0) digits.insert(digits.size() - scale, 1, '.');
  return negative ? "-" + digits : digits;
}

}  // namespace test_server
