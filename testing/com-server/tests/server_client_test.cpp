// The automation test server driven as a C++ client would, through the
// registered classes: what a script host cannot express (by-reference cells,
// arrays, exception records, named arguments, windows, the running object
// table) and the exact call record. Every test ends with no server object
// alive and no reference held.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleacc.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "win-owners/com.h"
#include "../server_ids.h"
#include "client.h"

namespace {

using namespace test_server;
using namespace test_client;

class ServerClient : public ProbedTest {
 protected:
  void SetUp() override {
    ProbedTest::SetUp();
    server_ = NewServer();
    ASSERT_TRUE(server_);
  }
  void ReleaseObjects() override { server_.reset(); }

  static win::ComPtr<IDispatch> NewServer() { return Create(kServerProgId); }

  win::Variant Result(const wchar_t* kind) {
    win::Bstr name(SysAllocString(kind));
    win::Variant result;
    EXPECT_EQ(Call(server_.get(), L"Result", DISPATCH_METHOD, {Text(name)}, result.get()), S_OK) << kind;
    return result;
  }

  win::ComPtr<IDispatch> server_;
};

TEST_F(ServerClient, TypeLibraryNamesTheMembersInvokeServes) {
  CLSID probe_class = {};
  ASSERT_EQ(CLSIDFromProgID(kProbeProgId, &probe_class), S_OK);
  EXPECT_TRUE(IsEqualCLSID(probe_class, kProbeClassId));
  for (IDispatch* object : {server_.get(), probe_.get()}) {
    win::ComPtr<ITypeInfo> type_info;
    ASSERT_EQ(object->GetTypeInfo(0, 0, type_info.put()), S_OK);
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(type_info->GetTypeAttr(&attributes), S_OK);
    EXPECT_EQ(attributes->typekind, TKIND_DISPATCH);
    const WORD functions = attributes->cFuncs;
    type_info->ReleaseTypeAttr(attributes);
    ASSERT_GT(functions, 7);
    // Past the seven IUnknown and IDispatch methods, each member's name
    // resolves to the DISPID the type library gives it.
    for (UINT i = 7; i < functions; ++i) {
      FUNCDESC* function = nullptr;
      ASSERT_EQ(type_info->GetFuncDesc(i, &function), S_OK);
      win::Bstr name;
      UINT count = 0;
      EXPECT_EQ(type_info->GetNames(function->memid, name.put(), 1, &count), S_OK);
      LPOLESTR names[] = {name.get()};
      DISPID dispid = DISPID_UNKNOWN;
      EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, 0, &dispid), S_OK) << name.get();
      EXPECT_EQ(dispid, function->memid) << name.get();
      type_info->ReleaseFuncDesc(function);
    }
  }
}

TEST_F(ServerClient, DispatchFollowsTheAutomationRules) {
  LPOLESTR names[] = {const_cast<LPOLESTR>(L"eCHO")};
  DISPID dispid = DISPID_UNKNOWN;
  EXPECT_EQ(server_->GetIDsOfNames(IID_NULL, names, 1, 0, &dispid), S_OK);
  EXPECT_EQ(dispid, DISPID_SERVER_ECHO);
  win::Variant result;
  EXPECT_EQ(Call(server_.get(), L"Missing", DISPATCH_METHOD, {}, result.get()), DISP_E_UNKNOWNNAME);
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  EXPECT_EQ(server_->Invoke(DISPID_SERVER_COUNT, IID_IDispatch, 0, DISPATCH_PROPERTYGET, &none, result.get(), nullptr,
                            nullptr),
            DISP_E_UNKNOWNINTERFACE);
  EXPECT_EQ(server_->Invoke(DISPID_SERVER_VALUE, IID_NULL, 0, DISPATCH_PROPERTYPUT, &none, nullptr, nullptr, nullptr),
            DISP_E_PARAMNOTFOUND);
  EXPECT_EQ(Call(server_.get(), L"Add", DISPATCH_METHOD, {I4(1)}, result.get()), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Call(server_.get(), L"Child", DISPATCH_PROPERTYPUT, {I4(1)}, nullptr), DISP_E_MEMBERNOTFOUND);

  // The default member: a get with 0 or 1 arguments, a method with 2.
  EXPECT_EQ(Call(server_.get(), L"_Default", DISPATCH_PROPERTYGET, {I4(1)}, result.get()), S_OK);
  EXPECT_EQ(TextOf(*result.get()), L"get 1");
  result = win::Variant();
  EXPECT_EQ(Call(server_.get(), L"_Default", DISPATCH_METHOD, {I4(1), I4(2)}, result.get()), S_OK);
  EXPECT_EQ(TextOf(*result.get()), L"call 1 2");
  EXPECT_EQ(Call(server_.get(), L"_Default", DISPATCH_PROPERTYGET, {I4(1), I4(2)}, result.get()), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Call(server_.get(), L"_Default", DISPATCH_METHOD, {I4(1)}, result.get()), DISP_E_BADPARAMCOUNT);

  // Optional parameters: omitted, or passed as the missing-argument value.
  VARIANT missing;
  missing.vt = VT_ERROR;
  missing.scode = DISP_E_PARAMNOTFOUND;
  result = win::Variant();
  EXPECT_EQ(Call(server_.get(), L"Optional", DISPATCH_METHOD, {I4(1), missing, I4(3)}, result.get()), S_OK);
  EXPECT_EQ(TextOf(*result.get()), L"a,-,c");

  // Item and Count keep a map by the key's text.
  win::Bstr key(SysAllocString(L"7"));
  EXPECT_EQ(Call(server_.get(), L"Item", DISPATCH_PROPERTYPUT, {I4(7), Text(key)}, nullptr), S_OK);
  result = win::Variant();
  EXPECT_EQ(Call(server_.get(), L"Item", DISPATCH_PROPERTYGET, {Text(key)}, result.get()), S_OK);
  EXPECT_EQ(result.get()->vt, VT_BSTR);
  EXPECT_EQ(TextOf(*result.get()), L"7");
  result = win::Variant();
  EXPECT_EQ(Call(server_.get(), L"Count", DISPATCH_PROPERTYGET, {}, result.get()), S_OK);
  EXPECT_EQ(result.get()->lVal, 1);
}

TEST_F(ServerClient, FillWritesEveryCellAndTheRecordShowsTheOldContent) {
  LONG i4 = 5;
  ULONG ui4 = 0;
  SHORT i2 = 0;
  double r8 = 0, date = 0;
  VARIANT_BOOL flag = VARIANT_FALSE;
  win::Bstr text(SysAllocString(L"old"));
  BSTR text_cell = text.release();
  win::Variant variant_cell;
  variant_cell.get()->vt = VT_I4;
  variant_cell.get()->lVal = 0;
  IDispatch* object_cell = NewServer().release();
  SAFEARRAY* array_cell = SafeArrayCreateVector(VT_VARIANT, 0, 2);
  win::Variant result;
  ASSERT_EQ(Call(server_.get(), L"Fill", DISPATCH_METHOD,
                 {Ref(VT_I4, &i4), Ref(VT_UI4, &ui4), Ref(VT_I2, &i2), Ref(VT_R8, &r8), Ref(VT_DATE, &date),
                  Ref(VT_BOOL, &flag), Ref(VT_BSTR, &text_cell), Ref(VT_VARIANT, variant_cell.get()),
                  Ref(VT_DISPATCH, &object_cell), Ref(VT_ARRAY | VT_VARIANT, &array_cell), I4(1), Ref(VT_I4, nullptr)},
                 result.get()),
            S_OK);
  EXPECT_EQ(result.get()->lVal, 10);
  EXPECT_EQ(i4, 42);
  EXPECT_EQ(ui4, 4000000000u);
  EXPECT_EQ(i2, -2);
  EXPECT_EQ(r8, 2.5);
  EXPECT_EQ(date, 86400000.0);
  EXPECT_EQ(flag, VARIANT_TRUE);
  EXPECT_EQ(std::wstring(text_cell), L"filled");
  EXPECT_EQ(TextOf(*variant_cell.get()), L"variant");
  VARIANT array_value;
  array_value.vt = VT_ARRAY | VT_VARIANT;
  array_value.parray = array_cell;
  EXPECT_EQ(Element(array_value, {2}).get()->lVal, 9);
  // The old object was released; the new one is the cell's.
  EXPECT_EQ(Count(L"LiveObjects"), 2);
  object_cell->Release();
  SafeArrayDestroy(array_cell);
  SysFreeString(text_cell);

  const std::wstring calls = Calls();
  EXPECT_NE(calls.find(L"\"args\":[{\"vt\":16387,\"ref\":null},{\"vt\":3,\"value\":1},"), std::wstring::npos);
  EXPECT_NE(calls.find(L"{\"vt\":16392,\"ref\":{\"vt\":8,\"value\":\"old\"}}"), std::wstring::npos);
  EXPECT_NE(calls.find(L"{\"vt\":16396,\"ref\":{\"vt\":3,\"value\":0}}"), std::wstring::npos);
  EXPECT_NE(calls.find(L"{\"vt\":24588,\"ref\":{\"vt\":8204,\"dims\":[{\"lbound\":0,\"count\":2}],"
                       L"\"elements\":[{\"vt\":0,\"value\":null},{\"vt\":0,\"value\":null}]}}"),
            std::wstring::npos);
  EXPECT_NE(calls.find(L"{\"vt\":16387,\"ref\":{\"vt\":3,\"value\":5}}]"), std::wstring::npos) << calls;
}

TEST_F(ServerClient, CallRecordIsExactJson) {
  win::Bstr nul(SysAllocStringLen(L"a\0\"\x00e9", 4));
  EXPECT_EQ(Call(server_.get(), L"Echo", DISPATCH_METHOD, {Text(nul)}, nullptr), S_OK);
  EXPECT_EQ(Call(server_.get(), L"Args", DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                 {Object(server_.get()), Object(probe_.get()), Object(nullptr)}, nullptr),
            S_OK);
  win::Variant table = Result(L"ARRAY_2D");
  EXPECT_EQ(Call(server_.get(), L"Value", DISPATCH_PROPERTYPUT, {*table.get()}, nullptr), S_OK);
  EXPECT_EQ(Call(server_.get(), L"Fail", DISPATCH_METHOD, {I4(1)}, nullptr), E_INVALIDARG);
  const std::wstring calls = Calls();
  // The record since Reset: the Result call made the array passed to Value.
  EXPECT_EQ(calls,
            L"[{\"object\":1,\"member\":\"Echo\",\"dispid\":1,\"flags\":1,\"lcid\":0,"
            L"\"args\":[{\"vt\":8,\"value\":\"a\\u0000\\\"\\u00e9\"}],\"named\":[],\"hr\":0},"
            L"{\"object\":1,\"member\":\"Args\",\"dispid\":2,\"flags\":3,\"lcid\":0,\"args\":["
            L"{\"vt\":9,\"value\":null},{\"vt\":9,\"value\":\"foreign\"},{\"vt\":9,\"value\":1}],"
            L"\"named\":[],\"hr\":0},"
            L"{\"object\":1,\"member\":\"Result\",\"dispid\":5,\"flags\":1,\"lcid\":0,"
            L"\"args\":[{\"vt\":8,\"value\":\"ARRAY_2D\"}],\"named\":[],\"hr\":0},"
            L"{\"object\":1,\"member\":\"Value\",\"dispid\":8,\"flags\":4,\"lcid\":0,\"args\":[{\"vt\":8204,"
            L"\"dims\":[{\"lbound\":1,\"count\":2},{\"lbound\":1,\"count\":3}],\"elements\":["
            L"{\"vt\":3,\"value\":11},{\"vt\":3,\"value\":21},{\"vt\":3,\"value\":12},"
            L"{\"vt\":3,\"value\":22},{\"vt\":3,\"value\":13},{\"vt\":3,\"value\":23}]}],"
            L"\"named\":[-3],\"hr\":0},"
            L"{\"object\":1,\"member\":\"Fail\",\"dispid\":12,\"flags\":1,\"lcid\":0,"
            L"\"args\":[{\"vt\":3,\"value\":1}],\"named\":[],\"hr\":2147942487}]");

  // Switched off, calls leave nothing in the record.
  VARIANT off;
  off.vt = VT_BOOL;
  off.boolVal = VARIANT_FALSE;
  EXPECT_EQ(Call(probe_.get(), L"Recording", DISPATCH_PROPERTYPUT, {off}, nullptr), S_OK);
  EXPECT_EQ(Call(server_.get(), L"Args", DISPATCH_METHOD, {I4(1)}, nullptr), S_OK);
  EXPECT_EQ(Calls(), calls);
}

TEST_F(ServerClient, CannedScalars) {
  struct Expected {
    const wchar_t* kind;
    VARTYPE type;
  };
  for (const Expected& expected : {Expected{L"I1", VT_I1},
                                   {L"UI4", VT_UI4},
                                   {L"I8", VT_I8},
                                   {L"UI8", VT_UI8},
                                   {L"INT", VT_INT},
                                   {L"R4", VT_R4},
                                   {L"CY", VT_CY},
                                   {L"DECIMAL", VT_DECIMAL},
                                   {L"ERROR", VT_ERROR},
                                   {L"EMPTY", VT_EMPTY},
                                   {L"NULL", VT_NULL},
                                   {L"DATE", VT_DATE},
                                   {L"BSTR_NULL", VT_BSTR},
                                   {L"NULL_OBJECT", VT_DISPATCH},
                                   {L"UNKNOWN", VT_UNKNOWN}}) {
    EXPECT_EQ(Result(expected.kind).get()->vt, expected.type) << expected.kind;
  }
  EXPECT_EQ(Result(L"UI8").get()->ullVal, 1ull << 53);
  EXPECT_EQ(Result(L"DECIMAL").get()->decVal.Lo64, 12345u);
  EXPECT_EQ(Result(L"BOOL_ONE").get()->boolVal, 1);
  EXPECT_EQ(TextOf(*Result(L"BSTR_NUL").get()), std::wstring(L"ab\0cd", 5));
  EXPECT_EQ(SysStringLen(Result(L"BSTR_EMPTY").get()->bstrVal), 0u);
  win::Variant reference = Result(L"VARIANT_BYREF");
  ASSERT_EQ(reference.get()->vt, VT_VARIANT | VT_BYREF);
  EXPECT_EQ(reference.get()->pvarVal->vt, VT_I4);
  EXPECT_EQ(reference.get()->pvarVal->lVal, 9);
  win::Variant object = Result(L"OBJECT");
  ASSERT_EQ(object.get()->vt, VT_DISPATCH);
  EXPECT_EQ(Count(L"LiveObjects"), 2);

  win::Bstr unknown(SysAllocString(L"i4"));
  win::Variant result;
  EXPECT_EQ(Call(server_.get(), L"Result", DISPATCH_METHOD, {Text(unknown)}, result.get()), E_INVALIDARG);
}

TEST_F(ServerClient, CannedArraysIndexDimensionOneFirst) {
  win::Variant two = Result(L"ARRAY_2D");
  ASSERT_EQ(two.get()->vt, VT_ARRAY | VT_VARIANT);
  LONG bound = 0;
  EXPECT_EQ(SafeArrayGetUBound(two.get()->parray, 1, &bound), S_OK);
  EXPECT_EQ(bound, 2);
  EXPECT_EQ(SafeArrayGetUBound(two.get()->parray, 2, &bound), S_OK);
  EXPECT_EQ(bound, 3);
  EXPECT_EQ(Element(*two.get(), {2, 3}).get()->lVal, 23);
  EXPECT_EQ(Element(*two.get(), {1, 3}).get()->lVal, 13);

  win::Variant three = Result(L"ARRAY_3D");
  EXPECT_EQ(Element(*three.get(), {1, 0, 1}).get()->lVal, 101);
  win::Variant negative = Result(L"ARRAY_NEGATIVE_BOUNDS");
  EXPECT_EQ(Element(*negative.get(), {-1}).get()->lVal, -1);
  win::Variant empty = Result(L"ARRAY_EMPTY");
  EXPECT_EQ(SafeArrayGetDim(empty.get()->parray), 1u);
  EXPECT_EQ(SafeArrayGetUBound(empty.get()->parray, 1, &bound), S_OK);
  EXPECT_EQ(bound, -1);
  win::Variant nested = Result(L"ARRAY_NESTED");
  win::Variant inner = Element(*nested.get(), {0});
  ASSERT_EQ(inner.get()->vt, VT_ARRAY | VT_VARIANT);
  EXPECT_EQ(Element(*inner.get(), {1}).get()->lVal, 2);
  EXPECT_EQ(Result(L"ARRAY_I4").get()->vt, VT_ARRAY | VT_I4);
  EXPECT_EQ(Result(L"ARRAY_BSTR").get()->vt, VT_ARRAY | VT_BSTR);
  win::Variant objects = Result(L"ARRAY_DISPATCH");
  EXPECT_EQ(objects.get()->vt, VT_ARRAY | VT_DISPATCH);
  EXPECT_EQ(Count(L"LiveObjects"), 3);

  win::Variant table;
  ASSERT_EQ(Call(server_.get(), L"Table", DISPATCH_METHOD, {I4(2), I4(3), I4(1)}, table.get()), S_OK);
  EXPECT_EQ(Element(*table.get(), {1, 1}).get()->dblVal, 0.0);
  EXPECT_EQ(Element(*table.get(), {2, 3}).get()->dblVal, 5.0);
  EXPECT_EQ(Element(*table.get(), {2, 1}).get()->dblVal, 3.0);
}

TEST_F(ServerClient, FailuresFillTheExceptionRecord) {
  struct Expected {
    const wchar_t* kind;
    HRESULT hr;
    WORD code;
    SCODE scode;
    const wchar_t* description;
  };
  for (const Expected& expected :
       {Expected{L"EXCEPTION", DISP_E_EXCEPTION, 0, static_cast<SCODE>(0x80040201), L"Something failed"},
        {L"EXCEPTION_NO_DESCRIPTION", DISP_E_EXCEPTION, 0, static_cast<SCODE>(0x80040201), nullptr},
        {L"EXCEPTION_WCODE", DISP_E_EXCEPTION, 1001, 0, L"Only wCode"},
        {L"INTERFACE_RANGE", static_cast<HRESULT>(0x80040205), 0, 0, nullptr},
        {L"HRESULT 0x80070005", E_ACCESSDENIED, 0, 0, nullptr},
        {L"HRESULT 0x8007000G", E_INVALIDARG, 0, 0, nullptr}}) {
    win::Bstr kind(SysAllocString(expected.kind));
    EXCEPINFO exception = {};
    win::Variant result;
    EXPECT_EQ(Call(server_.get(), L"Fail", DISPATCH_METHOD, {Text(kind)}, result.get(), &exception), expected.hr)
        << expected.kind;
    EXPECT_EQ(exception.wCode, expected.code) << expected.kind;
    EXPECT_EQ(exception.scode, expected.scode) << expected.kind;
    if (expected.description == nullptr)
      EXPECT_EQ(exception.bstrDescription, nullptr) << expected.kind;
    else
      EXPECT_EQ(std::wstring(exception.bstrDescription), expected.description);
    if (expected.hr == DISP_E_EXCEPTION) EXPECT_EQ(std::wstring(exception.bstrSource), L"Quillaret.TestServer");
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
  }
}

TEST_F(ServerClient, WindowsHandOutObjectsThroughTheirNativeObjectModel) {
  win::Bstr name(SysAllocString(L"QuillaretTestServerWindow"));
  win::Variant object_window, plain_window, destroyed;
  ASSERT_EQ(Call(server_.get(), L"CreateObjectWindow", DISPATCH_METHOD, {Text(name)}, object_window.get()), S_OK);
  ASSERT_EQ(Call(server_.get(), L"CreatePlainWindow", DISPATCH_METHOD, {Text(name)}, plain_window.get()), S_OK);
  const HWND window = reinterpret_cast<HWND>(static_cast<LONG_PTR>(object_window.get()->lVal));
  const HWND plain = reinterpret_cast<HWND>(static_cast<LONG_PTR>(plain_window.get()->lVal));
  EXPECT_EQ(FindWindowExW(nullptr, nullptr, name.get(), nullptr) != nullptr, true);

  win::ComPtr<IDispatch> from_window;
  ASSERT_EQ(AccessibleObjectFromWindow(window, OBJID_NATIVEOM, IID_IDispatch, from_window.put_void()), S_OK);
  win::Variant echoed;
  EXPECT_EQ(Call(from_window.get(), L"Echo", DISPATCH_METHOD, {I4(4)}, echoed.get()), S_OK);
  EXPECT_EQ(echoed.get()->lVal, 4);
  EXPECT_EQ(Count(L"LiveObjects"), 2);
  from_window.reset();
  win::ComPtr<IDispatch> none;
  EXPECT_TRUE(FAILED(AccessibleObjectFromWindow(plain, OBJID_NATIVEOM, IID_IDispatch, none.put_void())));

  ASSERT_EQ(Call(server_.get(), L"DestroyWindows", DISPATCH_METHOD, {}, destroyed.get()), S_OK);
  EXPECT_EQ(destroyed.get()->lVal, 2);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(IsWindow(plain));
}

TEST_F(ServerClient, RunningObjectIsTheServersUntilRevoked) {
  win::Variant cookie;
  ASSERT_EQ(Call(server_.get(), L"RegisterRunning", DISPATCH_METHOD, {}, cookie.get()), S_OK);
  win::ComPtr<IUnknown> running;
  ASSERT_EQ(GetActiveObject(kServerClassId, nullptr, running.put()), S_OK);
  win::ComPtr<IDispatch> dispatch;
  ASSERT_EQ(running->QueryInterface(IID_IDispatch, dispatch.put_void()), S_OK);
  win::Variant result;
  EXPECT_EQ(Call(dispatch.get(), L"Args", DISPATCH_METHOD, {}, result.get()), S_OK);
  EXPECT_NE(Calls().find(L"{\"object\":2,\"member\":\"Args\""), std::wstring::npos);
  dispatch.reset();
  running.reset();

  EXPECT_EQ(Call(server_.get(), L"RevokeRunning", DISPATCH_METHOD, {*cookie.get()}, nullptr), S_OK);
  EXPECT_EQ(GetActiveObject(kServerClassId, nullptr, running.put()), MK_E_UNAVAILABLE);
}

}  // namespace
