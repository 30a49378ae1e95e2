// Windows stand-in: self-registration results of <olectl.h>.
#pragma once
#include <windows.h>

#define SELFREG_E_TYPELIB ((HRESULT)0x80040200L)
#define SELFREG_E_CLASS ((HRESULT)0x80040201L)
