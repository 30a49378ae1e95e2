// VariantChangeType(Ex) between the scalar types, with the invariant
// locale's text forms: integers round half to even and fail with
// DISP_E_OVERFLOW outside their range, VARIANT_BOOL is -1 or 0 (text "-1"
// and "0", or "True" and "False" with VARIANT_ALPHABOOL), an object converts
// through its default member, and a type with no conversion is
// DISP_E_TYPEMISMATCH. By-reference sources are read through.
#include <oleauto.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace {

// A scalar on its way between types: exact integers where the source is
// one, a double otherwise.
struct Number {
  enum class Kind { kSigned, kUnsigned, kReal } kind = Kind::kSigned;
  int64_t i = 0;
  uint64_t u = 0;
  double d = 0;
  double Real() const {
    return kind == Kind::kReal ? d : kind == Kind::kSigned ? static_cast<double>(i) : static_cast<double>(u);
  }
};

Number Signed(int64_t value) {
  Number n;
  n.i = value;
  return n;
}
Number Unsigned(uint64_t value) {
  Number n;
  n.kind = Number::Kind::kUnsigned;
  n.u = value;
  return n;
}
Number Real(double value) {
  Number n;
  n.kind = Number::Kind::kReal;
  n.d = value;
  return n;
}

std::string Narrow(BSTR text) {
  std::string out;
  for (UINT i = 0; i < SysStringLen(text); ++i) {
    if (text[i] > 0x7F) return std::string("\x01");  // no number has such a character
    out += static_cast<char>(text[i]);
  }
  return out;
}

bool EqualsNoCase(const std::string& a, const char* b) {
  if (a.size() != std::strlen(b)) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

// A number in the invariant locale's form: blanks around, a sign, digits
// with one decimal point, an exponent.
HRESULT ParseNumber(BSTR text, Number* number) {
  std::string s = Narrow(text);
  size_t begin = s.find_first_not_of(" \t");
  size_t end = s.find_last_not_of(" \t");
  if (begin == std::string::npos) return DISP_E_TYPEMISMATCH;
  s = s.substr(begin, end - begin + 1);
  size_t i = 0;
  if (s[i] == '+' || s[i] == '-') ++i;
  size_t digits = 0;
  bool integral = true;
  while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    integral = false;
    ++i;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++digits;
  }
  if (digits == 0) return DISP_E_TYPEMISMATCH;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    integral = false;
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t exponent_digits = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++exponent_digits;
    if (exponent_digits == 0) return DISP_E_TYPEMISMATCH;
  }
  if (i != s.size()) return DISP_E_TYPEMISMATCH;
  errno = 0;
  if (integral) {
    if (s[0] != '-') {
      unsigned long long value = std::strtoull(s.c_str(), nullptr, 10);
      if (errno == 0) {
        *number =
            value <= static_cast<unsigned long long>(INT64_MAX) ? Signed(static_cast<int64_t>(value)) : Unsigned(value);
        return S_OK;
      }
    } else {
      long long value = std::strtoll(s.c_str(), nullptr, 10);
      if (errno == 0) {
        *number = Signed(value);
        return S_OK;
      }
    }
    errno = 0;
  }
  double value = std::strtod(s.c_str(), nullptr);
  if (errno == ERANGE && std::isinf(value)) return DISP_E_OVERFLOW;
  *number = Real(value);
  return S_OK;
}

// The source as a number; bool_text: a BSTR may say True or False.
HRESULT ToNumber(const VARIANT& source, bool bool_text, Number* number) {
  switch (source.vt) {
    case VT_EMPTY:
      *number = Signed(0);
      return S_OK;
    case VT_I1:
      *number = Signed(source.cVal);
      return S_OK;
    case VT_UI1:
      *number = Signed(source.bVal);
      return S_OK;
    case VT_I2:
      *number = Signed(source.iVal);
      return S_OK;
    case VT_UI2:
      *number = Signed(source.uiVal);
      return S_OK;
    case VT_I4:
    case VT_INT:
      *number = Signed(source.lVal);
      return S_OK;
    case VT_UI4:
    case VT_UINT:
      *number = Signed(source.ulVal);
      return S_OK;
    case VT_I8:
      *number = Signed(source.llVal);
      return S_OK;
    case VT_UI8:
      *number = Unsigned(source.ullVal);
      return S_OK;
    case VT_BOOL:
      *number = Signed(source.boolVal != VARIANT_FALSE ? -1 : 0);
      return S_OK;
    case VT_R4:
      *number = Real(source.fltVal);
      return S_OK;
    case VT_R8:
    case VT_DATE:
      *number = Real(source.dblVal);
      return S_OK;
    case VT_CY:
      *number = Real(static_cast<double>(source.cyVal.int64) / 10000.0);
      return S_OK;
    case VT_DECIMAL: {
      const DECIMAL& dec = source.decVal;
      double value = (static_cast<double>(dec.Hi32) * 18446744073709551616.0 + static_cast<double>(dec.Lo64)) /
                     std::pow(10.0, dec.scale);
      *number = Real(dec.sign & DECIMAL_NEG ? -value : value);
      return S_OK;
    }
    case VT_BSTR: {
      if (bool_text) {
        std::string text = Narrow(source.bstrVal);
        if (EqualsNoCase(text, "True")) {
          *number = Signed(-1);
          return S_OK;
        }
        if (EqualsNoCase(text, "False")) {
          *number = Signed(0);
          return S_OK;
        }
      }
      return ParseNumber(source.bstrVal, number);
    }
    default:
      return DISP_E_TYPEMISMATCH;
  }
}

// Round half to even, as automation's integer conversions do.
HRESULT ToInteger(const Number& number, int64_t low, uint64_t high, Number* out) {
  if (number.kind == Number::Kind::kUnsigned) {
    if (number.u > high) return DISP_E_OVERFLOW;
    *out = number;
    return S_OK;
  }
  if (number.kind == Number::Kind::kSigned) {
    if (number.i < low || (number.i > 0 && static_cast<uint64_t>(number.i) > high)) return DISP_E_OVERFLOW;
    *out = number;
    return S_OK;
  }
  if (std::isnan(number.d)) return DISP_E_OVERFLOW;
  double rounded = std::nearbyint(number.d);
  if (rounded < static_cast<double>(low) || rounded >= static_cast<double>(high) + 1.0) return DISP_E_OVERFLOW;
  if (rounded < 0)
    *out = Signed(static_cast<int64_t>(rounded));
  else
    *out = Unsigned(static_cast<uint64_t>(rounded));
  return S_OK;
}

int64_t AsSigned(const Number& n) { return n.kind == Number::Kind::kUnsigned ? static_cast<int64_t>(n.u) : n.i; }

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

std::string RealText(double value) {
  if (value == 0) return "0";
  char text[64];
  std::snprintf(text, sizeof(text), "%.15G", value);
  return text;
}

HRESULT ToText(const VARIANT& source, USHORT flags, BSTR* text) {
  std::string out;
  if (source.vt == VT_BOOL && (flags & VARIANT_ALPHABOOL)) {
    out = source.boolVal != VARIANT_FALSE ? "True" : "False";
  } else if (source.vt == VT_EMPTY) {
    out = "";
  } else {
    Number number;
    HRESULT hr = ToNumber(source, false, &number);
    if (FAILED(hr)) return hr;
    if (number.kind == Number::Kind::kSigned)
      out = std::to_string(number.i);
    else if (number.kind == Number::Kind::kUnsigned)
      out = std::to_string(number.u);
    else if (source.vt == VT_R4) {
      char buffer[32];
      std::snprintf(buffer, sizeof(buffer), "%.7G", static_cast<double>(source.fltVal));
      out = buffer;
    } else
      out = RealText(number.d);
  }
  std::wstring wide = Widen(out);
  *text = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  return *text == nullptr ? E_OUTOFMEMORY : S_OK;
}

// Into an empty result of the given scalar type.
HRESULT Convert(const VARIANT& source, USHORT flags, VARTYPE type, VARIANT* result) {
  if (type == VT_BSTR) {
    HRESULT hr = ToText(source, flags, &result->bstrVal);
    if (SUCCEEDED(hr)) result->vt = VT_BSTR;
    return hr;
  }
  if (source.vt == VT_NULL || type == VT_NULL) return DISP_E_TYPEMISMATCH;
  Number number;
  HRESULT hr = ToNumber(source, type == VT_BOOL, &number);
  if (FAILED(hr)) return hr;
  Number whole;
  switch (type) {
    case VT_EMPTY:
      break;
    case VT_I1:
      if (FAILED(hr = ToInteger(number, -128, 127, &whole))) return hr;
      result->cVal = static_cast<CHAR>(AsSigned(whole));
      break;
    case VT_UI1:
      if (FAILED(hr = ToInteger(number, 0, 255, &whole))) return hr;
      result->bVal = static_cast<BYTE>(AsSigned(whole));
      break;
    case VT_I2:
      if (FAILED(hr = ToInteger(number, -32768, 32767, &whole))) return hr;
      result->iVal = static_cast<SHORT>(AsSigned(whole));
      break;
    case VT_UI2:
      if (FAILED(hr = ToInteger(number, 0, 65535, &whole))) return hr;
      result->uiVal = static_cast<USHORT>(AsSigned(whole));
      break;
    case VT_I4:
    case VT_INT:
      if (FAILED(hr = ToInteger(number, INT32_MIN, INT32_MAX, &whole))) return hr;
      result->lVal = static_cast<LONG>(AsSigned(whole));
      break;
    case VT_UI4:
    case VT_UINT:
      if (FAILED(hr = ToInteger(number, 0, UINT32_MAX, &whole))) return hr;
      result->ulVal = static_cast<ULONG>(AsSigned(whole));
      break;
    case VT_I8:
      if (FAILED(hr = ToInteger(number, INT64_MIN, INT64_MAX, &whole))) return hr;
      result->llVal = AsSigned(whole);
      break;
    case VT_UI8:
      if (FAILED(hr = ToInteger(number, 0, UINT64_MAX, &whole))) return hr;
      result->ullVal = whole.kind == Number::Kind::kUnsigned ? whole.u : static_cast<uint64_t>(whole.i);
      break;
    case VT_BOOL:
      result->boolVal = number.Real() != 0 ? VARIANT_TRUE : VARIANT_FALSE;
      break;
    case VT_R4: {
      const double value = number.Real();
      if (std::isfinite(value) && std::fabs(value) > std::numeric_limits<float>::max()) return DISP_E_OVERFLOW;
      result->fltVal = static_cast<float>(value);
      break;
    }
    case VT_R8:
    case VT_DATE:
      result->dblVal = number.Real();
      break;
    case VT_CY: {
      const double scaled = std::nearbyint(number.Real() * 10000.0);
      if (!(scaled >= -9223372036854775808.0 && scaled < 9223372036854775808.0)) return DISP_E_OVERFLOW;
      result->cyVal.int64 = static_cast<LONGLONG>(scaled);
      break;
    }
    default:
      return DISP_E_TYPEMISMATCH;
  }
  result->vt = type;
  return S_OK;
}

// An object's value: its default member, read as a property.
HRESULT DefaultValue(IDispatch* object, VARIANT* value) {
  if (object == nullptr) return DISP_E_TYPEMISMATCH;
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  return object->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value, nullptr,
                        nullptr);
}

}  // namespace

HRESULT WINAPI VariantChangeTypeEx(VARIANTARG* target, const VARIANTARG* source, LCID, USHORT flags, VARTYPE type) {
  if (target == nullptr || source == nullptr) return E_INVALIDARG;
  // Read through references, and work on a copy: the target may be the source.
  VARIANT value;
  VariantInit(&value);
  HRESULT hr = VariantCopyInd(&value, source);
  if (FAILED(hr)) return hr;
  if (value.vt == VT_DISPATCH && type != VT_DISPATCH && type != VT_UNKNOWN) {
    VARIANT inner;
    VariantInit(&inner);
    hr = DefaultValue(value.pdispVal, &inner);
    VariantClear(&value);
    if (FAILED(hr)) return hr;
    value = inner;
  }
  VARIANT result;
  VariantInit(&result);
  if (value.vt == type) {
    result = value;
    VariantInit(&value);
  } else if (type == VT_UNKNOWN && value.vt == VT_DISPATCH) {
    result.vt = VT_UNKNOWN;
    result.punkVal = value.punkVal;
    VariantInit(&value);
  } else if ((type & ~VT_TYPEMASK) != 0 || (value.vt & ~VT_TYPEMASK) != 0) {
    hr = DISP_E_TYPEMISMATCH;
  } else {
    hr = Convert(value, flags, type, &result);
  }
  VariantClear(&value);
  if (FAILED(hr)) return hr;
  hr = VariantClear(target);
  if (FAILED(hr)) {
    VariantClear(&result);
    return hr;
  }
  *target = result;
  return S_OK;
}

HRESULT WINAPI VariantChangeType(VARIANTARG* target, const VARIANTARG* source, USHORT flags, VARTYPE type) {
  return VariantChangeTypeEx(target, source, LOCALE_USER_DEFAULT, flags, type);
}
