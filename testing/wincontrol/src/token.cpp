// The process token's privileges: read as they are, enabled or disabled where
// the token holds them, and put back as they were at load by reset().
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "control.h"
#include "win-owners/handles.h"

namespace wincontrol {
namespace {

struct PrivilegeState {
  bool held;
  bool enabled;
};

std::optional<PrivilegeState> ReadPrivilege(const wchar_t* name) {
  LUID luid;
  if (!LookupPrivilegeValueW(nullptr, name, &luid)) return std::nullopt;
  win::UniqueToken token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return std::nullopt;
  DWORD size = 0;
  GetTokenInformation(token.get(), TokenPrivileges, nullptr, 0, &size);
  std::vector<ULONG_PTR> buffer(size / sizeof(ULONG_PTR) + 1);
  if (!GetTokenInformation(token.get(), TokenPrivileges, buffer.data(), size, &size)) return std::nullopt;
  const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
  for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
    const LUID_AND_ATTRIBUTES& entry = privileges->Privileges[i];
    if (entry.Luid.LowPart == luid.LowPart && entry.Luid.HighPart == luid.HighPart)
      return PrivilegeState{true, (entry.Attributes & SE_PRIVILEGE_ENABLED) != 0};
  }
  return PrivilegeState{false, false};
}

// The states at load of the privileges the tests switch.
std::map<std::wstring, PrivilegeState>& InitialStates() {
  static std::map<std::wstring, PrivilegeState> states;
  return states;
}

void RememberInitialState(const std::wstring& name) {
  if (InitialStates().count(name)) return;
  std::optional<PrivilegeState> state = ReadPrivilege(name.c_str());
  if (state) InitialStates()[name] = *state;
}

// privilege(name): {held, enabled}, or undefined for an unknown name.
Napi::Value Privilege(const Napi::CallbackInfo& info) {
  Napi::Env env = info.Env();
  std::optional<PrivilegeState> state = ReadPrivilege(WideFrom(info[0]).c_str());
  if (!state) return env.Undefined();
  Napi::Object out = Napi::Object::New(env);
  out.Set("held", state->held);
  out.Set("enabled", state->enabled);
  return out;
}

// setPrivilege(name, held, enabled): only the enabled state of a privilege
// the token holds can change; false for anything else.
Napi::Value SetPrivilege(const Napi::CallbackInfo& info) {
  Napi::Env env = info.Env();
  std::wstring name = WideFrom(info[0]);
  bool held = info[1].ToBoolean().Value();
  bool enabled = info[2].ToBoolean().Value();
  std::optional<PrivilegeState> state = ReadPrivilege(name.c_str());
  if (!state || state->held != held) return Napi::Boolean::New(env, false);
  RememberInitialState(name);
  return Napi::Boolean::New(env, !held || EnablePrivilege(name.c_str(), enabled));
}

}  // namespace

bool EnablePrivilege(const wchar_t* name, bool enable) {
  RememberInitialState(name);
  win::UniqueToken token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put())) return false;
  TOKEN_PRIVILEGES record = {};
  record.PrivilegeCount = 1;
  record.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
  if (!LookupPrivilegeValueW(nullptr, name, &record.Privileges[0].Luid)) return false;
  // Success with ERROR_NOT_ALL_ASSIGNED means the token does not hold it.
  return AdjustTokenPrivileges(token.get(), FALSE, &record, 0, nullptr, nullptr) && GetLastError() == ERROR_SUCCESS;
}

void RegisterToken(Napi::Env env, Napi::Object exports) {
  for (const wchar_t* name : {L"SeBackupPrivilege", L"SeRestorePrivilege"}) RememberInitialState(name);
  exports.Set("privilege", Napi::Function::New(env, Privilege, "privilege"));
  exports.Set("setPrivilege", Napi::Function::New(env, SetPrivilege, "setPrivilege"));
}

void ResetToken() {
  for (const auto& entry : InitialStates())
    if (entry.second.held) EnablePrivilege(entry.first.c_str(), entry.second.enabled);
}

}  // namespace wincontrol
