#pragma once

#include <windows.h>

#include <string>

// Makes `target` the foreground window by attaching the foreground thread's
// input to the calling thread around the activation calls. Traces every step
// with the [SBA] lines. Returns "" when the target ends in the foreground,
// "failed" when it does not, and the ERROR text for an invalid handle.
std::string BringWindowToForeground(HWND target);

// The suffix of the "Current foreground window" line.
const char* ForegroundSuffix(HWND window, DWORD windowThread, HWND target, DWORD callerThread);
