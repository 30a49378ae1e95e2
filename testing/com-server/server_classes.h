// The classes the server makes, as the class factories, the registration and
// the local server list them.
#pragma once

#include <windows.h>

#include <cstddef>

namespace test_server {

struct ServerClass {
  const CLSID& class_id;        // served in-process, by the DLL
  const CLSID& local_class_id;  // served by the local server (the executable)
  const wchar_t* prog_id;       // the local one adds kLocalProgIdSuffix
  const wchar_t* description;
  bool described;  // the type library has its coclass
  HRESULT (*create)(REFIID interface_id, void** object);
};

extern const ServerClass kServerClasses[];
extern const size_t kServerClassCount;

}  // namespace test_server
