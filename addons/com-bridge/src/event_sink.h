// Events from automation servers: the sink com-bridge advises on an object's
// first connection point, the subscription methods on and off, and the
// hand-over from whatever thread the server fires on to the script thread.
//
// The server calls Invoke on any thread; the sink copies the event into a
// queue under one process-wide lock and wakes the script thread's loop with
// an async handle, whose callback converts the arguments and calls the
// subscribed functions there, one by one through the runtime's callback
// machinery.
#pragma once

#include <nan.h>
#include <uv.h>
#include <windows.h>

#include <ocidl.h>

#include <memory>
#include <vector>

#include "win-owners/com.h"
#include "flat_map.h"

namespace com_bridge {

// The object's first connection point, or none.
win::ComPtr<IConnectionPoint> FirstConnectionPoint(IDispatch* object);

class EventSink final : public IDispatch {
 public:
  // A sink for the object. It stays inert (subscribes nothing) when the
  // object has no connection point.
  static win::ComPtr<EventSink> Create(IDispatch* object);

  // Script thread. Makes what delivery needs; it runs the runtime's async
  // hooks, which are script, so the caller looks at its object again
  // afterwards.
  void PrepareDelivery();
  // Script thread, after PrepareDelivery. Adds one registration, advising
  // the object on the first.
  void Subscribe(IDispatch* object, DISPID dispid, v8::Local<v8::Function> callback);
  // Script thread. Removes the first registration of that very function;
  // returns whether none is left, in which case the caller tears down.
  bool Unsubscribe(DISPID dispid, v8::Local<v8::Function> callback);
  // Script thread. Unadvises (when the object is still there), drops every
  // registration and queued event and closes the async handle; the sink
  // may be subscribed again afterwards.
  void TearDown(IDispatch* object);

  // IUnknown: the sink lives as long as somebody holds a reference on it
  // (its owner, the server it is advised on, its open async handle), so an
  // Invoke still running on a server thread never outlives it.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // IDispatch: only Invoke does anything.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** type_info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* dispids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argument_error) override;

 private:
  using Callback = std::shared_ptr<v8::Global<v8::Function>>;
  using CallbackMap = FlatMap<DISPID, std::vector<Callback>>;
  struct PendingEvent {
    DISPID dispid;
    std::vector<std::unique_ptr<win::Variant>> arguments;  // in the notification's array order
  };

  EventSink(bool has_point, const IID& events) : has_point_(has_point), events_(events) {}
  ~EventSink() = default;

  // Script thread. Puts the sink on the object's connection point, or takes
  // it off.
  void Advise(IDispatch* object);
  void Unadvise(IDispatch* object);

  static void DeliverEvents(uv_async_t* handle);
  static void Closed(uv_handle_t* handle);
  void Deliver();

  LONG references_ = 1;
  const bool has_point_;
  const IID events_;
  // Script thread only.
  DWORD cookie_ = 0;
  std::unique_ptr<Nan::AsyncResource> resource_;
  // Guarded by the event lock. async_ is open exactly while callbacks_ is
  // not empty.
  CallbackMap callbacks_;
  std::vector<PendingEvent> queue_;
  uv_async_t* async_ = nullptr;
};

NAN_METHOD(OnMethod);
NAN_METHOD(OffMethod);

}  // namespace com_bridge
