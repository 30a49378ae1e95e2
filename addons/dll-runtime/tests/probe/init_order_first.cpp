// Initialisers of the first translation unit: one C initialiser (.CRT$XIU,
// run before every C++ one) and two objects in declaration order.
#include "probe_record.h"

namespace {

int __cdecl CInitializer() {
  probe::Record("c");
  return 0;
}

__attribute__((section(".CRT$XIU"), used)) int(__cdecl* const c_initializer)() = CInitializer;

probe::Witness first_a("first.a");
probe::Witness first_b("first.b");

}  // namespace
