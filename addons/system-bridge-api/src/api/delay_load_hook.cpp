// Windows builds: the runtime's V8 and Node imports name "node.exe". Answer the
// loader's request for that module with the executable that hosts this
// process, so the addon binds to whatever executable runs the runtime.
#include <windows.h>

#include <delayimp.h>
#include <string.h>

namespace {

FARPROC WINAPI LoadHostExecutable(unsigned notification, PDelayLoadInfo info) {
  if (notification == dliNotePreLoadLibrary && info != nullptr && _stricmp(info->szDll, "node.exe") == 0)
    return reinterpret_cast<FARPROC>(GetModuleHandleW(nullptr));
  return nullptr;
}

}  // namespace

// The loader's hook variable, declared by delayimp.h (const in MSVC's, not in
// MinGW's).
extern "C" {
#if defined(_MSC_VER)
const PfnDliHook __pfnDliNotifyHook2 = LoadHostExecutable;
#else
PfnDliHook __pfnDliNotifyHook2 = LoadHostExecutable;
#endif
}
