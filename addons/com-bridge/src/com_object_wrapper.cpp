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

// A method with the class's signature, as Nan::SetPrototypeMethod adds one,
// whose callback the runtime calls directly.
void SetDirectPrototypeMethod(v8::Local<v8::FunctionTemplate> tpl, const char* name, v8::FunctionCallback callback) {
  v8::Isolate* isolate = v8::Isolate::GetCurrent();
  v8::Local<v8::FunctionTemplate> method =
      v8::FunctionTemplate::New(isolate, callback, v8::Local<v8::Value>(), v8::Signature::New(isolate, tpl));
  v8::Local<v8::String> method_name = Nan::New(name).ToLocalChecked();
  tpl->PrototypeTemplate()->Set(method_name, method);
  method->SetClassName(method_name);
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
  SetDirectPrototypeMethod(tpl, "get", GetMethod);
  Nan::SetPrototypeMethod(tpl, "set", SetMethod);
  SetDirectPrototypeMethod(tpl, "call", CallMethod);
  SetDirectPrototypeMethod(tpl, "callUnsafe", CallUnsafeMethod);
  Nan::SetPrototypeMethod(tpl, "qi", QueryInterfaceMethod);
  Nan::SetPrototypeMethod(tpl, "release", ReleaseMethod);
  AddIterator(tpl);
  Nan::SetCallAsFunctionHandler(tpl->InstanceTemplate(), CallDefaultMember);
  com_object_template.Reset(tpl);
  Nan::Set(exports, Nan::New("ComObject").ToLocalChecked(), Nan::GetFunction(tpl).ToLocalChecked());
}

v8::Local<v8::Object> WrapDispatch(win::ComPtr<IDispatch> dispatch) {
  Nan::EscapableHandleScope scope;
  v8::Local<v8::FunctionTemplate> tpl = Nan::New(com_object_template);
  v8::Local<v8::Object> instance;
  if (!Nan::NewInstance(tpl->InstanceTemplate()).ToLocal(&instance)) return v8::Local<v8::Object>();
  // Not make_shared: without RTTI it needs a libstdc++ function no DLL provides.
  auto* wrapper = new ComObjectWrapper(std::shared_ptr<ComHolder>(new ComHolder(std::move(dispatch))));
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

ULONG ReleaseComObject(ComObjectWrapper* wrapper) {
  std::shared_ptr<ComHolder> holder = wrapper->holder();
  win::ComPtr<IDispatch> dispatch = std::move(holder->dispatch);
  // The instance holds one reference, and this is it: whatever count the
  // object answers (other ComObjects, argument slots and the server's own
  // references count too), the instance is released from here on. Its
  // subscriptions go first, while the object can still be reached: script
  // can no longer remove them, and an object that outlives this reference
  // would otherwise keep calling a sink nobody listens to.
  if (holder->sink) {
    holder->sink->TearDown(dispatch.get());
    holder->sink.reset();
  }
  wrapper->Drop();
  // A call into the object that is still running keeps it until it ends.
  wrapper->KeepForRunningCalls(dispatch.get());
  return dispatch.release()->Release();
}

void DiscardComObject(ComObjectWrapper* wrapper) {
  // Script may have released it already (a setter that then threw).
  if (wrapper->holder() && wrapper->holder()->dispatch) ReleaseComObject(wrapper);
}

}  // namespace com_bridge
