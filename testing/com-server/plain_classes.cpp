#include "plain_classes.h"

#include "win-owners/com.h"
#include "server_ids.h"
#include "server_object.h"

namespace test_server {
namespace {

class PlainObject final : public ServerObject {
 public:
  explicit PlainObject(const ClassDescription& description) : ServerObject(description) {}

 private:
  ~PlainObject() override = default;
  HRESULT Dispatch(DISPID, const Invocation&) override { return DISP_E_MEMBERNOTFOUND; }
};

HRESULT Create(const ClassDescription& description, REFIID interface_id, void** object) {
  auto created = win::ComPtr<IDispatch>::Adopt(new PlainObject(description));
  return created->QueryInterface(interface_id, object);
}

const ClassDescription kEmpty = {nullptr, 0, kEmptyInterfaceId, IID_NULL};
const ClassDescription kNoTypeInfo = {nullptr, 0, IID_NULL, kServerEventsId};
const ClassDescription kDualEvents = {nullptr, 0, kEventSourceInterfaceId, kDualEventsId};
const ClassDescription kForeignEvents = {nullptr, 0, kEventSourceInterfaceId, kForeignEventsId};

}  // namespace

HRESULT CreateTestEmpty(REFIID interface_id, void** object) { return Create(kEmpty, interface_id, object); }
HRESULT CreateTestNoTypeInfo(REFIID interface_id, void** object) { return Create(kNoTypeInfo, interface_id, object); }
HRESULT CreateTestDualEvents(REFIID interface_id, void** object) { return Create(kDualEvents, interface_id, object); }
HRESULT CreateTestForeignEvents(REFIID interface_id, void** object) {
  return Create(kForeignEvents, interface_id, object);
}

}  // namespace test_server
