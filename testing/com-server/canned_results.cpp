#include "canned_results.h"

#include <oleauto.h>

#include <algorithm>
#include <vector>

#include "win-owners/com.h"
#include "results.h"
#include "safe_arrays.h"
#include "test_server.h"

namespace test_server {
namespace {

// The cell Result("VARIANT_BYREF") points at; it lives as long as the process.
VARIANT byref_cell;

HRESULT VariantArray(VARIANT* result, LONG lower_bound) {
  win::SafeArray array = CreateArray(VT_VARIANT, {{lower_bound, 3}});
  if (array.get() == nullptr) return E_OUTOFMEMORY;
  win::Variant one, two, three;
  SetInt32(one.get(), 1);
  HRESULT hr = SetText(two.get(), L"two", 3);
  if (FAILED(hr)) return hr;
  three.get()->vt = VT_R8;
  three.get()->dblVal = 3.5;
  win::Variant* values[] = {&one, &two, &three};
  for (LONG i = 0; i < 3 && SUCCEEDED(hr); ++i) hr = PutElement(array.get(), {lower_bound + i}, values[i]->get());
  if (FAILED(hr)) return hr;
  return SetArray(result, std::move(array));
}

HRESULT PutInt32(SAFEARRAY* array, std::initializer_list<LONG> indices, LONG value) {
  VARIANT element;
  SetInt32(&element, value);
  return PutElement(array, indices, &element);
}

HRESULT Array2D(VARIANT* result) {
  win::SafeArray array = CreateArray(VT_VARIANT, {{1, 2}, {1, 3}});
  if (array.get() == nullptr) return E_OUTOFMEMORY;
  for (LONG i = 1; i <= 2; ++i) {
    for (LONG j = 1; j <= 3; ++j) {
      HRESULT hr = PutInt32(array.get(), {i, j}, 10 * i + j);
      if (FAILED(hr)) return hr;
    }
  }
  return SetArray(result, std::move(array));
}

HRESULT Array3D(VARIANT* result) {
  win::SafeArray array = CreateArray(VT_VARIANT, {{0, 2}, {0, 2}, {0, 2}});
  if (array.get() == nullptr) return E_OUTOFMEMORY;
  for (LONG i = 0; i < 2; ++i) {
    for (LONG j = 0; j < 2; ++j) {
      for (LONG k = 0; k < 2; ++k) {
        HRESULT hr = PutInt32(array.get(), {i, j, k}, 100 * i + 10 * j + k);
        if (FAILED(hr)) return hr;
      }
    }
  }
  return SetArray(result, std::move(array));
}

HRESULT ArrayNested(VARIANT* result) {
  win::SafeArray array = CreateArray(VT_VARIANT, {{0, 2}});
  if (array.get() == nullptr) return E_OUTOFMEMORY;
  win::Variant inner;
  HRESULT hr = SetArray(inner.get(), Int32VariantArray({1, 2}, 0));
  if (SUCCEEDED(hr)) hr = PutElement(array.get(), {0}, inner.get());
  if (SUCCEEDED(hr)) hr = PutInt32(array.get(), {1}, 3);
  return FAILED(hr) ? hr : SetArray(result, std::move(array));
}

HRESULT ArrayI4(VARIANT* result) {
  win::SafeArray array = CreateArray(VT_I4, {{0, 3}});
  if (array.get() == nullptr) return E_OUTOFMEMORY;
  for (LONG i = 0; i < 3; ++i) {
    LONG value = 10 * (i + 1);
    HRESULT hr = PutElement(array.get(), {i}, &value);
    if (FAILED(hr)) return hr;
  }
  return SetArray(result, std::move(array));
}

HRESULT ArrayBstr(VARIANT* result) {
  win::SafeArray array = CreateArray(VT_BSTR, {{0, 2}});
  if (array.get() == nullptr) return E_OUTOFMEMORY;
  const wchar_t* const texts[] = {L"a", L"b"};
  for (LONG i = 0; i < 2; ++i) {
    win::Bstr text(SysAllocString(texts[i]));
    HRESULT hr = text.get() == nullptr ? E_OUTOFMEMORY : PutElement(array.get(), {i}, text.get());
    if (FAILED(hr)) return hr;
  }
  return SetArray(result, std::move(array));
}

HRESULT ArrayDispatch(VARIANT* result) {
  win::SafeArray array = CreateArray(VT_DISPATCH, {{0, 2}});
  if (array.get() == nullptr) return E_OUTOFMEMORY;
  for (LONG i = 0; i < 2; ++i) {
    auto object = win::ComPtr<IDispatch>::Adopt(NewTestServer());
    HRESULT hr = PutElement(array.get(), {i}, object.get());
    if (FAILED(hr)) return hr;
  }
  return SetArray(result, std::move(array));
}

HRESULT LongText(VARIANT* result) {
  constexpr UINT kUnits = 179000000;
  BSTR text = SysAllocStringLen(nullptr, kUnits);
  if (text == nullptr) return E_OUTOFMEMORY;
  std::fill(text, text + kUnits, L'\u20ac');
  result->vt = VT_BSTR;
  result->bstrVal = text;
  return S_OK;
}

HRESULT ArrayManyDimensions(VARIANT* result) {
  constexpr UINT kDimensions = 0xFFFF;
  std::vector<SAFEARRAYBOUND> bounds(kDimensions, SAFEARRAYBOUND{1, 0});
  win::SafeArray array(SafeArrayCreate(VT_I4, kDimensions, bounds.data()));
  if (array.get() == nullptr) return E_OUTOFMEMORY;
  std::vector<LONG> index(kDimensions, 0);
  LONG value = 7;
  HRESULT hr = SafeArrayPutElement(array.get(), index.data(), &value);
  return FAILED(hr) ? hr : SetArray(result, std::move(array));
}

// Doubles under a VARIANT type that calls them strings.
HRESULT ArrayMislabelled(VARIANT* result) {
  win::SafeArray array = CreateArray(VT_R8, {{0, 2}});
  if (array.get() == nullptr) return E_OUTOFMEMORY;
  for (LONG i = 0; i < 2; ++i) {
    double value = 1.5 + i;
    HRESULT hr = PutElement(array.get(), {i}, &value);
    if (FAILED(hr)) return hr;
  }
  HRESULT hr = SetArray(result, std::move(array));
  if (SUCCEEDED(hr)) result->vt = VT_ARRAY | VT_BSTR;
  return hr;
}

struct Kind {
  const wchar_t* name;
  HRESULT (*make)(VARIANT* result);
};

const Kind kKinds[] = {
    {L"I1",
     [](VARIANT* r) {
       r->vt = VT_I1;
       r->cVal = -5;
       return S_OK;
     }},
    {L"UI1",
     [](VARIANT* r) {
       r->vt = VT_UI1;
       r->bVal = 255;
       return S_OK;
     }},
    {L"I2",
     [](VARIANT* r) {
       r->vt = VT_I2;
       r->iVal = -1;
       return S_OK;
     }},
    {L"UI2",
     [](VARIANT* r) {
       r->vt = VT_UI2;
       r->uiVal = 65535;
       return S_OK;
     }},
    {L"I4",
     [](VARIANT* r) {
       r->vt = VT_I4;
       r->lVal = -7;
       return S_OK;
     }},
    {L"UI4",
     [](VARIANT* r) {
       r->vt = VT_UI4;
       r->ulVal = 4294967295u;
       return S_OK;
     }},
    {L"I8",
     [](VARIANT* r) {
       r->vt = VT_I8;
       r->llVal = 1234;
       return S_OK;
     }},
    {L"UI8",
     [](VARIANT* r) {
       r->vt = VT_UI8;
       r->ullVal = 1ull << 53;
       return S_OK;
     }},
    {L"INT",
     [](VARIANT* r) {
       r->vt = VT_INT;
       r->intVal = -9;
       return S_OK;
     }},
    {L"UINT",
     [](VARIANT* r) {
       r->vt = VT_UINT;
       r->uintVal = 9;
       return S_OK;
     }},
    {L"R4",
     [](VARIANT* r) {
       r->vt = VT_R4;
       r->fltVal = 1.5f;
       return S_OK;
     }},
    {L"R8",
     [](VARIANT* r) {
       r->vt = VT_R8;
       r->dblVal = 2.25;
       return S_OK;
     }},
    {L"CY",
     [](VARIANT* r) {
       r->vt = VT_CY;
       r->cyVal.int64 = 123456;
       return S_OK;
     }},
    {L"DECIMAL",
     [](VARIANT* r) {
       // The DECIMAL overlays the whole VARIANT: set it first, then vt.
       r->decVal.scale = 2;
       r->decVal.sign = DECIMAL_NEG;
       r->decVal.Hi32 = 0;
       r->decVal.Lo64 = 12345;
       r->vt = VT_DECIMAL;
       return S_OK;
     }},
    {L"ERROR",
     [](VARIANT* r) {
       r->vt = VT_ERROR;
       r->scode = E_ABORT;
       return S_OK;
     }},
    {L"EMPTY",
     [](VARIANT* r) {
       r->vt = VT_EMPTY;
       return S_OK;
     }},
    {L"NULL",
     [](VARIANT* r) {
       r->vt = VT_NULL;
       return S_OK;
     }},
    {L"DATE",
     [](VARIANT* r) {
       r->vt = VT_DATE;
       r->date = 1000.5;
       return S_OK;
     }},
    {L"BOOL_TRUE",
     [](VARIANT* r) {
       r->vt = VT_BOOL;
       r->boolVal = VARIANT_TRUE;
       return S_OK;
     }},
    {L"BOOL_ONE",
     [](VARIANT* r) {
       r->vt = VT_BOOL;
       r->boolVal = 1;
       return S_OK;
     }},
    {L"BSTR", [](VARIANT* r) { return SetText(r, L"text", 4); }},
    {L"BSTR_NUL", [](VARIANT* r) { return SetText(r, L"ab\0cd", 5); }},
    {L"BSTR_EMPTY", [](VARIANT* r) { return SetText(r, L"", 0); }},
    {L"BSTR_LONG", LongText},
    {L"BSTR_NULL",
     [](VARIANT* r) {
       r->vt = VT_BSTR;
       r->bstrVal = nullptr;
       return S_OK;
     }},
    {L"OBJECT",
     [](VARIANT* r) {
       r->vt = VT_DISPATCH;
       r->pdispVal = NewTestServer();
       return S_OK;
     }},
    {L"NULL_OBJECT",
     [](VARIANT* r) {
       r->vt = VT_DISPATCH;
       r->pdispVal = nullptr;
       return S_OK;
     }},
    {L"UNKNOWN",
     [](VARIANT* r) {
       r->vt = VT_UNKNOWN;
       r->punkVal = NewTestServer();
       return S_OK;
     }},
    {L"VARIANT_BYREF",
     [](VARIANT* r) {
       byref_cell.vt = VT_I4;
       byref_cell.lVal = 9;
       r->vt = VT_VARIANT | VT_BYREF;
       r->pvarVal = &byref_cell;
       return S_OK;
     }},
    {L"ARRAY_1D_0", [](VARIANT* r) { return VariantArray(r, 0); }},
    {L"ARRAY_1D_1", [](VARIANT* r) { return VariantArray(r, 1); }},
    {L"ARRAY_2D", Array2D},
    {L"ARRAY_3D", Array3D},
    {L"ARRAY_EMPTY",
     [](VARIANT* r) {
       return SetArray(r, CreateArray(VT_VARIANT, {{0, 0}}));
     }},
    {L"ARRAY_NESTED", ArrayNested},
    {L"ARRAY_I4", ArrayI4},
    {L"ARRAY_BSTR", ArrayBstr},
    {L"ARRAY_DISPATCH", ArrayDispatch},
    {L"ARRAY_NEGATIVE_BOUNDS",
     [](VARIANT* r) {
       return SetArray(r, Int32VariantArray({-1, 0, 1}, -1));
     }},
    {L"ARRAY_MANY_DIMENSIONS", ArrayManyDimensions},
    {L"ARRAY_MISLABELLED", ArrayMislabelled},
};

}  // namespace

HRESULT CannedResult(const std::wstring& kind, VARIANT* result) {
  for (const Kind& candidate : kKinds) {
    if (kind == candidate.name) return candidate.make(result);
  }
  return E_INVALIDARG;
}

}  // namespace test_server
