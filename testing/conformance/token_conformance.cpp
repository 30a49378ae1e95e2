// The process token: groups with the logon SID, privileges and their switch.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform.h"
#include "win-owners/handles.h"

#include <sddl.h>

namespace {

struct Token {
  explicit Token(DWORD access) { ok = OpenProcessToken(GetCurrentProcess(), access, owner.put()) != FALSE; }
  win::UniqueToken owner;
  bool ok;
};

TEST(Token, GroupsCarryTheLogonSid) {
  Token token(TOKEN_QUERY);
  ASSERT_TRUE(token.ok);
  DWORD size = 0;
  EXPECT_FALSE(GetTokenInformation(token.owner.get(), TokenGroups, nullptr, 0, &size));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  ASSERT_GT(size, sizeof(TOKEN_GROUPS));
  std::vector<ULONG_PTR> buffer(size / sizeof(ULONG_PTR) + 1);
  ASSERT_TRUE(GetTokenInformation(token.owner.get(), TokenGroups, buffer.data(), size, &size));
  auto* groups = reinterpret_cast<TOKEN_GROUPS*>(buffer.data());
  std::string logon;
  for (DWORD i = 0; i < groups->GroupCount && logon.empty(); ++i) {
    if ((groups->Groups[i].Attributes & SE_GROUP_LOGON_ID) != SE_GROUP_LOGON_ID) continue;
    LPSTR text = nullptr;
    ASSERT_TRUE(ConvertSidToStringSidA(groups->Groups[i].Sid, &text));
    logon = text;
    LocalFree(text);
  }
  EXPECT_EQ(logon.rfind("S-1-5-5-", 0), 0u) << logon;
}

TEST(Token, QueryNeedsQueryAccess) {
  Token token(TOKEN_ADJUST_PRIVILEGES);
  ASSERT_TRUE(token.ok);
  DWORD size = 0;
  EXPECT_FALSE(GetTokenInformation(token.owner.get(), TokenGroups, nullptr, 0, &size));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST(Token, PrivilegeNamesAndLuids) {
  LUID luid = {};
  ASSERT_TRUE(LookupPrivilegeValueA(nullptr, "SeBackupPrivilege", &luid));
  EXPECT_EQ(luid.LowPart, 17u);
  ASSERT_TRUE(LookupPrivilegeValueA(nullptr, "SeRestorePrivilege", &luid));
  EXPECT_EQ(luid.LowPart, 18u);
  ASSERT_TRUE(LookupPrivilegeValueA(nullptr, "SeIncreaseBasePriorityPrivilege", &luid));
  EXPECT_EQ(luid.LowPart, 14u);
  EXPECT_FALSE(LookupPrivilegeValueA(nullptr, "SeNoSuchPrivilege", &luid));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_SUCH_PRIVILEGE));
}

TEST(Token, HeldPrivilegesSwitchOnAndOff) {
  conformance::UseAdministratorToken();
  ASSERT_TRUE(conformance::EnablePrivilege("SeBackupPrivilege", true));
  EXPECT_TRUE(conformance::PrivilegeEnabled("SeBackupPrivilege"));
  ASSERT_TRUE(conformance::EnablePrivilege("SeBackupPrivilege", false));
  EXPECT_FALSE(conformance::PrivilegeEnabled("SeBackupPrivilege"));
}

TEST(Token, AdjustingAPrivilegeNotHeldSucceedsWithoutAssigningIt) {
  if (!conformance::CanUseStandardUserToken()) GTEST_SKIP() << "the process runs elevated and holds the privilege";
  conformance::UseStandardUserToken();
  HANDLE token = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token));
  TOKEN_PRIVILEGES record = {};
  record.PrivilegeCount = 1;
  record.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  ASSERT_TRUE(LookupPrivilegeValueA(nullptr, "SeBackupPrivilege", &record.Privileges[0].Luid));
  EXPECT_TRUE(AdjustTokenPrivileges(token, FALSE, &record, 0, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ALL_ASSIGNED));
  CloseHandle(token);
  EXPECT_FALSE(conformance::PrivilegeEnabled("SeBackupPrivilege"));
  conformance::UseAdministratorToken();
}

TEST(Token, AdjustingNeedsAdjustAccess) {
  Token token(TOKEN_QUERY);
  ASSERT_TRUE(token.ok);
  TOKEN_PRIVILEGES record = {};
  record.PrivilegeCount = 1;
  ASSERT_TRUE(LookupPrivilegeValueA(nullptr, "SeBackupPrivilege", &record.Privileges[0].Luid));
  EXPECT_FALSE(AdjustTokenPrivileges(token.owner.get(), FALSE, &record, 0, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

}  // namespace
