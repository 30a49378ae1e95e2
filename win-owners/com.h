// Owners of COM's resources, on the rules of handles.h (get, put, release,
// reset, move-only): an interface reference, a BSTR, a VARIANT, a SAFEARRAY
// and its lock, and the strings of an EXCEPINFO.
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <utility>

#include "handles.h"

namespace win {

// One reference on a COM interface.
template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  // Takes over a reference the caller owns.
  static ComPtr Adopt(Interface* pointer) noexcept {
    ComPtr owner;
    owner.pointer_ = pointer;
    return owner;
  }
  // Takes a reference of its own.
  static ComPtr Share(Interface* pointer) noexcept {
    if (pointer != nullptr) pointer->AddRef();
    return Adopt(pointer);
  }
  ~ComPtr() { reset(); }
  ComPtr(ComPtr&& other) noexcept : pointer_(other.release()) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      reset();
      pointer_ = other.release();
    }
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;

  Interface* get() const noexcept { return pointer_; }
  Interface* operator->() const noexcept { return pointer_; }
  explicit operator bool() const noexcept { return pointer_ != nullptr; }
  // For functions that hand out a new reference.
  Interface** put() noexcept {
    reset();
    return &pointer_;
  }
  void** put_void() noexcept { return reinterpret_cast<void**>(put()); }
  // Gives the reference up to the caller.
  Interface* release() noexcept { return std::exchange(pointer_, nullptr); }
  void reset() noexcept {
    if (pointer_ != nullptr) std::exchange(pointer_, nullptr)->Release();
  }

 private:
  Interface* pointer_ = nullptr;
};

struct BstrTraits {
  using Type = BSTR;
  static Type Invalid() { return nullptr; }
  static void Close(Type text) { SysFreeString(text); }
};
using Bstr = Unique<BstrTraits>;

struct SafeArrayTraits {
  using Type = SAFEARRAY*;
  static Type Invalid() { return nullptr; }
  static void Close(Type array) { SafeArrayDestroy(array); }
};
using SafeArray = Unique<SafeArrayTraits>;

// A VARIANT that is cleared when it goes. get() is the VARIANT itself, for
// the calls that read it or fill it in place.
class Variant {
 public:
  Variant() noexcept { VariantInit(&value_); }
  ~Variant() { VariantClear(&value_); }
  Variant(Variant&& other) noexcept : value_(other.release()) {}
  Variant& operator=(Variant&& other) noexcept {
    if (this != &other) {
      reset();
      value_ = other.release();
    }
    return *this;
  }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;

  VARIANT* get() noexcept { return &value_; }
  const VARIANT* get() const noexcept { return &value_; }
  const VARIANT& operator*() const noexcept { return value_; }
  // Clears the value, then hands it out for a function that fills it.
  VARIANT* put() noexcept {
    reset();
    return &value_;
  }
  // Gives the value up to the caller, who clears it; this one is left empty.
  VARIANT release() noexcept {
    VARIANT out = value_;
    VariantInit(&value_);
    return out;
  }
  void reset() noexcept {
    VariantClear(&value_);
    value_.vt = VT_EMPTY;  // what VariantInit does, without a call
  }

 private:
  VARIANT value_;
};

// Keeps a SAFEARRAY's data in place while its elements are read or written.
class SafeArrayDataLock {
 public:
  explicit SafeArrayDataLock(SAFEARRAY* array) noexcept : array_(SUCCEEDED(SafeArrayLock(array)) ? array : nullptr) {}
  ~SafeArrayDataLock() {
    if (array_ != nullptr) SafeArrayUnlock(array_);
  }
  SafeArrayDataLock(const SafeArrayDataLock&) = delete;
  SafeArrayDataLock& operator=(const SafeArrayDataLock&) = delete;
  bool locked() const noexcept { return array_ != nullptr; }

 private:
  SAFEARRAY* array_;
};

// An EXCEPINFO cleared before a call, whose strings the server allocated for
// the caller and are freed here.
class ExceptionInfo {
 public:
  ExceptionInfo() noexcept : info_() {}
  ~ExceptionInfo() { FreeStrings(); }
  ExceptionInfo(const ExceptionInfo&) = delete;
  ExceptionInfo& operator=(const ExceptionInfo&) = delete;

  EXCEPINFO* get() noexcept { return &info_; }
  const EXCEPINFO* get() const noexcept { return &info_; }
  // Frees what a previous call left, then hands the structure out.
  EXCEPINFO* put() noexcept {
    reset();
    return &info_;
  }
  void reset() noexcept {
    FreeStrings();
    info_ = EXCEPINFO();
  }

 private:
  // Most calls succeed and leave none: no call into the system for those.
  void FreeStrings() noexcept {
    for (BSTR text : {info_.bstrSource, info_.bstrDescription, info_.bstrHelpFile}) {
      if (text != nullptr) SysFreeString(text);
    }
  }

  EXCEPINFO info_;
};

}  // namespace win
