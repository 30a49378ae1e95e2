// No notification hook: the delay-load helper binds imports by itself. A
// library that defines its own __pfnDliNotifyHook2 never links this one.
#include <windows.h>

#include <delayimp.h>

extern "C" const PfnDliHook __pfnDliNotifyHook2 = nullptr;
