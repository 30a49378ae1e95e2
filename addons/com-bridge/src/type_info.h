// What an automation object offers, from its type information: its
// properties and methods with their parameter counts, and the events of its
// first connection point with their DISPIDs. Gathered once per ComObject.
#pragma once

#include <nan.h>
#include <windows.h>

#include <oaidl.h>

#include <memory>
#include <string>

#include "flat_map.h"

namespace com_bridge {

struct MemberInfo {
  DISPID dispid;
  INVOKEKIND invokeKind;
  SHORT numArgs;
};

// Member name (ordered by UTF-16 code unit) to its description; when several
// functions share a name (a property's get and put), the last one decides.
using MemberMap = FlatMap<std::wstring, MemberInfo>;

struct TypeInfoCache {
  MemberMap members;  // the object's own dispatch interface
  MemberMap events;   // the interface of its first connection point
};

// Whatever the object does not supply is simply absent.
std::shared_ptr<TypeInfoCache> BuildTypeInfo(IDispatch* dispatch);

// Adds the functions of one interface, without the IUnknown and IDispatch
// methods that lead the dispatch view of a dual interface.
void CollectMembers(ITypeInfo* type_info, MemberMap* map);

NAN_METHOD(GetTypeInfoMethod);

}  // namespace com_bridge
