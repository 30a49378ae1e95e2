// Small pieces the compiler and libstdc++'s headers expect from a runtime
// library: the floating-point marker, the pure-call handler, and the
// functions libstdc++ calls to throw. The addons are built without
// exceptions, so each of those reports what failed and ends the process, as
// an exception that nobody catches would.
#include <stdio.h>
#include <stdlib.h>

#include <bits/functexcept.h>

extern "C" {

// Referenced by every object that uses floating point.
int _fltused = 0x9875;

// A call through a pure virtual function of an object under construction or
// destruction.
int __cdecl _purecall() {
  fputs("pure virtual function call\n", stderr);
  abort();
}

}  // extern "C"

namespace {

[[noreturn]] void Fail(const char* what, const char* detail = nullptr) {
  fprintf(stderr, "%s%s%s\n", what, detail != nullptr ? ": " : "", detail != nullptr ? detail : "");
  abort();
}

}  // namespace

namespace std {

void __throw_bad_exception() { Fail("bad exception"); }
void __throw_bad_alloc() { Fail("bad allocation"); }
void __throw_bad_array_new_length() { Fail("bad array new length"); }
void __throw_bad_cast() { Fail("bad cast"); }
void __throw_bad_typeid() { Fail("bad typeid"); }
void __throw_logic_error(const char* detail) { Fail("logic error", detail); }
void __throw_domain_error(const char* detail) { Fail("domain error", detail); }
void __throw_invalid_argument(const char* detail) { Fail("invalid argument", detail); }
void __throw_length_error(const char* detail) { Fail("length error", detail); }
void __throw_out_of_range(const char* detail) { Fail("out of range", detail); }
void __throw_out_of_range_fmt(const char* format, ...) { Fail("out of range", format); }
void __throw_runtime_error(const char* detail) { Fail("runtime error", detail); }
void __throw_range_error(const char* detail) { Fail("range error", detail); }
void __throw_overflow_error(const char* detail) { Fail("overflow error", detail); }
void __throw_underflow_error(const char* detail) { Fail("underflow error", detail); }
void __throw_ios_failure(const char* detail) { Fail("i/o failure", detail); }
void __throw_ios_failure(const char* detail, int) { Fail("i/o failure", detail); }
void __throw_system_error(int) { Fail("system error"); }
void __throw_future_error(int) { Fail("future error"); }
void __throw_bad_function_call() { Fail("bad function call"); }

}  // namespace std
