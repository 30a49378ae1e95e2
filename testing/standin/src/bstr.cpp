// BSTRs as Windows lays them out: a 4-byte length in bytes just before the
// text, the UTF-16 units (WCHARs here), and a terminating NUL unit that the
// length does not count. Embedded NULs are kept; a null BSTR is the empty
// text.
#include <oleauto.h>

#include <cstdlib>
#include <cstring>

#include "accounting.h"

using standin::Allocation;

namespace {

constexpr size_t kPrefix = sizeof(DWORD);

// Room for `bytes` of text and a NUL unit, rounded up to whole units.
BSTR Allocate(UINT bytes) {
  const size_t units = (static_cast<size_t>(bytes) + sizeof(OLECHAR) - 1) / sizeof(OLECHAR);
  auto* block = static_cast<char*>(std::calloc(1, kPrefix + (units + 1) * sizeof(OLECHAR)));
  if (block == nullptr) return nullptr;
  *reinterpret_cast<DWORD*>(block) = bytes;
  BSTR text = reinterpret_cast<BSTR>(block + kPrefix);
  standin::TrackAllocation(Allocation::kBstr, text);
  return text;
}

char* BlockOf(BSTR text) { return reinterpret_cast<char*>(text) - kPrefix; }

}  // namespace

BSTR WINAPI SysAllocStringLen(const OLECHAR* text, UINT length) {
  // The byte length must fit the 32-bit prefix.
  if (length > (0xFFFFFFFFu - kPrefix) / sizeof(OLECHAR) - 1) return nullptr;
  BSTR copy = Allocate(length * static_cast<UINT>(sizeof(OLECHAR)));
  if (copy != nullptr && text != nullptr) std::memcpy(copy, text, length * sizeof(OLECHAR));
  return copy;
}

BSTR WINAPI SysAllocString(const OLECHAR* text) {
  if (text == nullptr) return nullptr;
  UINT length = 0;
  while (text[length] != 0) ++length;
  return SysAllocStringLen(text, length);
}

BSTR WINAPI SysAllocStringByteLen(LPCSTR bytes, UINT length) {
  if (length > 0xFFFFFFFFu - kPrefix - 2 * sizeof(OLECHAR)) return nullptr;
  BSTR copy = Allocate(length);
  if (copy != nullptr && bytes != nullptr) std::memcpy(copy, bytes, length);
  return copy;
}

INT WINAPI SysReAllocStringLen(BSTR* target, const OLECHAR* text, UINT length) {
  if (target == nullptr) return FALSE;
  BSTR copy = SysAllocStringLen(text, length);
  if (copy == nullptr) return FALSE;
  SysFreeString(*target);
  *target = copy;
  return TRUE;
}

void WINAPI SysFreeString(BSTR text) {
  if (text == nullptr) return;
  standin::UntrackAllocation(Allocation::kBstr, text, "SysFreeString");
  std::free(BlockOf(text));
}

UINT WINAPI SysStringByteLen(BSTR text) { return text == nullptr ? 0 : *reinterpret_cast<const DWORD*>(BlockOf(text)); }

UINT WINAPI SysStringLen(BSTR text) { return SysStringByteLen(text) / sizeof(OLECHAR); }
