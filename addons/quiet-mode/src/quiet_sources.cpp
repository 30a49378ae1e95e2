#include "quiet_sources.h"

#include "win-owners/handles.h"

#include <shellapi.h>

#include <ctime>

namespace {

// Reads a value of at most 4 bytes over the low bytes of a zeroed integer; a
// failed read (missing, or longer than 4 bytes) gives the default.
std::int32_t ReadSmallValue(HKEY key, const wchar_t* name, std::int32_t fallback) {
  std::int32_t value = 0;
  DWORD size = sizeof value;
  if (RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS) {
    return fallback;
  }
  return value;
}

using QueryWnfStateData = LONG(NTAPI*)(const ULONGLONG* stateName, const void* typeId, const void* scope,
                                       ULONG* changeStamp, void* buffer, ULONG* bufferSize);

constexpr ULONGLONG kQuietHoursProfileState = 0x0D83063EA3BF1C75ULL;

}  // namespace

ScheduleRead ReadQuietHoursSchedule(HKEY root, const wchar_t* path) {
  win::UniqueRegistryKey key;
  if (RegOpenKeyExW(root, path, 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
    return {false, {0, 0, 0}};
  }
  QuietHoursSchedule schedule;
  schedule.enable = ReadSmallValue(key.get(), L"Enable", 1);
  schedule.entryTime = ReadSmallValue(key.get(), L"EntryTime", 0);
  schedule.exitTime = ReadSmallValue(key.get(), L"ExitTime", 0);
  return {true, schedule};
}

std::int32_t CurrentLocalMinute() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_s(&local, &now) != 0) {
    return -1;
  }
  return local.tm_hour * 60 + local.tm_min;
}

bool QuietHoursActive() {
  const ScheduleRead read = ReadQuietHoursSchedule(HKEY_CURRENT_USER, kQuietHoursKey);
  if (!read.found || read.schedule.enable != 1) {
    return false;
  }
  const std::int32_t minute = CurrentLocalMinute();
  return minute >= 0 && ScheduleCovers(read.schedule, minute);
}

std::int32_t ReadQuietProfile() {
  HMODULE ntdll = GetModuleHandleA("ntdll");
  auto query =
      ntdll != nullptr
          ? reinterpret_cast<QueryWnfStateData>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryWnfStateData")))
          : nullptr;
  if (query == nullptr) {
    return kProfileMissing;
  }
  const ULONGLONG stateName = kQuietHoursProfileState;
  ULONG changeStamp = 0;
  std::int32_t profile = 0;
  ULONG size = sizeof profile;
  if (query(&stateName, nullptr, nullptr, &changeStamp, &profile, &size) < 0) {
    return kProfileQueryFailed;
  }
  return profile;
}

int ReadNotificationState() {
  QUERY_USER_NOTIFICATION_STATE state = QUNS_ACCEPTS_NOTIFICATIONS;
  if (FAILED(SHQueryUserNotificationState(&state))) {
    return kAcceptsNotifications;
  }
  return static_cast<int>(state);
}

DWORD ReadToastSwitch(HKEY root, const char* path) {
  win::UniqueRegistryKey key;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
    return 1;
  }
  DWORD value = 1;
  DWORD size = sizeof value;
  DWORD type = 0;
  if (RegQueryValueExA(key.get(), "NOC_GLOBAL_SETTING_TOASTS_ENABLED", nullptr, &type, reinterpret_cast<BYTE*>(&value),
                       &size) != ERROR_SUCCESS) {
    return 1;
  }
  return value;
}

DWORD ToastsEnabled() { return ReadToastSwitch(HKEY_CURRENT_USER, kNotificationSettingsKey); }

bool GetQuietState() {
  const bool quietHours = QuietHoursActive();
  const std::int32_t profile = ReadQuietProfile();
  const int notificationState = ReadNotificationState();
  return DecideQuietMode(quietHours, notificationState, profile, ToastsEnabled);
}
