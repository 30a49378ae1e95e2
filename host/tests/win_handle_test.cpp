// The handle owners: each convention's "no handle" is neither closed nor
// taken for a handle, and a real handle is closed exactly once.
#include "win_handle.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

bool isOpen(HANDLE handle)
{
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != FALSE;
}

HANDLE newEvent()
{
    return CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

} // namespace

TEST(WinHandle, EachOwnerKnowsItsOwnNoHandleValue)
{
    EXPECT_FALSE(UniqueHandle());
    EXPECT_FALSE(UniqueHandle(nullptr));
    EXPECT_FALSE(UniqueFileHandle());
    EXPECT_FALSE(UniqueFileHandle(INVALID_HANDLE_VALUE));
    EXPECT_FALSE(UniqueFindHandle(INVALID_HANDLE_VALUE));
    EXPECT_EQ(UniqueFileHandle().get(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(UniqueHandle().get(), nullptr);

    // What the two calls give on failure.
    UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, 0));
    EXPECT_FALSE(process);
    UniqueFileHandle file(CreateFileW(L"Z:\\no\\such\\folder\\file", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                      nullptr));
    EXPECT_FALSE(file);
    WIN32_FIND_DATAW found;
    UniqueFindHandle search(FindFirstFileExW(L"Z:\\no\\such\\folder\\*", FindExInfoBasic, &found,
                                             FindExSearchNameMatch, nullptr, 0));
    EXPECT_FALSE(search);
}

TEST(WinHandle, ClosesOnceOnEveryPath)
{
    HANDLE event = newEvent();
    ASSERT_TRUE(isOpen(event));
    {
        UniqueHandle owner(event);
        EXPECT_TRUE(owner);
    }
    EXPECT_FALSE(isOpen(event));

    HANDLE moved = newEvent();
    UniqueHandle first(moved);
    UniqueHandle second(std::move(first));
    EXPECT_FALSE(first);
    EXPECT_EQ(second.get(), moved);
    second = UniqueHandle();
    EXPECT_FALSE(isOpen(moved));

    HANDLE kept = newEvent();
    UniqueHandle released(kept);
    EXPECT_EQ(released.release(), kept);
    EXPECT_FALSE(released);
    released.reset();
    EXPECT_TRUE(isOpen(kept));
    CloseHandle(kept);

    wchar_t folder[MAX_PATH];
    ASSERT_NE(GetTempPathW(MAX_PATH, folder), 0u);
    UniqueFileHandle file(CreateFileW(folder, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    ASSERT_TRUE(file);
    HANDLE raw = file.get();
    file.reset();
    EXPECT_FALSE(isOpen(raw));
}
