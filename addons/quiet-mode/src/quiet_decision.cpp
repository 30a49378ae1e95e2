#include "quiet_decision.h"

bool SpanCovers(std::int32_t entryTime, std::int32_t exitTime, std::int32_t minute) {
  if (entryTime <= exitTime) {
    return entryTime <= minute && minute <= exitTime;
  }
  return minute >= entryTime || minute <= exitTime;
}

bool ScheduleCovers(const QuietHoursSchedule& schedule, std::int32_t minute) {
  return schedule.enable == 1 && SpanCovers(schedule.entryTime, schedule.exitTime, minute);
}
