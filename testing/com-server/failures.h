// Fail(kind): the failure named by kind.
//   "EXCEPTION"                 DISP_E_EXCEPTION; EXCEPINFO scode 0x80040201,
//                               bstrSource "Quillaret.TestServer",
//                               bstrDescription "Something failed"
//   "EXCEPTION_NO_DESCRIPTION"  DISP_E_EXCEPTION; scode 0x80040201, the same
//                               source, no description (null)
//   "EXCEPTION_WCODE"           DISP_E_EXCEPTION; wCode 1001, scode 0, the
//                               same source, bstrDescription "Only wCode"
//   "INTERFACE_RANGE"           0x80040205 itself, EXCEPINFO untouched
//   "HRESULT 0x<1-8 hex digits>" that HRESULT itself, EXCEPINFO untouched
//                               (a success code makes Fail succeed)
//   anything else               E_INVALIDARG
// The EXCEPINFO is filled only when the caller passed one; its other fields
// are zero.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

namespace test_server {

HRESULT Failure(const std::wstring& kind, EXCEPINFO* exception);

}  // namespace test_server
