#include "bring_to_foreground.h"

#include "napi_utils_state.h"

#include <cstdint>
#include <initializer_list>

using napi_utils::Print;

namespace {

struct ForegroundWindow {
  HWND window;
  DWORD thread;
};

struct ActivationResults {
  BOOL attached;
  BOOL wasVisible;
  BOOL setForeground;
  HWND previousFocus;
  HWND previousActive;
  BOOL detached;
};

ForegroundWindow CurrentForeground() {
  HWND window = GetForegroundWindow();
  DWORD thread = window != nullptr ? GetWindowThreadProcessId(window, nullptr) : 0;
  return {window, thread};
}

void PrintForeground(const ForegroundWindow& foreground, HWND target, DWORD callerThread) {
  Print("[SBA] [WindowLift] Current foreground window: %p (T#%lx)%s\n", static_cast<void*>(foreground.window),
        static_cast<unsigned long>(foreground.thread),
        ForegroundSuffix(foreground.window, foreground.thread, target, callerThread));
}

// How long a window's thread may take to answer before the lift gives up.
// A thread that Windows already deems hung (5 s without taking a message)
// fails at once.
constexpr UINT kAnswerTimeoutMs = 1000;

// Whether the window's thread takes messages: ShowWindow, SetFocus and
// SetActiveWindow send to the target and to the foreground window and wait
// for them, for good if their thread never pumps again.
bool Answers(HWND window) {
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &ignored) != 0;
}

// The six calls run back to back, whatever each returns.
ActivationResults RunActivation(HWND target, DWORD foregroundThread, DWORD callerThread) {
  ActivationResults results{};
  results.attached = AttachThreadInput(foregroundThread, callerThread, TRUE);
  results.wasVisible = ShowWindow(target, SW_RESTORE);
  results.setForeground = SetForegroundWindow(target);
  results.previousFocus = SetFocus(target);
  results.previousActive = SetActiveWindow(target);
  results.detached = AttachThreadInput(foregroundThread, callerThread, FALSE);
  return results;
}

const char* TrueFalse(BOOL value) { return value ? "TRUE" : "FALSE"; }

const char* TargetSuffix(HWND window, HWND target) { return window == target ? " = target window" : ""; }

void PrintActivation(const ActivationResults& results, HWND target) {
  Print("[SBA] [WindowLift] AttachThreadInput On  -> %s\n", TrueFalse(results.attached));
  Print("[SBA] [WindowLift] ShowWindow            -> %s\n", TrueFalse(results.wasVisible));
  Print("[SBA] [WindowLift] SetForegroundWindow   -> %s\n", TrueFalse(results.setForeground));
  Print("[SBA] [WindowLift] SetFocus              -> %p%s\n", static_cast<void*>(results.previousFocus),
        TargetSuffix(results.previousFocus, target));
  Print("[SBA] [WindowLift] SetActiveWindow       -> %p%s\n", static_cast<void*>(results.previousActive),
        TargetSuffix(results.previousActive, target));
  Print("[SBA] [WindowLift] AttachThreadInput Off -> %s\n", TrueFalse(results.detached));
}

}  // namespace

const char* ForegroundSuffix(HWND window, DWORD windowThread, HWND target, DWORD callerThread) {
  if (window == target) {
    return " = target window";
  }
  if (windowThread == callerThread) {
    return " = same thread";
  }
  return "";
}

std::string BringWindowToForeground(HWND target) {
  if (!IsWindow(target)) {
    return napi_utils::ErrorResult("(%x) is not a valid window",
                                   static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(target)));
  }
  const DWORD callerThread = GetCurrentThreadId();
  Print("[SBA] [WindowLift] _WindowLift_Thread target: %p (T#%lx)\n", static_cast<void*>(target),
        static_cast<unsigned long>(callerThread));
  const ForegroundWindow before = CurrentForeground();
  PrintForeground(before, target, callerThread);
  for (HWND window : {target, before.window}) {
    if (window != nullptr && !Answers(window)) {
      Print("[SBA] [WindowLift] Not responding: %p, no window call made\n", static_cast<void*>(window));
      return "failed";
    }
  }

  PrintActivation(RunActivation(target, before.thread, callerThread), target);

  const ForegroundWindow after = CurrentForeground();
  PrintForeground(after, target, callerThread);
  return after.window == target ? "" : "failed";
}
