// Process priority classes and the privilege rule of the real-time class.
#include <gtest/gtest.h>

#include "platform.h"
#include "win-owners/handles.h"

namespace {

struct OwnProcess {
  OwnProcess() : handle(OpenProcess(PROCESS_ALL_ACCESS, FALSE, GetCurrentProcessId())) {}
  ~OwnProcess() {
    if (handle) SetPriorityClass(handle.get(), NORMAL_PRIORITY_CLASS);
  }
  win::UniqueHandle handle;
};

TEST(Priority, ClassesAreSetAndRead) {
  OwnProcess process;
  ASSERT_NE(process.handle.get(), nullptr);
  EXPECT_EQ(GetPriorityClass(process.handle.get()), static_cast<DWORD>(NORMAL_PRIORITY_CLASS));
  ASSERT_TRUE(SetPriorityClass(process.handle.get(), HIGH_PRIORITY_CLASS));
  EXPECT_EQ(GetPriorityClass(process.handle.get()), static_cast<DWORD>(HIGH_PRIORITY_CLASS));
  ASSERT_TRUE(SetPriorityClass(process.handle.get(), BELOW_NORMAL_PRIORITY_CLASS));
  EXPECT_EQ(GetPriorityClass(process.handle.get()), static_cast<DWORD>(BELOW_NORMAL_PRIORITY_CLASS));
  EXPECT_FALSE(SetPriorityClass(process.handle.get(), 0x12345));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(Priority, RealTimeForAPrivilegedCaller) {
  conformance::UseAdministratorToken();
  OwnProcess process;
  ASSERT_NE(process.handle.get(), nullptr);
  ASSERT_TRUE(SetPriorityClass(process.handle.get(), REALTIME_PRIORITY_CLASS));
  EXPECT_EQ(GetPriorityClass(process.handle.get()), static_cast<DWORD>(REALTIME_PRIORITY_CLASS));
}

TEST(Priority, HighInsteadOfRealTimeWithoutThePrivilege) {
  SKIP_UNDER_WINE("SetPriorityClass(REALTIME) succeeds unprivileged; Windows gives HIGH");
  if (!conformance::CanUseStandardUserToken()) GTEST_SKIP() << "needs a standard-user token";
  conformance::UseStandardUserToken();
  OwnProcess process;
  ASSERT_NE(process.handle.get(), nullptr);
  EXPECT_TRUE(SetPriorityClass(process.handle.get(), REALTIME_PRIORITY_CLASS));
  EXPECT_EQ(GetPriorityClass(process.handle.get()), static_cast<DWORD>(HIGH_PRIORITY_CLASS));
  conformance::UseAdministratorToken();
}

TEST(Priority, OpeningAProcessThatDoesNotExist) {
  SetLastError(0);
  EXPECT_EQ(OpenProcess(PROCESS_ALL_ACCESS, FALSE, 0xFFFFFFF0u), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(Priority, QueryNeedsQueryAccess) {
  HANDLE process = OpenProcess(PROCESS_SET_INFORMATION, FALSE, GetCurrentProcessId());
  ASSERT_NE(process, nullptr);
  EXPECT_EQ(GetPriorityClass(process), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  CloseHandle(process);
}

}  // namespace
