// What the conformance tests need to know or arrange about the system they
// run on: the stand-in, Wine, or Windows.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

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

#define SKIP_UNDER_WINE(reason)                                       \
  do {                                                                \
    if (conformance::UnderWine()) GTEST_SKIP() << "Wine: " << reason; \
  } while (0)

namespace conformance {

// A name unique to the running test (tests run in parallel processes that
// share Wine's registry and desktop).
inline std::wstring TestScopedName(const wchar_t* prefix) {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info ? std::string(info->test_suite_name()) + info->name() : std::string("none");
  return prefix + std::wstring(name.begin(), name.end());
}

}  // namespace conformance
