// FormatMessageA with the system table, as LastErrorText uses it.
#include <gtest/gtest.h>

#include <string>

#include "platform.h"

namespace {

std::string SystemMessage(DWORD code) {
  LPSTR buffer = nullptr;
  DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                    FORMAT_MESSAGE_IGNORE_INSERTS,
                                nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
  std::string text = length && buffer ? std::string(buffer, length) : std::string();
  if (buffer) LocalFree(buffer);
  return text;
}

TEST(Messages, SystemMessagesEndWithALineBreak) {
  for (DWORD code : {2u, 5u, 6u, 87u, 1314u}) {
    std::string text = SystemMessage(code);
    ASSERT_GE(text.size(), 3u) << code;
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << code;
    EXPECT_EQ(text.find_first_of("\r\n"), text.size() - 2) << code;
  }
}

TEST(Messages, FirstLinesAreWindowsWording) {
  SKIP_UNDER_WINE("its message texts are worded differently (\"Invalid parameter.\")");
  EXPECT_EQ(SystemMessage(2), "The system cannot find the file specified.\r\n");
  EXPECT_EQ(SystemMessage(5), "Access is denied.\r\n");
  EXPECT_EQ(SystemMessage(87), "The parameter is incorrect.\r\n");
}

TEST(Messages, UnknownCodesHaveNoMessage) {
  SetLastError(0);
  EXPECT_EQ(SystemMessage(0x2FFFFFFF), "");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MR_MID_NOT_FOUND));
}

}  // namespace
