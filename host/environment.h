#pragma once

#include <optional>
#include <string>

// The value of an environment variable of this process, in UTF-16 as the
// system keeps it (an ANSI form would turn letters outside the code page into
// "?"); nullopt when it is not set. An empty value is returned as an empty text.
std::optional<std::wstring> readEnvironment(const wchar_t* name);
