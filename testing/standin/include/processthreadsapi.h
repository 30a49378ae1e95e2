// Windows stand-in: threads of <processthreadsapi.h>, over pthreads.
#pragma once
#include <windows.h>

typedef DWORD(WINAPI* PTHREAD_START_ROUTINE)(LPVOID parameter);
typedef PTHREAD_START_ROUTINE LPTHREAD_START_ROUTINE;
#define CREATE_SUSPENDED 0x00000004
#define STILL_ACTIVE 259L

STANDIN_API HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES attributes, SIZE_T stackSize, LPTHREAD_START_ROUTINE start,
                                       LPVOID parameter, DWORD flags, LPDWORD threadId);
STANDIN_API DWORD WINAPI GetCurrentThreadId(void);
STANDIN_API BOOL WINAPI GetExitCodeThread(HANDLE thread, LPDWORD exitCode);
STANDIN_API __attribute__((noreturn)) void WINAPI ExitThread(DWORD exitCode);
