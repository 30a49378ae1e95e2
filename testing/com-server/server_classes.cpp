#include "server_classes.h"

#include "plain_classes.h"
#include "server_ids.h"
#include "test_probe.h"
#include "test_server.h"

namespace test_server {

const ServerClass kServerClasses[] = {
    {kServerClassId, kLocalServerClassId, kServerProgId, L"Quillaret automation test server", true, CreateTestServer},
    {kProbeClassId, kLocalProbeClassId, kProbeProgId, L"Quillaret automation test server probe", true, CreateTestProbe},
    {kEmptyClassId, kLocalEmptyClassId, kEmptyProgId, L"Quillaret test object without members", true, CreateTestEmpty},
    {kNoTypeInfoClassId, kLocalNoTypeInfoClassId, kNoTypeInfoProgId, L"Quillaret test object without type information",
     false, CreateTestNoTypeInfo},
    {kDualEventsClassId, kLocalDualEventsClassId, kDualEventsProgId, L"Quillaret test object with dual events", true,
     CreateTestDualEvents},
    {kForeignEventsClassId, kLocalForeignEventsClassId, kForeignEventsProgId,
     L"Quillaret test object with events of another library", true, CreateTestForeignEvents},
};
const size_t kServerClassCount = sizeof(kServerClasses) / sizeof(kServerClasses[0]);

}  // namespace test_server
