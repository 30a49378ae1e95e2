// The TLS directory. The compiler puts thread_local variables in .tls$
// sections and reaches them through _tls_index; the linker points the image's
// TLS data directory at _tls_used, and the loader gives every thread a copy of
// the block from _tls_start to _tls_end.
#include <windows.h>

extern "C" {

ULONG _tls_index = 0;

__attribute__((section(".tls"), used)) char _tls_start = 0;
__attribute__((section(".tls$ZZZ"), used)) char _tls_end = 0;

// No TLS callbacks: an empty, null-terminated list.
__attribute__((section(".CRT$XLA"), used)) const PIMAGE_TLS_CALLBACK __xl_a = nullptr;
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
