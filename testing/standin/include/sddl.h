// Windows stand-in: SID text conversion from <sddl.h>.
#pragma once
#include <windows.h>

STANDIN_API BOOL WINAPI ConvertSidToStringSidA(PSID sid, LPSTR* text);
