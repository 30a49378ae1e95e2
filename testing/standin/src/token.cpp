// advapi32 token part of the stand-in: the process token's groups (with the
// logon SID) and privileges, opened, read and adjusted as Windows does.
#include "state.h"

#include <sddl.h>

#include <cstdio>
#include <cstring>
#include <strings.h>

namespace standin {
namespace {

TokenState token;
const DWORD kGroupDefault = SE_GROUP_MANDATORY | SE_GROUP_ENABLED_BY_DEFAULT | SE_GROUP_ENABLED;
const char* kDefaultLogonSid = "S-1-5-5-0-304113";

struct KnownPrivilege {
  const char* name;
  DWORD luid;
  bool standardUser;  // a standard user's token holds it
  bool enabledByDefault;
};
// Windows' privilege LUIDs, and which privileges each kind of token holds.
const KnownPrivilege kPrivileges[] = {
    {"SeIncreaseQuotaPrivilege", 5, false, false},
    {"SeSecurityPrivilege", 8, false, false},
    {"SeTakeOwnershipPrivilege", 9, false, false},
    {"SeLoadDriverPrivilege", 10, false, false},
    {"SeSystemProfilePrivilege", 11, false, false},
    {"SeSystemtimePrivilege", 12, false, false},
    {"SeProfileSingleProcessPrivilege", 13, false, false},
    {"SeIncreaseBasePriorityPrivilege", 14, false, false},
    {"SeCreatePagefilePrivilege", 15, false, false},
    {"SeBackupPrivilege", 17, false, false},
    {"SeRestorePrivilege", 18, false, false},
    {"SeShutdownPrivilege", 19, true, false},
    {"SeDebugPrivilege", 20, false, false},
    {"SeSystemEnvironmentPrivilege", 22, false, false},
    {"SeChangeNotifyPrivilege", 23, true, true},
    {"SeRemoteShutdownPrivilege", 24, false, false},
    {"SeUndockPrivilege", 25, true, false},
    {"SeManageVolumePrivilege", 28, false, false},
    {"SeImpersonatePrivilege", 29, false, true},
    {"SeCreateGlobalPrivilege", 30, false, true},
    {"SeIncreaseWorkingSetPrivilege", 33, true, false},
    {"SeTimeZonePrivilege", 34, true, false},
    {"SeCreateSymbolicLinkPrivilege", 35, false, false},
};

PrivilegeEntry* FindPrivilege(const char* name) {
  for (auto& entry : token.privileges)
    if (strcasecmp(entry.name, name) == 0) return &entry;
  return nullptr;
}

PrivilegeEntry* FindPrivilege(DWORD luid) {
  for (auto& entry : token.privileges)
    if (entry.luid == luid) return &entry;
  return nullptr;
}

// "S-1-5-5-0-304113" to the binary SID.
std::vector<uint8_t> SidFromText(const std::string& text) {
  std::vector<uint32_t> parts;
  const char* p = text.c_str() + 2;  // after "S-"
  while (*p) {
    char* end = nullptr;
    parts.push_back(static_cast<uint32_t>(std::strtoul(p, &end, 10)));
    p = (*end == '-') ? end + 1 : end;
    if (end == p && *p) break;
  }
  std::vector<uint8_t> sid(8 + 4 * (parts.size() - 2));
  sid[0] = static_cast<uint8_t>(parts[0]);
  sid[1] = static_cast<uint8_t>(parts.size() - 2);
  uint64_t authority = parts[1];
  for (int i = 0; i < 6; ++i) sid[2 + i] = static_cast<uint8_t>(authority >> (8 * (5 - i)));
  for (size_t i = 2; i < parts.size(); ++i) std::memcpy(&sid[8 + 4 * (i - 2)], &parts[i], 4);
  return sid;
}

void SetLastErrorCode(DWORD code) { ::SetLastError(code); }

// Fills a TOKEN_GROUPS record: header, the SID_AND_ATTRIBUTES array, then the SIDs.
DWORD GroupsSize() {
  DWORD size = offsetof(TOKEN_GROUPS, Groups) + token.groups.size() * sizeof(SID_AND_ATTRIBUTES);
  for (auto& group : token.groups) size += SidFromText(group.first).size();
  return size;
}

void WriteGroups(void* buffer) {
  auto* groups = static_cast<TOKEN_GROUPS*>(buffer);
  groups->GroupCount = static_cast<DWORD>(token.groups.size());
  uint8_t* sids = reinterpret_cast<uint8_t*>(&groups->Groups[0]) + token.groups.size() * sizeof(SID_AND_ATTRIBUTES);
  for (size_t i = 0; i < token.groups.size(); ++i) {
    std::vector<uint8_t> sid = SidFromText(token.groups[i].first);
    std::memcpy(sids, sid.data(), sid.size());
    groups->Groups[i].Sid = sids;
    groups->Groups[i].Attributes = token.groups[i].second;
    sids += sid.size();
  }
}

DWORD PrivilegesSize() {
  return offsetof(TOKEN_PRIVILEGES, Privileges) + token.privileges.size() * sizeof(LUID_AND_ATTRIBUTES);
}

void WritePrivileges(void* buffer) {
  auto* record = static_cast<TOKEN_PRIVILEGES*>(buffer);
  record->PrivilegeCount = 0;
  for (auto& entry : token.privileges) {
    if (!entry.held) continue;
    LUID_AND_ATTRIBUTES& item = record->Privileges[record->PrivilegeCount++];
    item.Luid = LUID{entry.luid, 0};
    item.Attributes = entry.enabled ? SE_PRIVILEGE_ENABLED : 0;
  }
}

KernelObject* TokenFor(HANDLE handle, DWORD wanted) {
  KernelObject* object = FindHandle(handle);
  if (!object || object->kind != KernelObject::Kind::Token) {
    SetLastErrorCode(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if ((object->access & wanted) != wanted) {
    SetLastErrorCode(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  return object;
}

}  // namespace

TokenState& Token() { return token; }

bool PrivilegeEnabled(const char* name) {
  EnsureBooted();
  PrivilegeEntry* entry = FindPrivilege(name);
  return entry && entry->held && entry->enabled;
}

bool PrivilegeHeld(const char* name) {
  EnsureBooted();
  PrivilegeEntry* entry = FindPrivilege(name);
  return entry && entry->held;
}

void ResetToken(bool elevated) {
  token.elevated = elevated;
  token.privileges.clear();
  for (const auto& known : kPrivileges) {
    bool held = elevated || known.standardUser;
    token.privileges.push_back(PrivilegeEntry{known.name, known.luid, held, held && known.enabledByDefault});
  }
  token.groups = {{"S-1-1-0", kGroupDefault},  {elevated ? "S-1-5-32-544" : "S-1-5-32-545", kGroupDefault},
                  {"S-1-5-4", kGroupDefault},  {"S-1-2-1", kGroupDefault},
                  {"S-1-5-11", kGroupDefault}, {kDefaultLogonSid, SE_GROUP_LOGON_ID | kGroupDefault},
                  {"S-1-2-0", kGroupDefault}};
}

void UseElevatedToken(bool elevated) {
  EnsureBooted();
  std::vector<std::pair<std::string, DWORD>> groups = token.groups;
  ResetToken(elevated);
  for (auto& group : groups)  // keep an arranged logon SID
    if ((group.second & SE_GROUP_LOGON_ID) == SE_GROUP_LOGON_ID) SetLogonSid(group.first);
}

std::optional<PrivilegeState> Privilege(const std::string& name) {
  EnsureBooted();
  PrivilegeEntry* entry = FindPrivilege(name.c_str());
  if (!entry) return std::nullopt;
  return PrivilegeState{entry->held, entry->held && entry->enabled};
}

bool SetPrivilege(const std::string& name, bool held, bool enabled) {
  EnsureBooted();
  PrivilegeEntry* entry = FindPrivilege(name.c_str());
  if (!entry) return false;
  entry->held = held;
  entry->enabled = held && enabled;
  return true;
}

void SetLogonSid(const std::optional<std::string>& sid) {
  EnsureBooted();
  auto& groups = token.groups;
  for (auto it = groups.begin(); it != groups.end(); ++it) {
    if ((it->second & SE_GROUP_LOGON_ID) == SE_GROUP_LOGON_ID) {
      if (sid)
        it->first = *sid;
      else
        groups.erase(it);
      return;
    }
  }
  if (sid) groups.insert(groups.end() - 1, {*sid, SE_GROUP_LOGON_ID | kGroupDefault});
}

}  // namespace standin

using namespace standin;

BOOL WINAPI OpenProcessToken(HANDLE process, DWORD access, PHANDLE result) {
  LogCall("OpenProcessToken");
  if (LONG code = ArrangedFailure("OpenProcessToken")) {
    SetLastError(code);
    return FALSE;
  }
  KernelObject* object = FindHandle(process);
  if (!object || object->kind != KernelObject::Kind::Process || object->pid != CurrentPid()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  *result = NewHandle(KernelObject{KernelObject::Kind::Token, object->pid, access});
  return TRUE;
}

BOOL WINAPI GetTokenInformation(HANDLE handle, TOKEN_INFORMATION_CLASS infoClass, LPVOID info, DWORD length,
                                PDWORD returnLength) {
  LogCall("GetTokenInformation");
  if (!TokenFor(handle, TOKEN_QUERY)) return FALSE;
  DWORD size;
  switch (infoClass) {
    case TokenGroups:
      size = GroupsSize();
      break;
    case TokenPrivileges:
      size = PrivilegesSize();
      break;
    case TokenElevation:
      size = sizeof(TOKEN_ELEVATION);
      break;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
  }
  *returnLength = size;
  if (!info || length < size) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  if (infoClass == TokenGroups)
    WriteGroups(info);
  else if (infoClass == TokenPrivileges)
    WritePrivileges(info);
  else
    static_cast<TOKEN_ELEVATION*>(info)->TokenIsElevated = token.elevated ? 1 : 0;
  return TRUE;
}

BOOL WINAPI LookupPrivilegeValueA(LPCSTR system, LPCSTR name, PLUID luid) {
  LogCall("LookupPrivilegeValueA");
  if (LONG code = ArrangedFailure("LookupPrivilegeValueA", name)) {
    SetLastError(code);
    return FALSE;
  }
  PrivilegeEntry* entry = (system || !name) ? nullptr : FindPrivilege(name);
  if (!entry) {
    SetLastError(ERROR_NO_SUCH_PRIVILEGE);
    return FALSE;
  }
  luid->LowPart = entry->luid;
  luid->HighPart = 0;
  return TRUE;
}

BOOL WINAPI AdjustTokenPrivileges(HANDLE handle, BOOL disableAll, PTOKEN_PRIVILEGES newState, DWORD, PTOKEN_PRIVILEGES,
                                  PDWORD) {
  LogCall("AdjustTokenPrivileges");
  if (LONG code = ArrangedFailure("AdjustTokenPrivileges")) {
    SetLastError(code);
    return FALSE;
  }
  if (!TokenFor(handle, TOKEN_ADJUST_PRIVILEGES)) return FALSE;
  if (disableAll) {
    for (auto& entry : token.privileges) entry.enabled = false;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
  }
  if (!newState) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  bool allAssigned = true;
  for (DWORD i = 0; i < newState->PrivilegeCount; ++i) {
    const LUID_AND_ATTRIBUTES& item = newState->Privileges[i];
    PrivilegeEntry* entry = item.Luid.HighPart == 0 ? FindPrivilege(item.Luid.LowPart) : nullptr;
    if (!entry || !entry->held) {
      allAssigned = false;  // succeeds anyway, as Windows does
      continue;
    }
    entry->enabled = (item.Attributes & SE_PRIVILEGE_ENABLED) != 0;
  }
  SetLastError(allAssigned ? ERROR_SUCCESS : ERROR_NOT_ALL_ASSIGNED);
  return TRUE;
}

BOOL WINAPI ConvertSidToStringSidA(PSID sid, LPSTR* text) {
  LogCall("ConvertSidToStringSidA");
  const auto* bytes = static_cast<const uint8_t*>(sid);
  if (!bytes || !text || bytes[0] != 1 || bytes[1] > 15) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  uint64_t authority = 0;
  for (int i = 0; i < 6; ++i) authority = (authority << 8) | bytes[2 + i];
  std::string out = "S-1-" + std::to_string(authority);
  for (int i = 0; i < bytes[1]; ++i) {
    uint32_t part;
    std::memcpy(&part, bytes + 8 + 4 * i, 4);
    out += "-" + std::to_string(part);
  }
  char* block = static_cast<char*>(LocalAlloc(LMEM_FIXED, out.size() + 1));
  if (!block) return FALSE;
  std::memcpy(block, out.c_str(), out.size() + 1);
  *text = block;
  return TRUE;
}
