// The process-wide record of the calls server objects (server_object.h) received,
// read through the probe's Calls property as JSON text:
//
//   [ call, ... ]                     oldest first, since the last Reset
//
//   call = { "object": 7,             the receiving object's id (1, 2, ... in
//                                     order of creation in this process)
//            "member": "Echo",        the member's name as the server spells
//                                     it, null for an unknown DISPID
//            "dispid": 1,
//            "flags": 1,              wFlags (1 method, 2 get, 4 put, 8 putref)
//            "lcid": 0,
//            "args": [ value, ... ],  rgvarg exactly as received: args[0] is
//                                     rgvarg[0], the LAST argument; named
//                                     arguments are included where they sit
//            "named": [ -3 ],         rgdispidNamedArgs in order
//            "hr": 0 }                what Invoke returned, as an unsigned
//                                     number (2147614725 for 0x80020005)
//
//   A member may add a note before "hr": FireKinds adds
//   "cellsUnchanged": true | false (event_members.h).
//
//   While the probe's RecordTypeCalls is on (off in a new process), the
//   record also has an entry for each call an automation client makes to
//   learn about an object rather than to use it:
//
//   typecall = { "object": 7,
//                "call": "GetIDsOfNames", one of GetTypeInfoCount,
//                                     GetTypeInfo, GetIDsOfNames,
//                                     QueryInterface (recorded only for
//                                     IConnectionPointContainer),
//                                     EnumConnectionPoints,
//                                     FindConnectionPoint,
//                                     GetConnectionInterface, Advise, Unadvise
//                "name": "Echo",      GetIDsOfNames only: the first name asked
//                                     for; QueryInterface: the interface
//                "hr": 0 }
//   Such an entry has "call" and no "member"; an Invoke entry the reverse.
//
//   A call whose DISPPARAMS are inconsistent (more named than positional
//   arguments, a null array with a count) has "args": null, "named": null.
//
//   value = { "vt": 3, "value": 5 }   a value passed by value
//         | { "vt": 16387,            VT_BYREF: the cell's content at the time
//             "ref": value }          of the call, described with the cell's
//                                     type (VT_I4 here), or "ref": null for a
//                                     null reference; a VT_VARIANT | VT_BYREF
//                                     cell is the referenced VARIANT itself
//         | { "vt": 8204,             VT_ARRAY (here of VT_VARIANT): "dims"
//             "dims": [ { "lbound": 0, "count": 3 }, ... ],
//             "elements": [ value, ... ] }
//                                     lists dimension 1 first (as
//                                     SafeArrayGetLBound numbers them);
//                                     "elements" are in memory order, where
//                                     dimension 1 varies fastest, each
//                                     described with the array's element type;
//                                     a null SAFEARRAY is "value": null
//         | { "vt": 36 }              a type without a value description
//
//   "value" by base type:
//     VT_EMPTY, VT_NULL                        null
//     VT_I1, VT_UI1, VT_I2, VT_UI2, VT_I4,     number
//       VT_UI4, VT_INT, VT_UINT
//     VT_BOOL                                  number: the raw VARIANT_BOOL
//                                              (-1 for VARIANT_TRUE, 1 stays 1)
//     VT_ERROR                                 number: the scode, unsigned
//     VT_R4, VT_R8, VT_DATE                    number (shortest exact form);
//                                              "NaN", "Infinity", "-Infinity"
//     VT_I8, VT_UI8                            string of decimal digits
//     VT_CY                                    string with four decimals
//                                              ("12.3456")
//     VT_DECIMAL                               string with the DECIMAL's own
//                                              scale ("-1.50")
//     VT_BSTR                                  string of all SysStringLen
//                                              units, or null for a null BSTR;
//                                              units outside printable ASCII
//                                              (an embedded NUL too) escaped
//                                              as \uXXXX
//     VT_DISPATCH, VT_UNKNOWN                  number: the object id of a
//                                              server object; "foreign"
//                                              for any other object; null for
//                                              a null pointer
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

namespace test_server {

// One call: its arguments are described when the entry is made (before the
// member runs, so a by-reference cell shows what the caller passed); Append
// adds it to the record with the outcome. Nothing is done while recording is
// switched off.
class CallEntry {
 public:
  CallEntry(ULONG object_id, const wchar_t* member, DISPID dispid, WORD flags, LCID lcid, const DISPPARAMS& params);
  // Adds "name": value to the entry.
  void Note(const wchar_t* name, bool value);
  void Append(HRESULT outcome);

 private:
  bool recording_;
  std::wstring text_;
};

// Adds a typecall entry when type calls are recorded; name may be null.
void RecordTypeCall(ULONG object_id, const wchar_t* call, const wchar_t* name, HRESULT outcome);

// The record as the JSON text above.
std::wstring CallRecordJson();
void ResetCallRecord();

// Recording is on in a new process. A benchmark switches it off: describing
// a call costs about ten times what the call itself costs, and the record
// grows by some 300 bytes a call.
void SetRecording(bool on);
bool Recording();
// Type calls are recorded only while both switches are on.
void SetRecordingTypeCalls(bool on);
bool RecordingTypeCalls();

}  // namespace test_server
