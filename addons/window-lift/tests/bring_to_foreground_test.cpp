// BringWindowToForeground with windows of the calling thread itself, a case
// the script tests cannot make (node.exe owns no windows).
#include "bring_to_foreground.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

class OwnWindow {
 public:
  OwnWindow() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"BringToForegroundTest";
    RegisterClassW(&windowClass);
    window_ = CreateWindowExW(0, windowClass.lpszClassName, L"test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100,
                              nullptr, nullptr, windowClass.hInstance, nullptr);
  }
  ~OwnWindow() { DestroyWindow(window_); }
  OwnWindow(const OwnWindow&) = delete;
  OwnWindow& operator=(const OwnWindow&) = delete;
  HWND get() const { return window_; }

 private:
  HWND window_ = nullptr;
};

// %p as the Windows C runtime prints it: 16 upper-case hexadecimal digits.
std::string Pointer(HWND window) {
  char text[32];
  std::snprintf(text, sizeof text, "%016llX",
                static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(window)));
  return text;
}

std::string Lift(HWND target, std::string& result) {
  testing::internal::CaptureStdout();
  result = BringWindowToForeground(target);
  return testing::internal::GetCapturedStdout();
}

}  // namespace

TEST(BringWindowToForeground, ForegroundOfTheCallingThread) {
  OwnWindow first;
  OwnWindow second;
  ASSERT_TRUE(SetForegroundWindow(first.get()));
  const std::string ownThread = "(T#" + [] {
    char id[16];
    std::snprintf(id, sizeof id, "%lx", GetCurrentThreadId());
    return std::string(id);
  }() + ")";

  std::string result;
  std::string trace = Lift(second.get(), result);
  EXPECT_NE(trace.find("Current foreground window: " + Pointer(first.get()) + " " + ownThread + " = same thread\n"),
            std::string::npos)
      << trace;
  EXPECT_NE(trace.find("AttachThreadInput On  -> FALSE\n"), std::string::npos) << trace;
  EXPECT_NE(trace.find("AttachThreadInput Off -> FALSE\n"), std::string::npos) << trace;
  EXPECT_EQ(result, "");

  // The target rule comes before the thread rule.
  trace = Lift(second.get(), result);
  const std::string targetLine =
      "Current foreground window: " + Pointer(second.get()) + " " + ownThread + " = target window\n";
  const std::size_t firstLine = trace.find(targetLine);
  EXPECT_NE(firstLine, std::string::npos) << trace;
  EXPECT_NE(trace.find(targetLine, firstLine + 1), std::string::npos) << trace;
  EXPECT_EQ(trace.find("same thread"), std::string::npos) << trace;
  EXPECT_EQ(result, "");
}
