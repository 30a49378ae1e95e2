// The part of CoCreateInstance and of regsvr32 that reaches registered
// in-process servers.
#pragma once

#include <objbase.h>

#include <string>

namespace standin {

HRESULT CreateRegisteredInstance(REFCLSID clsid, DWORD context, REFIID iid, void** object);

}  // namespace standin

namespace standin {

// What regsvr32 does: loads the module and calls its DllRegisterServer.
HRESULT RegisterServerModule(const std::wstring& path);

}  // namespace standin
