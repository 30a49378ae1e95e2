#include "collection_iterator.h"

#include <windows.h>

#include <oaidl.h>

#include "com_error.h"
#include "com_object_wrapper.h"
#include "win-owners/com.h"
#include "tracked_wrap.h"
#include "value_conversion.h"

namespace com_bridge {
namespace {

Nan::Persistent<v8::FunctionTemplate> iterator_template;

// The script iterator over an enumerator, released when the iteration ends,
// is left early (return) or the iterator is collected.
//
// Elements are asked for one at a time, as scripting hosts ask: enumerators
// written for them are exercised that way only, and some answer a larger
// request with S_OK and fewer elements, which COM's marshalling then reports
// as all fetched.
class ComIterator : public TrackedWrap {
 public:
  explicit ComIterator(win::ComPtr<IEnumVARIANT> enumerator) : enumerator_(std::move(enumerator)) {}

  void Attach(v8::Local<v8::Object> instance) { Wrap(instance); }

  // Sets *value to the next element; false when there is none. A failing
  // enumerator throws its COM error, and an element that cannot be a script
  // value a TypeError.
  bool Next(v8::Local<v8::Value>* value) {
    if (!enumerator_) return false;
    win::Variant element;
    ULONG fetched = 0;
    HRESULT outcome = enumerator_->Next(1, element.get(), &fetched);
    if (FAILED(outcome)) {
      Close();
      ThrowComError(outcome, nullptr);
      return false;
    }
    // S_FALSE, or nothing fetched: the enumerator is at its end.
    if (outcome != S_OK || fetched == 0) {
      Close();
      return false;
    }
    MadeObjects made;
    const char* refusal = nullptr;
    if (!FromVariant(*element, &made, &refusal).ToLocal(value)) {
      Close();
      ThrowRefused("The element", refusal);
      return false;
    }
    return true;
  }

  void Close() { enumerator_.reset(); }

 private:
  win::ComPtr<IEnumVARIANT> enumerator_;
};

// The iterator behind a receiver; null, with a TypeError thrown, for one
// that has none (the signature already refused every other receiver).
ComIterator* IteratorOf(v8::Local<v8::Object> receiver) {
  auto* iterator = static_cast<ComIterator*>(receiver->GetAlignedPointerFromInternalField(0));
  if (iterator == nullptr) Nan::ThrowTypeError("Not a ComObject iterator");
  return iterator;
}

v8::Local<v8::Object> IteratorResult(v8::Local<v8::Value> value, bool done) {
  // Own data properties: setters on Object.prototype never see them.
  v8::Local<v8::Context> context = Nan::GetCurrentContext();
  v8::Local<v8::Object> result = Nan::New<v8::Object>();
  result->CreateDataProperty(context, Nan::New("value").ToLocalChecked(), value).FromMaybe(false);
  result->CreateDataProperty(context, Nan::New("done").ToLocalChecked(), Nan::New(done)).FromMaybe(false);
  return result;
}

// Iterators come only from a ComObject's [Symbol.iterator]. The instance V8
// made for `new` is marked as having no iterator before the throw, so it can
// never reach the methods with an unset field.
NAN_METHOD(RefuseConstruction) {
  if (info.IsConstructCall()) info.This()->SetAlignedPointerInInternalField(0, nullptr);
  Nan::ThrowTypeError("ComObject iterators are made by iterating a ComObject, not constructed");
}

NAN_METHOD(NextMethod) {
  ComIterator* iterator = IteratorOf(info.Holder());
  if (iterator == nullptr) return;
  Nan::TryCatch failure;
  v8::Local<v8::Value> value;
  if (iterator->Next(&value)) return info.GetReturnValue().Set(IteratorResult(value, false));
  if (failure.HasCaught()) return (void)failure.ReThrow();
  info.GetReturnValue().Set(IteratorResult(Nan::Undefined(), true));
}

// Leaving a for...of early (break, return, throw).
NAN_METHOD(ReturnMethod) {
  ComIterator* iterator = IteratorOf(info.Holder());
  if (iterator == nullptr) return;
  iterator->Close();
  info.GetReturnValue().Set(IteratorResult(Nan::Undefined(), true));
}

NAN_METHOD(SelfMethod) { info.GetReturnValue().Set(info.This()); }

// The object's enumerator, as its collections hand it out.
win::ComPtr<IEnumVARIANT> EnumeratorOf(IDispatch* object) {
  win::Variant result;
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  if (FAILED(object->Invoke(DISPID_NEWENUM, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                            &none, result.get(), nullptr, nullptr)))
    return {};
  IUnknown* source = nullptr;
  if ((*result).vt == VT_UNKNOWN) source = (*result).punkVal;
  if ((*result).vt == VT_DISPATCH) source = (*result).pdispVal;
  win::ComPtr<IEnumVARIANT> enumerator;
  if (source != nullptr) source->QueryInterface(IID_IEnumVARIANT, enumerator.put_void());
  return enumerator;
}

NAN_METHOD(IterateMethod) {
  auto* wrapper = Nan::ObjectWrap::Unwrap<ComObjectWrapper>(info.Holder());
  std::shared_ptr<ComHolder> holder = wrapper->holder();
  if (!holder || !holder->dispatch) return Nan::ThrowError("The ComObject was released");
  win::ComPtr<IEnumVARIANT> enumerator = EnumeratorOf(holder->dispatch.get());
  if (!enumerator) return Nan::ThrowTypeError("The ComObject is not iterable");
  v8::Local<v8::Object> instance;
  if (!Nan::NewInstance(Nan::New(iterator_template)->InstanceTemplate()).ToLocal(&instance)) return;
  (new ComIterator(std::move(enumerator)))->Attach(instance);
  info.GetReturnValue().Set(instance);
}

}  // namespace

void AddIterator(v8::Local<v8::FunctionTemplate> com_object) {
  v8::Isolate* isolate = v8::Isolate::GetCurrent();
  v8::Local<v8::FunctionTemplate> iterator = Nan::New<v8::FunctionTemplate>(RefuseConstruction);
  iterator->SetClassName(Nan::New("ComObjectIterator").ToLocalChecked());
  iterator->InstanceTemplate()->SetInternalFieldCount(1);
  Nan::SetPrototypeMethod(iterator, "next", NextMethod);
  Nan::SetPrototypeMethod(iterator, "return", ReturnMethod);
  iterator->PrototypeTemplate()->Set(v8::Symbol::GetIterator(isolate), Nan::New<v8::FunctionTemplate>(SelfMethod),
                                     v8::DontEnum);
  iterator_template.Reset(iterator);

  com_object->PrototypeTemplate()->Set(
      v8::Symbol::GetIterator(isolate),
      Nan::New<v8::FunctionTemplate>(IterateMethod, v8::Local<v8::Value>(), Nan::New<v8::Signature>(com_object)),
      v8::DontEnum);
}

}  // namespace com_bridge
