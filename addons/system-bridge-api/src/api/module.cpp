// Module registration: the classic module record (built against the host's
// headers, whose module version the host checks), registered from a static
// initialiser, and the 18 functions in their fixed order.
#include <nan.h>

#include "functions.h"

namespace sba {
namespace {

NAN_MODULE_INIT(RegisterFunctions) {
  Nan::SetMethod(target, "EnableWindow", EnableWindowFunction);
  Nan::SetMethod(target, "SetWindowLongPtrW", SetWindowLongPtrWFunction);
  Nan::SetMethod(target, "SetForegroundWindow", SetForegroundWindowFunction);
  Nan::SetMethod(target, "FindWindowEx", FindWindowExFunction);
  Nan::SetMethod(target, "PostMessage", PostMessageFunction);
  Nan::SetMethod(target, "SetJumpListToWindow", SetJumpListToWindowFunction);
  Nan::SetMethod(target, "CreateRegistryKey", CreateRegistryKeyFunction);
  Nan::SetMethod(target, "SetRegistryKeyValue", SetRegistryKeyValueFunction);
  Nan::SetMethod(target, "IsRegistryKeyExists", IsRegistryKeyExistsFunction);
  Nan::SetMethod(target, "GetRegistryKeyValues", GetRegistryKeyValuesFunction);
  Nan::SetMethod(target, "DeleteRegistryKey", DeleteRegistryKeyFunction);
  Nan::SetMethod(target, "GetLogonSID", GetLogonSIDFunction);
  Nan::SetMethod(target, "SetPriority", SetPriorityFunction);
  Nan::SetMethod(target, "LoadHive", LoadHiveFunction);
  Nan::SetMethod(target, "UnloadHive", UnloadHiveFunction);
  Nan::SetMethod(target, "IsWindowVisible", IsWindowVisibleFunction);
  Nan::SetMethod(target, "GetSubkeys", GetSubkeysFunction);
  Nan::SetMethod(target, "DeleteRegistryKeyTree", DeleteRegistryKeyTreeFunction);
}

}  // namespace
}  // namespace sba

// node_module_register with flags 0 and the module name "addon", from a
// static initialiser (exported as _register_addon_ by MSVC builds).
NODE_MODULE(addon, sba::RegisterFunctions)
