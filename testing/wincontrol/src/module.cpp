// Registration of the control module, the capabilities it lacks on this
// system, reset() and the small queries that belong to no area.
#include <string>

#include "control.h"
#include "win-owners/handles.h"

namespace wincontrol {

const wchar_t kUserTestRoot[] = L"Software\\QuillaretTests";
const wchar_t kMachineTestRoot[] = L"SOFTWARE\\QuillaretTests";
const wchar_t kHivePrefix[] = L"QuillaretTests";

std::wstring WideFrom(const Napi::Value& value) {
  std::u16string text = value.ToString().Utf16Value();
  return std::wstring(text.begin(), text.end());
}

std::string Utf8From(const std::wstring& text) {
  if (text.empty()) return {};
  int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
  return out;
}

LONG_PTR PointerFrom(const Napi::Value& value) {
  return static_cast<LONG_PTR>(value.IsNumber() ? value.As<Napi::Number>().Int32Value() : 0);
}

Napi::Number HandleNumber(Napi::Env env, const void* handle) {
  return Napi::Number::New(env, static_cast<int32_t>(reinterpret_cast<uintptr_t>(handle)));
}

namespace {

bool UnderWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool ProcessIsElevated() {
  win::UniqueToken token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return false;
  TOKEN_ELEVATION elevation = {};
  DWORD size = 0;
  return GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof(elevation), &size) &&
         elevation.TokenIsElevated != 0;
}

// What tests may ask of the stand-in but not of this system, with the reason.
Napi::Object Lacks(Napi::Env env) {
  Napi::Object lacks = Napi::Object::New(env);
  lacks.Set("callLog", "Windows keeps no log of the calls a process makes");
  lacks.Set("handleCounts", "the addon's open handles and keys cannot be told from the process's others");
  lacks.Set("failureInjection", "Windows calls cannot be made to fail on request");
  lacks.Set("logonSidArrangement", "the token's groups are fixed when the process starts");
  lacks.Set("foregroundRefusal", "the foreground lock cannot be arranged for the calling process");
  lacks.Set("adminOnlyKeys", "key permissions are not arranged by the tests");
  lacks.Set("otherUsersProcesses", "no process of another user can be started");
  lacks.Set("undocumentedPriorityClass", "a process only ever has one of the documented priority classes");
  lacks.Set("highHandles", "the system chooses window handles");
  lacks.Set("comObjectCounts", "the shell's live objects and task memory are not counted");
  lacks.Set("jumpListInspection", "a committed jump list cannot be read back");
  lacks.Set("emptyDesktop", "other programs own top-level windows");
  if (ProcessIsElevated()) {
    lacks.Set("standardUserToken", "the process runs elevated and cannot drop to a standard user's token");
  } else {
    lacks.Set("elevatedToken", "the process does not run elevated");
  }
  if (UnderWine()) {
    lacks.Set("destinationList", "Wine: the destination list's SetAppID and BeginList are E_NOTIMPL");
    lacks.Set("valueCreationOrder", "Wine: values enumerate in alphabetical order, not in creation order");
    lacks.Set("hiveFileLock", "Wine: a loaded hive does not hold its file, so it loads twice");
    lacks.Set("hiveWriteBack", "Wine: an unloaded hive's changes are not written back to its file");
    lacks.Set("failedLoadCleanup", "Wine: a file that is no hive fails to load but leaves an empty key behind");
    lacks.Set("hiveRootCheck", "Wine: RegLoadKeyW loads a hive below HKEY_CURRENT_USER too");
    lacks.Set("hiveUnloadCheck", "Wine: RegUnLoadKeyW removes an ordinary key and reports success");
  }
  return lacks;
}

Napi::Value Reset(const Napi::CallbackInfo& info) {
  ResetWindows();
  ResetProcesses();
  ResetRegistry();
  ResetToken();
  ResetCom();
  return info.Env().Undefined();
}

// The system's message for an error code in the user's language, as
// FormatMessageW gives it, in UTF-8.
Napi::Value SystemMessage(const Napi::CallbackInfo& info) {
  DWORD code = static_cast<DWORD>(info[0].As<Napi::Number>().Uint32Value());
  win::UniqueLocalMemory<wchar_t> message;
  DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
      MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPWSTR>(message.put()), 0, nullptr);
  std::string text;
  if (length && message) {
    int bytes = WideCharToMultiByte(CP_UTF8, 0, message.get(), static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    text.resize(bytes > 0 ? static_cast<size_t>(bytes) : 0);
    if (bytes > 0)
      WideCharToMultiByte(CP_UTF8, 0, message.get(), static_cast<int>(length), text.data(), bytes, nullptr, nullptr);
  }
  return Napi::String::New(info.Env(), text);
}

// setLastError(code): a stale last error on the script thread, as earlier
// work may leave one.
Napi::Value SetLastErrorHere(const Napi::CallbackInfo& info) {
  SetLastError(info[0].As<Napi::Number>().Uint32Value());
  return info.Env().Undefined();
}

Napi::Value CurrentPid(const Napi::CallbackInfo& info) {
  return Napi::Number::New(info.Env(), static_cast<double>(GetCurrentProcessId()));
}

}  // namespace

Napi::Object Init(Napi::Env env, Napi::Object exports) {
  exports.Set("lacks", Lacks(env));
  exports.Set("underWine", Napi::Boolean::New(env, UnderWine()));
  exports.Set("reset", Napi::Function::New(env, Reset, "reset"));
  exports.Set("systemMessage", Napi::Function::New(env, SystemMessage, "systemMessage"));
  exports.Set("currentPid", Napi::Function::New(env, CurrentPid, "currentPid"));
  exports.Set("setLastError", Napi::Function::New(env, SetLastErrorHere, "setLastError"));
  RegisterWindows(env, exports);
  RegisterRegistry(env, exports);
  RegisterToken(env, exports);
  RegisterProcesses(env, exports);
  RegisterCom(env, exports);
  return exports;
}

}  // namespace wincontrol

namespace {
Napi::Object InitModule(Napi::Env env, Napi::Object exports) { return wincontrol::Init(env, exports); }
}  // namespace

NODE_API_MODULE(win_control, InitModule)
