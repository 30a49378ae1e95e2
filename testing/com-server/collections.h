// The collections TestServer hands out (Items, MixedItems, FailingItems):
// counted server objects described by ITestCollection, with
//   Item(position)  the default member (DISPID_VALUE), property get: the
//                   element at 1-based position; DISP_E_BADINDEX outside
//                   1..Count
//   Count           property get: VT_I4 number of elements
//   _NewEnum        DISPID_NEWENUM (-4), answering DISPATCH_METHOD and
//                   DISPATCH_PROPERTYGET: VT_UNKNOWN, a new enumerator
//                   (IEnumVARIANT) positioned before the first element
// Each element handed out is a copy (an object with a reference of its own).
//
// The enumerators are counted objects as well (not numbered: they are no
// IDispatch) and hold a reference on their collection. Next(n, ...) hands
// out up to n elements, S_OK when it gave n, else S_FALSE; Skip, Reset and
// Clone (a counted copy at the same position) as IEnumVARIANT describes.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace test_server {

// Items(n): VT_I4 1..n. n outside 0..2^24: E_INVALIDARG.
HRESULT NewRangeCollection(LONG size, VARIANT* result);
// MixedItems(): VT_I4 1, VT_BSTR "two", VT_DISPATCH a TestServer object made
// with the collection (the same object each time it is handed out).
HRESULT NewMixedCollection(VARIANT* result);
// FailingItems(n, failAt, [failure]): VT_I4 1..n, whose enumerators fail once
// failAt elements were handed out: a Next call that would hand out element
// failAt + 1 or later returns `failure` (E_FAIL when omitted) and hands out
// nothing, even if some of the elements it asked for come before failAt. A
// client fetching in batches sees the failure at the first batch that
// crosses failAt. failAt below 0 or n outside 0..2^24: E_INVALIDARG.
HRESULT NewFailingCollection(LONG size, LONG fail_at, HRESULT failure, VARIANT* result);

}  // namespace test_server
