#include "probe_record.h"

#include <windows.h>

#include "win-owners/handles.h"

namespace probe {
namespace {

// Zero-initialised: valid before any dynamic initialiser runs.
const char* events[64];
int event_count;

}  // namespace

void Record(const char* event) {
  if (event_count < 64) events[event_count++] = event;
}

int RecordCount() { return event_count; }

const char* RecordAt(int index) { return index >= 0 && index < event_count ? events[index] : nullptr; }

void LogAtExit(const char* line) {
  wchar_t path[MAX_PATH];
  DWORD length = GetEnvironmentVariableW(L"PROBE_EXIT_LOG", path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  win::UniqueFileHandle file(
      CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  DWORD written = 0;
  WriteFile(file.get(), line, static_cast<DWORD>(lstrlenA(line)), &written, nullptr);
  WriteFile(file.get(), "\n", 1, &written, nullptr);
}

}  // namespace probe
