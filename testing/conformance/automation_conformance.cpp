// Automation: BSTRs (length prefix, embedded NULs), VARIANT clearing and
// copying (deep, and through references), SAFEARRAYs (bounds, dimensions,
// element types, the element order, locks), VariantChangeType's forms and
// FormatMessageW's texts for automation HRESULTs.
#include <windows.h>

#include <gtest/gtest.h>
#include <oleauto.h>

#include <cstring>
#include <string>

#include "platform.h"

namespace {

TEST(Bstr, KeepsItsLengthAndEmbeddedNuls) {
  const OLECHAR text[] = {L'a', 0, L'b', 0xD800, 0};
  BSTR copy = SysAllocStringLen(text, 4);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(SysStringLen(copy), 4u);
  EXPECT_EQ(SysStringByteLen(copy), 4 * sizeof(OLECHAR));
  EXPECT_EQ(std::memcmp(copy, text, 4 * sizeof(OLECHAR)), 0);
  EXPECT_EQ(copy[4], 0);  // terminated beyond its length
  SysFreeString(copy);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  BSTR empty = SysAllocStringLen(nullptr, 3);  // room for 3 units
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(SysStringLen(empty), 3u);
  SysFreeString(empty);
  SysFreeString(nullptr);
}

TEST(Variant, ClearFreesWhatItOwnsAndRefusesBadTypes) {
  VARIANT value;
  VariantInit(&value);
  EXPECT_EQ(value.vt, VT_EMPTY);
  value.vt = VT_BSTR;
  value.bstrVal = SysAllocString(L"text");
  EXPECT_EQ(VariantClear(&value), S_OK);
  EXPECT_EQ(value.vt, VT_EMPTY);
  value.vt = 0x7F;  // no such type
  EXPECT_EQ(VariantClear(&value), DISP_E_BADVARTYPE);
  EXPECT_EQ(value.vt, 0x7F);
  value.vt = VT_VARIANT;  // meaningful only by reference, yet cleared without complaint
  EXPECT_EQ(VariantClear(&value), S_OK);
  EXPECT_EQ(value.vt, VT_EMPTY);
}

TEST(Variant, CopyIsDeepAndCopyIndReadsThroughTheReference) {
  VARIANT source, copy;
  VariantInit(&source);
  VariantInit(&copy);
  const OLECHAR text[] = {L'x', 0, L'y'};
  source.vt = VT_BSTR;
  source.bstrVal = SysAllocStringLen(text, 3);
  ASSERT_EQ(VariantCopy(&copy, &source), S_OK);
  EXPECT_EQ(copy.vt, VT_BSTR);
  EXPECT_NE(copy.bstrVal, source.bstrVal);
  EXPECT_EQ(SysStringLen(copy.bstrVal), 3u);
  VariantClear(&copy);

  VARIANT reference;
  VariantInit(&reference);
  reference.vt = VT_BSTR | VT_BYREF;
  reference.pbstrVal = &source.bstrVal;
  ASSERT_EQ(VariantCopyInd(&copy, &reference), S_OK);
  EXPECT_EQ(copy.vt, VT_BSTR);
  EXPECT_NE(copy.bstrVal, source.bstrVal);
  EXPECT_EQ(SysStringLen(copy.bstrVal), 3u);
  VariantClear(&copy);

  LONG number = 7;
  reference.vt = VT_I4 | VT_BYREF;
  reference.plVal = &number;
  ASSERT_EQ(VariantCopyInd(&reference, &reference), S_OK);  // in place
  EXPECT_EQ(reference.vt, VT_I4);
  EXPECT_EQ(reference.lVal, 7);
  VariantClear(&source);
}

TEST(Variant, ChangeTypeFormsOfTheInvariantLocale) {
  VARIANT value, result;
  VariantInit(&value);
  VariantInit(&result);
  value.vt = VT_R8;
  value.dblVal = 2.5;
  ASSERT_EQ(VariantChangeTypeEx(&result, &value, LOCALE_INVARIANT, 0, VT_I4), S_OK);
  EXPECT_EQ(result.lVal, 2);  // half to even
  value.dblVal = 3.5;
  ASSERT_EQ(VariantChangeTypeEx(&result, &value, LOCALE_INVARIANT, 0, VT_I4), S_OK);
  EXPECT_EQ(result.lVal, 4);
  value.dblVal = 3e10;
  EXPECT_EQ(VariantChangeTypeEx(&result, &value, LOCALE_INVARIANT, 0, VT_I4), DISP_E_OVERFLOW);
  value.vt = VT_BOOL;
  value.boolVal = VARIANT_TRUE;
  ASSERT_EQ(VariantChangeTypeEx(&result, &value, LOCALE_INVARIANT, 0, VT_BSTR), S_OK);
  EXPECT_EQ(std::wstring(result.bstrVal, SysStringLen(result.bstrVal)), L"-1");
  VariantClear(&result);
  ASSERT_EQ(VariantChangeTypeEx(&result, &value, LOCALE_INVARIANT, VARIANT_ALPHABOOL, VT_BSTR), S_OK);
  EXPECT_EQ(std::wstring(result.bstrVal, SysStringLen(result.bstrVal)), L"True");
  VariantClear(&result);
  value.vt = VT_BSTR;
  value.bstrVal = SysAllocString(L" 12 ");
  ASSERT_EQ(VariantChangeTypeEx(&result, &value, LOCALE_INVARIANT, 0, VT_I4), S_OK);
  EXPECT_EQ(result.lVal, 12);
  VariantClear(&value);
  value.vt = VT_NULL;
  EXPECT_EQ(VariantChangeTypeEx(&result, &value, LOCALE_INVARIANT, 0, VT_I4), DISP_E_TYPEMISMATCH);
}

TEST(SafeArray, BoundsDimensionsTypesAndElementOrder) {
  SAFEARRAYBOUND bounds[2] = {{2, -1}, {3, 5}};  // dimension 1 first
  SAFEARRAY* array = SafeArrayCreate(VT_I4, 2, bounds);
  ASSERT_NE(array, nullptr);
  EXPECT_EQ(SafeArrayGetDim(array), 2u);
  EXPECT_EQ(SafeArrayGetElemsize(array), 4u);
  LONG bound = 0;
  EXPECT_EQ(SafeArrayGetLBound(array, 1, &bound), S_OK);
  EXPECT_EQ(bound, -1);
  EXPECT_EQ(SafeArrayGetUBound(array, 2, &bound), S_OK);
  EXPECT_EQ(bound, 7);
  EXPECT_EQ(SafeArrayGetLBound(array, 3, &bound), DISP_E_BADINDEX);
  EXPECT_EQ(array->rgsabound[0].cElements, 3u);  // stored last dimension first
  VARTYPE type = VT_EMPTY;
  EXPECT_EQ(SafeArrayGetVartype(array, &type), S_OK);
  EXPECT_EQ(type, VT_I4);
  for (LONG i = -1; i <= 0; ++i) {
    for (LONG j = 5; j <= 7; ++j) {
      LONG index[2] = {i, j};
      LONG value = 10 * (i + 1) + (j - 5);
      ASSERT_EQ(SafeArrayPutElement(array, index, &value), S_OK);
    }
  }
  void* data = nullptr;
  ASSERT_EQ(SafeArrayAccessData(array, &data), S_OK);
  const LONG* values = static_cast<const LONG*>(data);
  EXPECT_EQ(values[0], 0);   // [-1, 5]
  EXPECT_EQ(values[1], 10);  // [0, 5]: dimension 1 varies fastest
  EXPECT_EQ(values[2], 1);   // [-1, 6]
  EXPECT_EQ(SafeArrayDestroy(array), DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(SafeArrayUnaccessData(array), S_OK);
  LONG outside[2] = {1, 5};
  void* cell = nullptr;
  EXPECT_EQ(SafeArrayPtrOfIndex(array, outside, &cell), DISP_E_BADINDEX);
  EXPECT_EQ(SafeArrayDestroy(array), S_OK);
  EXPECT_EQ(SafeArrayCreate(VT_I4, 0, bounds), nullptr);
}

TEST(SafeArray, BstrAndVariantElementsAreCopiesTheArrayOwns) {
  SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 0, 1);
  ASSERT_NE(array, nullptr);
  BSTR text = SysAllocString(L"kept");
  LONG index = 0;
  ASSERT_EQ(SafeArrayPutElement(array, &index, text), S_OK);
  SysFreeString(text);
  BSTR back = nullptr;
  ASSERT_EQ(SafeArrayGetElement(array, &index, &back), S_OK);
  EXPECT_EQ(std::wstring(back, SysStringLen(back)), L"kept");
  SysFreeString(back);
  SAFEARRAY* copy = nullptr;
  ASSERT_EQ(SafeArrayCopy(array, &copy), S_OK);
  EXPECT_EQ(SafeArrayDestroy(array), S_OK);
  VARIANT holder;
  VariantInit(&holder);
  holder.vt = VT_ARRAY | VT_BSTR;
  holder.parray = copy;
  EXPECT_EQ(VariantClear(&holder), S_OK);  // destroys the copy and its BSTR
}

std::wstring SystemText(HRESULT code) {
  wchar_t* buffer = nullptr;
  DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
                     nullptr, static_cast<DWORD>(code), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                     reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = length > 0 ? std::wstring(buffer, length) : std::wstring();
  if (buffer != nullptr) LocalFree(buffer);
  return text;
}

TEST(SystemMessages, NoneForTheInterfaceSpecificRange) {
  EXPECT_EQ(SystemText(static_cast<HRESULT>(0x80040205L)), L"");
  EXPECT_EQ(SystemText(static_cast<HRESULT>(0x8004FFFFL)), L"");
}

TEST(SystemMessages, AutomationTextsEndInALineBreak) {
  SKIP_UNDER_WINE(
      "FormatMessageW has no text for DISP_E_UNKNOWNNAME, DISP_E_EXCEPTION, DISP_E_MEMBERNOTFOUND "
      "or DISP_E_TYPEMISMATCH, and words E_INVALIDARG \"Invalid parameter.\"");
  EXPECT_EQ(SystemText(DISP_E_UNKNOWNNAME), L"Unknown name.\r\n");
  EXPECT_EQ(SystemText(DISP_E_EXCEPTION), L"Exception occurred.\r\n");
  EXPECT_EQ(SystemText(DISP_E_MEMBERNOTFOUND), L"Member not found.\r\n");
  EXPECT_EQ(SystemText(DISP_E_TYPEMISMATCH), L"Type mismatch.\r\n");
  EXPECT_EQ(SystemText(E_INVALIDARG), L"The parameter is incorrect.\r\n");
}

}  // namespace
