#pragma once

#include <windows.h>

#include <utility>

// Owners of Windows handles, one type per convention for "no handle":
//   UniqueHandle      null is no handle: processes, threads, events, tokens
//                     (OpenProcess, CreateProcess, CreateEvent ...)
//   UniqueFileHandle  INVALID_HANDLE_VALUE is no handle: CreateFile
//   UniqueFindHandle  INVALID_HANDLE_VALUE is no handle, closed with FindClose
// Each owner closes what it holds once, on every path; `valid()` and the bool
// test mean the same for all three, whatever the convention.
template <typename Traits>
class UniqueWinHandle {
public:
    UniqueWinHandle() = default;
    explicit UniqueWinHandle(HANDLE handle) : handle_(handle) {}
    ~UniqueWinHandle() { reset(); }

    UniqueWinHandle(UniqueWinHandle&& other) noexcept : handle_(other.release()) {}
    UniqueWinHandle& operator=(UniqueWinHandle&& other) noexcept
    {
        reset(other.release());
        return *this;
    }
    UniqueWinHandle(const UniqueWinHandle&) = delete;
    UniqueWinHandle& operator=(const UniqueWinHandle&) = delete;

    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != Traits::invalid(); }
    explicit operator bool() const { return valid(); }

    // Gives the handle up without closing it.
    HANDLE release() { return std::exchange(handle_, Traits::invalid()); }

    void reset(HANDLE handle = Traits::invalid())
    {
        HANDLE old = std::exchange(handle_, handle);
        if (old != Traits::invalid()) {
            Traits::close(old);
        }
    }

private:
    HANDLE handle_ = Traits::invalid();
};

struct NullHandleTraits {
    static HANDLE invalid() { return nullptr; }
    static void close(HANDLE handle) { CloseHandle(handle); }
};

struct FileHandleTraits {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE handle) { CloseHandle(handle); }
};

struct FindHandleTraits {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE handle) { FindClose(handle); }
};

using UniqueHandle = UniqueWinHandle<NullHandleTraits>;
using UniqueFileHandle = UniqueWinHandle<FileHandleTraits>;
using UniqueFindHandle = UniqueWinHandle<FindHandleTraits>;
