// Owners of the Windows resources that are closed by a function of their own:
// kernel handles, find handles, registry keys, and memory the system
// allocated for the caller. One template, one traits type per convention for
// "nothing held"; every owner follows the same rules:
//   get()      the value held (the invalid value when empty)
//   put()      closes what is held, then hands out the address for a function
//              that fills it
//   release()  gives the value up without closing it
//   reset(v)   closes what is held and takes v
//   move-only: a moved-from owner is empty
#pragma once

#include <windows.h>

#include <objbase.h>

#include <utility>

namespace win {

template <typename Traits>
class Unique {
 public:
  using Type = typename Traits::Type;

  Unique() = default;
  explicit Unique(Type value) noexcept : value_(value) {}
  ~Unique() { reset(); }
  Unique(Unique&& other) noexcept : value_(other.release()) {}
  Unique& operator=(Unique&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;

  Type get() const noexcept { return value_; }
  bool valid() const noexcept { return value_ != Traits::Invalid(); }
  explicit operator bool() const noexcept { return valid(); }
  Type* put() noexcept {
    reset();
    return &value_;
  }
  Type release() noexcept { return std::exchange(value_, Traits::Invalid()); }
  void reset(Type value = Traits::Invalid()) noexcept {
    Type old = std::exchange(value_, value);
    if (old != Traits::Invalid()) Traits::Close(old);
  }

 private:
  Type value_ = Traits::Invalid();
};

// Null is no handle: processes, threads, events, tokens, pipes' ends from
// CreatePipe (OpenProcess, CreateProcess, OpenProcessToken ...).
struct NullHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static void Close(Type handle) { CloseHandle(handle); }
};

// INVALID_HANDLE_VALUE is no handle: CreateFile.
struct FileHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type handle) { CloseHandle(handle); }
};

// INVALID_HANDLE_VALUE is no handle, closed with FindClose: FindFirstFile.
struct FindHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type handle) { FindClose(handle); }
};

// A key opened or created below a root (RegOpenKeyEx, RegCreateKeyEx). The
// predefined roots are never held: nothing closes HKEY_CURRENT_USER.
struct RegistryKeyTraits {
  using Type = HKEY;
  static Type Invalid() { return nullptr; }
  static void Close(Type key) { RegCloseKey(key); }
};

// A module loaded with LoadLibrary or LoadLibraryEx.
struct ModuleTraits {
  using Type = HMODULE;
  static Type Invalid() { return nullptr; }
  static void Close(Type module) { FreeLibrary(module); }
};

// Memory the system allocated with LocalAlloc (FormatMessage's
// FORMAT_MESSAGE_ALLOCATE_BUFFER, ConvertSidToStringSid).
template <typename T>
struct LocalMemoryTraits {
  using Type = T*;
  static Type Invalid() { return nullptr; }
  static void Close(Type memory) { LocalFree(memory); }
};

// Memory COM allocated with CoTaskMemAlloc for the caller.
template <typename T>
struct CoTaskMemoryTraits {
  using Type = T*;
  static Type Invalid() { return nullptr; }
  static void Close(Type memory) { CoTaskMemFree(memory); }
};

using UniqueHandle = Unique<NullHandleTraits>;
using UniqueToken = Unique<NullHandleTraits>;
using UniqueFileHandle = Unique<FileHandleTraits>;
using UniqueFindHandle = Unique<FindHandleTraits>;
using UniqueRegistryKey = Unique<RegistryKeyTraits>;
using UniqueModule = Unique<ModuleTraits>;
template <typename T = void>
using UniqueLocalMemory = Unique<LocalMemoryTraits<T>>;
template <typename T = void>
using UniqueCoTaskMemory = Unique<CoTaskMemoryTraits<T>>;

}  // namespace win
