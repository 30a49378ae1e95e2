// Kernel objects that threads wait on (events and threads), kept apart from
// the handles of kernel.cpp because other threads use them: one lock
// guards their table.
#pragma once

#include <windows.h>

namespace standin {

// CloseHandle's part for these objects: true when the handle was one.
bool CloseSyncHandle(HANDLE handle);
size_t OpenSyncHandleCount();

}  // namespace standin
