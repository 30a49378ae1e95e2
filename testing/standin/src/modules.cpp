// Modules: shared libraries loaded with dlopen, counted as the Windows loader
// counts them, with DllMain called on the first load. A module whose count
// drops to 0 stays mapped (its code may still be on a thread's stack, and
// the sanitizers need its symbols); it is attached again on its next load.
#include <dlfcn.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "state.h"

namespace standin {
namespace {

struct Module {
  std::string path;
  long references = 0;
};

std::mutex modules_lock;
std::map<void*, Module>& Modules() {
  static auto* modules = new std::map<void*, Module>;
  return *modules;
}

void AttachIfFirst(void* handle, bool first) {
  if (!first) return;
  auto entry = reinterpret_cast<DLLMAIN>(dlsym(handle, "DllMain"));
  if (entry != nullptr) entry(static_cast<HMODULE>(handle), DLL_PROCESS_ATTACH, nullptr);
}

// Registers one more reference on a module dlopen handed out; true when it
// was the first.
bool AddReference(void* handle, const std::string& path) {
  std::lock_guard<std::mutex> hold(modules_lock);
  Module& module = Modules()[handle];
  if (module.path.empty()) module.path = path;
  return module.references++ == 0;
}

std::string ExecutablePath() {
  char path[4096];
  ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
  return length > 0 ? std::string(path, static_cast<size_t>(length)) : std::string();
}

}  // namespace
}  // namespace standin

using namespace standin;

HMODULE WINAPI LoadLibraryW(LPCWSTR file) {
  LogCall("LoadLibraryW");
  const std::string path = Utf8FromWide(WideOrEmpty(file));
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  // dlopen's own count is not needed beyond the first load.
  bool first = AddReference(handle, path);
  if (!first) dlclose(handle);
  AttachIfFirst(handle, first);
  return static_cast<HMODULE>(handle);
}

BOOL WINAPI FreeLibrary(HMODULE module) {
  std::lock_guard<std::mutex> hold(modules_lock);
  auto found = Modules().find(module);
  if (found == Modules().end() || found->second.references == 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  --found->second.references;
  return TRUE;
}

void WINAPI FreeLibraryAndExitThread(HMODULE module, DWORD exitCode) {
  FreeLibrary(module);
  ExitThread(exitCode);
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name) {
  void* symbol = module != nullptr ? dlsym(module, name) : nullptr;
  if (symbol == nullptr) SetLastError(127);  // ERROR_PROC_NOT_FOUND
  return reinterpret_cast<FARPROC>(symbol);
}

DWORD WINAPI GetModuleFileNameW(HMODULE module, LPWSTR file, DWORD size) {
  std::string path;
  if (module == nullptr || module == GetModuleHandleW(nullptr)) {
    path = ExecutablePath();
  } else {
    std::lock_guard<std::mutex> hold(modules_lock);
    auto found = Modules().find(module);
    if (found == Modules().end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return 0;
    }
    path = found->second.path;
  }
  const std::wstring wide = WideFromUtf8(path);
  if (size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  // Cut to fit, still terminated, as Windows does.
  if (wide.size() >= size) {
    std::memcpy(file, wide.data(), (size - 1) * sizeof(WCHAR));
    file[size - 1] = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::memcpy(file, wide.c_str(), (wide.size() + 1) * sizeof(WCHAR));
  return static_cast<DWORD>(wide.size());
}

BOOL WINAPI GetModuleHandleExW(DWORD flags, LPCWSTR name, HMODULE* module) {
  if (module == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *module = nullptr;
  if (!(flags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS)) {
    SetLastError(ERROR_INVALID_PARAMETER);  // only the form by address is needed here
    return FALSE;
  }
  Dl_info where;
  if (dladdr(name, &where) == 0 || where.dli_fname == nullptr) {
    SetLastError(126);  // ERROR_MOD_NOT_FOUND
    return FALSE;
  }
  void* handle = dlopen(where.dli_fname, RTLD_NOW | RTLD_NOLOAD);
  if (handle == nullptr) {
    SetLastError(126);
    return FALSE;
  }
  dlclose(handle);
  {
    std::lock_guard<std::mutex> hold(modules_lock);
    auto found = Modules().find(handle);
    if (found == Modules().end()) {
      SetLastError(126);
      return FALSE;
    }
    if (!(flags & GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT)) ++found->second.references;
  }
  *module = static_cast<HMODULE>(handle);
  return TRUE;
}

BOOL WINAPI DisableThreadLibraryCalls(HMODULE) { return TRUE; }
