#pragma once

#include <windows.h>

#include <memory>

// Owners of kernel handles and search handles: each one is closed by the
// owner that received it, on every path.
struct KernelHandleCloser {
    void operator()(HANDLE handle) const
    {
        if (handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
        }
    }
};
using UniqueHandle = std::unique_ptr<void, KernelHandleCloser>;

struct FindHandleCloser {
    void operator()(HANDLE handle) const
    {
        if (handle != INVALID_HANDLE_VALUE) {
            FindClose(handle);
        }
    }
};
using UniqueFindHandle = std::unique_ptr<void, FindHandleCloser>;
