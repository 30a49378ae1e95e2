#include "cleanup.h"

#include "console.h"
#include "environment.h"
#include "process_probes.h"
#include "remove_tree.h"

#include <windows.h>

#include <cstdlib>
#include <ctime>
#include <optional>

namespace {

constexpr std::clock_t kInstallerWaitMs = 30000;
constexpr DWORD kPauseBeforeRemovalMs = 1000;
constexpr int kRemovalAttempts = 3;
constexpr DWORD kRetryPauseMs = 5000;

void writeUsage() {
  writeOut(
      "Error: Invalid argument/option. \n"
      "Type \"quillaret-host.exe --cleanup --delme --pid=000000\" for usage. \n"
      "Require: \n"
      "\t  --pid    \t PID to verify the setup.exe process is not running before cleanup. \n"
      "Option: \n"
      "\t  --delme  \t Delete quillaret-host.exe when cleanup success.\n");
}

// Checks continuously, without pausing; false when the installer is still
// running after the wait limit.
bool waitForInstaller(std::uint32_t processId) {
  const std::clock_t limit = std::clock() + kInstallerWaitMs * CLOCKS_PER_SEC / 1000;
  while (isInstallerRunning(processId)) {
    if (std::clock() > limit) {
      return false;
    }
  }
  return true;
}

// The value of a variable that names a folder to clean below, as the system
// keeps it (UTF-16); nothing when it is not set or not a usable base folder.
std::optional<std::wstring> baseFolder(const wchar_t* variable) {
  std::optional<std::wstring> value = readEnvironment(variable);
  if (!value || !isUsableBaseFolder(*value)) {
    return std::nullopt;
  }
  return value;
}

void removeFolders() {
  if (std::optional<std::wstring> appData = baseFolder(L"APPDATA")) {
    writeOut(ansiText(*appData) + "\n");
    deleteWithRetry(*appData, L"setup");
    deleteWithRetry(*appData, L"QuillaretWorkspace");
  }
  if (std::optional<std::wstring> temp = baseFolder(L"TEMP")) {
    deleteWithRetry(*temp, L"Quillaret\\Quillaret Workspace Installer");
    deleteWithRetry(*temp, L"Quillaret");
  }
}

bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool isAsciiLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

}  // namespace

CleanupOptions parseCleanupOptions(int argc, char** argv) {
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

bool cleanupOptionsUsable(int argc, const CleanupOptions& options) {
  return argc > 2 && !options.pidText.empty() && options.pidText != "--pid";
}

std::uint32_t readProcessId(const std::string& pidText) {
  // What a decimal stream read gives: white space skipped, digits up to the
  // first other character, 0 when there are none, the largest value when
  // they overflow.
  unsigned long long value = std::strtoull(pidText.c_str(), nullptr, 10);
  return static_cast<std::uint32_t>(value);
}

bool isAbsolutePath(const std::wstring& path) {
  const bool drivePath = path.size() >= 3 && isAsciiLetter(path[0]) && path[1] == L':' && isSeparator(path[2]);
  const bool uncPath = path.size() >= 3 && isSeparator(path[0]) && isSeparator(path[1]) && !isSeparator(path[2]);
  return drivePath || uncPath;
}

bool isUsableBaseFolder(const std::wstring& path) {
  return isAbsolutePath(path) && path.find_first_of(L"?*") == std::wstring::npos;
}

void deleteWithRetry(const std::wstring& base, const std::wstring& folder) {
  const std::string shown = ansiText(base + L"\\" + folder);
  for (int attempt = 0; attempt < kRemovalAttempts; ++attempt) {
    writeOut(shown + "\n");
    if (removeTree(base, folder)) {
      return;
    }
    writeOut("Unable to delete " + shown + "\n" + "Retry Count : ");
    writeOut(attempt);
    writeOut(" trying to delete in 5 seconds. \n");
    Sleep(kRetryPauseMs);
  }
}

void QuillaretWorkspaceClenup::run() {
  const CleanupOptions options = parseCleanupOptions(argc, argv);
  if (!cleanupOptionsUsable(argc, options)) {
    writeUsage();
    return;
  }
  if (waitForInstaller(readProcessId(options.pidText))) {
    Sleep(kPauseBeforeRemovalMs);
    removeFolders();
  } else {
    writeOut("Stop . \n");
  }
  writeOut("Cleanup end");
  if (options.deleteSelf) {
    flushOut();
    deleteSelf();
  }
}
