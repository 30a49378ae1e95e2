#include "com_object_wrapper.h"

#include "collection_iterator.h"
#include "com_object.h"
#include "event_sink.h"
#include "type_info.h"

#include <utility>

namespace com_bridge {
namespace {

Nan::Persistent<v8::FunctionTemplate> com_object_template;

NAN_METHOD(RefuseConstruction) {
  (void)info;
  Nan::ThrowError("Constructor initialization isn't supported. Consider using addon.CreateObject(..) function");
}

}  // namespace

void RegisterComObjectClass(v8::Local<v8::Object> exports) {
  v8::Local<v8::FunctionTemplate> tpl = Nan::New<v8::FunctionTemplate>(RefuseConstruction);
  tpl->SetClassName(Nan::New("ComObject").ToLocalChecked());
  tpl->InstanceTemplate()->SetInternalFieldCount(1);
  // Each with a signature: the runtime rejects a receiver that is no ComObject.
  Nan::SetPrototypeMethod(tpl, "on", OnMethod);
  Nan::SetPrototypeMethod(tpl, "off", OffMethod);
  Nan::SetPrototypeMethod(tpl, "_getTypeInfo", GetTypeInfoMethod);
  Nan::SetPrototypeMethod(tpl, "get", GetMethod);
  Nan::SetPrototypeMethod(tpl, "set", SetMethod);
  Nan::SetPrototypeMethod(tpl, "call", CallMethod);
  Nan::SetPrototypeMethod(tpl, "callUnsafe", CallUnsafeMethod);
  Nan::SetPrototypeMethod(tpl, "qi", QueryInterfaceMethod);
  Nan::SetPrototypeMethod(tpl, "release", ReleaseMethod);
  AddIterator(tpl);
  Nan::SetCallAsFunctionHandler(tpl->InstanceTemplate(), CallDefaultMember);
  com_object_template.Reset(tpl);
  Nan::Set(exports, Nan::New("ComObject").ToLocalChecked(), Nan::GetFunction(tpl).ToLocalChecked());
}

v8::Local<v8::Object> WrapDispatch(IDispatch* dispatch) {
  Nan::EscapableHandleScope scope;
  v8::Local<v8::FunctionTemplate> tpl = Nan::New(com_object_template);
  v8::Local<v8::Object> instance;
  if (!Nan::NewInstance(tpl->InstanceTemplate()).ToLocal(&instance)) {
    dispatch->Release();
    return v8::Local<v8::Object>();
  }
  // Not make_shared: without RTTI it needs a libstdc++ function no DLL provides.
  auto* wrapper = new ComObjectWrapper(std::shared_ptr<ComHolder>(new ComHolder(dispatch)));
  wrapper->Attach(instance);  // internal field 0, and a weak handle that deletes the wrapper
  wrapper->Pin(instance);
  return scope.Escape(instance);
}

ComObjectWrapper* ComObjectOf(v8::Local<v8::Value> value) {
  if (!value->IsObject() || com_object_template.IsEmpty()) return nullptr;
  v8::Local<v8::Object> object = value.As<v8::Object>();
  if (!Nan::New(com_object_template)->HasInstance(object)) return nullptr;
  return Nan::ObjectWrap::Unwrap<ComObjectWrapper>(object);
}

namespace {

// Whether the caller's reference is the interface's last one. The count is
// what the object (or, for another apartment's or process's object, its
// proxy) says it is.
bool IsLastReference(IDispatch* dispatch) {
  dispatch->AddRef();
  return dispatch->Release() == 1;
}

}  // namespace

ULONG ReleaseComObject(ComObjectWrapper* wrapper) {
  std::shared_ptr<ComHolder> holder = wrapper->holder();
  IDispatch* dispatch = holder->dispatch;
  // A subscribed object is unadvised while it can still be reached: one that
  // outlives this last reference (an out-of-process object other clients
  // hold) would otherwise keep calling a sink nobody listens to.
  ComPtr<EventSink> sink = ComPtr<EventSink>::Share(holder->sink.get());
  const bool unadvised = sink && sink->advised() && IsLastReference(dispatch);
  if (unadvised) sink->Unadvise(dispatch);
  ULONG count = dispatch->Release();
  if (count != 0) {
    // Somebody took a reference meanwhile: the object stays subscribed.
    if (unadvised) sink->Advise(dispatch);
    return count;
  }
  holder->dispatch = nullptr;
  // The object is gone: its subscriptions go too, so that nothing keeps the
  // event loop alive for an object script can no longer use.
  if (sink) {
    sink->TearDown(nullptr);
    holder->sink.reset();
  }
  wrapper->Drop();
  return 0;
}

void DiscardComObject(ComObjectWrapper* wrapper) {
  std::shared_ptr<ComHolder> holder = wrapper->holder();
  std::exchange(holder->dispatch, nullptr)->Release();
  wrapper->Drop();
}

}  // namespace com_bridge
