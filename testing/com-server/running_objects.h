// RegisterRunning and RevokeRunning: a TestServer object as the running
// object of its class, held strongly by the running object table until it is
// revoked.
#pragma once

#include <windows.h>

namespace test_server {

HRESULT RegisterRunningObject(DWORD* cookie);
HRESULT RevokeRunningObject(DWORD cookie);

}  // namespace test_server
