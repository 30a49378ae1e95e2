#pragma once

#include <optional>
#include <string>

// The value of an environment variable of this process; nullopt when it is
// not set. An empty value is returned as an empty text.
std::optional<std::string> readEnvironment(const char* name);
