#include "process_probes.h"

#include "console.h"
#include "win-owners/handles.h"

#include <windows.h>
#include <psapi.h>

namespace {

constexpr DWORD kNameBufferSize = MAX_PATH;
constexpr DWORD kLongPathSize = 32768;

// The full path of this program's file; empty when the system cannot give it
// whole (a path cut at the buffer's end could name a folder or another file).
std::wstring ownExecutablePath() {
  std::wstring path(kLongPathSize, L'\0');
  DWORD length = GetModuleFileNameW(nullptr, path.data(), kLongPathSize);
  if (length == 0 || length >= kLongPathSize) {
    return std::wstring();
  }
  path.resize(length);
  return path;
}

// The command interpreter of the system folder, never one found by search
// (the program's own folder comes first there); empty when the system cannot
// name its folder.
std::wstring systemInterpreter() {
  wchar_t folder[MAX_PATH];
  UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    return std::wstring();
  }
  return std::wstring(folder, length) + L"\\cmd.exe";
}

bool isDrivePath(const std::wstring& path) {
  return path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/') &&
         ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
}

// Starts the command interpreter hidden, not inheriting handles; not waited
// for. `folder` is its current folder (the caller's when empty).
void startInterpreter(std::wstring commandLine, const std::wstring& folder) {
  const std::wstring interpreter = systemInterpreter();
  if (interpreter.empty()) {
    return;
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  CreateProcessW(interpreter.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                 folder.empty() ? nullptr : folder.c_str(), &startup, &started);
  win::UniqueHandle process(started.hProcess);
  win::UniqueHandle thread(started.hThread);
}

}  // namespace

bool isInstallerRunning(std::uint32_t processId) {
  win::UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
  if (!process) {
    return false;
  }
  char name[kNameBufferSize] = "<unknown>";
  HMODULE firstModule = nullptr;
  DWORD needed = 0;
  if (K32EnumProcessModules(process.get(), &firstModule, sizeof firstModule, &needed)) {
    if (K32GetModuleBaseNameA(process.get(), firstModule, name, kNameBufferSize) == 0) {
      lstrcpyA(name, "<unknown>");
    }
  }
  return lstrcmpA(name, "setup.exe") == 0;
}

bool isExactForInterpreter(const std::wstring& text) {
  if (text.empty()) {
    return false;
  }
  for (wchar_t c : text) {
    if (c < 0x20 || c == L'%' || c == L'!' || c == L'"' || c == L'?' || c == L'*') {
      return false;
    }
  }
  return true;
}

std::wstring deleteSelfCommandLine(const std::wstring& path) {
  if (!isExactForInterpreter(path)) {
    return std::wstring();
  }
  return L"cmd.exe /C Del /f /q \"" + path + L"\"";
}

void deleteSelf() {
  // Not waited for: the file is in use until this program has ended.
  const std::wstring path = ownExecutablePath();
  if (isExactForInterpreter(path)) {
    startInterpreter(deleteSelfCommandLine(path), std::wstring());
    return;
  }
  // A folder name the interpreter would read otherwise (a '%' in it, say)
  // stays out of the command line: Del gets the bare file name and runs in
  // that folder, which its current-folder handle holds in place.
  const std::size_t separator = path.find_last_of(L"\\/");
  if (separator != std::wstring::npos && isDrivePath(path)) {
    const std::wstring folder = path.substr(0, separator + 1);
    const std::wstring name = path.substr(separator + 1);
    if (isExactForInterpreter(name)) {
      startInterpreter(deleteSelfCommandLine(name), folder);
      return;
    }
  }
  writeOut("\nNot deleted: " + ansiText(path) + " (the command interpreter would not read this name exactly)\n");
}
