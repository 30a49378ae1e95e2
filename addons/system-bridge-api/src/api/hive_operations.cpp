// Hive loading and unloading with the backup and restore privileges switched
// on for the call, and the logon SID of the process token.
#include "functions.h"
#include "shared.h"
#include "win-owners/handles.h"

#include <sddl.h>

#include <cstdio>
#include <vector>

namespace sba {
namespace {

void PrintFailure(const char* text) {
  std::fputs(text, stdout);
  std::fflush(stdout);
}

// Enables or disables one privilege of the process token. A privilege the
// token does not hold is not an error here (the call that needs it fails).
DWORD SetTokenPrivilege(const char* name, bool enable) {
  win::UniqueToken token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put())) {
    PrintFailure("Failed OpenProcessToken\n");
    return ERROR_FUNCTION_FAILED;
  }
  LUID luid;
  if (!LookupPrivilegeValueA(nullptr, name, &luid)) {
    PrintFailure("Failed LookupPrivilegeValue\n");
    return ERROR_FUNCTION_FAILED;
  }
  TOKEN_PRIVILEGES record = {};
  record.PrivilegeCount = 1;
  record.Privileges[0].Luid = luid;
  record.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
  if (!AdjustTokenPrivileges(token.get(), FALSE, &record, 0, nullptr, nullptr)) {
    PrintFailure("Failed AdjustTokenPrivileges\n");
    return ERROR_FUNCTION_FAILED;
  }
  return ERROR_SUCCESS;
}

// Runs a hive call with both privileges enabled, and leaves them disabled.
template <typename HiveCall>
bool WithHivePrivileges(HiveCall call) {
  DWORD backup = SetTokenPrivilege("SeBackupPrivilege", true);
  DWORD restore = SetTokenPrivilege("SeRestorePrivilege", true);
  bool done = backup == ERROR_SUCCESS && restore == ERROR_SUCCESS && call() == ERROR_SUCCESS;
  SetTokenPrivilege("SeBackupPrivilege", false);
  SetTokenPrivilege("SeRestorePrivilege", false);
  return done;
}

}  // namespace

NAN_METHOD(LoadHiveFunction) {
  if (!ArgumentsAre(info, {Expect::Number, Expect::String, Expect::String})) return info.GetReturnValue().Set(false);
  HKEY root = RootKeyFrom(info[0]);
  std::wstring subKey = WideFrom(info[1]);
  std::wstring file = WideFrom(info[2]);
  if (!HasNoNul(subKey) || !HasNoNul(file)) return info.GetReturnValue().Set(false);
  info.GetReturnValue().Set(WithHivePrivileges([&] { return RegLoadKeyW(root, subKey.c_str(), file.c_str()); }));
}

NAN_METHOD(UnloadHiveFunction) {
  if (!ArgumentsAre(info, {Expect::Number, Expect::String})) return info.GetReturnValue().Set(false);
  HKEY root = RootKeyFrom(info[0]);
  std::wstring subKey = WideFrom(info[1]);
  if (!HasNoNul(subKey)) return info.GetReturnValue().Set(false);
  info.GetReturnValue().Set(WithHivePrivileges([&] { return RegUnLoadKeyW(root, subKey.c_str()); }));
}

NAN_METHOD(GetLogonSIDFunction) {
  win::UniqueToken token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return;
  DWORD size = 0;
  if (GetTokenInformation(token.get(), TokenGroups, nullptr, 0, &size) || GetLastError() != ERROR_INSUFFICIENT_BUFFER)
    return;
  // Pointer-aligned storage for the TOKEN_GROUPS record.
  std::vector<ULONG_PTR> buffer((size + sizeof(ULONG_PTR) - 1) / sizeof(ULONG_PTR));
  if (!GetTokenInformation(token.get(), TokenGroups, buffer.data(), size, &size)) return;
  const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
  for (DWORD i = 0; i < groups->GroupCount; ++i) {
    if ((groups->Groups[i].Attributes & SE_GROUP_LOGON_ID) != SE_GROUP_LOGON_ID) continue;
    win::UniqueLocalMemory<char> text;
    if (!ConvertSidToStringSidA(groups->Groups[i].Sid, text.put())) return;
    return SetReturnText(info, text.get());
  }
}

}  // namespace sba
