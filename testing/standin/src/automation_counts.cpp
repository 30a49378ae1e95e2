// The control surface's view of the automation part: registration as
// regsvr32 does it, and the counts of what was handed out.
#include "accessible_objects.h"
#include "accounting.h"
#include "com_classes.h"
#include "running_objects.h"
#include "state.h"
#include "sync_objects.h"

namespace standin {

HRESULT RegisterServer(const std::wstring& modulePath) {
  EnsureBooted();
  return RegisterServerModule(modulePath);
}

AutomationCounts Automation() {
  return AutomationCounts{LiveAllocations(Allocation::kBstr), LiveAllocations(Allocation::kSafeArray),
                          RunningObjectCount(), UncollectedObjectResults(), OpenSyncHandleCount()};
}

}  // namespace standin
