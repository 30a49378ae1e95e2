#include "remove_tree.h"

#include "win_handle.h"

#include <windows.h>

#include <optional>
#include <vector>

namespace {

struct Entry {
    std::wstring path;
    DWORD attributes;
};

bool isMissing(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool succeededOrMissing(BOOL result)
{
    return result || isMissing(GetLastError());
}

bool isDotEntry(const wchar_t* name)
{
    return lstrcmpW(name, L".") == 0 || lstrcmpW(name, L"..") == 0;
}

// The normalised path under which the system opens `path`, link itself not
// followed.
std::optional<std::wstring> finalPath(const std::wstring& path)
{
    UniqueFileHandle handle(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                        nullptr));
    if (!handle) {
        return std::nullopt;
    }
    std::wstring result(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetFinalPathNameByHandleW(handle.get(), result.data(), static_cast<DWORD>(result.size()),
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

// True when the file at `path` is the file of that name in its folder, and
// not something a link of the underlying file system leads to.
bool opensWhereFound(const std::wstring& path)
{
    std::size_t separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos) {
        return false;
    }
    std::optional<std::wstring> folder = finalPath(path.substr(0, separator + 1));
    std::optional<std::wstring> file = finalPath(path);
    if (!folder || !file) {
        return false;
    }
    std::wstring expected = *folder;
    if (expected.empty() || expected.back() != L'\\') {
        expected += L'\\';
    }
    expected += path.substr(separator + 1);
    return CompareStringOrdinal(file->c_str(), -1, expected.c_str(), -1, TRUE) == CSTR_EQUAL;
}

void clearReadOnly(const std::wstring& path, DWORD attributes)
{
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
}

bool removeEntry(const Entry& entry);

// The entries of a folder, read completely before anything is removed.
std::optional<std::vector<Entry>> listFolder(const std::wstring& folder)
{
    WIN32_FIND_DATAW found;
    UniqueFindHandle search(FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &found,
                                             FindExSearchNameMatch, nullptr, 0));
    if (!search) {
        return std::nullopt;
    }
    std::vector<Entry> entries;
    do {
        if (!isDotEntry(found.cFileName)) {
            entries.push_back({folder + L"\\" + found.cFileName, found.dwFileAttributes});
        }
    } while (FindNextFileW(search.get(), &found));
    if (GetLastError() != ERROR_NO_MORE_FILES) {
        return std::nullopt;
    }
    return entries;
}

bool removeFolder(const Entry& folder)
{
    std::optional<std::vector<Entry>> entries = listFolder(folder.path);
    if (!entries) {
        return false;
    }
    for (const Entry& entry : *entries) {
        if (!removeEntry(entry)) {
            return false;
        }
    }
    clearReadOnly(folder.path, folder.attributes);
    return succeededOrMissing(RemoveDirectoryW(folder.path.c_str()));
}

bool removeFile(const Entry& file)
{
    if (!opensWhereFound(file.path)) {
        return false;
    }
    clearReadOnly(file.path, file.attributes);
    return succeededOrMissing(DeleteFileW(file.path.c_str()));
}

// A link is removed as what it is itself (a folder link with RemoveDirectory,
// a file link with DeleteFile); its attributes are not touched, since setting
// them would reach the target.
bool removeLink(const Entry& link)
{
    if (link.attributes & FILE_ATTRIBUTE_DIRECTORY) {
        return succeededOrMissing(RemoveDirectoryW(link.path.c_str()));
    }
    return succeededOrMissing(DeleteFileW(link.path.c_str()));
}

bool removeEntry(const Entry& entry)
{
    if (entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        return removeLink(entry);
    }
    if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) {
        return removeFolder(entry);
    }
    return removeFile(entry);
}

} // namespace

bool removeTree(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return isMissing(GetLastError());
    }
    return removeEntry({path, attributes});
}
