// The ComObject methods that read and write properties, call methods, probe
// interfaces and release the object, and the handler that runs when an
// instance is called like a function (its default member).
#pragma once

#include <nan.h>

namespace com_bridge {

NAN_METHOD(GetMethod);
NAN_METHOD(SetMethod);
NAN_METHOD(CallMethod);
NAN_METHOD(CallUnsafeMethod);
NAN_METHOD(QueryInterfaceMethod);
NAN_METHOD(ReleaseMethod);
NAN_METHOD(CallDefaultMember);

}  // namespace com_bridge
