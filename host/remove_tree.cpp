#include "remove_tree.h"

#include "win-owners/handles.h"

#include <windows.h>
#include <winternl.h>

#include <optional>
#include <vector>

namespace {

constexpr NTSTATUS kObjectNameNotFound = static_cast<NTSTATUS>(0xC0000034);
constexpr NTSTATUS kObjectPathNotFound = static_cast<NTSTATUS>(0xC000003A);
constexpr DWORD kListingBufferSize = 64 * 1024;

// A name found in a folder's listing, with the attributes the listing gave.
struct Entry {
  std::wstring name;
  DWORD attributes;
};

// An entry opened through its folder's handle, link itself not followed.
struct Opened {
  win::UniqueFileHandle handle;
  DWORD attributes = 0;    // the handle's own
  std::wstring finalPath;  // where the system opened it
};

enum class OpenResult { opened, missing, failed };

bool isMissing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

bool isDotEntry(const std::wstring& name) { return name == L"." || name == L".."; }

bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool isReparsePoint(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

// The normalised path under which the system opened `handle`.
std::optional<std::wstring> finalPath(HANDLE handle) {
  std::wstring result(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetFinalPathNameByHandleW(handle, result.data(), static_cast<DWORD>(result.size()),
                                             FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) {
      return std::nullopt;
    }
    if (length < result.size()) {
      result.resize(length);
      return result;
    }
    result.assign(length, L'\0');
  }
}

std::optional<DWORD> handleAttributes(HANDLE handle) {
  FILE_ATTRIBUTE_TAG_INFO info{};
  if (!GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &info, sizeof info)) {
    return std::nullopt;
  }
  return info.FileAttributes;
}

// True when `child` is the entry `name` of the folder the system opened as
// `folder`, and not something a link of the underlying file system leads to.
bool opensWhereFound(const std::wstring& folder, const std::wstring& name, const std::wstring& child) {
  std::wstring expected = folder;
  if (expected.empty() || expected.back() != L'\\') {
    expected += L'\\';
  }
  expected += name;
  return CompareStringOrdinal(child.c_str(), -1, expected.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// Opens `name` relative to the folder handle `parent`; a link is opened as
// the link. The access covers everything the walk does with an entry: read
// and clear its attributes, list it, delete it.
OpenResult openChild(HANDLE parent, const std::wstring& name, Opened& opened) {
  UNICODE_STRING objectName;
  objectName.Buffer = const_cast<wchar_t*>(name.c_str());
  objectName.Length = static_cast<USHORT>(name.size() * sizeof(WCHAR));
  objectName.MaximumLength = objectName.Length;
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &objectName, OBJ_CASE_INSENSITIVE, parent, nullptr);
  IO_STATUS_BLOCK status{};
  HANDLE handle = nullptr;
  NTSTATUS result =
      NtOpenFile(&handle, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | FILE_LIST_DIRECTORY | SYNCHRONIZE,
                 &attributes, &status, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                 FILE_OPEN_REPARSE_POINT | FILE_OPEN_FOR_BACKUP_INTENT | FILE_SYNCHRONOUS_IO_NONALERT);
  if (result == kObjectNameNotFound || result == kObjectPathNotFound) {
    return OpenResult::missing;
  }
  if (!NT_SUCCESS(result)) {
    return OpenResult::failed;
  }
  opened.handle.reset(handle);
  std::optional<DWORD> own = handleAttributes(handle);
  std::optional<std::wstring> path = finalPath(handle);
  if (!own || !path) {
    return OpenResult::failed;
  }
  opened.attributes = *own;
  opened.finalPath = *path;
  return OpenResult::opened;
}

// The entries of an open folder, read completely through its handle before
// anything is removed.
std::optional<std::vector<Entry>> listFolder(HANDLE folder) {
  std::vector<Entry> entries;
  std::vector<ULONGLONG> buffer(kListingBufferSize / sizeof(ULONGLONG));  // aligned for the records
  FILE_INFO_BY_HANDLE_CLASS kind = FileFullDirectoryRestartInfo;
  while (GetFileInformationByHandleEx(folder, kind, buffer.data(), kListingBufferSize)) {
    kind = FileFullDirectoryInfo;
    const char* record = reinterpret_cast<const char*>(buffer.data());
    for (;;) {
      const auto* info = reinterpret_cast<const FILE_FULL_DIR_INFO*>(record);
      std::wstring name(info->FileName, info->FileNameLength / sizeof(WCHAR));
      if (!isDotEntry(name)) {
        entries.push_back({name, info->FileAttributes});
      }
      if (info->NextEntryOffset == 0) {
        break;
      }
      record += info->NextEntryOffset;
    }
  }
  if (GetLastError() != ERROR_NO_MORE_FILES) {
    return std::nullopt;
  }
  return entries;
}

void clearReadOnly(const Opened& entry) {
  if (!(entry.attributes & FILE_ATTRIBUTE_READONLY)) {
    return;
  }
  FILE_BASIC_INFO basic{};
  basic.FileAttributes = entry.attributes & ~FILE_ATTRIBUTE_READONLY;
  if (basic.FileAttributes == 0) {
    basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  }
  SetFileInformationByHandle(entry.handle.get(), FileBasicInfo, &basic, sizeof basic);
}

// Marks the entry for deletion; it goes when its last handle is closed. A
// link opened as the link is deleted itself, never its target.
bool deleteThrough(const Opened& entry) {
  clearReadOnly(entry);
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = TRUE;
  return SetFileInformationByHandle(entry.handle.get(), FileDispositionInfo, &disposition, sizeof disposition);
}

bool removeChild(HANDLE parent, const std::wstring& parentPath, const Entry& entry);

// Empties the open folder through its handle; the folder itself stays.
bool removeContents(const Opened& folder) {
  std::optional<std::vector<Entry>> entries = listFolder(folder.handle.get());
  if (!entries) {
    return false;
  }
  for (const Entry& entry : *entries) {
    if (!removeChild(folder.handle.get(), folder.finalPath, entry)) {
      return false;
    }
  }
  return true;
}

// Removes the entry `entry.name` of the folder open as `parent`. A reparse
// point, by the listing's word or the handle's, is deleted as itself.
bool removeChild(HANDLE parent, const std::wstring& parentPath, const Entry& entry) {
  Opened opened;
  switch (openChild(parent, entry.name, opened)) {
    case OpenResult::missing:
      return true;
    case OpenResult::failed:
      return false;
    case OpenResult::opened:
      break;
  }
  if (!opensWhereFound(parentPath, entry.name, opened.finalPath)) {
    return false;
  }
  const bool link = isReparsePoint(entry.attributes) || isReparsePoint(opened.attributes);
  if (!link && (opened.attributes & FILE_ATTRIBUTE_DIRECTORY) && !removeContents(opened)) {
    return false;
  }
  return deleteThrough(opened);
}

std::vector<std::wstring> splitNames(const std::wstring& relative) {
  std::vector<std::wstring> names;
  std::wstring name;
  for (wchar_t c : relative) {
    if (isSeparator(c)) {
      if (!name.empty()) {
        names.push_back(name);
      }
      name.clear();
    } else {
      name.push_back(c);
    }
  }
  if (!name.empty()) {
    names.push_back(name);
  }
  return names;
}

}  // namespace

bool removeTree(const std::wstring& base, const std::wstring& relative) {
  const std::vector<std::wstring> names = splitNames(relative);
  if (names.empty()) {
    return false;  // the base itself is never removed
  }
  Opened folder;
  folder.handle.reset(CreateFileW(base.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!folder.handle) {
    return isMissing(GetLastError());
  }
  std::optional<DWORD> attributes = handleAttributes(folder.handle.get());
  std::optional<std::wstring> path = finalPath(folder.handle.get());
  if (!attributes || !path) {
    return false;
  }
  if (!(*attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return true;  // a file: nothing below it
  }
  folder.finalPath = *path;
  // The folders leading to the entry: each a plain folder where it was
  // found, or nothing below it is ours.
  for (std::size_t i = 0; i + 1 < names.size(); ++i) {
    Opened next;
    switch (openChild(folder.handle.get(), names[i], next)) {
      case OpenResult::missing:
        return true;
      case OpenResult::failed:
        return false;
      case OpenResult::opened:
        break;
    }
    if (isReparsePoint(next.attributes) || !(next.attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        !opensWhereFound(folder.finalPath, names[i], next.finalPath)) {
      return true;
    }
    folder = std::move(next);
  }
  return removeChild(folder.handle.get(), folder.finalPath, {names.back(), 0});
}

bool removeTree(const std::wstring& path) {
  std::wstring trimmed = path;
  while (trimmed.size() > 1 && isSeparator(trimmed.back())) {
    trimmed.pop_back();
  }
  std::size_t separator = trimmed.find_last_of(L"\\/");
  if (separator == std::wstring::npos) {
    return false;
  }
  std::wstring base = trimmed.substr(0, separator);
  if (base.empty() || base.back() == L':') {
    base += L'\\';  // "\\x" and "C:\x": the root itself
  }
  return removeTree(base, trimmed.substr(separator + 1));
}
