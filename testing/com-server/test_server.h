// Quillaret.TestServer: an automation object for testing automation clients.
// It accepts anything, records every Invoke (call_record.h), returns every
// kind of value on demand, fails on demand, fires events (event_members.h)
// to sinks of _ITestServerEvents, hands out collections (collections.h), and
// is counted (server_object.h) so a test can prove that nothing leaked.
//
// IDispatch is implemented by hand: GetIDsOfNames from the member table
// (ASCII names compared without regard to case), Invoke by DISPID, so the
// server sees DISPPARAMS exactly as the client built them. It has no
// DISPID_NEWENUM member (DISP_E_MEMBERNOTFOUND).
//
// Its events (_ITestServerEvents, a plain dispinterface; the arguments in
// declared order, rgvarg holding them last first):
//   Pair(a, b)          DISPID 1
//   Tick(thread, sequence)
//                       DISPID 2, what the firing threads raise
//   Kinds(13 arguments) DISPID 5, what FireKinds raises (event_kinds.h)
//   Note(word)          DISPID 40
// The firing members take any DISPID and arguments; the type library's
// shapes are what a client reading it expects.
//
// Invoke, for every member:
//   - riid other than IID_NULL: DISP_E_UNKNOWNINTERFACE (not recorded);
//     DISPPARAMS that contradict themselves: E_INVALIDARG (recorded).
//   - Reading members ("methods" and property gets below) answer
//     DISPATCH_METHOD and DISPATCH_PROPERTYGET alike, as automation clients
//     mix them; DISPATCH_PROPERTYPUT or DISPATCH_PROPERTYPUTREF reach only the
//     writable properties, with the value last and the named argument
//     DISPID_PROPERTYPUT (without it: DISP_E_PARAMNOTFOUND). Anything else:
//     DISP_E_MEMBERNOTFOUND.
//   - Named arguments on a reading member: DISP_E_NONAMEDARGS. A wrong
//     argument count: DISP_E_BADPARAMCOUNT. An argument that cannot be coerced
//     to what the member needs: DISP_E_TYPEMISMATCH with *puArgErr set (to its
//     rgvarg index), or E_INVALIDARG for an unknown kind name.
//   - Arguments are read through VT_BYREF; text and numbers are coerced with
//     VariantChangeTypeEx in the invariant locale. A by-reference argument
//     whose reference is null is never followed (E_POINTER where it is read).
//
// Members:
//   _Default (DISPID_VALUE)  as a property get with 0 or 1 arguments: "get",
//                  or "get <text of the argument>"; as a method with exactly
//                  2 arguments: "call <a> <b>"; otherwise DISP_E_BADPARAMCOUNT.
//                  With both flags set, the property get is tried first.
//   Echo(v)        a copy of v (VariantCopyInd: through the reference).
//   Args(...)      any arguments; VT_I4 count of them.
//   Add(a, b)      VT_I4 sum when both are integer types and the sum fits,
//                  else VT_R8 sum of both coerced to VT_R8.
//   Optional(a, [b], [c])
//                  VT_BSTR of three comma-separated fields, each the
//                  parameter's name if given or "-" if missing, e.g. "a,-,-",
//                  "a,b,-", "a,-,c". Missing means omitted (fewer arguments)
//                  or VT_ERROR DISP_E_PARAMNOTFOUND, by value or reference;
//                  that holds for a too ("-,b,-"). No arguments:
//                  DISP_E_PARAMNOTOPTIONAL; more than 3: DISP_E_BADPARAMCOUNT.
//   Result(kind)   a canned VARIANT named by kind (canned_results.h).
//   Table(rows, columns, lowerBound)
//                  a 2-D VT_ARRAY | VT_VARIANT, rows x columns (dimension 1
//                  is rows), both dimensions starting at lowerBound; element
//                  [i, j] (counted from 0) is VT_R8 i * columns + j. Negative
//                  sizes or more than 2^24 elements: E_INVALIDARG.
//   Fill(...)      writes into each by-reference argument (fill.h); VT_I4
//                  number of cells written.
//   Value          property get / put of one stored VARIANT (VT_EMPTY at
//                  first); put stores a copy of the value read through its
//                  reference.
//   Item(key)      property get / put: a map from the key's text (case
//                  sensitive) to a VARIANT; a missing key reads as VT_EMPTY.
//   Count          property get: VT_I4 number of Item keys.
//   Child()        VT_DISPATCH: a new TestServer object.
//   Fail(kind)     fails as kind says (failures.h).
//   RegisterRunning()
//                  registers a new TestServer object as the running object of
//                  the TestServer class (RegisterActiveObject,
//                  ACTIVEOBJECT_STRONG); VT_I4 cookie.
//   RevokeRunning(cookie)
//                  RevokeActiveObject's result; nothing returned.
//   CreateObjectWindow(className), CreatePlainWindow(className)
//                  a hidden top-level window of that class on the calling
//                  thread; VT_I4 handle (object_windows.h).
//   DestroyWindows()
//                  destroys the server's windows that belong to the calling
//                  thread; VT_I4 number destroyed.
//   Zulu(), alpha() VT_BSTR "Zulu", "alpha": two names that sort "Z..."
//                  before "a..." in UTF-16 code-unit order.
//   RandomTree(seed, depth)
//                  a VARIANT tree made from the seed (random_trees.h); the
//                  same seed and depth give the same tree. Depth 0 to 8.
//   TreeDescription
//                  JSON of the last RandomTree's tree (random_trees.h).
//   Items(n), MixedItems(), FailingItems(n, failAt, [failure])
//                  VT_DISPATCH: a new collection (collections.h).
//   FireNow, FireKinds, FireFromThread, FireFromThreads, WaitFiring,
//   StartFiring, StopFiring
//                  event_members.h.
//
// In the type information, Value's get (no parameters) comes before its put
// (one parameter), and Item's get (one) before its put (two).
//
// Every result leaves the server as the caller's own: objects with a
// reference for the caller, strings and arrays as new copies (one exception:
// Result("VARIANT_BYREF") points at a server-owned cell).
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace test_server {

// A new TestServer object with one reference, for the caller.
IDispatch* NewTestServer();
// The class factory's creation function.
HRESULT CreateTestServer(REFIID interface_id, void** object);

}  // namespace test_server
