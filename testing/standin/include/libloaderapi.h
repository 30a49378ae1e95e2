// Windows stand-in: modules of <libloaderapi.h>. A module is a shared
// library loaded with dlopen; its DllMain, when it exports one, is called
// as the Windows loader calls it.
#pragma once
#include <windows.h>

typedef BOOL(WINAPI* DLLMAIN)(HINSTANCE instance, DWORD reason, LPVOID reserved);
typedef intptr_t(WINAPI* FARPROC)();
#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3
#define GET_MODULE_HANDLE_EX_FLAG_PIN 0x00000001
#define GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT 0x00000002
#define GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS 0x00000004

STANDIN_API HMODULE WINAPI LoadLibraryW(LPCWSTR file);
STANDIN_API BOOL WINAPI FreeLibrary(HMODULE module);
STANDIN_API __attribute__((noreturn)) void WINAPI FreeLibraryAndExitThread(HMODULE module, DWORD exitCode);
STANDIN_API FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name);
STANDIN_API DWORD WINAPI GetModuleFileNameW(HMODULE module, LPWSTR file, DWORD size);
STANDIN_API BOOL WINAPI GetModuleHandleExW(DWORD flags, LPCWSTR name, HMODULE* module);
STANDIN_API BOOL WINAPI DisableThreadLibraryCalls(HMODULE module);
