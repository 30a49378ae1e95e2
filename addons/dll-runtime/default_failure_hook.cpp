// No failure hook: a delay-load failure raises its exception. A library that
// defines its own __pfnDliFailureHook2 never links this one.
#include <windows.h>

#include <delayimp.h>

extern "C" const PfnDliHook __pfnDliFailureHook2 = nullptr;
