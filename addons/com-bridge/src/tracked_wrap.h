// The native objects behind script instances (ComObject, its iterators).
// The collector frees them with their instances; those still alive when the
// runtime's environment ends (a ComObject script never released is never
// collected) are freed then, so that nothing native outlives the
// environment. Freeing makes no COM call for a ComObject: a reference script
// never released is not dropped.
#pragma once

#include <nan.h>

namespace com_bridge {

class TrackedWrap : public Nan::ObjectWrap {
 public:
  TrackedWrap(const TrackedWrap&) = delete;
  TrackedWrap& operator=(const TrackedWrap&) = delete;

  // Frees every native object still alive; for the environment's end.
  static void FreeAll();

 protected:
  TrackedWrap();
  ~TrackedWrap() override;

 private:
  TrackedWrap* previous_ = nullptr;
  TrackedWrap* next_ = nullptr;
};

}  // namespace com_bridge
