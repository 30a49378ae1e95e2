// JSON text pieces, written into UTF-16 strings. The output is plain ASCII:
// every string character outside the printable ASCII range is escaped.
#pragma once

#include <cstdint>
#include <string>

namespace test_server {

// A JSON string of UTF-16 code units, each non-printable or non-ASCII unit
// (an embedded NUL, a lone surrogate) as a \uXXXX escape.
void AppendJsonString(std::wstring& out, const wchar_t* text, size_t length);
void AppendJsonString(std::wstring& out, const std::string& ascii);
// The shortest text that reads back as the same double; NaN and the
// infinities, which JSON cannot write as numbers, as the strings "NaN",
// "Infinity" and "-Infinity".
void AppendJsonNumber(std::wstring& out, double value);
void AppendJsonInteger(std::wstring& out, int64_t value);
// A decimal fraction as text: the magnitude's digits with a point before the
// last `scale` of them, e.g. (false, "12345", 2) gives "123.45".
std::string ScaledDecimalText(bool negative, std::string digits, unsigned scale);

}  // namespace test_server
