#include "tracked_wrap.h"

namespace com_bridge {
namespace {

// All of them, newest first; script-thread only.
TrackedWrap* newest = nullptr;

}  // namespace

TrackedWrap::TrackedWrap() : next_(newest) {
  if (next_ != nullptr) next_->previous_ = this;
  newest = this;
}

TrackedWrap::~TrackedWrap() {
  if (previous_ != nullptr) previous_->next_ = next_;
  if (next_ != nullptr) next_->previous_ = previous_;
  if (newest == this) newest = next_;
}

void TrackedWrap::FreeAll() {
  while (newest != nullptr) delete newest;
}

}  // namespace com_bridge
