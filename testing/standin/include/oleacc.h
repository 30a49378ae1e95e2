// Windows stand-in: the accessibility calls of <oleacc.h> that hand out a
// window's native object model through WM_GETOBJECT.
#pragma once
#include <oaidl.h>

#define OBJID_WINDOW ((LONG)0x00000000)
#define OBJID_CLIENT ((LONG)0xFFFFFFFC)
#define OBJID_NATIVEOM ((LONG)0xFFFFFFF0)

STANDIN_API HRESULT WINAPI AccessibleObjectFromWindow(HWND window, DWORD objectId, REFIID iid, void** object);
STANDIN_API LRESULT WINAPI LresultFromObject(REFIID iid, WPARAM wParam, IUnknown* object);
STANDIN_API HRESULT WINAPI ObjectFromLresult(LRESULT result, REFIID iid, WPARAM wParam, void** object);
