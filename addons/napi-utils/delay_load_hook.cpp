// The addon's Node-API imports are bound on first use under the name
// "node.exe". The runtime may be hosted by an executable of any name, so the
// pre-load notification for "node.exe" is answered with the main executable.

#include <windows.h>

#include <delayimp.h>

#include <cstring>

namespace {

FARPROC WINAPI BindToHostExecutable(unsigned notification, PDelayLoadInfo info)
{
    if (notification != dliNotePreLoadLibrary || info == nullptr || info->szDll == nullptr) {
        return nullptr;
    }
    if (_stricmp(info->szDll, "node.exe") != 0) {
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(GetModuleHandleA(nullptr));
}

} // namespace

extern "C" {
PfnDliHook __pfnDliNotifyHook2 = BindToHostExecutable;
}
