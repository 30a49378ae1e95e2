// The script functions of the addon, registered by module.cpp.
#pragma once

#include <nan.h>

namespace sba {

// window_operations.cpp
NAN_METHOD(EnableWindowFunction);
NAN_METHOD(SetWindowLongPtrWFunction);
NAN_METHOD(SetForegroundWindowFunction);
NAN_METHOD(FindWindowExFunction);
NAN_METHOD(PostMessageFunction);
NAN_METHOD(IsWindowVisibleFunction);

// jump_list.cpp
NAN_METHOD(SetJumpListToWindowFunction);

// registry_operations.cpp
NAN_METHOD(CreateRegistryKeyFunction);
NAN_METHOD(SetRegistryKeyValueFunction);
NAN_METHOD(IsRegistryKeyExistsFunction);
NAN_METHOD(GetRegistryKeyValuesFunction);
NAN_METHOD(DeleteRegistryKeyFunction);
NAN_METHOD(GetSubkeysFunction);
NAN_METHOD(DeleteRegistryKeyTreeFunction);

// hive_operations.cpp
NAN_METHOD(GetLogonSIDFunction);
NAN_METHOD(LoadHiveFunction);
NAN_METHOD(UnloadHiveFunction);

// process_priority.cpp
NAN_METHOD(SetPriorityFunction);

}  // namespace sba
