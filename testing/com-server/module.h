// The DLL itself: its handle and path, and the count of what keeps it loaded
// (objects, class factory references and LockServer locks).
#pragma once

#include <windows.h>

#include <string>

namespace test_server {

HINSTANCE ModuleHandle();
// Full path of this DLL, empty if it cannot be read.
std::wstring ModulePath();

void LockModule();
void UnlockModule();

}  // namespace test_server
