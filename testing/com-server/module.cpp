#include "module.h"

#include <atomic>

namespace test_server {
namespace {

HINSTANCE module_handle = nullptr;
std::atomic<long> module_locks{0};
std::atomic<bool> factories_count{true};
void (*on_last_unlock)() = nullptr;

}  // namespace

HINSTANCE ModuleHandle() { return module_handle; }
void SetModuleHandle(HINSTANCE module) { module_handle = module; }

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(module_handle, &path[0], static_cast<DWORD>(path.size()));
    if (length == 0) return std::wstring();
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

void LockModule() { ++module_locks; }

void UnlockModule() {
  if (--module_locks == 0 && on_last_unlock != nullptr) on_last_unlock();
}

bool ModuleLocked() { return module_locks.load() != 0; }

void LockModuleByFactory() {
  if (factories_count.load()) LockModule();
}

void UnlockModuleByFactory() {
  if (factories_count.load()) UnlockModule();
}

void ServeAsLocalServer(void (*last_unlock)()) {
  factories_count = false;
  on_last_unlock = last_unlock;
}

}  // namespace test_server
