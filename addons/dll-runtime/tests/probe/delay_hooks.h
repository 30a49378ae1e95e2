#pragma once

#include <string>
#include <vector>

namespace probe {

// "<notification> <dll> <import>" for each hook call about a DLL other than
// node.exe, in order; the end notification adds whether a function was bound.
const std::vector<std::string>& DelayLoadNotifications();

}  // namespace probe
