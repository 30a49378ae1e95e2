#include "collection_iterator.h"

#include <windows.h>

#include <oaidl.h>

#include <vector>

#include "com_error.h"
#include "com_object_wrapper.h"
#include "com_resources.h"
#include "tracked_wrap.h"
#include "value_conversion.h"

namespace com_bridge {
namespace {

// Elements are fetched from the enumerator this many at a time.
constexpr ULONG kBatch = 32;

Nan::Persistent<v8::FunctionTemplate> iterator_template;

// The script iterator: the enumerator and the fetched elements not yet
// handed out, all released when the iteration ends, is left early (return)
// or the iterator is collected.
class ComIterator : public TrackedWrap {
 public:
  explicit ComIterator(ComPtr<IEnumVARIANT> enumerator) : enumerator_(std::move(enumerator)) {}
  ~ComIterator() override { Close(); }

  void Attach(v8::Local<v8::Object> instance) { Wrap(instance); }

  // Sets *value to the next element; false when there is none. A failing
  // enumerator throws its COM error.
  bool Next(v8::Local<v8::Value>* value) {
    if (position_ == batch_.size() && !Fetch()) return false;
    *value = FromVariant(batch_[position_]);
    VariantClear(&batch_[position_]);
    ++position_;
    return true;
  }

  void Close() {
    for (size_t i = position_; i < batch_.size(); ++i) VariantClear(&batch_[i]);
    batch_.clear();
    position_ = 0;
    enumerator_.reset();
  }

 private:
  bool Fetch() {
    batch_.clear();
    position_ = 0;
    if (!enumerator_) return false;
    batch_.resize(kBatch);
    for (VARIANT& element : batch_) VariantInit(&element);
    ULONG fetched = 0;
    HRESULT outcome = enumerator_->Next(kBatch, batch_.data(), &fetched);
    if (FAILED(outcome)) {
      Close();
      ThrowComError(outcome, nullptr);
      return false;
    }
    if (fetched > kBatch) fetched = kBatch;
    batch_.resize(fetched);  // the rest were never filled
    if (outcome != S_OK) enumerator_.reset();  // S_FALSE: that was the last batch
    if (fetched == 0) {
      Close();
      return false;
    }
    return true;
  }

  ComPtr<IEnumVARIANT> enumerator_;
  std::vector<VARIANT> batch_;
  size_t position_ = 0;
};

v8::Local<v8::Object> IteratorResult(v8::Local<v8::Value> value, bool done) {
  v8::Local<v8::Object> result = Nan::New<v8::Object>();
  Nan::Set(result, Nan::New("value").ToLocalChecked(), value);
  Nan::Set(result, Nan::New("done").ToLocalChecked(), Nan::New(done));
  return result;
}

NAN_METHOD(NextMethod) {
  auto* iterator = Nan::ObjectWrap::Unwrap<ComIterator>(info.Holder());
  Nan::TryCatch failure;
  v8::Local<v8::Value> value;
  if (iterator->Next(&value)) return info.GetReturnValue().Set(IteratorResult(value, false));
  if (failure.HasCaught()) return (void)failure.ReThrow();
  info.GetReturnValue().Set(IteratorResult(Nan::Undefined(), true));
}

// Leaving a for...of early (break, return, throw).
NAN_METHOD(ReturnMethod) {
  Nan::ObjectWrap::Unwrap<ComIterator>(info.Holder())->Close();
  info.GetReturnValue().Set(IteratorResult(Nan::Undefined(), true));
}

NAN_METHOD(SelfMethod) { info.GetReturnValue().Set(info.This()); }

// The object's enumerator, as its collections hand it out.
ComPtr<IEnumVARIANT> EnumeratorOf(IDispatch* object) {
  Variant result;
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  if (FAILED(object->Invoke(DISPID_NEWENUM, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                            &none, result.get(), nullptr, nullptr)))
    return {};
  IUnknown* source = nullptr;
  if ((*result).vt == VT_UNKNOWN) source = (*result).punkVal;
  if ((*result).vt == VT_DISPATCH) source = (*result).pdispVal;
  ComPtr<IEnumVARIANT> enumerator;
  if (source != nullptr) source->QueryInterface(IID_IEnumVARIANT, enumerator.put_void());
  return enumerator;
}

NAN_METHOD(IterateMethod) {
  auto* wrapper = Nan::ObjectWrap::Unwrap<ComObjectWrapper>(info.Holder());
  std::shared_ptr<ComHolder> holder = wrapper->holder();
  if (!holder || holder->dispatch == nullptr) return Nan::ThrowError("The ComObject was released");
  ComPtr<IEnumVARIANT> enumerator = EnumeratorOf(holder->dispatch);
  if (!enumerator) return Nan::ThrowTypeError("The ComObject is not iterable");
  v8::Local<v8::Object> instance;
  if (!Nan::NewInstance(Nan::New(iterator_template)->InstanceTemplate()).ToLocal(&instance)) return;
  (new ComIterator(std::move(enumerator)))->Attach(instance);
  info.GetReturnValue().Set(instance);
}

}  // namespace

void AddIterator(v8::Local<v8::FunctionTemplate> com_object) {
  v8::Isolate* isolate = v8::Isolate::GetCurrent();
  v8::Local<v8::FunctionTemplate> iterator = Nan::New<v8::FunctionTemplate>();
  iterator->SetClassName(Nan::New("ComObjectIterator").ToLocalChecked());
  iterator->InstanceTemplate()->SetInternalFieldCount(1);
  Nan::SetPrototypeMethod(iterator, "next", NextMethod);
  Nan::SetPrototypeMethod(iterator, "return", ReturnMethod);
  iterator->PrototypeTemplate()->Set(v8::Symbol::GetIterator(isolate),
                                     Nan::New<v8::FunctionTemplate>(SelfMethod), v8::DontEnum);
  iterator_template.Reset(iterator);

  com_object->PrototypeTemplate()->Set(
      v8::Symbol::GetIterator(isolate),
      Nan::New<v8::FunctionTemplate>(IterateMethod, v8::Local<v8::Value>(), Nan::New<v8::Signature>(com_object)),
      v8::DontEnum);
}

}  // namespace com_bridge
