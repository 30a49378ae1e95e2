// For the addons' Windows builds: the runtime's imports name "node.exe" and
// are bound on first use. Answer the loader's request for that module (name
// compared without regard to case) with the executable that hosts this
// process, so the addon binds to whatever executable runs the runtime.
#include <windows.h>

#include <delayimp.h>
#include <string.h>

namespace {

FARPROC WINAPI LoadHostExecutable(unsigned notification, PDelayLoadInfo info) {
  if (notification == dliNotePreLoadLibrary && info != nullptr && info->szDll != nullptr &&
      _stricmp(info->szDll, "node.exe") == 0)
    return reinterpret_cast<FARPROC>(GetModuleHandleW(nullptr));
  return nullptr;
}

}  // namespace

// The loader's hook variable, declared by delayimp.h (const in Microsoft's
// header and in the Microsoft-ABI tree's overlay, not in MinGW's).
extern "C" {
#if defined(_MSC_VER)
const PfnDliHook __pfnDliNotifyHook2 = LoadHostExecutable;
#else
PfnDliHook __pfnDliNotifyHook2 = LoadHostExecutable;
#endif
}
