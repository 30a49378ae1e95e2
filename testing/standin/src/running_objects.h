#pragma once

#include <cstddef>

namespace standin {

// Registrations not yet revoked.
size_t RunningObjectCount();

}  // namespace standin
