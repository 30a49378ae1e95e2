#include "type_info.h"

#include <ocidl.h>

#include "com_object_wrapper.h"
#include "win-owners/com.h"
#include "text.h"

namespace com_bridge {
namespace {

// The IUnknown and IDispatch methods as a dual interface's dispatch view
// lists them. A plain dispinterface (the usual form of an event interface)
// starts with its first declared member instead, so they are recognised by
// what they are, not by their position.
bool IsBaseMethod(DISPID dispid) {
  return (dispid >= 0x60000000 && dispid <= 0x60000002) || (dispid >= 0x60010000 && dispid <= 0x60010003);
}

class FuncDesc {
 public:
  FuncDesc(ITypeInfo* owner, UINT index) : owner_(owner) {
    if (FAILED(owner->GetFuncDesc(index, &desc_))) desc_ = nullptr;
  }
  ~FuncDesc() {
    if (desc_ != nullptr) owner_->ReleaseFuncDesc(desc_);
  }
  FuncDesc(const FuncDesc&) = delete;
  FuncDesc& operator=(const FuncDesc&) = delete;
  const FUNCDESC* get() const { return desc_; }

 private:
  ITypeInfo* owner_;
  FUNCDESC* desc_ = nullptr;
};

// The interface of the object's first connection point, when its type
// library describes it.
win::ComPtr<ITypeInfo> EventInterface(IDispatch* dispatch, ITypeInfo* object_type) {
  win::ComPtr<IConnectionPointContainer> container;
  if (FAILED(dispatch->QueryInterface(IID_IConnectionPointContainer, container.put_void())) || !container) return {};
  win::ComPtr<IEnumConnectionPoints> points;
  if (FAILED(container->EnumConnectionPoints(points.put())) || !points) return {};
  win::ComPtr<IConnectionPoint> first;
  ULONG fetched = 0;
  if (points->Next(1, first.put(), &fetched) != S_OK || fetched != 1 || !first) return {};
  IID events;
  if (FAILED(first->GetConnectionInterface(&events))) return {};
  win::ComPtr<ITypeLib> library;
  UINT index = 0;
  if (FAILED(object_type->GetContainingTypeLib(library.put(), &index)) || !library) return {};
  win::ComPtr<ITypeInfo> event_type;
  if (FAILED(library->GetTypeInfoOfGuid(events, event_type.put()))) return {};
  return event_type;
}

v8::Local<v8::String> Name(const char* name) { return Nan::New(name).ToLocalChecked(); }

// A member name becomes an own data property whatever it is ("__proto__"
// included).
// False for a name longer than a script string can be.
bool Add(v8::Local<v8::Object> target, const std::wstring& name, v8::Local<v8::Object> description) {
  v8::Local<v8::String> key;
  if (!ScriptString(name.data(), name.size()).ToLocal(&key)) return false;
  target->CreateDataProperty(Nan::GetCurrentContext(), key, description).FromMaybe(false);
  return true;
}

// An own data property: setters on Object.prototype never see it.
void Define(v8::Local<v8::Object> target, const char* name, v8::Local<v8::Value> value) {
  target->CreateDataProperty(Nan::GetCurrentContext(), Name(name), value).FromMaybe(false);
}

v8::Local<v8::Object> Description(const MemberInfo& member, bool with_dispid) {
  v8::Local<v8::Object> description = Nan::New<v8::Object>();
  Define(description, "numArgs", Nan::New(static_cast<int>(member.numArgs)));
  if (with_dispid) Define(description, "dispid", Nan::New(static_cast<int32_t>(member.dispid)));
  return description;
}

}  // namespace

void CollectMembers(ITypeInfo* type_info, MemberMap* map) {
  TYPEATTR* attributes = nullptr;
  if (FAILED(type_info->GetTypeAttr(&attributes)) || attributes == nullptr) return;
  const WORD count = attributes->cFuncs;
  type_info->ReleaseTypeAttr(attributes);
  for (UINT index = 0; index < count; ++index) {
    FuncDesc function(type_info, index);
    if (function.get() == nullptr || IsBaseMethod(function.get()->memid)) continue;
    BSTR name = nullptr;
    UINT names = 0;
    if (FAILED(type_info->GetNames(function.get()->memid, &name, 1, &names)) || names == 0) continue;
    win::Bstr owned(name);
    (*map)[std::wstring(name, SysStringLen(name))] = {function.get()->memid, function.get()->invkind,
                                                      function.get()->cParams};
  }
}

std::shared_ptr<TypeInfoCache> BuildTypeInfo(IDispatch* dispatch) {
  auto cache = std::shared_ptr<TypeInfoCache>(new TypeInfoCache);
  win::ComPtr<ITypeInfo> object_type;
  if (FAILED(dispatch->GetTypeInfo(0, 0, object_type.put())) || !object_type) return cache;
  CollectMembers(object_type.get(), &cache->members);
  if (win::ComPtr<ITypeInfo> events = EventInterface(dispatch, object_type.get())) {
    CollectMembers(events.get(), &cache->events);
  }
  return cache;
}

// {"properties": {...}, "functions": {...}, "events": {...}}, made anew from
// the cache on every call; the cache is built on the first.
NAN_METHOD(GetTypeInfoMethod) {
  auto* wrapper = Nan::ObjectWrap::Unwrap<ComObjectWrapper>(info.Holder());
  std::shared_ptr<ComHolder> holder = wrapper->holder();
  if (!holder || !holder->dispatch) return Nan::ThrowError("The ComObject was released");
  if (!holder->typeInfo) holder->typeInfo = BuildTypeInfo(holder->dispatch.get());
  std::shared_ptr<TypeInfoCache> cache = holder->typeInfo;

  v8::Local<v8::Object> properties = Nan::New<v8::Object>();
  v8::Local<v8::Object> functions = Nan::New<v8::Object>();
  v8::Local<v8::Object> events = Nan::New<v8::Object>();
  bool named = true;
  for (const auto& [name, member] : cache->members) {
    v8::Local<v8::Object> target = member.invokeKind == INVOKE_FUNC ? functions : properties;
    named = named && Add(target, name, Description(member, false));
  }
  for (const auto& [name, member] : cache->events) {
    named = named && Add(events, name, Description(member, true));
  }
  if (!named)
    return Nan::ThrowTypeError(
        "A member name cannot be passed to script: a string longer than the script engine takes");
  v8::Local<v8::Object> result = Nan::New<v8::Object>();
  Define(result, "properties", properties);
  Define(result, "functions", functions);
  Define(result, "events", events);
  info.GetReturnValue().Set(result);
}

}  // namespace com_bridge
