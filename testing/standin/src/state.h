// Process-wide state of the stand-in, shared by its parts. One instance per
// process (the library is a shared object that the addon, the control module
// and the conformance tests all link).
#pragma once

#include <standin/control.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace standin {

// Brings the stand-in to its reset state on first use; every entry point calls it.
void EnsureBooted();

// Records one call in the call log (and boots the stand-in).
void LogCall(const char* name);

// Case-insensitive comparison of UTF-16 names (ASCII letters fold, as in the
// registry and window class names for the names tests use).
bool SameName(const std::wstring& a, const std::wstring& b);
std::wstring WideOrEmpty(LPCWSTR text);

// The ANSI code page, 1252 as on a Western-European Windows (text.cpp): what
// CP_ACP and the narrow shell link calls read and write. A character it lacks
// becomes '?'.
std::wstring WideFromAnsi(const std::string& text);
std::string AnsiFromWide(const std::wstring& text, bool* usedDefault = nullptr);

// --- kernel objects (handles) ---
struct KernelObject {
  enum class Kind { Process, Token } kind;
  DWORD pid;
  DWORD access;
};
HANDLE NewHandle(const KernelObject& object);
KernelObject* FindHandle(HANDLE handle);  // resolves the current-process pseudo handle too

struct ProcessEntry {
  DWORD priorityClass;
  bool otherUser;
};
struct PrivilegeEntry {
  const char* name;
  DWORD luid;
  bool held;
  bool enabled;
};
struct TokenState {
  bool elevated = false;
  std::vector<PrivilegeEntry> privileges;
  std::vector<std::pair<std::string, DWORD>> groups;  // SID text, attributes
};
TokenState& Token();
bool PrivilegeEnabled(const char* name);
bool PrivilegeHeld(const char* name);
std::map<DWORD, ProcessEntry>& Processes();
DWORD CurrentPid();

// The failure arranged with FailCall for this call, or 0.
LONG ArrangedFailure(const std::string& name, const char* text = nullptr);

void ResetKernel();
void ResetToken(bool elevated);
void ResetRegistry();
void ResetWindows();
void ResetCom();

}  // namespace standin
