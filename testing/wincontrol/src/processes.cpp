// Processes of a given priority class: suspended children of this process
// that never run and are ended by reset(), and this process's own class.
#include <vector>

#include "control.h"
#include "win-owners/handles.h"

namespace wincontrol {
namespace {

struct Child {
  win::UniqueHandle process;
  DWORD id;
};
std::vector<Child> children;

// startProcess(priorityClass): a suspended copy of this executable; its pid.
Napi::Value StartProcess(const Napi::CallbackInfo& info) {
  Napi::Env env = info.Env();
  DWORD priorityClass = info[0].ToNumber().Uint32Value();
  wchar_t program[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH);
  if (length == 0 || length == MAX_PATH) throw Napi::Error::New(env, "GetModuleFileNameW failed");
  wchar_t commandLine[] = L"child -e 0";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started = {};
  if (!CreateProcessW(program, commandLine, nullptr, nullptr, FALSE,
                      CREATE_SUSPENDED | CREATE_NO_WINDOW | priorityClass, nullptr, nullptr, &startup, &started))
    throw Napi::Error::New(env, "CreateProcessW failed");
  win::UniqueHandle thread(started.hThread);
  // Wine gives a new process the normal class whatever the creation flags say.
  SetPriorityClass(started.hProcess, priorityClass);
  children.push_back(Child{win::UniqueHandle(started.hProcess), started.dwProcessId});
  return Napi::Number::New(env, static_cast<double>(started.dwProcessId));
}

// processPriority(pid): the class of a live process, or undefined.
Napi::Value ProcessPriority(const Napi::CallbackInfo& info) {
  Napi::Env env = info.Env();
  win::UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, info[0].ToNumber().Uint32Value()));
  DWORD exitCode = 0;
  if (!process.get() || !GetExitCodeProcess(process.get(), &exitCode) || exitCode != STILL_ACTIVE)
    return env.Undefined();
  DWORD priorityClass = GetPriorityClass(process.get());
  if (priorityClass == 0) return env.Undefined();
  return Napi::Number::New(env, static_cast<double>(priorityClass));
}

}  // namespace

void RegisterProcesses(Napi::Env env, Napi::Object exports) {
  exports.Set("startProcess", Napi::Function::New(env, StartProcess, "startProcess"));
  exports.Set("processPriority", Napi::Function::New(env, ProcessPriority, "processPriority"));
}

void ResetProcesses() {
  for (Child& child : children) {
    TerminateProcess(child.process.get(), 0);
    WaitForSingleObject(child.process.get(), 5000);
  }
  children.clear();
  SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
}

}  // namespace wincontrol
