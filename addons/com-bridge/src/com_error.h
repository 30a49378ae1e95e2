// The structured error of a failed COM call: an instance of script's own
// Error whose message combines the system's text for the HRESULT with the
// server's description, and whose comError property holds the codes and
// texts apart.
#pragma once

#include <nan.h>
#include <windows.h>

#include <oaidl.h>

#include <string>

namespace com_bridge {

// The system's message for an HRESULT without its line break, or the
// fallback text when the system has none.
std::wstring HresultText(HRESULT result);

// Makes the pending exception of the running script; the caller cleans up
// and returns to script. exception may be null.
void ThrowComError(HRESULT result, const EXCEPINFO* exception);

}  // namespace com_bridge
