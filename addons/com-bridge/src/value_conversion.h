// Values between script and COM: call arguments to VARIANTs (with `_out`
// holders passed by reference and written back, and arrays as SAFEARRAYs),
// and VARIANTs, by-reference cells and SAFEARRAYs back to script values.
#pragma once

#include <nan.h>
#include <windows.h>

#include <oaidl.h>

#include <memory>
#include <utility>
#include <vector>

#include "win-owners/com.h"

namespace com_bridge {

// The script values a call passes on: a call's arguments from one index on,
// or a single value.
class ScriptValues {
 public:
  ScriptValues(const Nan::FunctionCallbackInfo<v8::Value>& info, int first) : info_(&info), first_(first) {}
  explicit ScriptValues(v8::Local<v8::Value> single) : single_(single) {}

  size_t size() const {
    if (info_ == nullptr) return 1;
    return info_->Length() > first_ ? static_cast<size_t>(info_->Length() - first_) : 0;
  }
  v8::Local<v8::Value> operator[](size_t i) const {
    return info_ != nullptr ? (*info_)[first_ + static_cast<int>(i)] : single_;
  }

 private:
  const Nan::FunctionCallbackInfo<v8::Value>* info_ = nullptr;
  int first_ = 0;
  v8::Local<v8::Value> single_;
};

// One call's arguments, in the order IDispatch::Invoke takes them: the last
// script argument at index 0. Every slot is a VARIANT owned here (an object
// holds a reference of its own), and a by-reference slot points at a cell
// owned here too; all are released when the arguments go.
class CallArguments {
 public:
  CallArguments() = default;
  ~CallArguments();
  CallArguments(const CallArguments&) = delete;
  CallArguments& operator=(const CallArguments&) = delete;

  // Converts the values, given in script order. A value that cannot cross
  // (a plain object, a function, a symbol, a released ComObject...) throws
  // a TypeError naming its position, counted from 1; an exception thrown by
  // script during the conversion (a getter, a toString) stays pending. In
  // both cases the result is false and nothing reached COM. With
  // record_out, `_out` holders passed by reference are remembered for
  // WriteBackOutValues.
  bool Convert(const ScriptValues& values, bool record_out);

  DISPPARAMS* params();
  // For a property put: the one value under the named argument DISPID_PROPERTYPUT.
  DISPPARAMS* put_params();

  // After a successful call: each remembered holder that still has its own
  // "_out" property receives what the server left in its cell. False when
  // script threw (a setter), with the exception pending, or when a cell's
  // value cannot be a script value, with *refusal saying why (see
  // FromVariant); the holders after it are left as they were, and nothing
  // was made that script did not get.
  bool WriteBackOutValues(const char** refusal) const;
  bool HasOutValues() const { return !out_holders_.empty(); }

 private:
  // Most calls pass a few arguments: those need no allocation.
  static constexpr size_t kInlineSlots = 8;
  VARIANT inline_slots_[kInlineSlots];
  std::vector<VARIANT> more_slots_;
  VARIANT* slots_ = inline_slots_;
  size_t count_ = 0;
  std::vector<std::unique_ptr<win::Variant>> cells_;
  std::vector<std::pair<v8::Local<v8::Object>, size_t>> out_holders_;
  DISPPARAMS params_ = {};
  DISPID put_id_ = DISPID_PROPERTYPUT;
};

// Whether an array of this length may cross as a SAFEARRAY of VARIANT: its
// data must stay addressable by the 32-bit sizes and indices of the
// SAFEARRAY functions. Checked before any element is read.
bool FitsCom(uint32_t length);

class ComObjectWrapper;

// The ComObjects one conversion made (the instances', not owned here), so
// that a value that cannot be handed over releases them again. The first
// few are noted without allocating.
class MadeObjects {
 public:
  MadeObjects() = default;
  MadeObjects(const MadeObjects&) = delete;
  MadeObjects& operator=(const MadeObjects&) = delete;

  void Add(ComObjectWrapper* object);
  // Releases each one that script has not released.
  void DiscardAll();

 private:
  static constexpr size_t kInline = 4;
  ComObjectWrapper* first_[kInline];
  size_t count_ = 0;
  std::vector<ComObjectWrapper*> more_;
};

// The most dimensions a SAFEARRAY from COM may have; one with more is
// refused.
constexpr unsigned kMaxResultDimensions = 32;

// A VARIANT as a script value, read through VT_BYREF. Nothing of the
// VARIANT is taken over: an object becomes a ComObject with a reference of
// its own, so the caller still clears what it owns. The new ComObjects are
// noted in `made`.
//
// Empty when some part of the value cannot be a script value (an array of
// more than kMaxResultDimensions dimensions, a string longer than the
// script engine takes): *refusal says what, every object in `made` has been
// released again, and no exception is pending.
v8::MaybeLocal<v8::Value> FromVariant(const VARIANT& value, MadeObjects* made, const char** refusal);

// A TypeError for a value from COM that FromVariant refused: "<what> cannot
// be passed to script: <refusal>".
void ThrowRefused(const char* what, const char* refusal);

}  // namespace com_bridge
