#include "cleanup.h"
#include "process_probes.h"
#include "remove_tree.h"
#include "win-owners/handles.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

// Owns a mutable argv built from "quillaret-host.exe --cleanup" and `rest`.
struct Arguments {
  std::vector<std::string> texts;
  std::vector<char*> pointers;

  explicit Arguments(std::initializer_list<const char*> rest) : texts{"quillaret-host.exe", "--cleanup"} {
    texts.insert(texts.end(), rest.begin(), rest.end());
    for (std::string& text : texts) {
      pointers.push_back(text.data());
    }
  }
  int argc() const { return static_cast<int>(pointers.size()); }
  char** argv() { return pointers.data(); }
};

CleanupOptions parse(Arguments arguments) { return parseCleanupOptions(arguments.argc(), arguments.argv()); }

bool usable(Arguments arguments) {
  return cleanupOptionsUsable(arguments.argc(), parseCleanupOptions(arguments.argc(), arguments.argv()));
}

std::wstring wide(const std::string& path) {
  return std::wstring(path.begin(), path.end());  // test paths are ASCII
}

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string scratchFolder(const char* name) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string folder =
      std::string(temp) + "quillaret-cleanup-test-" + name + "-" + std::to_string(GetCurrentProcessId());
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

void writeFile(const std::string& path) { std::ofstream(path) << "x"; }

}  // namespace

TEST(CleanupOptions, UnusableWithoutAProcessId) {
  EXPECT_FALSE(usable(Arguments{}));
  EXPECT_FALSE(usable(Arguments{"--delme"}));
  EXPECT_FALSE(usable(Arguments{"--pid="}));
  EXPECT_FALSE(usable(Arguments{"--pid"}));
  EXPECT_FALSE(usable(Arguments{"--pidx=5"}));
  EXPECT_FALSE(usable(Arguments{"--PID=5"}));
  EXPECT_TRUE(usable(Arguments{"--pid=5"}));
  EXPECT_TRUE(usable(Arguments{"--pid=abc"}));
}

TEST(CleanupOptions, ProcessIdTextAndFlags) {
  CleanupOptions options = parse(Arguments{"--pid=12=3"});
  EXPECT_EQ(options.pidText, "12=3");
  EXPECT_EQ(readProcessId(options.pidText), 12u);
  EXPECT_FALSE(options.deleteSelf);

  EXPECT_FALSE(parse(Arguments{"--Delme", "--pid=5"}).deleteSelf);
  EXPECT_TRUE(parse(Arguments{"--pid=5", "--delme"}).deleteSelf);

  options = parse(Arguments{"--pid=5", "--other", "--pid=7"});
  EXPECT_EQ(options.pidArgument, "--pid=7");
  EXPECT_EQ(options.pidText, "7");

  // A bare "--pid" after a good one spoils it.
  EXPECT_FALSE(usable(Arguments{"--pid=5", "--pid"}));
}

TEST(CleanupOptions, ReadProcessId) {
  EXPECT_EQ(readProcessId("abc"), 0u);
  EXPECT_EQ(readProcessId("  42x"), 42u);
  EXPECT_EQ(readProcessId("4294967297"), 1u);  // low 32 bits of a 64-bit value
  // As a decimal stream read: a sign is taken, an overflow gives the largest value.
  EXPECT_EQ(readProcessId("+7"), 7u);
  EXPECT_EQ(readProcessId("-1"), 0xFFFFFFFFu);
  EXPECT_EQ(readProcessId("18446744073709551616"), 0xFFFFFFFFu);
}

TEST(CleanupBaseFolder, OnlyAbsolutePathsWithoutWildcards) {
  for (const wchar_t* absolute : {L"C:\\Users\\me\\AppData\\Roaming", L"z:/tmp", L"\\\\server\\share",
                                  L"C:\\Users\\\u5c71\u7530\\AppData\\Roaming"}) {
    EXPECT_TRUE(isAbsolutePath(absolute));
    EXPECT_TRUE(isUsableBaseFolder(absolute));
  }
  for (const wchar_t* relative :
       {L"", L".", L"setup", L"C:", L"C:setup", L"\\Users", L"\\\\", L"..\\x", L"\u00e9:\\x"}) {
    EXPECT_FALSE(isAbsolutePath(relative));
    EXPECT_FALSE(isUsableBaseFolder(relative));
  }
  // The ANSI form of a name the code page cannot show is a pattern.
  for (const wchar_t* pattern : {L"C:\\Users\\??\\AppData\\Roaming", L"C:\\Users\\*", L"\\\\server\\s?are"}) {
    EXPECT_TRUE(isAbsolutePath(pattern));
    EXPECT_FALSE(isUsableBaseFolder(pattern));
  }
}

TEST(ProcessProbes, OnlySetupExeIsAnInstaller) {
  EXPECT_FALSE(isInstallerRunning(0));
  EXPECT_FALSE(isInstallerRunning(GetCurrentProcessId()));
}

TEST(ProcessProbes, DeleteSelfCommandLine) {
  EXPECT_EQ(deleteSelfCommandLine(L"C:\\Program Files (x86)\\Q & A\\quillaret-host.exe"),
            L"cmd.exe /C Del /f /q \"C:\\Program Files (x86)\\Q & A\\quillaret-host.exe\"");
  EXPECT_EQ(deleteSelfCommandLine(L""), L"");
  EXPECT_EQ(deleteSelfCommandLine(L"C:\\Users\\?\\quillaret-host.exe"), L"");
  // Names the interpreter would expand into another.
  EXPECT_EQ(deleteSelfCommandLine(L"C:\\h%V%x\\quillaret-host.exe"), L"");
  EXPECT_EQ(deleteSelfCommandLine(L"C:\\h!V!x\\quillaret-host.exe"), L"");
}

TEST(RemoveTree, RemovesNestedAndReadOnlyContent) {
  std::string root = scratchFolder("nested");
  CreateDirectoryA((root + "\\a").c_str(), nullptr);
  CreateDirectoryA((root + "\\a\\b c").c_str(), nullptr);
  writeFile(root + "\\top.txt");
  writeFile(root + "\\a\\b c\\deep.txt");
  SetFileAttributesA((root + "\\a\\b c\\deep.txt").c_str(), FILE_ATTRIBUTE_READONLY);

  EXPECT_TRUE(removeTree(wide(root)));
  EXPECT_FALSE(exists(root));
  EXPECT_TRUE(removeTree(wide(root)));  // missing counts as removed
  EXPECT_TRUE(removeTree(wide(root + "\\no\\such\\folder")));
}

TEST(RemoveTree, SingleFileAndHeldFile) {
  std::string root = scratchFolder("held");
  writeFile(root + "\\alone.txt");
  EXPECT_TRUE(removeTree(wide(root + "\\alone.txt")));
  EXPECT_FALSE(exists(root + "\\alone.txt"));

  std::string held = root + "\\held.txt";
  writeFile(held);
  win::UniqueFileHandle holder(
      CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(holder);
  EXPECT_FALSE(removeTree(wide(root)));
  EXPECT_TRUE(exists(held));
  holder.reset();
  EXPECT_TRUE(removeTree(wide(root)));
  EXPECT_FALSE(exists(root));
}
