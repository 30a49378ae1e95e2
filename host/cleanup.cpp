#include "cleanup.h"

#include "environment.h"
#include "process_probes.h"
#include "remove_tree.h"

#include <windows.h>

#include <cctype>
#include <ctime>
#include <iostream>
#include <optional>
#include <sstream>

namespace {

constexpr std::clock_t kInstallerWaitMs = 30000;
constexpr DWORD kPauseBeforeRemovalMs = 1000;
constexpr int kRemovalAttempts = 3;
constexpr DWORD kRetryPauseMs = 5000;

void writeUsage()
{
    std::cout << "Error: Invalid argument/option. \n"
              << "Type \"quillaret-host.exe --cleanup --delme --pid=000000\" for usage. \n"
              << "Require: \n"
              << "\t  --pid    \t PID to verify the setup.exe process is not running before cleanup. \n"
              << "Option: \n"
              << "\t  --delme  \t Delete quillaret-host.exe when cleanup success.\n";
}

// Checks continuously, without pausing; false when the installer is still
// running after the wait limit.
bool waitForInstaller(std::uint32_t processId)
{
    const std::clock_t limit = std::clock() + kInstallerWaitMs * CLOCKS_PER_SEC / 1000;
    while (isInstallerRunning(processId)) {
        if (std::clock() > limit) {
            return false;
        }
    }
    return true;
}

// The value of a variable that names a folder to clean below; nothing when it
// is not set, empty or not an absolute path.
std::optional<std::string> baseFolder(const char* variable)
{
    std::optional<std::string> value = readEnvironment(variable);
    if (!value || !isAbsolutePath(*value)) {
        return std::nullopt;
    }
    return value;
}

void removeFolders()
{
    if (std::optional<std::string> appData = baseFolder("APPDATA")) {
        std::cout << *appData << "\n";
        deleteWithRetry(*appData + "\\setup");
        deleteWithRetry(*appData + "\\QuillaretWorkspace");
    }
    if (std::optional<std::string> temp = baseFolder("TEMP")) {
        deleteWithRetry(*temp + "\\Quillaret\\Quillaret Workspace Installer");
        deleteWithRetry(*temp + "\\Quillaret");
    }
}

bool isSeparator(char c)
{
    return c == '\\' || c == '/';
}

} // namespace

CleanupOptions parseCleanupOptions(int argc, char** argv)
{
    CleanupOptions options;
    for (int i = 2; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--delme") {
            options.deleteSelf = true;
            continue;
        }
        const std::size_t equals = argument.find('=');
        if (argument.substr(0, equals) == "--pid") {
            options.pidArgument = argument;
            options.pidText = equals == std::string::npos ? argument : argument.substr(equals + 1);
        }
    }
    return options;
}

bool cleanupOptionsUsable(int argc, const CleanupOptions& options)
{
    return argc > 2 && !options.pidText.empty() && options.pidText != "--pid";
}

std::uint32_t readProcessId(const std::string& pidText)
{
    std::istringstream in(pidText);
    unsigned long long value = 0; // stays 0 when the text is no number
    in >> value;
    return static_cast<std::uint32_t>(value);
}

bool isAbsolutePath(const std::string& path)
{
    const bool drivePath = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':'
                           && isSeparator(path[2]);
    const bool uncPath = path.size() >= 3 && isSeparator(path[0]) && isSeparator(path[1]) && !isSeparator(path[2]);
    return drivePath || uncPath;
}

void deleteWithRetry(const std::string& path)
{
    for (int attempt = 0; attempt < kRemovalAttempts; ++attempt) {
        std::cout << path << "\n";
        if (removeTree(path)) {
            return;
        }
        std::cout << "Unable to delete " << path << "\n"
                  << "Retry Count : " << attempt << " trying to delete in 5 seconds. \n";
        Sleep(kRetryPauseMs);
    }
}

void QuillaretWorkspaceClenup::run()
{
    const CleanupOptions options = parseCleanupOptions(argc, argv);
    if (!cleanupOptionsUsable(argc, options)) {
        writeUsage();
        return;
    }
    if (waitForInstaller(readProcessId(options.pidText))) {
        Sleep(kPauseBeforeRemovalMs);
        removeFolders();
    } else {
        std::cout << "Stop . \n";
    }
    std::cout << "Cleanup end";
    if (options.deleteSelf) {
        std::cout.flush();
        deleteSelf();
    }
}
