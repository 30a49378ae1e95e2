// Registry: create/open/set/enumerate/delete/delete-tree, their error codes,
// value sizes, enumeration order, access checks and the 32-bit view.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform.h"

namespace {

class Registry : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = conformance::TestScopedName(L"Software\\QuillaretConformance\\");
    kBase = path_.c_str();
    RegDeleteTreeW(HKEY_CURRENT_USER, kBase);
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kBase, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                              &base_, nullptr),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    RegCloseKey(base_);
    RegDeleteTreeW(HKEY_CURRENT_USER, kBase);
  }
  HKEY Create(const wchar_t* path, DWORD* disposition = nullptr) {
    HKEY key = nullptr;
    EXPECT_EQ(
        RegCreateKeyExW(base_, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, disposition),
        ERROR_SUCCESS);
    return key;
  }
  void SetText(HKEY key, const wchar_t* name, const std::wstring& text) {
    ASSERT_EQ(RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR))),
              ERROR_SUCCESS);
  }
  HKEY base_ = nullptr;
  std::wstring path_;
  const wchar_t* kBase = nullptr;
};

TEST_F(Registry, CreateMakesIntermediateKeysAndOpensExistingOnes) {
  DWORD disposition = 0;
  HKEY key = Create(L"a\\b\\c", &disposition);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  RegCloseKey(key);
  key = Create(L"a\\b\\c", &disposition);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  RegCloseKey(key);
  HKEY opened = nullptr;
  EXPECT_EQ(RegOpenKeyExW(base_, L"A\\B", 0, KEY_READ, &opened), ERROR_SUCCESS);  // names ignore case
  RegCloseKey(opened);
  EXPECT_EQ(RegOpenKeyExW(base_, L"a\\missing", 0, KEY_READ, &opened), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, ValueSizesAndTypes) {
  SetText(base_, L"text", L"abc");
  DWORD word = 300;
  ASSERT_EQ(RegSetValueExW(base_, L"word", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&word), 4), ERROR_SUCCESS);
  SetText(base_, L"", L"default");

  DWORD type = 0, size = 0;
  EXPECT_EQ(RegQueryValueExW(base_, L"text", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, 4 * sizeof(WCHAR));  // the terminator counts
  BYTE small[2];
  size = sizeof(small);
  EXPECT_EQ(RegQueryValueExW(base_, L"text", nullptr, &type, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 4 * sizeof(WCHAR));

  DWORD read = 0;
  size = sizeof(read);
  EXPECT_EQ(RegQueryValueExW(base_, L"word", nullptr, &type, reinterpret_cast<BYTE*>(&read), &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(read, 300u);
  EXPECT_EQ(RegQueryValueExW(base_, L"missing", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, ValueEnumerationProbesSizesAndEnds) {
  SetText(base_, L"one", L"12345");
  std::vector<WCHAR> name(16383);
  DWORD nameLength = 16383, type = 0, size = 0;
  ASSERT_EQ(RegEnumValueW(base_, 0, name.data(), &nameLength, nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(nameLength, 3u);
  EXPECT_EQ(std::wstring(name.data(), nameLength), L"one");
  EXPECT_EQ(size, 6 * sizeof(WCHAR));
  std::vector<BYTE> data(size);
  nameLength = 16383;
  DWORD tooSmall = 2;
  EXPECT_EQ(RegEnumValueW(base_, 0, name.data(), &nameLength, nullptr, &type, data.data(), &tooSmall), ERROR_MORE_DATA);
  nameLength = 16383;
  EXPECT_EQ(RegEnumValueW(base_, 0, name.data(), &nameLength, nullptr, &type, data.data(), &size), ERROR_SUCCESS);
  nameLength = 16383;
  EXPECT_EQ(RegEnumValueW(base_, 1, name.data(), &nameLength, nullptr, &type, nullptr, &size), ERROR_NO_MORE_ITEMS);
}

TEST_F(Registry, ValuesEnumerateInCreationOrder) {
  SKIP_UNDER_WINE("values enumerate in alphabetical order, Windows keeps creation order");
  for (const wchar_t* name : {L"zeta", L"alpha", L"mid"}) SetText(base_, name, L"x");
  std::vector<std::wstring> names;
  for (DWORD i = 0;; ++i) {
    WCHAR name[64];
    DWORD length = 64;
    if (RegEnumValueW(base_, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name, length);
  }
  EXPECT_EQ(names, (std::vector<std::wstring>{L"zeta", L"alpha", L"mid"}));
}

TEST_F(Registry, SubKeysEnumerateInNameOrder) {
  for (const wchar_t* name : {L"Zeta", L"alpha", L"Mid"}) RegCloseKey(Create(name));
  DWORD count = 0;
  ASSERT_EQ(RegQueryInfoKeyW(base_, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(count, 3u);
  std::vector<std::wstring> names;
  for (DWORD i = 0; i < count; ++i) {
    WCHAR name[256];
    DWORD length = 256;
    ASSERT_EQ(RegEnumKeyExW(base_, i, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    names.emplace_back(name, length);
  }
  EXPECT_EQ(names, (std::vector<std::wstring>{L"alpha", L"Mid", L"Zeta"}));
  WCHAR name[256];
  DWORD length = 256;
  EXPECT_EQ(RegEnumKeyExW(base_, 3, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
}

// Names come back as stored, in UTF-16; the room counts the terminator, the
// length returned does not.
TEST_F(Registry, SubKeyNamesEnumerateWholeIntoRoomFor255Characters) {
  const std::wstring longest(255, L'k');
  const std::wstring accented = L"Gr\u00fc\u00dfe";
  const std::wstring japanese = L"\u65e5\u672c\u8a9e\u30ad\u30fc";
  for (const std::wstring& name : {accented, longest, japanese}) RegCloseKey(Create(name.c_str()));
  std::vector<std::wstring> names;
  for (DWORD i = 0;; ++i) {
    WCHAR name[256];
    DWORD length = 256;
    LSTATUS status = RegEnumKeyExW(base_, i, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(status, ERROR_SUCCESS);
    EXPECT_EQ(name[length], L'\0');
    names.emplace_back(name, length);
  }
  EXPECT_EQ(names, (std::vector<std::wstring>{accented, longest, japanese}));
  WCHAR name[255];
  DWORD length = 255;
  EXPECT_EQ(RegEnumKeyExW(base_, 1, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
}

TEST_F(Registry, KeyNamesHoldAtMost255Characters) {
  HKEY key = nullptr;
  std::wstring longest(255, L'n');
  EXPECT_EQ(RegCreateKeyExW(base_, longest.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

TEST_F(Registry, LongerKeyNamesAreRefused) {
  SKIP_UNDER_WINE("a 256-character key name is accepted (Windows' limit is 255)");
  HKEY key = nullptr;
  std::wstring tooLong(256, L'n');
  EXPECT_EQ(RegCreateKeyExW(base_, tooLong.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr),
            ERROR_INVALID_PARAMETER);
}

TEST_F(Registry, DeleteKeyRefusesKeysWithSubKeys) {
  RegCloseKey(Create(L"parent\\child"));
  EXPECT_EQ(RegDeleteKeyExW(base_, L"parent", 0, 0), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyExW(base_, L"parent\\child", 0, 0), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyExW(base_, L"parent", 0, 0), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyExW(base_, L"parent", 0, 0), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, DeleteTreeRemovesEverythingBelow) {
  HKEY key = Create(L"tree\\a\\b");
  SetText(key, L"v", L"x");
  RegCloseKey(key);
  EXPECT_EQ(RegDeleteTreeW(base_, L"tree"), ERROR_SUCCESS);
  HKEY opened = nullptr;
  EXPECT_EQ(RegOpenKeyExW(base_, L"tree", 0, KEY_READ, &opened), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteTreeW(base_, L"tree"), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, HandlesGrantOnlyTheAccessAskedFor) {
  HKEY readOnly = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kBase, 0, KEY_READ, &readOnly), ERROR_SUCCESS);
  DWORD word = 1;
  EXPECT_EQ(RegSetValueExW(readOnly, L"w", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&word), 4), ERROR_ACCESS_DENIED);
  RegCloseKey(readOnly);
  HKEY writeOnly = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kBase, 0, KEY_SET_VALUE, &writeOnly), ERROR_SUCCESS);
  DWORD count = 0;
  WCHAR name[16];
  DWORD length = 16;
  EXPECT_EQ(RegEnumValueW(writeOnly, 0, name, &length, nullptr, nullptr, nullptr, &count), ERROR_ACCESS_DENIED);
  RegCloseKey(writeOnly);
}

TEST_F(Registry, RootKeysAreTheirSignExtendedHandleValues) {
  HKEY viaNumber = reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(0x80000001)));
  HKEY opened = nullptr;
  ASSERT_EQ(RegOpenKeyExW(viaNumber, kBase, 0, KEY_READ, &opened), ERROR_SUCCESS);
  RegCloseKey(opened);
  // Only the low 32 bits of a predefined handle count.
  HKEY zeroExtended = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000001u));
  ASSERT_EQ(RegOpenKeyExW(zeroExtended, kBase, 0, KEY_READ, &opened), ERROR_SUCCESS);
  RegCloseKey(opened);
}

TEST(RegistryAccess, StandardUsersCannotWriteMachineKeys) {
  if (!conformance::CanUseStandardUserToken()) GTEST_SKIP() << "the process runs elevated (Wine always does)";
  conformance::UseStandardUserToken();
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\QuillaretConformance", 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE", 0, KEY_ALL_ACCESS, &key), ERROR_ACCESS_DENIED);
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE", 0, KEY_READ, &key), ERROR_SUCCESS);
  RegCloseKey(key);
}

TEST(RegistryView, The32BitViewSeesWow6432Node) {
  conformance::UseAdministratorToken();
  const wchar_t kName[] = L"SOFTWARE\\QuillaretConformanceView";
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kName, 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\WOW6432Node\\QuillaretConformanceView", 0,
                          KEY_READ | KEY_WOW64_64KEY, &key),
            ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kName, 0, KEY_READ | KEY_WOW64_64KEY, &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kName, KEY_WOW64_32KEY, 0), ERROR_SUCCESS);
}

}  // namespace
