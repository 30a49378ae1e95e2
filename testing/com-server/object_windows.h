// The server's windows. CreateObjectWindow makes a window that answers
// WM_GETOBJECT for OBJID_NATIVEOM with a new TestServer object (through
// LresultFromObject, IID_IDispatch), so AccessibleObjectFromWindow(window,
// OBJID_NATIVEOM, IID_IDispatch) hands that object out; CreatePlainWindow
// makes one that leaves WM_GETOBJECT to DefWindowProc. Both are hidden
// top-level windows titled with their class name, created on the calling
// thread, whose messages therefore reach the window procedure directly when
// sent from that thread. The class is registered by this DLL on first use.
#pragma once

#include <windows.h>

#include <string>

namespace test_server {

HRESULT CreateServerWindow(const std::wstring& class_name, bool answers_with_object, HWND* window);
// Destroys the server's windows that belong to the calling thread (a window
// can only be destroyed by its own thread); returns how many.
LONG DestroyServerWindows();
// Whether this DLL has registered a window class (it must then stay loaded).
bool WindowClassesRegistered();

}  // namespace test_server
