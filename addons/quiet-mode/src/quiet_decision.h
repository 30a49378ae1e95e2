#pragma once

// The pure part of quiet-state detection: the decision over the four sources
// and the quiet-hours span test.

#include <cstdint>

inline constexpr int kAcceptsNotifications = 5;      // QUNS_ACCEPTS_NOTIFICATIONS
inline constexpr std::int32_t kProfileMissing = -2;  // NtQueryWnfStateData not exported
inline constexpr std::int32_t kProfileQueryFailed = -1;

struct QuietHoursSchedule {
  std::int32_t enable;
  std::int32_t entryTime;  // minutes after local midnight
  std::int32_t exitTime;
};

// Whether the minute of the day lies in entry..exit, both inclusive; a span
// whose entry comes after its exit crosses midnight.
bool SpanCovers(std::int32_t entryTime, std::int32_t exitTime, std::int32_t minute);

// Whether the schedule is on and covers the minute.
bool ScheduleCovers(const QuietHoursSchedule& schedule, std::int32_t minute);

// The decision by precedence: quiet hours, then the shell's notification
// state, then the quiet-hours profile, then the toast switch. `toastsEnabled`
// is called only when the profile leaves the decision to it.
template <typename ReadToasts>
bool DecideQuietMode(bool quietHours, int notificationState, std::int32_t profile, ReadToasts toastsEnabled) {
  if (quietHours) {
    return true;
  }
  if (notificationState != kAcceptsNotifications) {
    return true;
  }
  if (profile == 1 || profile == 2) {
    return true;
  }
  if (profile == 0) {
    return false;
  }
  return toastsEnabled() == 0;
}
