#include "hardening_checks.h"

#include <windows.h>

#include <stdint.h>
#include <string.h>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

// Offsets in IMAGE_LOAD_CONFIG_DIRECTORY64 (MinGW-w64 10's winnt.h ends the
// structure before the guard fields).
constexpr size_t kGuardDispatchPointer = 0x78;
constexpr size_t kGuardFunctionTable = 0x80;
constexpr size_t kGuardFunctionCount = 0x88;
constexpr size_t kGuardFlags = 0x90;
constexpr DWORD kGuardInstrumented = 0x100;       // IMAGE_GUARD_CF_INSTRUMENTED
constexpr unsigned kGuardStrideShift = 28;        // IMAGE_GUARD_CF_FUNCTION_TABLE_SIZE_SHIFT
constexpr unsigned kGuardIcallCheckFailure = 10;  // FAST_FAIL_GUARD_ICALL_CHECK_FAILURE

const BYTE* ImageBase() { return reinterpret_cast<const BYTE*>(&__ImageBase); }

const BYTE* LoadConfig() {
  auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(ImageBase() + __ImageBase.e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_LOAD_CONFIG];
  return dir.VirtualAddress != 0 && dir.Size > kGuardFlags ? ImageBase() + dir.VirtualAddress : nullptr;
}

template <typename T>
T Field(const BYTE* config, size_t offset) {
  T value;
  memcpy(&value, config + offset, sizeof(value));
  return value;
}

long checks_passed = 0;

}  // namespace

// Called by the dispatch thunk below with the call's target. Targets in other
// modules pass: a system checks those against their own modules' tables.
extern "C" void hardening_checks_validate(uintptr_t target) {
  const BYTE* config = LoadConfig();
  auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(ImageBase() + __ImageBase.e_lfanew);
  uintptr_t base = reinterpret_cast<uintptr_t>(ImageBase());
  if (target < base || target >= base + nt->OptionalHeader.SizeOfImage) {
    ++checks_passed;
    return;
  }
  auto rva = static_cast<DWORD>(target - base);
  auto* table = reinterpret_cast<const BYTE*>(Field<uint64_t>(config, kGuardFunctionTable));
  auto count = Field<uint64_t>(config, kGuardFunctionCount);
  size_t entry = 4 + (Field<DWORD>(config, kGuardFlags) >> kGuardStrideShift);
  // The table is sorted by address.
  size_t low = 0, high = count;
  while (low < high) {
    size_t middle = (low + high) / 2;
    DWORD at = Field<DWORD>(table, middle * entry);
    if (at == rva) {
      ++checks_passed;
      return;
    }
    if (at < rva)
      low = middle + 1;
    else
      high = middle;
  }
  __asm__ volatile("int $0x29" : : "c"(kGuardIcallCheckFailure) : "memory");
  __builtin_unreachable();
}

// The dispatch function's contract: the target in RAX, the call's arguments
// in RCX, RDX, R8, R9 and XMM0-3 untouched, and a jump (not a call) to the
// target so that it returns to the caller.
asm(R"(
    .text
    .p2align 4
hardening_checks_dispatch:
    pushq   %rcx
    pushq   %rdx
    pushq   %r8
    pushq   %r9
    pushq   %rax
    subq    $0x60, %rsp
    movdqu  %xmm0, 0x20(%rsp)
    movdqu  %xmm1, 0x30(%rsp)
    movdqu  %xmm2, 0x40(%rsp)
    movdqu  %xmm3, 0x50(%rsp)
    movq    %rax, %rcx
    callq   hardening_checks_validate
    movdqu  0x20(%rsp), %xmm0
    movdqu  0x30(%rsp), %xmm1
    movdqu  0x40(%rsp), %xmm2
    movdqu  0x50(%rsp), %xmm3
    addq    $0x60, %rsp
    popq    %rax
    popq    %r9
    popq    %r8
    popq    %rdx
    popq    %rcx
    jmpq    *%rax
)");
extern "C" void hardening_checks_dispatch();

namespace hardening_checks {
namespace {

__attribute__((noinline)) int Answer() { return 42; }

// Swaps the pointer in the image's read-only guard data, as the loader does.
void* SwapDispatch(void** slot, void* with) {
  DWORD protection = 0;
  VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &protection);
  void* previous = *slot;
  *slot = with;
  VirtualProtect(slot, sizeof(*slot), protection, &protection);
  return previous;
}

}  // namespace

__attribute__((noinline)) int OverrunOwnFrame(int length) {
  volatile char buffer[16];
  for (int i = 0; i < length; ++i) buffer[i] = 'x';
  return buffer[0];
}

int CallThroughEnforcedGuard(int target_offset, long* checked) {
  const BYTE* config = LoadConfig();
  if (config == nullptr || (Field<DWORD>(config, kGuardFlags) & kGuardInstrumented) == 0) return -1;
  auto** slot = reinterpret_cast<void**>(Field<uint64_t>(config, kGuardDispatchPointer));
  int (*volatile target)() = Answer;
  auto* shifted = reinterpret_cast<int (*)()>(reinterpret_cast<uintptr_t>(target) + target_offset);
  checks_passed = 0;
  void* previous = SwapDispatch(slot, reinterpret_cast<void*>(hardening_checks_dispatch));
  int result = shifted();
  SwapDispatch(slot, previous);
  *checked = checks_passed;
  return result;
}

}  // namespace hardening_checks
