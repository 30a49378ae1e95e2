// operator new and delete on the C runtime's heap. The addons are built
// without exceptions, so an allocation that cannot be satisfied ends the
// process, as an uncaught std::bad_alloc would; the nothrow forms return null.
#include <malloc.h>
#include <stdlib.h>

#include <new>

namespace {

void* Allocate(size_t size) {
  void* memory = malloc(size == 0 ? 1 : size);
  if (memory == nullptr) abort();
  return memory;
}

void* AllocateAligned(size_t size, std::align_val_t alignment) {
  void* memory = _aligned_malloc(size == 0 ? 1 : size, static_cast<size_t>(alignment));
  if (memory == nullptr) abort();
  return memory;
}

}  // namespace

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return malloc(size == 0 ? 1 : size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return malloc(size == 0 ? 1 : size); }
void operator delete(void* memory) noexcept { free(memory); }
void operator delete[](void* memory) noexcept { free(memory); }
void operator delete(void* memory, size_t) noexcept { free(memory); }
void operator delete[](void* memory, size_t) noexcept { free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { free(memory); }

void* operator new(size_t size, std::align_val_t alignment) { return AllocateAligned(size, alignment); }
void* operator new[](size_t size, std::align_val_t alignment) { return AllocateAligned(size, alignment); }
void operator delete(void* memory, std::align_val_t) noexcept { _aligned_free(memory); }
void operator delete[](void* memory, std::align_val_t) noexcept { _aligned_free(memory); }
void operator delete(void* memory, size_t, std::align_val_t) noexcept { _aligned_free(memory); }
void operator delete[](void* memory, size_t, std::align_val_t) noexcept { _aligned_free(memory); }
