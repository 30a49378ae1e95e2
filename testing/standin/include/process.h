// Windows stand-in: the C runtime's thread start of <process.h>.
#pragma once
#include <windows.h>

STANDIN_API uintptr_t _beginthreadex(void* security, unsigned stackSize, unsigned(WINAPI* start)(void*), void* argument,
                                     unsigned flags, unsigned* threadId);
STANDIN_API __attribute__((noreturn)) void _endthreadex(unsigned exitCode);
