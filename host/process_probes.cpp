#include "process_probes.h"

#include "win_handle.h"

#include <windows.h>
#include <psapi.h>

#include <cstdio>

namespace {

constexpr DWORD kNameBufferSize = MAX_PATH;
constexpr std::size_t kCommandLineSize = 2 * MAX_PATH;

// The full path of this program's file; empty when the system cannot give it
// whole (a path cut at the buffer's end could name a folder or another file).
std::string ownExecutablePath()
{
    char path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return std::string();
    }
    return std::string(path, length);
}

} // namespace

bool isInstallerRunning(std::uint32_t processId)
{
    UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
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

std::string deleteSelfCommandLine(const std::string& path)
{
    if (path.empty() || path.find_first_of("?*") != std::string::npos) {
        return std::string();
    }
    char commandLine[kCommandLineSize];
    std::snprintf(commandLine, sizeof commandLine, "cmd.exe /C Del /f /q \"%s\"", path.c_str());
    return commandLine;
}

void deleteSelf()
{
    std::string commandLine = deleteSelfCommandLine(ownExecutablePath());
    if (commandLine.empty()) {
        return;
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    // Not waited for: the file is in use until this program has ended.
    CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                   &startup, &started);
    UniqueHandle process(started.hProcess);
    UniqueHandle thread(started.hThread);
}
