#include "cleanup.h"
#include "process_probes.h"
#include "remove_tree.h"

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

    explicit Arguments(std::initializer_list<const char*> rest) : texts{"quillaret-host.exe", "--cleanup"}
    {
        texts.insert(texts.end(), rest.begin(), rest.end());
        for (std::string& text : texts) {
            pointers.push_back(text.data());
        }
    }
    int argc() const { return static_cast<int>(pointers.size()); }
    char** argv() { return pointers.data(); }
};

CleanupOptions parse(Arguments arguments)
{
    return parseCleanupOptions(arguments.argc(), arguments.argv());
}

bool usable(Arguments arguments)
{
    return cleanupOptionsUsable(arguments.argc(), parseCleanupOptions(arguments.argc(), arguments.argv()));
}

bool exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string scratchFolder(const char* name)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "quillaret-cleanup-test-" + name + "-"
                         + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

void writeFile(const std::string& path)
{
    std::ofstream(path) << "x";
}

} // namespace

TEST(CleanupOptions, UnusableWithoutAProcessId)
{
    EXPECT_FALSE(usable(Arguments{}));
    EXPECT_FALSE(usable(Arguments{"--delme"}));
    EXPECT_FALSE(usable(Arguments{"--pid="}));
    EXPECT_FALSE(usable(Arguments{"--pid"}));
    EXPECT_FALSE(usable(Arguments{"--pidx=5"}));
    EXPECT_FALSE(usable(Arguments{"--PID=5"}));
    EXPECT_TRUE(usable(Arguments{"--pid=5"}));
    EXPECT_TRUE(usable(Arguments{"--pid=abc"}));
}

TEST(CleanupOptions, ProcessIdTextAndFlags)
{
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

TEST(CleanupOptions, ReadProcessId)
{
    EXPECT_EQ(readProcessId("abc"), 0u);
    EXPECT_EQ(readProcessId("  42x"), 42u);
    EXPECT_EQ(readProcessId("4294967297"), 1u); // low 32 bits of a 64-bit value
}

TEST(CleanupBaseFolder, OnlyAbsolutePaths)
{
    EXPECT_TRUE(isAbsolutePath("C:\\Users\\me\\AppData\\Roaming"));
    EXPECT_TRUE(isAbsolutePath("z:/tmp"));
    EXPECT_TRUE(isAbsolutePath("\\\\server\\share"));
    for (const char* relative : {"", ".", "setup", "C:", "C:setup", "\\Users", "\\\\", "..\\x"}) {
        EXPECT_FALSE(isAbsolutePath(relative)) << relative;
    }
}

TEST(ProcessProbes, OnlySetupExeIsAnInstaller)
{
    EXPECT_FALSE(isInstallerRunning(0));
    EXPECT_FALSE(isInstallerRunning(GetCurrentProcessId()));
}

TEST(ProcessProbes, DeleteSelfCommandLine)
{
    EXPECT_EQ(deleteSelfCommandLine("C:\\Program Files\\Q\\quillaret-host.exe"),
              "cmd.exe /C Del /f /q \"C:\\Program Files\\Q\\quillaret-host.exe\"");
    EXPECT_EQ(deleteSelfCommandLine(""), "");
    EXPECT_EQ(deleteSelfCommandLine("C:\\Users\\?\\quillaret-host.exe"), "");
}

TEST(RemoveTree, RemovesNestedAndReadOnlyContent)
{
    std::string root = scratchFolder("nested");
    CreateDirectoryA((root + "\\a").c_str(), nullptr);
    CreateDirectoryA((root + "\\a\\b c").c_str(), nullptr);
    writeFile(root + "\\top.txt");
    writeFile(root + "\\a\\b c\\deep.txt");
    SetFileAttributesA((root + "\\a\\b c\\deep.txt").c_str(), FILE_ATTRIBUTE_READONLY);

    EXPECT_TRUE(removeTree(root));
    EXPECT_FALSE(exists(root));
    EXPECT_TRUE(removeTree(root)); // missing counts as removed
    EXPECT_TRUE(removeTree(root + "\\no\\such\\folder"));
}

TEST(RemoveTree, SingleFileAndHeldFile)
{
    std::string root = scratchFolder("held");
    writeFile(root + "\\alone.txt");
    EXPECT_TRUE(removeTree(root + "\\alone.txt"));
    EXPECT_FALSE(exists(root + "\\alone.txt"));

    std::string held = root + "\\held.txt";
    writeFile(held);
    HANDLE holder = CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(removeTree(root));
    EXPECT_TRUE(exists(held));
    CloseHandle(holder);
    EXPECT_TRUE(removeTree(root));
    EXPECT_FALSE(exists(root));
}
