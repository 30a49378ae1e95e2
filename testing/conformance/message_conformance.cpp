// FormatMessageW with the system table, as LastErrorText uses it.
#include <gtest/gtest.h>

#include <string>

#include "platform.h"

namespace {

std::wstring SystemMessage(DWORD code) {
  LPWSTR buffer = nullptr;
  DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
      MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
  std::wstring text = length && buffer ? std::wstring(buffer, length) : std::wstring();
  if (buffer) LocalFree(buffer);
  return text;
}

TEST(Messages, SystemMessagesEndWithALineBreak) {
  for (DWORD code : {2u, 5u, 6u, 87u, 1314u}) {
    std::wstring text = SystemMessage(code);
    ASSERT_GE(text.size(), 3u) << code;
    EXPECT_EQ(text.substr(text.size() - 2), L"\r\n") << code;
    EXPECT_EQ(text.find_first_of(L"\r\n"), text.size() - 2) << code;
  }
}

TEST(Messages, FirstLinesAreWindowsWording) {
  SKIP_UNDER_WINE("its message texts are worded differently (\"Invalid parameter.\")");
  EXPECT_EQ(SystemMessage(2), L"The system cannot find the file specified.\r\n");
  EXPECT_EQ(SystemMessage(5), L"Access is denied.\r\n");
  EXPECT_EQ(SystemMessage(87), L"The parameter is incorrect.\r\n");
}

TEST(Messages, UnknownCodesHaveNoMessage) {
  SetLastError(0);
  EXPECT_EQ(SystemMessage(0x2FFFFFFF), L"");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MR_MID_NOT_FOUND));
}

}  // namespace
