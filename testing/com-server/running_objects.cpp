#include "running_objects.h"

#include <oleauto.h>

#include "com_types.h"
#include "server_ids.h"
#include "test_server.h"

namespace test_server {

HRESULT RegisterRunningObject(DWORD* cookie) {
  ComRef<IDispatch> object(NewTestServer());
  return RegisterActiveObject(object.Get(), kServerClassId, ACTIVEOBJECT_STRONG, cookie);
}

HRESULT RevokeRunningObject(DWORD cookie) { return RevokeActiveObject(cookie, nullptr); }

}  // namespace test_server
