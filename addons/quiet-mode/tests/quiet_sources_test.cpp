// The registry reads against a scratch key of the current user.
#include "quiet_sources.h"
#include "win-owners/handles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

constexpr wchar_t kScratchW[] = L"Software\\QuillaretTests\\QuietMode";
constexpr char kScratchA[] = "Software\\QuillaretTests\\QuietMode";

// Creates the scratch key, and removes it with everything below it.
class ScratchKey : public testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, kScratchW);
    ASSERT_EQ(
        RegCreateKeyExW(HKEY_CURRENT_USER, kScratchW, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key_.put(), nullptr),
        ERROR_SUCCESS);
  }
  void TearDown() override {
    key_.reset();
    RegDeleteTreeW(HKEY_CURRENT_USER, kScratchW);
  }
  void Set(const wchar_t* name, DWORD type, std::vector<BYTE> data) {
    ASSERT_EQ(RegSetValueExW(key_.get(), name, 0, type, data.data(), static_cast<DWORD>(data.size())), ERROR_SUCCESS);
  }
  void SetDword(const wchar_t* name, DWORD value) {
    Set(name, REG_DWORD, {BYTE(value), BYTE(value >> 8), BYTE(value >> 16), BYTE(value >> 24)});
  }

 private:
  win::UniqueRegistryKey key_;
};

}  // namespace

TEST_F(ScratchKey, ScheduleOfMissingValuesTakesTheDefaults) {
  const ScheduleRead read = ReadQuietHoursSchedule(HKEY_CURRENT_USER, kScratchW);
  ASSERT_TRUE(read.found);
  EXPECT_EQ(read.schedule.enable, 1);
  EXPECT_EQ(read.schedule.entryTime, 0);
  EXPECT_EQ(read.schedule.exitTime, 0);
}

TEST_F(ScratchKey, ScheduleValues) {
  SetDword(L"Enable", 0);
  SetDword(L"EntryTime", 1320);
  SetDword(L"ExitTime", 420);
  const ScheduleRead read = ReadQuietHoursSchedule(HKEY_CURRENT_USER, kScratchW);
  EXPECT_EQ(read.schedule.enable, 0);
  EXPECT_EQ(read.schedule.entryTime, 1320);
  EXPECT_EQ(read.schedule.exitTime, 420);
}

TEST_F(ScratchKey, ShortValuesOfAnyTypeFillTheLowBytes) {
  Set(L"EntryTime", REG_BINARY, {0x34, 0x12});
  Set(L"ExitTime", REG_SZ, {'1', 0, 0, 0});
  const ScheduleRead read = ReadQuietHoursSchedule(HKEY_CURRENT_USER, kScratchW);
  EXPECT_EQ(read.schedule.entryTime, 0x1234);
  EXPECT_EQ(read.schedule.exitTime, '1');
}

TEST_F(ScratchKey, ValuesLongerThanFourBytesTakeTheDefaults) {
  Set(L"Enable", REG_QWORD, {0, 0, 0, 0, 0, 0, 0, 0});
  Set(L"EntryTime", REG_QWORD, {5, 0, 0, 0, 0, 0, 0, 0});
  const ScheduleRead read = ReadQuietHoursSchedule(HKEY_CURRENT_USER, kScratchW);
  EXPECT_EQ(read.schedule.enable, 1);
  EXPECT_EQ(read.schedule.entryTime, 0);
}

TEST_F(ScratchKey, ToastSwitch) {
  EXPECT_EQ(ReadToastSwitch(HKEY_CURRENT_USER, kScratchA), 1u) << "no value";
  SetDword(L"NOC_GLOBAL_SETTING_TOASTS_ENABLED", 0);
  EXPECT_EQ(ReadToastSwitch(HKEY_CURRENT_USER, kScratchA), 0u);
  Set(L"NOC_GLOBAL_SETTING_TOASTS_ENABLED", REG_BINARY, {0x00});
  EXPECT_EQ(ReadToastSwitch(HKEY_CURRENT_USER, kScratchA), 0u) << "one byte over the initial 1";
  Set(L"NOC_GLOBAL_SETTING_TOASTS_ENABLED", REG_QWORD, {0, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(ReadToastSwitch(HKEY_CURRENT_USER, kScratchA), 1u) << "too long to read";
}

TEST(QuietSources, MissingKeys) {
  RegDeleteTreeW(HKEY_CURRENT_USER, kScratchW);
  EXPECT_FALSE(ReadQuietHoursSchedule(HKEY_CURRENT_USER, kScratchW).found);
  EXPECT_EQ(ReadToastSwitch(HKEY_CURRENT_USER, kScratchA), 1u);
}
