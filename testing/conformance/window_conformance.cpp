// Windows: classes, parents, visibility, enabled state, window longs and
// their last-error rules, Z order seen by FindWindowExW, posted messages.
#include <gtest/gtest.h>

#include <cwctype>
#include <vector>

#include "platform.h"

namespace {

class Windows : public ::testing::Test {
 protected:
  void SetUp() override {
    className_ = conformance::TestScopedName(L"QuillaretConformance");
    kClass = className_.c_str();
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.cbWndExtra = sizeof(LONG_PTR);
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClass;
    ASSERT_NE(RegisterClassExW(&windowClass), 0);
  }
  void TearDown() override {
    for (HWND window : created_) DestroyWindow(window);
    UnregisterClassW(kClass, GetModuleHandleW(nullptr));
  }
  HWND Create(DWORD style, HWND parent = nullptr) {
    HWND window =
        CreateWindowExW(0, kClass, L"", style, 0, 0, 50, 50, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (window && !parent) created_.push_back(window);
    return window;
  }
  std::vector<HWND> created_;
  std::wstring className_;
  const wchar_t* kClass = nullptr;
};

TEST_F(Windows, ExistenceVisibilityAndEnabledState) {
  HWND window = Create(WS_OVERLAPPEDWINDOW);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(IsWindow(window));
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_TRUE(IsWindowEnabled(window));
  EXPECT_EQ(EnableWindow(window, FALSE), FALSE);  // it was enabled
  EXPECT_FALSE(IsWindowEnabled(window));
  EXPECT_NE(EnableWindow(window, TRUE), FALSE);  // it was disabled
  EXPECT_TRUE(IsWindowEnabled(window));

  HWND child = Create(WS_CHILD | WS_VISIBLE, window);
  ASSERT_NE(child, nullptr);
  EXPECT_FALSE(IsWindowVisible(child));  // its parent is hidden
  ShowWindow(window, SW_SHOW);
  EXPECT_TRUE(IsWindowVisible(child));

  EXPECT_TRUE(DestroyWindow(window));
  created_.clear();
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(IsWindow(child));
  EXPECT_FALSE(IsWindow(nullptr));
}

TEST_F(Windows, SetWindowLongPtrKeepsTheLastErrorOnSuccess) {
  HWND window = Create(WS_OVERLAPPEDWINDOW);
  ASSERT_NE(window, nullptr);
  SetLastError(1234);
  EXPECT_EQ(SetWindowLongPtrW(window, GWLP_USERDATA, 5), 0);  // previous value
  EXPECT_EQ(GetLastError(), 1234u);
  EXPECT_EQ(SetWindowLongPtrW(window, GWLP_USERDATA, -7), 5);
  EXPECT_EQ(GetWindowLongPtrW(window, GWLP_USERDATA), -7);
  EXPECT_EQ(SetWindowLongPtrW(window, 0, 11), 0);
  EXPECT_EQ(GetWindowLongPtrW(window, 0), 11);
}

TEST_F(Windows, SetWindowLongPtrFailures) {
  HWND window = Create(WS_OVERLAPPEDWINDOW);
  ASSERT_NE(window, nullptr);
  SetLastError(0);
  EXPECT_EQ(SetWindowLongPtrW(window, sizeof(LONG_PTR), 1), 0);  // past the extra bytes
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
  SetLastError(0);
  EXPECT_EQ(SetWindowLongPtrW(reinterpret_cast<HWND>(0x3039), GWLP_USERDATA, 1), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(Windows, FindWindowExWalksTheZOrder) {
  HWND older = Create(WS_OVERLAPPEDWINDOW);
  HWND newer = Create(WS_OVERLAPPEDWINDOW);
  ASSERT_NE(older, nullptr);
  ASSERT_NE(newer, nullptr);
  // A new top-level window goes on top.
  EXPECT_EQ(FindWindowExW(nullptr, nullptr, kClass, nullptr), newer);
  EXPECT_EQ(FindWindowExW(nullptr, newer, kClass, nullptr), older);
  // A new child goes to the bottom of its siblings.
  HWND first = Create(WS_CHILD, older);
  HWND second = Create(WS_CHILD, older);
  EXPECT_EQ(FindWindowExW(older, nullptr, kClass, nullptr), first);
  EXPECT_EQ(FindWindowExW(older, first, kClass, nullptr), second);
  EXPECT_EQ(FindWindowExW(older, second, kClass, nullptr), nullptr);
  std::wstring lower = className_;
  for (auto& c : lower) c = static_cast<wchar_t>(std::towlower(c));
  EXPECT_EQ(FindWindowExW(older, nullptr, lower.c_str(), nullptr), first);  // any case
  EXPECT_EQ(FindWindowExW(older, nullptr, L"NoSuchClass", nullptr), nullptr);
}

TEST_F(Windows, PostedMessagesKeepTheirParameters) {
  HWND window = Create(WS_OVERLAPPEDWINDOW);
  ASSERT_NE(window, nullptr);
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
  }
  ASSERT_TRUE(PostMessageA(window, WM_APP + 1, static_cast<WPARAM>(-1), -2));
  ASSERT_TRUE(PeekMessageA(&message, window, WM_APP + 1, WM_APP + 1, PM_REMOVE));
  EXPECT_EQ(message.wParam, static_cast<WPARAM>(-1));
  EXPECT_EQ(message.lParam, -2);

  ASSERT_TRUE(PostMessageA(nullptr, WM_APP + 2, 7, 8));  // a thread message
  ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_APP + 2, WM_APP + 2, PM_REMOVE));
  EXPECT_EQ(message.hwnd, nullptr);
  EXPECT_EQ(message.wParam, 7u);

  SetLastError(0);
  EXPECT_FALSE(PostMessageA(reinterpret_cast<HWND>(0x3039), WM_APP, 0, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

}  // namespace
