// What the runtime's parts share with each other.
#pragma once

namespace dll_runtime {

// Calls the functions registered with atexit, last registered first, and
// forgets them (exit_functions.cpp).
void RunExitFunctions();

}  // namespace dll_runtime
