#include "random_trees.h"

#include <oleauto.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "safe_arrays.h"
#include "test_server.h"

namespace test_server {
namespace {

// splitmix64: small, and the same sequence everywhere.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  uint32_t Below(uint32_t n) { return static_cast<uint32_t>(Next() % n); }
  bool OneIn(uint32_t n) { return Below(n) == 0; }

 private:
  uint64_t state_;
};

const VARTYPE kScalars[] = {VT_EMPTY, VT_NULL, VT_I1,      VT_UI1,   VT_I2,       VT_UI2,    VT_I4, VT_UI4,
                            VT_I8,    VT_UI8,  VT_INT,     VT_UINT,  VT_R4,       VT_R8,     VT_CY, VT_DATE,
                            VT_BOOL,  VT_BSTR, VT_DECIMAL, VT_ERROR, VT_DISPATCH, VT_UNKNOWN};
// What SAFEARRAYs hold: the scalars but EMPTY and NULL, and VARIANT.
const VARTYPE kElements[] = {VT_I1,    VT_UI1,     VT_I2,       VT_UI2,     VT_I4,      VT_UI4,     VT_I8,     VT_UI8,
                             VT_INT,   VT_UINT,    VT_R4,       VT_R8,      VT_CY,      VT_DATE,    VT_BOOL,   VT_BSTR,
                             VT_ERROR, VT_DECIMAL, VT_DISPATCH, VT_UNKNOWN, VT_VARIANT, VT_VARIANT, VT_VARIANT};

template <size_t N>
VARTYPE Pick(Random& random, const VARTYPE (&types)[N]) {
  return types[random.Below(N)];
}

std::wstring Number(double value) {
  if (std::isnan(value)) return L"\"NaN\"";
  if (std::isinf(value)) return value > 0 ? L"\"Infinity\"" : L"\"-Infinity\"";
  if (value == 0 && std::signbit(value)) return L"\"-0\"";
  char text[40];
  std::snprintf(text, sizeof(text), "%.17g", value);
  return std::wstring(text, text + std::strlen(text));
}

std::wstring Integer(int64_t value) { return std::to_wstring(value); }

double RandomDouble(Random& random) {
  static const double kEdges[] = {0.0,
                                  -0.0,
                                  1.0,
                                  -1.0,
                                  0.5,
                                  1e308,
                                  -1e308,
                                  5e-324,
                                  2.2250738585072014e-308,
                                  9007199254740993.0,
                                  4294967296.0,
                                  -2147483649.0,
                                  NAN,
                                  INFINITY,
                                  -INFINITY};
  if (random.OneIn(2)) return kEdges[random.Below(sizeof(kEdges) / sizeof(kEdges[0]))];
  uint64_t bits = random.Next();
  double value;
  std::memcpy(&value, &bits, sizeof(value));
  return value;
}

int64_t RandomInteger(Random& random) {
  static const int64_t kEdges[] = {
      0, 1, -1, 127, -128, 255, 32767, -32768, 65535, 2147483647, -2147483647 - 1, 4294967295LL, INT64_MAX, INT64_MIN};
  if (random.OneIn(2)) return kEdges[random.Below(sizeof(kEdges) / sizeof(kEdges[0]))];
  return static_cast<int64_t>(random.Next());
}

std::wstring TextUnits(Random& random, std::wstring* units) {
  const uint32_t length = random.Below(12);
  std::wstring json = L"[";
  for (uint32_t i = 0; i < length; ++i) {
    static const wchar_t kUnits[] = {0, L'a', L'Z', 0x7F, 0xE9, 0x20AC, 0xD83D, 0xDE00, 0xD800, 0xDFFF, 0xFFFD, 0xFFFF};
    wchar_t unit = random.OneIn(3) ? static_cast<wchar_t>(random.Below(0x10000))
                                   : kUnits[random.Below(sizeof(kUnits) / sizeof(kUnits[0]))];
    units->push_back(unit);
    if (i > 0) json += L",";
    json += std::to_wstring(static_cast<unsigned>(unit));
  }
  return json + L"]";
}

// A value of a scalar type into `value` (empty before), described.
HRESULT MakeScalar(Random& random, VARTYPE type, VARIANT* value, std::wstring* json) {
  std::wstring v;
  switch (type) {
    case VT_EMPTY:
    case VT_NULL:
      break;
    case VT_I1:
      value->cVal = static_cast<CHAR>(RandomInteger(random));
      v = Integer(value->cVal);
      break;
    case VT_UI1:
      value->bVal = static_cast<BYTE>(RandomInteger(random));
      v = Integer(value->bVal);
      break;
    case VT_I2:
      value->iVal = static_cast<SHORT>(RandomInteger(random));
      v = Integer(value->iVal);
      break;
    case VT_UI2:
      value->uiVal = static_cast<USHORT>(RandomInteger(random));
      v = Integer(value->uiVal);
      break;
    case VT_I4:
    case VT_INT:
      value->lVal = static_cast<LONG>(RandomInteger(random));
      v = Integer(value->lVal);
      break;
    case VT_UI4:
    case VT_UINT:
      value->ulVal = static_cast<ULONG>(RandomInteger(random));
      v = Integer(value->ulVal);
      break;
    case VT_I8:
      value->llVal = RandomInteger(random);
      v = L"\"" + Integer(value->llVal) + L"\"";
      break;
    case VT_UI8:
      value->ullVal = static_cast<ULONGLONG>(RandomInteger(random));
      v = L"\"" + std::to_wstring(value->ullVal) + L"\"";
      break;
    case VT_R4:
      value->fltVal = static_cast<float>(RandomDouble(random));
      v = Number(value->fltVal);
      break;
    case VT_R8:
    case VT_DATE:
      value->dblVal = RandomDouble(random);
      v = Number(value->dblVal);
      break;
    case VT_CY:
      value->cyVal.int64 = RandomInteger(random);
      v = L"\"" + Integer(value->cyVal.int64) + L"\"";
      break;
    case VT_BOOL: {
      static const SHORT kBools[] = {VARIANT_TRUE, VARIANT_FALSE, 1, 2, -2, 0x7FFF};
      value->boolVal = random.OneIn(3) ? static_cast<SHORT>(random.Next()) : kBools[random.Below(6)];
      v = Integer(value->boolVal);
      break;
    }
    case VT_BSTR: {
      if (random.OneIn(8)) {
        value->bstrVal = nullptr;
        v = L"null";
        break;
      }
      std::wstring units;
      v = TextUnits(random, &units);
      value->bstrVal = SysAllocStringLen(units.data(), static_cast<UINT>(units.size()));
      if (value->bstrVal == nullptr) return E_OUTOFMEMORY;
      break;
    }
    case VT_DECIMAL: {
      DECIMAL dec = {};
      dec.scale = static_cast<BYTE>(random.Below(29));
      dec.sign = random.OneIn(2) ? DECIMAL_NEG : 0;
      dec.Hi32 = static_cast<ULONG>(random.Next());
      dec.Lo64 = random.Next();
      value->decVal = dec;
      v = L"\"decimal\"";
      break;
    }
    case VT_ERROR:
      value->scode = static_cast<SCODE>(random.Next());
      v = Integer(value->scode);
      break;
    case VT_DISPATCH:
    case VT_UNKNOWN:
      if (random.OneIn(4)) {
        value->pdispVal = nullptr;
        v = L"null";
      } else {
        value->pdispVal = NewTestServer();
        v = L"\"object\"";
      }
      break;
    default:
      return E_INVALIDARG;
  }
  value->vt = type;
  *json = L"{\"vt\":" + std::to_wstring(type) + (v.empty() ? L"" : L",\"v\":" + v) + L"}";
  return S_OK;
}

HRESULT MakeNode(Random& random, LONG depth, TreeCells& cells, VARIANT* value, std::wstring* json);

HRESULT MakeArray(Random& random, LONG depth, TreeCells& cells, VARIANT* value, std::wstring* json) {
  const VARTYPE element = Pick(random, kElements);
  const uint32_t dimensions = 1 + random.Below(3);
  std::vector<SAFEARRAYBOUND> bounds(dimensions);
  std::wstring lower = L"[", count = L"[";
  size_t total = 1;
  for (uint32_t d = 0; d < dimensions; ++d) {
    bounds[d].cElements = random.Below(4);
    bounds[d].lLbound = random.OneIn(4) ? static_cast<LONG>(random.Next()) / 2 : static_cast<LONG>(random.Below(5)) - 2;
    total *= bounds[d].cElements;
    lower += (d ? L"," : L"") + std::to_wstring(bounds[d].lLbound);
    count += (d ? L"," : L"") + std::to_wstring(bounds[d].cElements);
  }
  win::SafeArray array(SafeArrayCreate(element, dimensions, bounds.data()));
  if (array.get() == nullptr) return E_OUTOFMEMORY;
  std::wstring elements = L"[";
  {
    win::SafeArrayDataLock lock(array.get());
    if (!lock.locked()) return E_UNEXPECTED;
    const UINT size = SafeArrayGetElemsize(array.get());
    for (size_t i = 0; i < total; ++i) {
      win::Variant made;
      std::wstring node;
      HRESULT hr = element == VT_VARIANT ? MakeNode(random, depth - 1, cells, made.get(), &node)
                                         : MakeScalar(random, element, made.get(), &node);
      if (FAILED(hr)) return hr;
      void* cell = static_cast<char*>(array.get()->pvData) + i * size;
      // The array takes over what the made value owns.
      VARIANT taken = made.release();
      if (element == VT_VARIANT)
        std::memcpy(cell, &taken, sizeof(VARIANT));
      else if (element == VT_DECIMAL)
        std::memcpy(cell, &taken.decVal, sizeof(DECIMAL));
      else
        std::memcpy(cell, &taken.lVal, size);
      elements += (i ? L"," : L"") + node;
    }
  }
  HRESULT hr = SetArray(value, std::move(array));
  if (FAILED(hr)) return hr;
  *json = L"{\"vt\":" + std::to_wstring(value->vt) + L",\"lower\":" + lower + L"],\"count\":" + count +
          L"],\"elements\":" + elements + L"]}";
  return S_OK;
}

// A by-reference VARIANT pointing into a new cell that holds the value.
HRESULT MakeReference(Random& random, LONG depth, TreeCells& cells, VARIANT* value, std::wstring* json) {
  VARIANT* cell = cells.NewCell();
  std::wstring node;
  HRESULT hr = S_OK;
  VARTYPE type;
  if (random.OneIn(4)) {
    hr = MakeNode(random, depth - 1, cells, cell, &node);  // VT_VARIANT | VT_BYREF
    type = VT_VARIANT;
    if (SUCCEEDED(hr) && cell->vt == (VT_VARIANT | VT_BYREF)) {
      // A reference to a reference is not a form servers hand out.
      VariantClear(cell);
      hr = MakeScalar(random, VT_I4, cell, &node);
    }
  } else if (depth > 0 && random.OneIn(4)) {
    hr = MakeArray(random, depth - 1, cells, cell, &node);
    type = cell->vt;
  } else {
    type = Pick(random, kScalars);
    if (type == VT_EMPTY || type == VT_NULL) type = VT_I4;
    hr = MakeScalar(random, type, cell, &node);
  }
  if (FAILED(hr)) return hr;
  value->vt = static_cast<VARTYPE>(type | VT_BYREF);
  if (random.OneIn(16)) {
    value->byref = nullptr;
    node = L"null";
  } else if (type == VT_VARIANT) {
    value->pvarVal = cell;
  } else if (type == VT_DECIMAL) {
    value->pdecVal = &cell->decVal;
  } else {
    value->byref = &cell->lVal;
  }
  *json = L"{\"vt\":" + std::to_wstring(value->vt) + L",\"ref\":" + node + L"}";
  return S_OK;
}

HRESULT MakeNode(Random& random, LONG depth, TreeCells& cells, VARIANT* value, std::wstring* json) {
  const uint32_t form = random.Below(8);
  if (depth > 0 && form == 0) return MakeArray(random, depth, cells, value, json);
  if (depth > 0 && form == 1) return MakeReference(random, depth, cells, value, json);
  return MakeScalar(random, Pick(random, kScalars), value, json);
}

}  // namespace

VARIANT* TreeCells::NewCell() {
  cells_.push_back(std::unique_ptr<win::Variant>(new win::Variant()));
  return cells_.back()->get();
}

HRESULT MakeRandomTree(ULONG seed, LONG depth, TreeCells& cells, VARIANT* tree, std::wstring* description) {
  if (depth < 0 || depth > 8) return E_INVALIDARG;
  Random random(seed);
  return MakeNode(random, depth, cells, tree, description);
}

}  // namespace test_server
