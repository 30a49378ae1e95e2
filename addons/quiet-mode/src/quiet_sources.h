#pragma once

// The four Windows sources of the quiet state, read afresh on every call.

#include "quiet_decision.h"

#include <windows.h>

#include <cstdint>

inline constexpr wchar_t kQuietHoursKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\QuietHours";
inline constexpr char kNotificationSettingsKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Notifications\\Settings";

// The schedule under root\path; `found` is false when the key
// cannot be opened. Unreadable values take their defaults (Enable 1, 0, 0).
struct ScheduleRead {
  bool found;
  QuietHoursSchedule schedule;
};
ScheduleRead ReadQuietHoursSchedule(HKEY root, const wchar_t* path);

// The current minute of the local day (0..1439), or -1 when local time is unknown.
std::int32_t CurrentLocalMinute();

// Whether the user's quiet-hours schedule covers the current local time.
bool QuietHoursActive();

// The active quiet-hours profile from WNF: its value, -1 when the query fails,
// -2 when ntdll has no NtQueryWnfStateData.
std::int32_t ReadQuietProfile();

// The shell's user notification state; 5 (accepts notifications) when the query fails.
int ReadNotificationState();

// The toast switch under root\path: its value, 1 when it cannot be read.
DWORD ReadToastSwitch(HKEY root, const char* path);
DWORD ToastsEnabled();

// The whole decision over the live sources.
bool GetQuietState();
