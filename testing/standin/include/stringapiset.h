// Windows stand-in: code page conversions of <stringapiset.h>, UTF-8 only.
// Wide text is UTF-16 code units in WCHARs.
#pragma once
#include <windows.h>

#define CP_ACP 0
#define CP_UTF8 65001
#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_ERR_INVALID_CHARS 0x00000080
#define ERROR_NO_UNICODE_TRANSLATION 1113L

STANDIN_API int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int bytes, LPWSTR wide, int units);
STANDIN_API int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int units, LPSTR text, int bytes,
                                           LPCSTR defaultChar, BOOL* usedDefault);
