// Module registration: the classic module record (built against the host's
// headers, whose module version the host checks), registered from a static
// initialiser exported as _register_addon_, and the 18 functions in their
// fixed order.
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

void Register(v8::Local<v8::Object> exports, v8::Local<v8::Value>, void*) { RegisterFunctions(exports); }

}  // namespace
}  // namespace sba

// The runtime's own registration macro no longer exports its initialiser, so
// the record and the exported initialiser are spelled out here.
namespace {

node::node_module addon_module = {
    NODE_MODULE_VERSION,  // the module version of the headers built against
    0,                    // flags
    nullptr,              // DSO handle
    __FILE__,
    sba::Register,
    nullptr,  // no context-aware register function
    "addon",
    nullptr,
    nullptr,
};

}  // namespace

extern "C" NODE_MODULE_EXPORT void _register_addon_() { node_module_register(&addon_module); }

namespace {

// Registers while the library loads, before the runtime looks for the record.
struct Registration {
  Registration() { _register_addon_(); }
} registration;

}  // namespace
