#include "failures.h"

#include <oleauto.h>

#include <cstring>

#include "server_ids.h"

namespace test_server {
namespace {

constexpr SCODE kServerError = static_cast<SCODE>(0x80040201);

HRESULT ExceptionResult(EXCEPINFO* exception, WORD code, SCODE scode, const wchar_t* description) {
  if (exception != nullptr) {
    std::memset(exception, 0, sizeof(*exception));
    exception->wCode = code;
    exception->scode = scode;
    exception->bstrSource = SysAllocString(kServerProgId);
    if (description != nullptr) exception->bstrDescription = SysAllocString(description);
  }
  return DISP_E_EXCEPTION;
}

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// "HRESULT 0x" followed by one to eight hexadecimal digits.
bool ParseHresult(const std::wstring& kind, HRESULT* code) {
  const std::wstring prefix = L"HRESULT 0x";
  if (kind.compare(0, prefix.size(), prefix) != 0) return false;
  const std::wstring digits = kind.substr(prefix.size());
  if (digits.empty() || digits.size() > 8) return false;
  unsigned long value = 0;
  for (wchar_t c : digits) {
    const int digit = HexDigit(c);
    if (digit < 0) return false;
    value = value * 16 + static_cast<unsigned long>(digit);
  }
  *code = static_cast<HRESULT>(value);
  return true;
}

}  // namespace

HRESULT Failure(const std::wstring& kind, EXCEPINFO* exception) {
  if (kind == L"EXCEPTION") return ExceptionResult(exception, 0, kServerError, L"Something failed");
  if (kind == L"EXCEPTION_NO_DESCRIPTION") return ExceptionResult(exception, 0, kServerError, nullptr);
  if (kind == L"EXCEPTION_WCODE") return ExceptionResult(exception, 1001, 0, L"Only wCode");
  if (kind == L"INTERFACE_RANGE") return static_cast<HRESULT>(0x80040205);
  HRESULT code = S_OK;
  return ParseHresult(kind, &code) ? code : E_INVALIDARG;
}

}  // namespace test_server
