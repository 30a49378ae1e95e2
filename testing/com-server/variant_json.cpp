#include "variant_json.h"

#include <oleauto.h>

#include <cstdint>
#include <cstring>

#include "win-owners/com.h"
#include "json_text.h"
#include "server_object.h"

namespace test_server {
namespace {

template <typename T>
T Read(const void* storage) {
  T value;
  std::memcpy(&value, storage, sizeof(T));
  return value;
}

std::string UnsignedDigits(uint64_t magnitude) { return std::to_string(magnitude); }

// The 96-bit magnitude of a DECIMAL in decimal digits.
std::string DecimalDigits(const DECIMAL& decimal) {
  uint32_t parts[3] = {decimal.Hi32, static_cast<uint32_t>(decimal.Lo64 >> 32),
                       static_cast<uint32_t>(decimal.Lo64 & 0xFFFFFFFFu)};
  std::string digits;
  while (parts[0] != 0 || parts[1] != 0 || parts[2] != 0) {
    uint64_t remainder = 0;
    for (uint32_t& part : parts) {
      const uint64_t current = (remainder << 32) | part;
      part = static_cast<uint32_t>(current / 10);
      remainder = current % 10;
    }
    digits.insert(digits.begin(), static_cast<char>('0' + remainder));
  }
  return digits.empty() ? "0" : digits;
}

void AppendObject(std::wstring& out, IUnknown* object) {
  ULONG id = 0;
  if (object == nullptr)
    out += L"null";
  else if (ServerObjectId(object, &id))
    AppendJsonInteger(out, id);
  else
    AppendJsonString(out, std::string("foreign"));
}

// Writes the JSON value of one scalar of the given base type kept at
// `storage`; false for a type that has no value description.
bool AppendScalar(std::wstring& out, VARTYPE type, const void* storage) {
  switch (type) {
    case VT_EMPTY:
    case VT_NULL:
      out += L"null";
      return true;
    case VT_I1:
      AppendJsonInteger(out, Read<signed char>(storage));
      return true;
    case VT_UI1:
      AppendJsonInteger(out, Read<unsigned char>(storage));
      return true;
    case VT_I2:
      AppendJsonInteger(out, Read<SHORT>(storage));
      return true;
    case VT_UI2:
      AppendJsonInteger(out, Read<USHORT>(storage));
      return true;
    case VT_I4:
      AppendJsonInteger(out, Read<LONG>(storage));
      return true;
    case VT_UI4:
      AppendJsonInteger(out, Read<ULONG>(storage));
      return true;
    case VT_INT:
      AppendJsonInteger(out, Read<INT>(storage));
      return true;
    case VT_UINT:
      AppendJsonInteger(out, Read<UINT>(storage));
      return true;
    case VT_BOOL:
      AppendJsonInteger(out, Read<VARIANT_BOOL>(storage));
      return true;
    case VT_ERROR:
      AppendJsonInteger(out, static_cast<uint32_t>(Read<SCODE>(storage)));
      return true;
    case VT_I8:
      AppendJsonString(out, std::to_string(Read<LONGLONG>(storage)));
      return true;
    case VT_UI8:
      AppendJsonString(out, UnsignedDigits(Read<ULONGLONG>(storage)));
      return true;
    case VT_R4:
      AppendJsonNumber(out, Read<FLOAT>(storage));
      return true;
    case VT_R8:
    case VT_DATE:
      AppendJsonNumber(out, Read<DOUBLE>(storage));
      return true;
    case VT_CY: {
      const LONGLONG units = Read<CY>(storage).int64;
      const uint64_t magnitude = units < 0 ? 0 - static_cast<uint64_t>(units) : static_cast<uint64_t>(units);
      AppendJsonString(out, ScaledDecimalText(units < 0, UnsignedDigits(magnitude), 4));
      return true;
    }
    case VT_DECIMAL: {
      const DECIMAL decimal = Read<DECIMAL>(storage);
      AppendJsonString(out, ScaledDecimalText(decimal.sign & DECIMAL_NEG, DecimalDigits(decimal), decimal.scale));
      return true;
    }
    case VT_BSTR: {
      const BSTR text = Read<BSTR>(storage);
      if (text == nullptr)
        out += L"null";
      else
        AppendJsonString(out, text, SysStringLen(text));
      return true;
    }
    case VT_DISPATCH:
    case VT_UNKNOWN:
      AppendObject(out, Read<IUnknown*>(storage));
      return true;
    default:
      return false;
  }
}

// {"vt": type, "value": ...} for a scalar kept at `storage`.
void AppendScalarDescription(std::wstring& out, VARTYPE type, const void* storage) {
  out += L"{\"vt\":";
  AppendJsonInteger(out, type);
  std::wstring value;
  if (AppendScalar(value, type, storage)) out += L",\"value\":" + value;
  out += L'}';
}

void AppendDimensions(std::wstring& out, SAFEARRAY* array, uint64_t& element_count) {
  element_count = 1;
  out += L",\"dims\":[";
  const UINT dimensions = SafeArrayGetDim(array);
  for (UINT d = 1; d <= dimensions; ++d) {
    LONG lower = 0, upper = -1;
    SafeArrayGetLBound(array, d, &lower);
    SafeArrayGetUBound(array, d, &upper);
    const int64_t count = static_cast<int64_t>(upper) - lower + 1;
    element_count *= static_cast<uint64_t>(count);
    if (d > 1) out += L',';
    out += L"{\"lbound\":";
    AppendJsonInteger(out, lower);
    out += L",\"count\":";
    AppendJsonInteger(out, count);
    out += L'}';
  }
  if (dimensions == 0) element_count = 0;
  out += L']';
}

// References and arrays of VARIANTs nest; a chain deeper than this (a cell
// that points at itself) is cut off.
constexpr int kMaxDepth = 16;

void AppendDescription(std::wstring& out, const VARIANT& value, int depth);

// {"vt": type, "dims": [...], "elements": [...]} for an array of `type`
// (which carries VT_ARRAY); a null array has "value": null instead. The
// elements are read as the array's own element type says; without one,
// "elements" is null.
void AppendArrayDescription(std::wstring& out, VARTYPE type, SAFEARRAY* array, int depth) {
  out += L"{\"vt\":";
  AppendJsonInteger(out, type);
  if (array == nullptr) {
    out += L",\"value\":null}";
    return;
  }
  uint64_t element_count = 0;
  AppendDimensions(out, array, element_count);
  VARTYPE element_type = VT_EMPTY;
  if (FAILED(SafeArrayGetVartype(array, &element_type))) {
    out += L",\"elements\":null}";
    return;
  }
  out += L",\"elements\":[";
  const UINT element_size = SafeArrayGetElemsize(array);
  win::SafeArrayDataLock lock(array);
  const char* element = lock.locked() ? static_cast<const char*>(array->pvData) : nullptr;
  for (uint64_t i = 0; element != nullptr && i < element_count; ++i, element += element_size) {
    if (i > 0) out += L',';
    if (element_type == VT_VARIANT)
      AppendDescription(out, *reinterpret_cast<const VARIANT*>(element), depth + 1);
    else
      AppendScalarDescription(out, element_type, element);
  }
  out += L"]}";
}

void AppendDescription(std::wstring& out, const VARIANT& value, int depth) {
  const VARTYPE base = value.vt & ~VT_BYREF;
  if (depth > kMaxDepth) {
    out += L"{\"vt\":";
    AppendJsonInteger(out, value.vt);
    out += L'}';
    return;
  }
  if ((value.vt & VT_BYREF) == 0) {
    if ((base & VT_ARRAY) != 0) return AppendArrayDescription(out, base, value.parray, depth);
    // A DECIMAL fills the whole VARIANT, its first field overlapping vt.
    const void* storage = base == VT_DECIMAL ? static_cast<const void*>(&value.decVal) : &value.llVal;
    return AppendScalarDescription(out, base, storage);
  }
  out += L"{\"vt\":";
  AppendJsonInteger(out, value.vt);
  out += L",\"ref\":";
  if (value.byref == nullptr)
    out += L"null";
  else if ((base & VT_ARRAY) != 0)
    AppendArrayDescription(out, base, *value.pparray, depth + 1);
  else if (base == VT_VARIANT)
    AppendDescription(out, *value.pvarVal, depth + 1);
  else
    AppendScalarDescription(out, base, value.byref);
  out += L'}';
}

}  // namespace

void AppendVariantJson(std::wstring& out, const VARIANT& value) { AppendDescription(out, value, 0); }

}  // namespace test_server
