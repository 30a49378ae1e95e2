#include "diagnostic_log.h"

#include "environment.h"
#include "win-owners/handles.h"

#include <windows.h>
#include <share.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

std::tm localNow() {
  std::time_t now = std::time(nullptr);
  std::tm result{};
  localtime_s(&result, &now);
  return result;
}

std::string formatTime(const char* format, const std::tm& when) {
  char buffer[80];
  std::size_t length = std::strftime(buffer, sizeof buffer, format, &when);
  return std::string(buffer, length);
}

// The day's date and the fixed parts of a log file name are ASCII.
std::wstring widenAscii(const std::string& text) { return std::wstring(text.begin(), text.end()); }

bool isDirectory(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

char lowerAscii(wchar_t c) {
  if (c >= L'A' && c <= L'Z') {
    return static_cast<char>(c - L'A' + 'a');
  }
  return c < 0x80 ? static_cast<char>(c) : '?';
}

struct FolderListing {
  std::size_t files = 0;              // regular files directly in the folder
  std::vector<std::wstring> entries;  // every entry, of any kind, as a full path
};

// False when the folder cannot be listed whole.
bool listFolder(const std::wstring& folder, FolderListing& listing) {
  WIN32_FIND_DATAW found;
  win::UniqueFindHandle search(
      FindFirstFileExW((folder + L"*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0));
  if (!search) {
    return false;
  }
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") {
      continue;
    }
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      ++listing.files;
    }
    listing.entries.push_back(folder + name);
  } while (FindNextFileW(search.get(), &found));
  return GetLastError() == ERROR_NO_MORE_FILES;
}

}  // namespace

DiagnosticLog::DiagnosticLog(std::string switchName) : switchName(std::move(switchName)) {}

bool DiagnosticLog::isEnabled() const {
  const std::wstring name = widenAscii(switchName);
  std::string value;
  for (wchar_t c : readEnvironment(name.c_str()).value_or(std::wstring())) {
    value.push_back(lowerAscii(c));
  }
  return value == "true";
}

void DiagnosticLog::open(const std::wstring& folder) {
  if (!isEnabled()) {
    return;
  }
  // One level only: the parent (the temporary folder) exists. When the folder
  // cannot be made (a file of that name in the way, say) the log stays closed
  // and the exchange goes on without it.
  if (!isDirectory(folder) && !CreateDirectoryW(folder.c_str(), nullptr)) {
    return;
  }
  std::wstring name = folder + L"log_" + widenAscii(formatTime("%Y-%m-%d", localNow())) + L".txt";
  // Text mode: the "\n" of each "\r\n" is stored as CR LF. Others may read
  // and write the day's file while it is open.
  stream.reset(_wfsopen(name.c_str(), L"a", _SH_DENYNO));
}

void DiagnosticLog::write(const std::string& message) {
  if (!isEnabled() || !stream) {
    return;
  }
  std::string line = formatLogLine(message, localNow());
  std::fwrite(line.data(), 1, line.size(), stream.get());
  std::fflush(stream.get());
}

void DiagnosticLog::close() {
  if (!isEnabled()) {
    return;
  }
  stream.reset();
}

void DiagnosticLog::prune(const std::wstring& folder) {
  if (!isEnabled()) {
    return;
  }
  FolderListing listing;
  if (!listFolder(folder, listing) || listing.files <= kMaxFiles) {
    return;
  }
  // Names carry an ISO date, so the first in code unit order is the oldest
  // day. A folder chosen here is not removed (_wremove deletes files only).
  std::sort(listing.entries.begin(), listing.entries.end());
  _wremove(listing.entries.front().c_str());
}

std::string formatLogLine(const std::string& message, const std::tm& localTime) {
  return "[" + formatTime("%d-%m-%Y %H:%M:%S", localTime) + "] " + message + "\r\n";
}
