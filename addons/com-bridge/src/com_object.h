// The ComObject methods that read and write properties, call methods, probe
// interfaces and release the object, and the handler that runs when an
// instance is called like a function (its default member).
#pragma once

#include <nan.h>

namespace com_bridge {

// get, call and callUnsafe, which nearly every use goes through, are the
// runtime's own callbacks: nan's dispatch would look up the function and its
// data on each call.
void GetMethod(const v8::FunctionCallbackInfo<v8::Value>& info);
void CallMethod(const v8::FunctionCallbackInfo<v8::Value>& info);
void CallUnsafeMethod(const v8::FunctionCallbackInfo<v8::Value>& info);
NAN_METHOD(SetMethod);
NAN_METHOD(QueryInterfaceMethod);
NAN_METHOD(ReleaseMethod);
NAN_METHOD(CallDefaultMember);

}  // namespace com_bridge
