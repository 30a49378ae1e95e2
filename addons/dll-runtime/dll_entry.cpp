// The DLL's entry point: initialises the stack cookie before anything else,
// runs the C and C++ initialiser tables and the loading thread's thread_local
// initialisers when the library is loaded, and the functions registered with
// atexit (static destructors among them) when it is unloaded or the process
// ends.
#include <windows.h>

#include "dll_runtime.h"

namespace {

using Initializer = void(__cdecl*)();
using CheckedInitializer = int(__cdecl*)();

// The compiler places pointers to a translation unit's initialisers in
// .CRT$XCU (C++) and .CRT$XIU (C); the linker sorts the $ sections by name,
// so these markers bound each table.
__attribute__((section(".CRT$XIA"), used)) const CheckedInitializer first_c_initializer[] = {nullptr};
__attribute__((section(".CRT$XIZ"), used)) const CheckedInitializer last_c_initializer[] = {nullptr};
__attribute__((section(".CRT$XCA"), used)) const Initializer first_cpp_initializer[] = {nullptr};
__attribute__((section(".CRT$XCZ"), used)) const Initializer last_cpp_initializer[] = {nullptr};

// Padding between the sections reads as null entries, which are skipped.
bool RunCInitializers(const CheckedInitializer* begin, const CheckedInitializer* end) {
  for (const CheckedInitializer* entry = begin; entry < end; ++entry) {
    if (*entry != nullptr && (*entry)() != 0) return false;
  }
  return true;
}

void RunCppInitializers(const Initializer* begin, const Initializer* end) {
  for (const Initializer* entry = begin; entry < end; ++entry) {
    if (*entry != nullptr) (*entry)();
  }
}

}  // namespace

// Not protected itself: its frame would hold a copy of the cookie taken
// before the cookie is set (security_cookie.cpp).
extern "C" __attribute__((no_stack_protector)) BOOL WINAPI _DllMainCRTStartup(HINSTANCE, DWORD reason, void*) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      __security_init_cookie();
      if (!RunCInitializers(first_c_initializer + 1, last_c_initializer)) return FALSE;
      RunCppInitializers(first_cpp_initializer + 1, last_cpp_initializer);
      // The loading thread's thread_local variables; later threads get theirs
      // from the TLS callback.
      dll_runtime::RunThreadLocalInitializers();
      return TRUE;
    case DLL_PROCESS_DETACH:
      dll_runtime::RunExitFunctions();
      return TRUE;
    default:
      return TRUE;
  }
}
