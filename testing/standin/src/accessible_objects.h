#pragma once

#include <cstddef>

namespace standin {

// Objects that windows answered WM_GETOBJECT with and nobody took.
size_t UncollectedObjectResults();

}  // namespace standin
