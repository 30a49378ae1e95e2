// The classes' keys under HKEY_CLASSES_ROOT and the two type libraries.
// Registering again overwrites the same values, so both are safe to repeat.
//   in-process: CLSID\{class}\InprocServer32 = the DLL (ThreadingModel Both)
//   local:      CLSID\{local class}\LocalServer32 = "the executable", the
//               ProgIDs with ".Local" appended
// Either registers both type libraries from its own module (the later
// registration's path wins; both modules embed the same libraries) and
// unregisters them.
#pragma once

#include <windows.h>

namespace test_server {

enum class ServerKind { kInProcess, kLocal };

HRESULT RegisterServer(ServerKind kind);
HRESULT UnregisterServer(ServerKind kind);

}  // namespace test_server
