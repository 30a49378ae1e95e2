#pragma once

#include <string>
#include <string_view>

// Console texts of the modes, written to the C runtime's standard output
// (never standard error), in the order they are written.
void writeOut(std::string_view text);
void writeOut(long long number);  // in decimal
void flushOut();

// The ANSI code page form of a wide text, for console messages only: a letter
// the code page lacks shows as "?".
std::string ansiText(const std::wstring& text);
