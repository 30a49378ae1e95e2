// What the runtime's parts share with each other.
#pragma once

// Gives the stack cookie of /GS its value, unless the loader already has
// (security_cookie.cpp).
extern "C" void __cdecl __security_init_cookie();

namespace dll_runtime {

// Calls the functions registered with atexit, last registered first, and
// forgets them (exit_functions.cpp).
void RunExitFunctions();

// Runs the dynamic initialisers of the thread_local variables for the calling
// thread (thread_local_storage.cpp).
void RunThreadLocalInitializers();

}  // namespace dll_runtime
