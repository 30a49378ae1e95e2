// Control surface of the Windows stand-in: lets tests arrange the simulated
// system and inspect what the code under test did to it. Not part of the
// Windows API; production code never includes this header.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace standin {

// UTF-8 <-> UTF-16 code units, for the control module and tests.
std::wstring WideFromUtf8(const std::string& text);
std::string Utf8FromWide(const std::wstring& text);

// Back to a fresh standard-user process with an empty desktop and registry.
void Reset();

// Names of the Win32 and COM calls made since the last Reset/ClearCalls.
std::vector<std::string> Calls();
void ClearCalls();

// --- windows ---
struct WindowRequest {
  std::wstring className = L"StandInWindow";
  uint32_t parent = 0;  // low 32 bits of the parent handle, 0 for top level
  uint32_t handle = 0;  // wanted handle value (low 32 bits), 0 to let the stand-in choose
  bool visible = true;
  bool enabled = true;
  int extraBytes = 0;
};
struct WindowState {
  std::wstring className;
  uint32_t parent;
  DWORD style;
  bool enabled;
  bool visible;
  LONG_PTR userData;
  std::vector<uint8_t> extra;
};
struct PostedMessage {
  uint32_t window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};
// 0 when the request cannot be met (unknown parent, handle taken).
uint32_t CreateTestWindow(const WindowRequest& request);
std::optional<WindowState> Window(uint32_t handle);
uint32_t Foreground();
void AllowForeground(bool allowed);
std::vector<PostedMessage> PostedMessages();

// --- token and processes ---
void UseElevatedToken(bool elevated);  // administrator token or standard user token
struct PrivilegeState {
  bool held;
  bool enabled;
};
std::optional<PrivilegeState> Privilege(const std::string& name);
bool SetPrivilege(const std::string& name, bool held, bool enabled);
void SetLogonSid(const std::optional<std::string>& sid);  // nullopt: no logon group
void AddProcess(DWORD pid, DWORD priorityClass, bool otherUser);
std::optional<DWORD> ProcessPriority(DWORD pid);
size_t OpenHandleCount();  // kernel handles (processes, tokens) still open

// --- registry ---
size_t OpenKeyCount();
bool SetAdminOnly(HKEY root, const std::wstring& path, bool adminOnly);
bool WriteRawValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
                   const std::vector<uint8_t>& data);
struct RawValue {
  DWORD type;
  std::vector<uint8_t> data;
};
std::optional<RawValue> ReadRawValue(HKEY root, const std::wstring& path, const std::wstring& name);
// Writes the key's tree to a hive file as RegSaveKeyW does, without its privilege check.
LSTATUS SaveHive(HKEY root, const std::wstring& path, const std::string& file);
std::vector<std::wstring> LoadedHives();
// Makes the value `name` of the key grow by `extraBytes` right after the next
// probe of RegEnumValueW for it (the race of a reader with a writer).
void GrowValueAfterProbe(HKEY root, const std::wstring& path, const std::wstring& name, size_t extraBytes, int times);

// --- COM and the shell ---
void InitializeComHere(bool initialized);  // the host's COM set-up of the calling thread
long LiveComObjects();
long OutstandingTaskMemory();
struct JumpListTask {
  bool separator;
  std::wstring path, arguments, description, iconPath;
  int iconIndex;
  std::optional<std::wstring> title;
};
std::optional<std::vector<JumpListTask>> CommittedJumpList(const std::wstring& appId);
void SetCommittedJumpList(const std::wstring& appId, const std::vector<JumpListTask>& tasks);
// The named call fails with `code` (an HRESULT for COM, a Win32 error for
// "OpenProcessToken", "LookupPrivilegeValueA", "AdjustTokenPrivileges"): every
// call, or only calls whose text argument equals `when`. COM names are
// "IShellLinkW::SetPath" (or IShellLinkA, by the interface called; the text
// as UTF-8), "ICustomDestinationList::CommitList",
// "CoCreateInstance:ShellLink" and the like.
void FailCall(const std::string& name, LONG code, const std::optional<std::string>& when = {});

// --- automation ---
// What regsvr32 does: loads the module and calls its DllRegisterServer.
HRESULT RegisterServer(const std::wstring& modulePath);
// What the automation calls handed out and nobody gave back yet.
struct AutomationCounts {
  size_t bstrs;            // SysAllocString... not yet freed
  size_t safeArrays;       // SafeArrayCreate... not yet destroyed
  size_t runningObjects;   // RegisterActiveObject not yet revoked
  size_t objectResults;    // LresultFromObject not yet taken
  size_t waitableHandles;  // threads and events not yet closed
};
AutomationCounts Automation();

}  // namespace standin
