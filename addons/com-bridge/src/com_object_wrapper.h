// The native side of a ComObject: the wrapper behind each script instance,
// the COM state it shares (ComHolder), the class registration, the one way
// instances are made (WrapDispatch) and the one way their reference is
// dropped (ReleaseComObject).
#pragma once

#include <nan.h>
#include <windows.h>

#include <oaidl.h>

#include <memory>

#include "win-owners/com.h"
#include "event_sink.h"
#include "tracked_wrap.h"

namespace com_bridge {

struct TypeInfoCache;

// The COM state of one ComObject, shared with operations that need the
// interface for their length (argument conversion, qi).
struct ComHolder {
  explicit ComHolder(win::ComPtr<IDispatch> object) : dispatch(std::move(object)) {}
  // An instance script never released is freed with the environment, when
  // its thread may have left the apartment the reference belongs to: the
  // reference is given up unreleased rather than released from there.
  ~ComHolder() { dispatch.release(); }
  ComHolder(const ComHolder&) = delete;
  ComHolder& operator=(const ComHolder&) = delete;

  // The instance's one reference, given up by ReleaseComObject; empty from
  // then on.
  win::ComPtr<IDispatch> dispatch;
  std::shared_ptr<TypeInfoCache> typeInfo;
  // Made by the first on or off.
  win::ComPtr<EventSink> sink;
};

class ComObjectWrapper : public TrackedWrap {
 public:
  explicit ComObjectWrapper(std::shared_ptr<ComHolder> holder) : holder_(std::move(holder)) {}
  ~ComObjectWrapper() override { pin_.Reset(); }

  // Empty once the instance was released.
  const std::shared_ptr<ComHolder>& holder() const { return holder_; }

  // Makes the instance collectable and forgets the holder.
  void Drop() {
    pin_.Reset();
    holder_.reset();
  }

  void Pin(v8::Local<v8::Object> instance) { pin_.Reset(instance); }
  void Attach(v8::Local<v8::Object> instance) { Wrap(instance); }

  // Calls into the object that are running (script thread). Script that
  // runs while one is inside the server (a message dispatched while a
  // single-threaded apartment waits) may release the instance: the release
  // then leaves the running calls a reference of their own
  // (KeepForRunningCalls), which the last of them gives up as it ends.
  void EnterCall() { ++running_calls_; }
  void LeaveCall() {
    if (--running_calls_ == 0) kept_for_calls_.reset();
  }
  void KeepForRunningCalls(IDispatch* dispatch) {
    if (running_calls_ > 0 && !kept_for_calls_) kept_for_calls_ = win::ComPtr<IDispatch>::Share(dispatch);
  }

 private:
  // A strong handle that keeps the instance alive until its release.
  Nan::Persistent<v8::Object> pin_;
  std::shared_ptr<ComHolder> holder_;
  int running_calls_ = 0;
  win::ComPtr<IDispatch> kept_for_calls_;
};

// Adds the ComObject class to the module's exports.
void RegisterComObjectClass(v8::Local<v8::Object> exports);

// A new ComObject adopting the caller's reference on dispatch.
v8::Local<v8::Object> WrapDispatch(win::ComPtr<IDispatch> dispatch);

// The wrapper of a ComObject instance; null for any other value.
ComObjectWrapper* ComObjectOf(v8::Local<v8::Value> value);

// For a live instance: unsubscribes its events, releases its one reference
// and returns the interface's new count. Whatever the count, the instance
// loses its holder and becomes collectable; every later use throws.
ULONG ReleaseComObject(ComObjectWrapper* wrapper);

// For a ComObject script never received (a conversion whose value could not
// be handed over): releases it as ReleaseComObject does, unless script
// already did.
void DiscardComObject(ComObjectWrapper* wrapper);

}  // namespace com_bridge
