#include "running_objects.h"

#include <oleauto.h>

#include "win-owners/com.h"
#include "server_ids.h"
#include "test_server.h"

namespace test_server {

HRESULT RegisterRunningObject(DWORD* cookie) {
  auto object = win::ComPtr<IDispatch>::Adopt(NewTestServer());
  return RegisterActiveObject(object.get(), kServerClassId, ACTIVEOBJECT_STRONG, cookie);
}

HRESULT RevokeRunningObject(DWORD cookie) { return RevokeActiveObject(cookie, nullptr); }

}  // namespace test_server
