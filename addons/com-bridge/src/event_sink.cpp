#include "event_sink.h"

#include <utility>

#include "com_object_wrapper.h"
#include "value_conversion.h"

namespace com_bridge {
namespace {

// One lock for every sink's registrations and queue. Script never runs while
// it is held, and nothing under it calls out of the addon except
// uv_async_send.
SRWLOCK event_lock = SRWLOCK_INIT;

class EventLock {
 public:
  EventLock() { AcquireSRWLockExclusive(&event_lock); }
  ~EventLock() { ReleaseSRWLockExclusive(&event_lock); }
  EventLock(const EventLock&) = delete;
  EventLock& operator=(const EventLock&) = delete;
};

}  // namespace

win::ComPtr<IConnectionPoint> FirstConnectionPoint(IDispatch* object) {
  win::ComPtr<IConnectionPointContainer> container;
  if (FAILED(object->QueryInterface(IID_IConnectionPointContainer, container.put_void())) || !container) return {};
  win::ComPtr<IEnumConnectionPoints> points;
  if (FAILED(container->EnumConnectionPoints(points.put())) || !points) return {};
  win::ComPtr<IConnectionPoint> first;
  ULONG fetched = 0;
  if (points->Next(1, first.put(), &fetched) != S_OK || fetched != 1) return {};
  return first;
}

win::ComPtr<EventSink> EventSink::Create(IDispatch* object) {
  IID events = IID_NULL;
  win::ComPtr<IConnectionPoint> point = FirstConnectionPoint(object);
  bool has_point = point && SUCCEEDED(point->GetConnectionInterface(&events));
  // The connection point is not kept: in the usual implementations it holds
  // its object, which could then never be released to 0.
  return win::ComPtr<EventSink>::Adopt(new EventSink(has_point, events));
}

void EventSink::PrepareDelivery() {
  // Never under the lock: this runs script.
  if (has_point_ && !resource_) resource_ = std::make_unique<Nan::AsyncResource>("ComObjectEvent");
}

void EventSink::Subscribe(IDispatch* object, DISPID dispid, v8::Local<v8::Function> callback) {
  if (!has_point_ || !resource_) return;
  {
    EventLock lock;
    if (callbacks_.empty()) {
      async_ = new uv_async_t;
      uv_async_init(uv_default_loop(), async_, DeliverEvents);
      async_->data = this;
      AddRef();  // released when the handle has closed
    }
    callbacks_[dispid].push_back(Callback(new v8::Global<v8::Function>(v8::Isolate::GetCurrent(), callback)));
  }
  // Outside the lock: a server may fire while it is being advised.
  if (cookie_ == 0) Advise(object);  // when it fails, the next on tries again
}

void EventSink::Advise(IDispatch* object) {
  if (win::ComPtr<IConnectionPoint> point = FirstConnectionPoint(object)) {
    DWORD cookie = 0;
    if (SUCCEEDED(point->Advise(this, &cookie))) cookie_ = cookie;
  }
}

void EventSink::Unadvise(IDispatch* object) {
  if (cookie_ == 0) return;
  if (object != nullptr) {
    if (win::ComPtr<IConnectionPoint> point = FirstConnectionPoint(object)) point->Unadvise(cookie_);
  }
  cookie_ = 0;
}

bool EventSink::Unsubscribe(DISPID dispid, v8::Local<v8::Function> callback) {
  Callback removed;  // freed outside the lock
  EventLock lock;
  auto list = callbacks_.find(dispid);
  if (list != callbacks_.end()) {
    for (auto entry = list->second.begin(); entry != list->second.end(); ++entry) {
      if (**entry == callback) {
        removed = std::move(*entry);
        list->second.erase(entry);
        break;
      }
    }
    if (list->second.empty()) callbacks_.erase(list);
  }
  return callbacks_.empty();
}

void EventSink::TearDown(IDispatch* object) {
  Unadvise(object);
  CallbackMap callbacks;
  std::vector<PendingEvent> queue;
  uv_async_t* async = nullptr;
  {
    EventLock lock;
    callbacks.swap(callbacks_);
    queue.swap(queue_);
    async = std::exchange(async_, nullptr);
  }
  // The handle's memory and the sink's reference go when the close has
  // completed; no loop iteration runs here.
  if (async != nullptr) uv_close(reinterpret_cast<uv_handle_t*>(async), Closed);
}

void EventSink::Closed(uv_handle_t* handle) {
  auto* sink = static_cast<EventSink*>(handle->data);
  delete reinterpret_cast<uv_async_t*>(handle);
  // The resource's destroy hook runs here, on the script thread.
  if (sink->async_ == nullptr) sink->resource_.reset();
  sink->Release();
}

void EventSink::DeliverEvents(uv_async_t* handle) { static_cast<EventSink*>(handle->data)->Deliver(); }

void EventSink::Deliver() {
  Nan::HandleScope scope;
  std::vector<PendingEvent> taken;
  CallbackMap callbacks;
  {
    EventLock lock;
    taken.swap(queue_);
    callbacks = callbacks_;
  }
  // Callbacks may tear this sink down; the async handle's reference keeps it
  // alive until the close completes, after this delivery.
  v8::Local<v8::Object> receiver = Nan::GetCurrentContext()->Global();
  for (PendingEvent& event : taken) {
    auto list = callbacks.find(event.dispid);
    if (list == callbacks.end()) continue;
    // The script callback's first argument is the array's first element
    // (for IDispatch the last declared parameter).
    std::vector<v8::Local<v8::Value>> arguments;
    MadeObjects made;
    const char* refusal = nullptr;
    for (const auto& argument : event.arguments) {
      v8::Local<v8::Value> value;
      if (!FromVariant(**argument, &made, &refusal).ToLocal(&value)) break;
      arguments.push_back(value);
    }
    // The converted values own what they need (an object its own reference):
    // the copies go now, so that a callback releasing an object sees its
    // true count.
    event.arguments.clear();
    if (refusal != nullptr) {
      // An argument that cannot be a script value: the event reaches no
      // callback, and the process hears of it as of a callback's exception.
      Nan::TryCatch refused;
      ThrowRefused("An event's argument", refusal);
      Nan::FatalException(refused);
      continue;
    }
    for (const Callback& callback : list->second) {
      // Through the runtime's callback machinery: promise jobs the callback
      // queues run after it, and an exception it throws reaches the process
      // as an uncaught exception while the other callbacks still run.
      resource_->runInAsyncScope(receiver, callback->Get(v8::Isolate::GetCurrent()), static_cast<int>(arguments.size()),
                                 arguments.data());
    }
  }
}

HRESULT STDMETHODCALLTYPE EventSink::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  // The event interface too: servers commonly ask for it when advised.
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || (has_point_ && IsEqualIID(iid, events_))) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE EventSink::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

ULONG STDMETHODCALLTYPE EventSink::Release() {
  LONG count = InterlockedDecrement(&references_);
  if (count == 0) delete this;
  return static_cast<ULONG>(count);
}

HRESULT STDMETHODCALLTYPE EventSink::GetTypeInfoCount(UINT*) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE EventSink::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE EventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

// Any thread. Events nobody subscribed to are dropped here. The arguments
// are copied (a by-reference argument as the value it refers to) and left
// to the server, which owns them; nothing is ever written back.
HRESULT STDMETHODCALLTYPE EventSink::Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                            UINT*) {
  {
    EventLock lock;
    if (async_ == nullptr || callbacks_.find(dispid) == callbacks_.end()) return S_OK;
  }
  // Declared before the lock below: an event that arrives during teardown is
  // freed after the lock is released.
  PendingEvent event{dispid, {}};
  const UINT count = params != nullptr && params->rgvarg != nullptr ? params->cArgs : 0;
  for (UINT i = 0; i < count; ++i) {
    auto copy = std::make_unique<win::Variant>();
    VariantCopyInd(copy->get(), &params->rgvarg[i]);
    event.arguments.push_back(std::move(copy));
  }
  EventLock lock;
  if (async_ != nullptr) {
    queue_.push_back(std::move(event));
    // Under the lock, so that the handle cannot be closing meanwhile.
    uv_async_send(async_);
  }
  return S_OK;
}

namespace {

// The receiver's holder; throws when the object was released.
std::shared_ptr<ComHolder> SubscriptionHolder(const Nan::FunctionCallbackInfo<v8::Value>& info) {
  auto* wrapper = Nan::ObjectWrap::Unwrap<ComObjectWrapper>(info.Holder());
  if (!wrapper->holder() || !wrapper->holder()->dispatch) {
    Nan::ThrowError("The ComObject was released");
    return nullptr;
  }
  return wrapper->holder();
}

}  // namespace

// on(dispid, callback): a number and a function, or nothing happens.
NAN_METHOD(OnMethod) {
  std::shared_ptr<ComHolder> holder = SubscriptionHolder(info);
  if (!holder || !info[0]->IsNumber() || !info[1]->IsFunction()) return;
  if (!holder->sink) holder->sink = EventSink::Create(holder->dispatch.get());
  win::ComPtr<EventSink> sink = win::ComPtr<EventSink>::Share(holder->sink.get());
  sink->PrepareDelivery();
  // The script that ran may have released the object.
  if (!SubscriptionHolder(info)) return;
  sink->Subscribe(holder->dispatch.get(), Nan::To<int32_t>(info[0]).FromJust(), info[1].As<v8::Function>());
}

// off(dispid, callback): removes one registration of that very function;
// the last one removed tears the subscription down, so that nothing keeps
// the event loop alive for it.
NAN_METHOD(OffMethod) {
  std::shared_ptr<ComHolder> holder = SubscriptionHolder(info);
  if (!holder || !info[0]->IsNumber() || !info[1]->IsFunction() || !holder->sink) return;
  if (holder->sink->Unsubscribe(Nan::To<int32_t>(info[0]).FromJust(), info[1].As<v8::Function>()))
    holder->sink->TearDown(holder->dispatch.get());
}

}  // namespace com_bridge
