// Hives: a key saved to a file, loaded under HKEY_USERS and unloaded again,
// with the backup and restore privileges the calls need.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform.h"

namespace {

class Hive : public ::testing::Test {
 protected:
  void SetUp() override {
    source_ = conformance::TestScopedName(L"Software\\QuillaretConformanceHive");
    mount_ = conformance::TestScopedName(L"QuillaretConformanceHive");
    file_ = conformance::TestScopedName(L"hive-") + L".dat";
    fileNarrow_.assign(file_.begin(), file_.end());
    kSource = source_.c_str();
    kMount = mount_.c_str();
    kFile = file_.c_str();
    kFileNarrow = fileNarrow_.c_str();
    conformance::UseAdministratorToken();
    std::remove(kFileNarrow);
    RegDeleteTreeW(HKEY_CURRENT_USER, kSource);
  }
  void TearDown() override {
    conformance::EnablePrivilege("SeBackupPrivilege", true);
    conformance::EnablePrivilege("SeRestorePrivilege", true);
    RegUnLoadKeyW(HKEY_USERS, kMount);
    conformance::EnablePrivilege("SeBackupPrivilege", false);
    conformance::EnablePrivilege("SeRestorePrivilege", false);
    RegDeleteTreeW(HKEY_CURRENT_USER, kSource);
    std::remove(kFileNarrow);
  }
  std::wstring source_, mount_, file_;
  std::string fileNarrow_;
  const wchar_t* kSource = nullptr;
  const wchar_t* kMount = nullptr;
  const wchar_t* kFile = nullptr;
  const char* kFileNarrow = nullptr;

  void SaveSource() {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kSource, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    DWORD word = 77;
    ASSERT_EQ(RegSetValueExW(key, L"answer", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&word), 4), ERROR_SUCCESS);
    ASSERT_TRUE(conformance::EnablePrivilege("SeBackupPrivilege", true));
    EXPECT_EQ(RegSaveKeyW(key, kFile, nullptr), ERROR_SUCCESS);
    conformance::EnablePrivilege("SeBackupPrivilege", false);
    RegCloseKey(key);
  }
};

TEST_F(Hive, LoadAndUnloadRoundTrip) {
  SaveSource();
  ASSERT_TRUE(conformance::EnablePrivilege("SeBackupPrivilege", true));
  ASSERT_TRUE(conformance::EnablePrivilege("SeRestorePrivilege", true));
  ASSERT_EQ(RegLoadKeyW(HKEY_USERS, kMount, kFile), ERROR_SUCCESS);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_USERS, kMount, 0, KEY_READ, &key), ERROR_SUCCESS);
  DWORD word = 0, size = sizeof(word);
  EXPECT_EQ(RegQueryValueExW(key, L"answer", nullptr, nullptr, reinterpret_cast<BYTE*>(&word), &size), ERROR_SUCCESS);
  EXPECT_EQ(word, 77u);
  RegCloseKey(key);
  EXPECT_EQ(RegUnLoadKeyW(HKEY_USERS, kMount), ERROR_SUCCESS);
  EXPECT_EQ(RegOpenKeyExW(HKEY_USERS, kMount, 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
}

TEST_F(Hive, SavingDoesNotOverwriteAFile) {
  SKIP_UNDER_WINE("RegSaveKeyW overwrites an existing file");
  SaveSource();
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kSource, 0, KEY_READ, &key), ERROR_SUCCESS);
  ASSERT_TRUE(conformance::EnablePrivilege("SeBackupPrivilege", true));
  EXPECT_EQ(RegSaveKeyW(key, kFile, nullptr), ERROR_ALREADY_EXISTS);
  RegCloseKey(key);
}

TEST_F(Hive, SavingNeedsTheBackupPrivilege) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kSource, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  conformance::EnablePrivilege("SeBackupPrivilege", false);
  EXPECT_EQ(RegSaveKeyW(key, kFile, nullptr), ERROR_PRIVILEGE_NOT_HELD);
  RegCloseKey(key);
}

TEST_F(Hive, UnloadingAMissingKeyFails) {
  ASSERT_TRUE(conformance::EnablePrivilege("SeBackupPrivilege", true));
  ASSERT_TRUE(conformance::EnablePrivilege("SeRestorePrivilege", true));
  EXPECT_EQ(RegUnLoadKeyW(HKEY_USERS, L"QuillaretNoSuchHive"), ERROR_FILE_NOT_FOUND);
}

TEST_F(Hive, UnloadingAKeyThatIsNoHiveFails) {
  SKIP_UNDER_WINE("RegUnLoadKeyW removes an ordinary key and reports success");
  ASSERT_TRUE(conformance::EnablePrivilege("SeBackupPrivilege", true));
  ASSERT_TRUE(conformance::EnablePrivilege("SeRestorePrivilege", true));
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_USERS, L"QuillaretPlainKey", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(RegUnLoadKeyW(HKEY_USERS, L"QuillaretPlainKey"), ERROR_INVALID_PARAMETER);
  RegDeleteKeyExW(HKEY_USERS, L"QuillaretPlainKey", 0, 0);
}

TEST_F(Hive, ALoadedHiveHoldsItsFile) {
  SKIP_UNDER_WINE("a loaded hive does not hold its file, so the file loads a second time");
  SaveSource();
  ASSERT_TRUE(conformance::EnablePrivilege("SeBackupPrivilege", true));
  ASSERT_TRUE(conformance::EnablePrivilege("SeRestorePrivilege", true));
  ASSERT_EQ(RegLoadKeyW(HKEY_USERS, kMount, kFile), ERROR_SUCCESS);
  std::wstring second = mount_ + L"Again";
  EXPECT_EQ(RegLoadKeyW(HKEY_USERS, second.c_str(), kFile), ERROR_SHARING_VIOLATION);
  RegUnLoadKeyW(HKEY_USERS, second.c_str());
}

TEST_F(Hive, ChangesGoBackIntoTheFileOnUnloading) {
  SKIP_UNDER_WINE("an unloaded hive's changes are not written back to its file");
  SaveSource();
  ASSERT_TRUE(conformance::EnablePrivilege("SeBackupPrivilege", true));
  ASSERT_TRUE(conformance::EnablePrivilege("SeRestorePrivilege", true));
  ASSERT_EQ(RegLoadKeyW(HKEY_USERS, kMount, kFile), ERROR_SUCCESS);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_USERS, kMount, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
  DWORD word = 5;
  EXPECT_EQ(RegSetValueExW(key, L"added", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&word), 4), ERROR_SUCCESS);
  RegCloseKey(key);
  ASSERT_EQ(RegUnLoadKeyW(HKEY_USERS, kMount), ERROR_SUCCESS);
  ASSERT_EQ(RegLoadKeyW(HKEY_USERS, kMount, kFile), ERROR_SUCCESS);
  ASSERT_EQ(RegOpenKeyExW(HKEY_USERS, kMount, 0, KEY_READ, &key), ERROR_SUCCESS);
  word = 0;
  DWORD size = sizeof(word);
  EXPECT_EQ(RegQueryValueExW(key, L"added", nullptr, nullptr, reinterpret_cast<BYTE*>(&word), &size), ERROR_SUCCESS);
  EXPECT_EQ(word, 5u);
  RegCloseKey(key);
}

TEST_F(Hive, HivesLoadOnlyBelowTheMachineAndUsersRoots) {
  SKIP_UNDER_WINE("RegLoadKeyW loads a hive below HKEY_CURRENT_USER too");
  SaveSource();
  ASSERT_TRUE(conformance::EnablePrivilege("SeBackupPrivilege", true));
  ASSERT_TRUE(conformance::EnablePrivilege("SeRestorePrivilege", true));
  EXPECT_NE(RegLoadKeyW(HKEY_CURRENT_USER, kMount, kFile), ERROR_SUCCESS);
  RegUnLoadKeyW(HKEY_CURRENT_USER, kMount);
}

TEST_F(Hive, AFileThatIsNoHiveLoadsNothing) {
  SKIP_UNDER_WINE("RegLoadKeyW fails on a file that is no hive but leaves an empty key at the mount point");
  std::FILE* file = std::fopen(kFileNarrow, "wb");
  ASSERT_NE(file, nullptr);
  std::fputs("not a hive", file);
  std::fclose(file);
  ASSERT_TRUE(conformance::EnablePrivilege("SeBackupPrivilege", true));
  ASSERT_TRUE(conformance::EnablePrivilege("SeRestorePrivilege", true));
  EXPECT_NE(RegLoadKeyW(HKEY_USERS, kMount, kFile), ERROR_SUCCESS);
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_USERS, kMount, 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  if (key) RegCloseKey(key);
}

TEST_F(Hive, LoadingNeedsTheRestorePrivilege) {
  SaveSource();
  conformance::EnablePrivilege("SeRestorePrivilege", false);
  EXPECT_EQ(RegLoadKeyW(HKEY_USERS, kMount, kFile), ERROR_PRIVILEGE_NOT_HELD);
}

}  // namespace
