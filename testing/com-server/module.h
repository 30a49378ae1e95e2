// The module the server runs in (the DLL, or the local server's executable):
// its handle and path, and the count of what keeps it loaded or running.
#pragma once

#include <windows.h>

#include <string>

namespace test_server {

HINSTANCE ModuleHandle();
void SetModuleHandle(HINSTANCE module);
// Full path of the module, empty if it cannot be read.
std::wstring ModulePath();

// Objects and LockServer locks.
void LockModule();
void UnlockModule();
bool ModuleLocked();
// Class factory references: they count like locks in the DLL, and not at
// all in the local server, which COM holds factories of while it runs.
void LockModuleByFactory();
void UnlockModuleByFactory();

// The local server: factories stop counting, and `last_unlock` runs
// whenever the count drops to 0.
void ServeAsLocalServer(void (*last_unlock)());

}  // namespace test_server
