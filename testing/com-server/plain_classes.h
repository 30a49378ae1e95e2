// The classes that exist for what their type information and connection
// points look like; besides the firing members (event_members.h) where they
// have events, they have no members (any other DISPID: DISP_E_MEMBERNOTFOUND).
//
//   Quillaret.TestEmpty          described by ITestEmpty, a dual interface
//                                with only the seven IUnknown and IDispatch
//                                methods; no connection point.
//   Quillaret.TestNoTypeInfo     GetTypeInfoCount 0, GetTypeInfo E_NOTIMPL;
//                                GetIDsOfNames knows the firing members; one
//                                connection point for _ITestServerEvents.
//   Quillaret.TestDualEvents     described by ITestEventSource; its
//                                connection point's interface is
//                                ITestDualEvents, a dual interface (dispatch
//                                view: the seven base methods, then Pair,
//                                Tick, Kinds, Note).
//   Quillaret.TestForeignEvents  described by ITestEventSource; its
//                                connection point's interface is
//                                _IForeignEvents, described only in the
//                                second type library.
#pragma once

#include <windows.h>

namespace test_server {

// The class factories' creation functions.
HRESULT CreateTestEmpty(REFIID interface_id, void** object);
HRESULT CreateTestNoTypeInfo(REFIID interface_id, void** object);
HRESULT CreateTestDualEvents(REFIID interface_id, void** object);
HRESULT CreateTestForeignEvents(REFIID interface_id, void** object);

}  // namespace test_server
