#include "quiet_decision.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>

namespace {

// A toast switch that counts how often the decision reads it.
struct ToastSwitch {
  unsigned long value;
  int reads = 0;
  unsigned long operator()() { return ++reads, value; }
};

bool Decide(bool quietHours, int state, std::int32_t profile, ToastSwitch& toasts) {
  return DecideQuietMode(quietHours, state, profile, [&toasts] { return toasts(); });
}

constexpr std::int32_t kOtherProfiles[] = {-1, -2, -100, 3, 4, 1000};

}  // namespace

TEST(DecideQuietMode, QuietHoursWinWithoutReadingTheToastSwitch) {
  for (int state = 1; state <= 7; ++state) {
    for (std::int32_t profile : {-2, -1, 0, 1, 2, 3}) {
      ToastSwitch toasts{1};
      EXPECT_TRUE(Decide(true, state, profile, toasts)) << state << " " << profile;
      EXPECT_EQ(toasts.reads, 0);
    }
  }
}

TEST(DecideQuietMode, EveryShellStateButAcceptingNotificationsIsQuiet) {
  for (int state : {1, 2, 3, 4, 6, 7}) {
    for (std::int32_t profile : {-2, -1, 0, 3}) {
      ToastSwitch toasts{1};
      EXPECT_TRUE(Decide(false, state, profile, toasts)) << state << " " << profile;
      EXPECT_EQ(toasts.reads, 0);
    }
  }
}

TEST(DecideQuietMode, ActiveProfilesOneAndTwoAreQuiet) {
  for (std::int32_t profile : {1, 2}) {
    ToastSwitch toasts{1};
    EXPECT_TRUE(Decide(false, kAcceptsNotifications, profile, toasts)) << profile;
    EXPECT_EQ(toasts.reads, 0);
  }
}

TEST(DecideQuietMode, ProfileZeroIsNotQuietAndSkipsTheToastSwitch) {
  ToastSwitch toastsOff{0};
  EXPECT_FALSE(Decide(false, kAcceptsNotifications, 0, toastsOff));
  EXPECT_EQ(toastsOff.reads, 0);
}

TEST(DecideQuietMode, OtherProfilesLeaveItToTheToastSwitch) {
  for (std::int32_t profile : kOtherProfiles) {
    ToastSwitch off{0};
    EXPECT_TRUE(Decide(false, kAcceptsNotifications, profile, off)) << profile;
    EXPECT_EQ(off.reads, 1);
    for (unsigned long on : {1ul, 2ul, 0xfffffffful}) {
      ToastSwitch toasts{on};
      EXPECT_FALSE(Decide(false, kAcceptsNotifications, profile, toasts)) << profile << " " << on;
      EXPECT_EQ(toasts.reads, 1);
    }
  }
}

TEST(SpanCovers, PlainSpanIncludesBothBounds) {
  EXPECT_FALSE(SpanCovers(600, 600, 599));
  EXPECT_TRUE(SpanCovers(600, 600, 600));
  EXPECT_FALSE(SpanCovers(600, 600, 601));
  EXPECT_TRUE(SpanCovers(480, 1020, 480));
  EXPECT_TRUE(SpanCovers(480, 1020, 1020));
  EXPECT_FALSE(SpanCovers(480, 1020, 1021));
  EXPECT_TRUE(SpanCovers(0, 0, 0));
  EXPECT_FALSE(SpanCovers(0, 0, 1));
  EXPECT_FALSE(SpanCovers(0, 0, 1439));
}

TEST(SpanCovers, SpanAcrossMidnight) {
  // 22:00 to 07:00
  for (std::int32_t minute : {1320, 1439, 0, 419, 420}) {
    EXPECT_TRUE(SpanCovers(1320, 420, minute)) << minute;
  }
  for (std::int32_t minute : {421, 720, 1319}) {
    EXPECT_FALSE(SpanCovers(1320, 420, minute)) << minute;
  }
}

TEST(ScheduleCovers, OnlyEnableOneSwitchesTheScheduleOn) {
  EXPECT_TRUE(ScheduleCovers({1, 600, 600}, 600));
  EXPECT_FALSE(ScheduleCovers({0, 600, 600}, 600));
  EXPECT_FALSE(ScheduleCovers({2, 600, 600}, 600));
  EXPECT_FALSE(ScheduleCovers({1, 600, 600}, 601));
}
