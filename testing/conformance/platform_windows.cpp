// Windows and Wine: the real system; Wine is told apart by its ntdll export.
#include "platform.h"

#include <vector>

#include "platform_common.inc"

namespace conformance {

bool UnderWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

void UseAdministratorToken() {}
bool CanUseStandardUserToken() { return false; }
void UseStandardUserToken() {}

}  // namespace conformance
