#include "com_object.h"

#include <windows.h>

#include <oleauto.h>

#include <optional>
#include <string>
#include <vector>

#include "com_error.h"
#include "com_object_wrapper.h"
#include "win-owners/com.h"
#include "text.h"
#include "value_conversion.h"

namespace com_bridge {
namespace {

using CallInfo = Nan::FunctionCallbackInfo<v8::Value>;

// The receiver's interface; null, with an Error thrown, once it was
// released. Script that runs during an operation (a getter, a toString) may
// release the object, so an operation looks again after running script;
// between that look and the end of its COM calls no script runs.
IDispatch* LiveDispatch(const ComObjectWrapper* wrapper) {
  const std::shared_ptr<ComHolder>& holder = wrapper->holder();
  if (!holder || !holder->dispatch) {
    Nan::ThrowError("The ComObject was released");
    return nullptr;
  }
  return holder->dispatch.get();
}

IDispatch* LiveDispatch(v8::Local<v8::Object> receiver) {
  return LiveDispatch(Nan::ObjectWrap::Unwrap<ComObjectWrapper>(receiver));
}

// The receiver's interface for the length of one call, or null, with an
// Error thrown, once it was released. Should script release the instance
// while the call runs, the object stays alive until the call ends
// (ComObjectWrapper::EnterCall).
class RunningCall {
 public:
  explicit RunningCall(v8::Local<v8::Object> receiver)
      : wrapper_(Nan::ObjectWrap::Unwrap<ComObjectWrapper>(receiver)), target_(LiveDispatch(wrapper_)) {
    if (target_ != nullptr) wrapper_->EnterCall();
  }
  ~RunningCall() {
    if (target_ != nullptr) wrapper_->LeaveCall();
  }
  RunningCall(const RunningCall&) = delete;
  RunningCall& operator=(const RunningCall&) = delete;

  IDispatch* target() const { return target_; }

 private:
  ComObjectWrapper* wrapper_;
  IDispatch* target_;
};

// Names are resolved on every call; nothing is cached.
HRESULT Resolve(IDispatch* target, const wchar_t* name, DISPID* dispid) {
  auto* names = const_cast<LPOLESTR>(name);
  return target->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, dispid);
}

// get, call and callUnsafe: the member named by argument 0, with the other
// arguments; a failure is thrown as a COM error or answered with undefined.
void InvokeMember(const CallInfo& info, WORD flags, bool throw_failure) {
  if (LiveDispatch(info.Holder()) == nullptr) return;
  WideText name;
  if (!name.Read(info[0])) return;
  CallArguments arguments;
  if (!arguments.Convert(ScriptValues(info, 1), true)) return;
  RunningCall call(info.Holder());
  IDispatch* target = call.target();
  if (target == nullptr) return;

  win::Variant result;
  win::ExceptionInfo exception;
  DISPID dispid = DISPID_UNKNOWN;
  HRESULT outcome = Resolve(target, name.c_str(), &dispid);
  if (SUCCEEDED(outcome))
    outcome = target->Invoke(dispid, IID_NULL, 0, flags, arguments.params(), result.get(), exception.get(), nullptr);
  if (FAILED(outcome)) {
    if (throw_failure) ThrowComError(outcome, exception.get());
    return;
  }
  // When a write-back threw, script gets the exception and no result: none
  // is made that nobody would release. A value that cannot reach script is
  // refused by the method's convention: thrown by callUnsafe, undefined for
  // get and call.
  const char* refusal = nullptr;
  if (arguments.HasOutValues() && !arguments.WriteBackOutValues(&refusal)) {
    if (refusal != nullptr && throw_failure) ThrowRefused("An _out value", refusal);
    return;
  }
  MadeObjects made;
  v8::Local<v8::Value> value;
  if (!FromVariant(*result, &made, &refusal).ToLocal(&value)) {
    if (throw_failure) ThrowRefused("The result", refusal);
    return;
  }
  info.GetReturnValue().Set(value);
}

// One attempt at a member, into a result cleared of any earlier attempt's.
HRESULT InvokeInto(IDispatch* target, DISPID dispid, WORD flags, DISPPARAMS* params, VARIANT* result) {
  VariantClear(result);
  return target->Invoke(dispid, IID_NULL, 0, flags, params, result, nullptr, nullptr);
}

// The default member as a property get, then as a method: by the name
// "_Default" and, when no member has that name (most servers give their
// default member only its DISPID), by DISPID_VALUE directly.
HRESULT InvokeDefault(IDispatch* target, DISPPARAMS* params, VARIANT* result) {
  wchar_t name[] = L"_Default";
  bool named = false;
  HRESULT outcome = DISP_E_MEMBERNOTFOUND;
  for (WORD flags : {DISPATCH_PROPERTYGET, DISPATCH_METHOD}) {
    DISPID dispid = DISPID_UNKNOWN;
    outcome = Resolve(target, name, &dispid);
    named = SUCCEEDED(outcome);
    if (named) outcome = InvokeInto(target, dispid, flags, params, result);
    if (SUCCEEDED(outcome)) return outcome;
  }
  if (named) return outcome;
  for (WORD flags : {DISPATCH_PROPERTYGET, DISPATCH_METHOD}) {
    outcome = InvokeInto(target, DISPID_VALUE, flags, params, result);
    if (SUCCEEDED(outcome)) return outcome;
  }
  return outcome;
}

}  // namespace

void GetMethod(const v8::FunctionCallbackInfo<v8::Value>& info) {
  InvokeMember(CallInfo(info, v8::Local<v8::Value>()), DISPATCH_PROPERTYGET, false);
}

void CallMethod(const v8::FunctionCallbackInfo<v8::Value>& info) {
  InvokeMember(CallInfo(info, v8::Local<v8::Value>()), DISPATCH_METHOD, false);
}

void CallUnsafeMethod(const v8::FunctionCallbackInfo<v8::Value>& info) {
  InvokeMember(CallInfo(info, v8::Local<v8::Value>()), DISPATCH_METHOD, true);
}

// A property put of one value; the outcome is not reported.
NAN_METHOD(SetMethod) {
  if (LiveDispatch(info.Holder()) == nullptr) return;
  WideText name;
  if (!name.Read(info[0])) return;
  CallArguments value;
  if (!value.Convert(ScriptValues(info[1]), false)) return;
  RunningCall call(info.Holder());
  IDispatch* target = call.target();
  if (target == nullptr) return;
  DISPID dispid = DISPID_UNKNOWN;
  if (SUCCEEDED(Resolve(target, name.c_str(), &dispid)))
    target->Invoke(dispid, IID_NULL, 0, DISPATCH_PROPERTYPUT, value.put_params(), nullptr, nullptr, nullptr);
}

// The first element of the list naming an interface the object supports,
// exactly as script passed it; the interface itself is not kept.
NAN_METHOD(QueryInterfaceMethod) {
  if (LiveDispatch(info.Holder()) == nullptr || !info[0]->IsArray()) return;
  v8::Local<v8::Array> list = info[0].As<v8::Array>();
  // The length as it was: the elements' getters may change it. Refused by
  // its size, as a call argument is, before any element is read.
  const uint32_t length = list->Length();
  if (!FitsCom(length)) return Nan::ThrowTypeError("Argument 1 cannot be passed to COM: an array too large for COM");
  for (uint32_t i = 0; i < length; ++i) {
    Nan::HandleScope scope;
    v8::Local<v8::Value> element;
    std::optional<std::wstring> text;
    {
      Nan::TryCatch unreadable;  // an element that cannot be read or named is skipped
      if (!Nan::Get(list, i).ToLocal(&element)) continue;
      text = WideTextOf(element);
      if (!text) continue;
    }
    win::Bstr identifier(SysAllocStringLen(text->data(), static_cast<UINT>(text->size())));
    IID iid;
    if (FAILED(CLSIDFromString(identifier.get(), &iid))) continue;
    IDispatch* target = LiveDispatch(info.Holder());
    if (target == nullptr) return;
    win::ComPtr<IUnknown> probe;
    if (SUCCEEDED(target->QueryInterface(iid, probe.put_void())) && probe) {
      info.GetReturnValue().Set(element);
      return;
    }
  }
}

NAN_METHOD(ReleaseMethod) {
  if (LiveDispatch(info.Holder()) == nullptr) return;
  auto* wrapper = Nan::ObjectWrap::Unwrap<ComObjectWrapper>(info.Holder());
  info.GetReturnValue().Set(static_cast<uint32_t>(ReleaseComObject(wrapper)));
}

// Calling an instance: its default member with the arguments; `_out`
// holders are passed by reference but not written back. Never throws for a
// COM failure.
NAN_METHOD(CallDefaultMember) {
  if (LiveDispatch(info.Holder()) == nullptr) return;
  CallArguments arguments;
  if (!arguments.Convert(ScriptValues(info, 0), false)) return;
  RunningCall call(info.Holder());
  if (call.target() == nullptr) return;
  win::Variant result;
  if (FAILED(InvokeDefault(call.target(), arguments.params(), result.get()))) return;
  MadeObjects made;
  const char* refusal = nullptr;
  v8::Local<v8::Value> value;
  if (FromVariant(*result, &made, &refusal).ToLocal(&value)) info.GetReturnValue().Set(value);
}

}  // namespace com_bridge
