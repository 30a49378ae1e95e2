#include "com_object.h"

#include <windows.h>

#include <oleauto.h>

#include <optional>
#include <string>
#include <vector>

#include "com_error.h"
#include "com_object_wrapper.h"
#include "com_resources.h"
#include "text.h"
#include "value_conversion.h"

namespace com_bridge {
namespace {

using CallInfo = Nan::FunctionCallbackInfo<v8::Value>;

// The receiver's COM state; throws when the object was released.
std::shared_ptr<ComHolder> LiveHolder(v8::Local<v8::Object> receiver) {
  auto* wrapper = Nan::ObjectWrap::Unwrap<ComObjectWrapper>(receiver);
  if (wrapper == nullptr || !wrapper->holder() || wrapper->holder()->dispatch == nullptr) {
    Nan::ThrowError("The ComObject was released");
    return nullptr;
  }
  return wrapper->holder();
}

// Script arguments from index first on, in script order.
std::vector<v8::Local<v8::Value>> ArgumentsFrom(const CallInfo& info, int first) {
  std::vector<v8::Local<v8::Value>> values;
  for (int i = first; i < info.Length(); ++i) values.push_back(info[i]);
  return values;
}

// Names are resolved on every call; nothing is cached.
HRESULT Resolve(IDispatch* target, const std::wstring& name, DISPID* dispid) {
  auto* names = const_cast<LPOLESTR>(name.c_str());
  return target->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, dispid);
}

// get, call and callUnsafe: the member named by argument 0, with the other
// arguments; a failure is thrown as a COM error or answered with undefined.
void InvokeMember(const CallInfo& info, WORD flags, bool throw_failure) {
  std::shared_ptr<ComHolder> holder = LiveHolder(info.Holder());
  if (!holder) return;
  std::optional<std::wstring> name = WideTextOf(info[0]);
  if (!name) return;
  CallArguments arguments;
  if (!arguments.Convert(ArgumentsFrom(info, 1), true)) return;
  // Script ran during the conversion and may have released the object.
  if (holder->dispatch == nullptr) return (void)Nan::ThrowError("The ComObject was released");
  ComPtr<IDispatch> target = ComPtr<IDispatch>::Share(holder->dispatch);

  Variant result;
  ExceptionInfo exception;
  DISPID dispid = DISPID_UNKNOWN;
  HRESULT outcome = Resolve(target.get(), *name, &dispid);
  if (SUCCEEDED(outcome))
    outcome = target->Invoke(dispid, IID_NULL, 0, flags, arguments.params(), result.get(), exception.get(), nullptr);
  if (FAILED(outcome)) {
    if (throw_failure) ThrowComError(outcome, exception.get());
    return;
  }
  arguments.WriteBackOutValues();
  info.GetReturnValue().Set(FromVariant(*result));
}

// The default member as a property get, then as a method.
HRESULT InvokeDefault(IDispatch* target, DISPPARAMS* params, VARIANT* result) {
  DISPID dispid = DISPID_UNKNOWN;
  const std::wstring name = L"_Default";
  HRESULT outcome = Resolve(target, name, &dispid);
  if (SUCCEEDED(outcome))
    outcome = target->Invoke(dispid, IID_NULL, 0, DISPATCH_PROPERTYGET, params, result, nullptr, nullptr);
  if (SUCCEEDED(outcome)) return outcome;
  VariantClear(result);
  outcome = Resolve(target, name, &dispid);
  if (SUCCEEDED(outcome))
    outcome = target->Invoke(dispid, IID_NULL, 0, DISPATCH_METHOD, params, result, nullptr, nullptr);
  return outcome;
}

}  // namespace

NAN_METHOD(GetMethod) { InvokeMember(info, DISPATCH_PROPERTYGET, false); }

NAN_METHOD(CallMethod) { InvokeMember(info, DISPATCH_METHOD, false); }

NAN_METHOD(CallUnsafeMethod) { InvokeMember(info, DISPATCH_METHOD, true); }

// A property put of one value; the outcome is not reported.
NAN_METHOD(SetMethod) {
  std::shared_ptr<ComHolder> holder = LiveHolder(info.Holder());
  if (!holder) return;
  std::optional<std::wstring> name = WideTextOf(info[0]);
  if (!name) return;
  CallArguments value;
  if (!value.Convert({info[1]}, false)) return;
  if (holder->dispatch == nullptr) return (void)Nan::ThrowError("The ComObject was released");
  ComPtr<IDispatch> target = ComPtr<IDispatch>::Share(holder->dispatch);
  DISPID dispid = DISPID_UNKNOWN;
  if (SUCCEEDED(Resolve(target.get(), *name, &dispid)))
    target->Invoke(dispid, IID_NULL, 0, DISPATCH_PROPERTYPUT, value.put_params(), nullptr, nullptr, nullptr);
}

// The first element of the list naming an interface the object supports,
// exactly as script passed it; the interface itself is not kept.
NAN_METHOD(QueryInterfaceMethod) {
  std::shared_ptr<ComHolder> holder = LiveHolder(info.Holder());
  if (!holder || !info[0]->IsArray()) return;
  v8::Local<v8::Array> list = info[0].As<v8::Array>();
  for (uint32_t i = 0; i < list->Length(); ++i) {
    v8::Local<v8::Value> element;
    std::optional<std::wstring> text;
    {
      Nan::TryCatch unreadable;  // an element that cannot be read or named is skipped
      if (!Nan::Get(list, i).ToLocal(&element)) continue;
      text = WideTextOf(element);
      if (!text) continue;
    }
    Bstr identifier(SysAllocStringLen(text->data(), static_cast<UINT>(text->size())));
    IID iid;
    if (FAILED(CLSIDFromString(identifier.get(), &iid)) || holder->dispatch == nullptr) continue;
    ComPtr<IUnknown> probe;
    if (SUCCEEDED(holder->dispatch->QueryInterface(iid, probe.put_void())) && probe) {
      info.GetReturnValue().Set(element);
      return;
    }
  }
}

NAN_METHOD(ReleaseMethod) {
  if (!LiveHolder(info.Holder())) return;
  auto* wrapper = Nan::ObjectWrap::Unwrap<ComObjectWrapper>(info.Holder());
  info.GetReturnValue().Set(static_cast<uint32_t>(ReleaseComObject(wrapper)));
}

// Calling an instance: its default member with the arguments; `_out`
// holders are passed by reference but not written back. Never throws for a
// COM failure.
NAN_METHOD(CallDefaultMember) {
  std::shared_ptr<ComHolder> holder = LiveHolder(info.Holder());
  if (!holder) return;
  CallArguments arguments;
  if (!arguments.Convert(ArgumentsFrom(info, 0), false)) return;
  if (holder->dispatch == nullptr) return (void)Nan::ThrowError("The ComObject was released");
  ComPtr<IDispatch> target = ComPtr<IDispatch>::Share(holder->dispatch);
  Variant result;
  if (SUCCEEDED(InvokeDefault(target.get(), arguments.params(), result.get())))
    info.GetReturnValue().Set(FromVariant(*result));
}

}  // namespace com_bridge
