// removeTree never reaches outside the tree through a link. Each case puts a
// canary file outside the tree, reaches it through one kind of link inside,
// removes the tree and checks the canary. Under Wine only the links made by
// the underlying Unix file system exist; the Win32 kinds skip with the reason.
#include "remove_tree.h"
#include "win-owners/handles.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <winioctl.h>

#include <fstream>
#include <string>

namespace {

struct Scene {
  std::wstring root, tree, outside, canary;
};

std::string narrow(const std::wstring& wide) {
  return std::string(wide.begin(), wide.end());  // test paths are ASCII
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

Scene makeScene(const wchar_t* name) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  Scene scene;
  scene.root = std::wstring(temp) + L"quillaret-links-" + name + L"-" + std::to_wstring(GetCurrentProcessId());
  scene.tree = scene.root + L"\\tree";
  scene.outside = scene.root + L"\\outside";
  scene.canary = scene.outside + L"\\canary.txt";
  CreateDirectoryW(scene.root.c_str(), nullptr);
  CreateDirectoryW(scene.tree.c_str(), nullptr);
  CreateDirectoryW(scene.outside.c_str(), nullptr);
  std::ofstream(narrow(scene.canary)) << "canary";
  std::ofstream(narrow(scene.tree + L"\\inside.txt")) << "x";
  return scene;
}

// Wine's own export that names the Unix path behind a Windows path; absent
// on Windows.
std::string unixPath(const std::wstring& path) {
  using Convert = char*(CDECL*)(const wchar_t*);
  auto convert = reinterpret_cast<Convert>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (convert == nullptr) {
    return std::string();
  }
  char* converted = convert(path.c_str());
  std::string result = converted ? converted : "";
  HeapFree(GetProcessHeap(), 0, converted);
  return result;
}

// Runs a Unix program from inside Wine (its start program takes /unix). The
// arguments reach it with any quote characters in them: the scratch paths
// hold no blanks, so none are used.
bool runUnix(std::string commandLine) {
  commandLine = "cmd.exe /c start /wait /unix " + commandLine;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                      &startup, &started)) {
    return false;
  }
  win::UniqueHandle process(started.hProcess);
  win::UniqueHandle thread(started.hThread);
  WaitForSingleObject(process.get(), 10000);
  return true;
}

// Makes a Unix symbolic link; true once it shows up.
bool makeUnixLink(const std::wstring& target, const std::wstring& link) {
  std::string from = unixPath(target), to = unixPath(link);
  if (from.empty() || to.empty() || !runUnix("/bin/ln -s " + from + " " + to)) {
    return false;
  }
  for (int i = 0; i < 50 && !exists(link); ++i) {
    Sleep(100);
  }
  return exists(link);
}

// start does not wait for Unix programs: wait until the link has gone, so
// that the scene's removal cannot run first and leave it dangling.
void removeUnixLink(const std::wstring& link) {
  runUnix("/bin/rm " + unixPath(link));
  for (int i = 0; i < 50 && exists(link); ++i) {
    Sleep(100);
  }
}

bool makeJunction(const std::wstring& target, const std::wstring& link) {
  CreateDirectoryW(link.c_str(), nullptr);
  HANDLE folder = CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (folder == INVALID_HANDLE_VALUE) {
    return false;
  }
  const std::wstring substitute = L"\\??\\" + target;
  struct {
    DWORD tag;
    WORD dataLength, reserved;
    WORD substituteOffset, substituteLength, printOffset, printLength;
    WCHAR paths[2 * MAX_PATH];
  } data{};
  data.tag = IO_REPARSE_TAG_MOUNT_POINT;
  data.substituteLength = static_cast<WORD>(substitute.size() * sizeof(WCHAR));
  data.printOffset = static_cast<WORD>(data.substituteLength + sizeof(WCHAR));
  data.printLength = static_cast<WORD>(target.size() * sizeof(WCHAR));
  memcpy(data.paths, substitute.c_str(), data.substituteLength);
  memcpy(reinterpret_cast<char*>(data.paths) + data.printOffset, target.c_str(), data.printLength);
  data.dataLength = static_cast<WORD>(8 + data.printOffset + data.printLength + sizeof(WCHAR));
  DWORD returned = 0;
  BOOL made =
      DeviceIoControl(folder, FSCTL_SET_REPARSE_POINT, &data, 8 + data.dataLength, nullptr, 0, &returned, nullptr);
  CloseHandle(folder);
  return made && (GetFileAttributesW(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);
}

}  // namespace

TEST(RemoveTreeLinks, Win32SymbolicLinks) {
  Scene scene = makeScene(L"symlink");
  std::wstring folderLink = scene.tree + L"\\folder-link", fileLink = scene.tree + L"\\file-link";
  CreateSymbolicLinkW(folderLink.c_str(), scene.outside.c_str(),
                      SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
  CreateSymbolicLinkW(fileLink.c_str(), scene.canary.c_str(), SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
  if (!exists(folderLink) || !exists(fileLink)) {
    removeTree(scene.root);
    GTEST_SKIP() << "CreateSymbolicLinkW reports success but made no link (Wine)";
  }
  EXPECT_TRUE(removeTree(scene.tree));
  EXPECT_FALSE(exists(scene.tree));
  EXPECT_TRUE(exists(scene.canary));
  removeTree(scene.root);
}

TEST(RemoveTreeLinks, Junction) {
  Scene scene = makeScene(L"junction");
  if (!makeJunction(scene.outside, scene.tree + L"\\junction")) {
    DWORD error = GetLastError();
    removeTree(scene.root);
    GTEST_SKIP() << "FSCTL_SET_REPARSE_POINT cannot make a junction here (error " << error << ")";
  }
  EXPECT_TRUE(removeTree(scene.tree));
  EXPECT_FALSE(exists(scene.tree));
  EXPECT_TRUE(exists(scene.canary));
  removeTree(scene.root);
}

// Wine shows a Unix link to a folder as a folder with the reparse point
// attribute (no reparse tag) and cannot remove it; a Unix link to a file it
// shows as a plain file, and DeleteFileW on it would delete the target, so
// the walk keeps it because it opens elsewhere. Either way the walk fails,
// the link stays and so does the canary.
TEST(RemoveTreeLinks, UnixLinks) {
  Scene scene = makeScene(L"unix");
  const struct {
    std::wstring link, target;
    DWORD attributes;
  } links[] = {
      {scene.tree + L"\\unix-folder-link", scene.outside, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT},
      {scene.tree + L"\\unix-file-link", scene.canary, FILE_ATTRIBUTE_ARCHIVE},
  };
  for (const auto& kind : links) {
    if (!makeUnixLink(kind.target, kind.link)) {
      removeTree(scene.root);
      GTEST_SKIP() << "no Unix file system below this drive";
    }
    EXPECT_EQ(GetFileAttributesW(kind.link.c_str()), kind.attributes);
    EXPECT_FALSE(removeTree(scene.tree));
    EXPECT_TRUE(exists(kind.link));
    EXPECT_TRUE(exists(scene.canary));
    removeUnixLink(kind.link);
  }
  removeTree(scene.root);
}
