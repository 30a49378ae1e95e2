// What the conformance tests need to know or arrange about the system they
// run on: the stand-in, Wine, or Windows.
#pragma once

#include <windows.h>

#include <string>

namespace conformance {

bool UnderWine();
// Wine's processes always run elevated; the stand-in is arranged so.
void UseAdministratorToken();
// Only where a standard-user token can be arranged (the stand-in).
bool CanUseStandardUserToken();
void UseStandardUserToken();

// Enables or disables a privilege of the process token; true on success.
bool EnablePrivilege(const char* name, bool enable);
// True when the token holds the privilege and it is enabled.
bool PrivilegeEnabled(const char* name);

}  // namespace conformance

#define SKIP_UNDER_WINE(reason)                     \
  do {                                              \
    if (conformance::UnderWine()) GTEST_SKIP() << "Wine: " << reason; \
  } while (0)
