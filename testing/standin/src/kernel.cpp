// kernel32 part of the stand-in: last error, handles, processes and their
// priority classes, local memory, system message texts; plus the call log and
// the reset of the whole stand-in.
#include "state.h"
#include "sync_objects.h"
#include "system_messages.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>

namespace standin {
namespace {

thread_local DWORD last_error = 0;
bool booted = false;  // constant-initialised: safe before any constructor runs
std::vector<std::string> call_log;
std::mutex call_log_lock;  // servers' threads log calls too
std::map<uintptr_t, KernelObject> handles;
uintptr_t next_handle = 0x100;
std::map<DWORD, ProcessEntry> processes;
std::set<void*> local_blocks;

// The current-process pseudo handle, (HANDLE)-1.
const uintptr_t kCurrentProcess = static_cast<uintptr_t>(-1);
KernelObject current_process{KernelObject::Kind::Process, 0, PROCESS_ALL_ACCESS};

bool ValidPriorityClass(DWORD value) {
  switch (value) {
    case NORMAL_PRIORITY_CLASS:
    case IDLE_PRIORITY_CLASS:
    case HIGH_PRIORITY_CLASS:
    case REALTIME_PRIORITY_CLASS:
    case BELOW_NORMAL_PRIORITY_CLASS:
    case ABOVE_NORMAL_PRIORITY_CLASS:
      return true;
    default:
      return false;
  }
}

// The process behind a handle that grants one of the wanted access bits, or
// nullptr with the last error set.
ProcessEntry* ProcessFor(HANDLE handle, DWORD wanted) {
  KernelObject* object = FindHandle(handle);
  if (!object || object->kind != KernelObject::Kind::Process) {
    last_error = ERROR_INVALID_HANDLE;
    return nullptr;
  }
  if (!(object->access & wanted)) {
    last_error = ERROR_ACCESS_DENIED;
    return nullptr;
  }
  auto found = processes.find(object->pid);
  if (found == processes.end()) {
    last_error = ERROR_INVALID_HANDLE;
    return nullptr;
  }
  return &found->second;
}

}  // namespace

// The stand-in starts in the state Reset gives, on first use.
void EnsureBooted() {
  if (!booted) Reset();
}

void LogCall(const char* name) {
  EnsureBooted();
  std::lock_guard<std::mutex> hold(call_log_lock);
  call_log.emplace_back(name);
}

bool SameName(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    wchar_t x = a[i], y = b[i];
    if (x >= L'a' && x <= L'z') x = x - L'a' + L'A';
    if (y >= L'a' && y <= L'z') y = y - L'a' + L'A';
    if (x != y) return false;
  }
  return true;
}

std::wstring WideOrEmpty(LPCWSTR text) { return text ? std::wstring(text) : std::wstring(); }

HANDLE NewHandle(const KernelObject& object) {
  uintptr_t value = next_handle;
  next_handle += 4;
  handles[value] = object;
  return reinterpret_cast<HANDLE>(value);
}

KernelObject* FindHandle(HANDLE handle) {
  uintptr_t value = reinterpret_cast<uintptr_t>(handle);
  if (value == kCurrentProcess) {
    current_process.pid = CurrentPid();
    return &current_process;
  }
  auto found = handles.find(value);
  return found == handles.end() ? nullptr : &found->second;
}

std::map<DWORD, ProcessEntry>& Processes() { return processes; }
DWORD CurrentPid() { return static_cast<DWORD>(getpid()); }

void ResetKernel() {
  ClearCalls();
  handles.clear();
  next_handle = 0x100;
  processes.clear();
  processes[CurrentPid()] = ProcessEntry{NORMAL_PRIORITY_CLASS, false};
  processes[4] = ProcessEntry{NORMAL_PRIORITY_CLASS, true};  // System
}

void Reset() {
  booted = true;
  ResetKernel();
  ResetToken(false);
  ResetRegistry();
  ResetWindows();
  ResetCom();
  ClearCalls();
}

std::vector<std::string> Calls() {
  std::lock_guard<std::mutex> hold(call_log_lock);
  return call_log;
}
void ClearCalls() {
  std::lock_guard<std::mutex> hold(call_log_lock);
  call_log.clear();
}

void AddProcess(DWORD pid, DWORD priorityClass, bool otherUser) {
  processes[pid] = ProcessEntry{priorityClass, otherUser};
}

std::optional<DWORD> ProcessPriority(DWORD pid) {
  auto found = processes.find(pid);
  if (found == processes.end()) return std::nullopt;
  return found->second.priorityClass;
}

size_t OpenHandleCount() { return handles.size(); }

std::wstring WideFromUtf8(const std::string& text) {
  std::wstring out;
  for (size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    uint32_t cp;
    size_t len;
    if (c < 0x80) {
      cp = c;
      len = 1;
    } else if ((c >> 5) == 6) {
      cp = c & 0x1F;
      len = 2;
    } else if ((c >> 4) == 14) {
      cp = c & 0x0F;
      len = 3;
    } else if ((c >> 3) == 30) {
      cp = c & 0x07;
      len = 4;
    } else {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    if (i + len > text.size()) {
      out.push_back(0xFFFD);
      break;
    }
    for (size_t k = 1; k < len; ++k) cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<wchar_t>(cp));
    }
  }
  return out;
}

std::string Utf8FromWide(const std::wstring& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t cp = static_cast<uint32_t>(text[i]) & 0xFFFF;
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size() && (text[i + 1] & 0xFC00) == 0xDC00) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + ((text[i + 1] & 0xFFFF) - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp < 0xE000) {
      cp = 0xFFFD;
    }
    if (cp < 0x80)
      out.push_back(static_cast<char>(cp));
    else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

}  // namespace standin

using namespace standin;

DWORD WINAPI GetLastError(void) { return last_error; }
void WINAPI SetLastError(DWORD code) { last_error = code; }

BOOL WINAPI CloseHandle(HANDLE handle) {
  LogCall("CloseHandle");
  if (reinterpret_cast<uintptr_t>(handle) == kCurrentProcess) return TRUE;
  if (CloseSyncHandle(handle)) return TRUE;
  if (handles.erase(reinterpret_cast<uintptr_t>(handle)) == 0) {
    last_error = ERROR_INVALID_HANDLE;
    return FALSE;
  }
  return TRUE;
}

// Nothing here opens a find handle, so none is valid.
BOOL WINAPI FindClose(HANDLE) {
  LogCall("FindClose");
  last_error = ERROR_INVALID_HANDLE;
  return FALSE;
}

HANDLE WINAPI GetCurrentProcess(void) { return reinterpret_cast<HANDLE>(kCurrentProcess); }
DWORD WINAPI GetCurrentProcessId(void) { return CurrentPid(); }
HMODULE WINAPI GetModuleHandleW(LPCWSTR name) {
  // Only the main executable is known here.
  return name ? nullptr : reinterpret_cast<HMODULE>(0x140000000);
}

HANDLE WINAPI OpenProcess(DWORD access, BOOL, DWORD pid) {
  LogCall("OpenProcess");
  auto found = processes.find(pid);
  if (pid == 0 || found == processes.end()) {
    last_error = ERROR_INVALID_PARAMETER;
    return nullptr;
  }
  // Another user's process grants a non-administrator (and an administrator
  // without the debug privilege enabled) no more than limited query access.
  const DWORD limited = PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE;
  if (found->second.otherUser && (access & ~limited) && !PrivilegeEnabled("SeDebugPrivilege")) {
    last_error = ERROR_ACCESS_DENIED;
    return nullptr;
  }
  return NewHandle(KernelObject{KernelObject::Kind::Process, pid, access});
}

DWORD WINAPI GetPriorityClass(HANDLE process) {
  LogCall("GetPriorityClass");
  ProcessEntry* entry = ProcessFor(process, PROCESS_QUERY_INFORMATION | PROCESS_QUERY_LIMITED_INFORMATION);
  return entry ? entry->priorityClass : 0;
}

BOOL WINAPI SetPriorityClass(HANDLE process, DWORD priorityClass) {
  LogCall("SetPriorityClass");
  ProcessEntry* entry = ProcessFor(process, PROCESS_SET_INFORMATION);
  if (!entry) return FALSE;
  if (!ValidPriorityClass(priorityClass)) {
    last_error = ERROR_INVALID_PARAMETER;
    return FALSE;
  }
  // Without the increase-base-priority privilege Windows quietly gives the
  // high class instead of the real-time class.
  if (priorityClass == REALTIME_PRIORITY_CLASS && !PrivilegeHeld(SE_INC_BASE_PRIORITY_NAME))
    priorityClass = HIGH_PRIORITY_CLASS;
  entry->priorityClass = priorityClass;
  return TRUE;
}

HLOCAL WINAPI LocalAlloc(UINT flags, SIZE_T bytes) {
  void* block = (flags & LMEM_ZEROINIT) ? std::calloc(1, bytes ? bytes : 1) : std::malloc(bytes ? bytes : 1);
  if (!block) {
    last_error = ERROR_NOT_ENOUGH_MEMORY;
    return nullptr;
  }
  local_blocks.insert(block);
  return block;
}

HLOCAL WINAPI LocalFree(HLOCAL memory) {
  if (!memory) return nullptr;
  if (local_blocks.erase(memory) == 0) {
    last_error = ERROR_INVALID_HANDLE;
    return memory;
  }
  std::free(memory);
  return nullptr;
}

DWORD WINAPI FormatMessageA(DWORD flags, LPCVOID, DWORD messageId, DWORD, LPSTR buffer, DWORD size, va_list*) {
  LogCall("FormatMessageA");
  const char* found = (flags & FORMAT_MESSAGE_FROM_SYSTEM) ? SystemMessage(messageId) : nullptr;
  if (found == nullptr) {
    last_error = ERROR_MR_MID_NOT_FOUND;
    return 0;
  }
  std::string text = std::string(found) + "\r\n";
  DWORD length = static_cast<DWORD>(text.size());
  if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
    char* block = static_cast<char*>(LocalAlloc(LMEM_FIXED, length + 1));
    if (!block) return 0;
    std::memcpy(block, text.c_str(), length + 1);
    *reinterpret_cast<LPSTR*>(buffer) = block;
    return length;
  }
  if (!buffer || size < length + 1) {
    last_error = ERROR_INSUFFICIENT_BUFFER;
    return 0;
  }
  std::memcpy(buffer, text.c_str(), length + 1);
  return length;
}
