// The TLS directory. The compiler puts thread_local variables in .tls$
// sections and reaches them through _tls_index; the linker points the image's
// TLS data directory at _tls_used, and the loader gives every thread a copy of
// the block from _tls_start to _tls_end. A thread_local variable with a
// dynamic initialiser (thread_local int v = f();) gets its value from the
// initialiser the compiler lists in .CRT$XDU, run for each thread: by the TLS
// callback below for every thread that starts while the library is loaded,
// and by the entry point for the thread that loads it. Threads that were
// running before the library loaded get no attach notification and keep the
// variable's static initial value, zero (as with Microsoft's runtime).
#include <windows.h>

#include "dll_runtime.h"

namespace {

using Initializer = void(__cdecl*)();

// The linker sorts the $ sections by name, so these markers bound the table.
__attribute__((section(".CRT$XDA"), used)) const Initializer first_thread_initializer[] = {nullptr};
__attribute__((section(".CRT$XDZ"), used)) const Initializer last_thread_initializer[] = {nullptr};

}  // namespace

// The TLS callback, under the name the compiler asks for (/include) in every
// object that has such an initialiser.
extern "C" void NTAPI __dyn_tls_init(PVOID, DWORD reason, PVOID) {
  if (reason == DLL_THREAD_ATTACH) dll_runtime::RunThreadLocalInitializers();
}

void dll_runtime::RunThreadLocalInitializers() {
  // Padding between the sections reads as null entries, which are skipped.
  for (const Initializer* entry = first_thread_initializer + 1; entry < last_thread_initializer; ++entry) {
    if (*entry != nullptr) (*entry)();
  }
}

extern "C" {

ULONG _tls_index = 0;

__attribute__((section(".tls"), used)) char _tls_start = 0;
__attribute__((section(".tls$ZZZ"), used)) char _tls_end = 0;

// The TLS callbacks: the thread-attach one, in a null-terminated list.
__attribute__((section(".CRT$XLA"), used)) const PIMAGE_TLS_CALLBACK __xl_a = nullptr;
__attribute__((section(".CRT$XLC"), used)) const PIMAGE_TLS_CALLBACK __xl_c = __dyn_tls_init;
__attribute__((section(".CRT$XLZ"), used)) const PIMAGE_TLS_CALLBACK __xl_z = nullptr;

extern const IMAGE_TLS_DIRECTORY64 _tls_used = {
    reinterpret_cast<ULONGLONG>(&_tls_start),
    reinterpret_cast<ULONGLONG>(&_tls_end),
    reinterpret_cast<ULONGLONG>(&_tls_index),
    reinterpret_cast<ULONGLONG>(&__xl_a + 1),
    0,
    0,
};

}  // extern "C"
