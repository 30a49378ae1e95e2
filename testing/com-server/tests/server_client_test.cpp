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

#include "../com_types.h"
#include "../server_ids.h"

namespace {

using namespace test_server;

// Invokes a member by name. args are in call order (first argument first);
// they are handed to the server reversed, as IDispatch::Invoke expects.
HRESULT Call(IDispatch* object, const wchar_t* name, WORD flags, std::vector<VARIANT> args, VARIANT* result,
             EXCEPINFO* exception = nullptr) {
  DISPID dispid = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &dispid);
  if (FAILED(hr)) return hr;
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPID put = DISPID_PROPERTYPUT;
  const bool is_put = (flags & DISPATCH_PROPERTYPUT) != 0;
  DISPPARAMS params = {reversed.data(), is_put ? &put : nullptr, static_cast<UINT>(reversed.size()),
                       is_put ? 1u : 0u};
  return object->Invoke(dispid, IID_NULL, 0, flags, &params, result, exception, nullptr);
}

VARIANT I4(LONG value) {
  VARIANT v;
  v.vt = VT_I4;
  v.lVal = value;
  return v;
}

VARIANT Text(const Bstr& text) {
  VARIANT v;
  v.vt = VT_BSTR;
  v.bstrVal = text.Get();
  return v;
}

VARIANT Ref(VARTYPE type, void* cell) {
  VARIANT v;
  v.vt = VT_BYREF | type;
  v.byref = cell;
  return v;
}

VARIANT Object(IDispatch* object) {
  VARIANT v;
  v.vt = VT_DISPATCH;
  v.pdispVal = object;
  return v;
}

std::wstring TextOf(const VARIANT& v) {
  return v.vt == VT_BSTR && v.bstrVal != nullptr ? std::wstring(v.bstrVal, SysStringLen(v.bstrVal)) : L"<not text>";
}

// An element of a VT_ARRAY | VT_VARIANT result by index vector (dimension 1 first).
Variant Element(const VARIANT& array, std::vector<LONG> indices) {
  Variant element;
  EXPECT_EQ(SafeArrayGetElement(array.parray, indices.data(), element.Get()), S_OK);
  return element;
}

class ServerClient : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    ASSERT_EQ(CoCreateInstance(kProbeClassId, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, probe_.PutVoid()), S_OK);
    ASSERT_EQ(Call(probe_.Get(), L"Reset", DISPATCH_METHOD, {}, nullptr), S_OK);
    server_ = NewServer();
    ASSERT_TRUE(server_);
  }

  void TearDown() override {
    server_.Reset();
    EXPECT_EQ(Count(L"LiveObjects"), 0);
    EXPECT_EQ(Count(L"References"), 0);
    probe_.Reset();
    CoUninitialize();
  }

  static ComRef<IDispatch> NewServer() {
    ComRef<IDispatch> server;
    CLSID class_id = {};
    EXPECT_EQ(CLSIDFromProgID(kServerProgId, &class_id), S_OK);
    EXPECT_EQ(CoCreateInstance(class_id, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, server.PutVoid()), S_OK);
    return server;
  }

  LONG Count(const wchar_t* member) {
    Variant value;
    EXPECT_EQ(Call(probe_.Get(), member, DISPATCH_PROPERTYGET, {}, value.Get()), S_OK);
    return value.Get()->lVal;
  }

  std::wstring Calls() {
    Variant json;
    EXPECT_EQ(Call(probe_.Get(), L"Calls", DISPATCH_PROPERTYGET, {}, json.Get()), S_OK);
    return TextOf(*json.Get());
  }

  Variant Result(const wchar_t* kind) {
    Bstr name(SysAllocString(kind));
    Variant result;
    EXPECT_EQ(Call(server_.Get(), L"Result", DISPATCH_METHOD, {Text(name)}, result.Get()), S_OK) << kind;
    return result;
  }

  ComRef<IDispatch> probe_;
  ComRef<IDispatch> server_;
};

TEST_F(ServerClient, TypeLibraryNamesTheMembersInvokeServes) {
  CLSID probe_class = {};
  ASSERT_EQ(CLSIDFromProgID(kProbeProgId, &probe_class), S_OK);
  EXPECT_TRUE(IsEqualCLSID(probe_class, kProbeClassId));
  for (IDispatch* object : {server_.Get(), probe_.Get()}) {
    ComRef<ITypeInfo> type_info;
    ASSERT_EQ(object->GetTypeInfo(0, 0, type_info.Put()), S_OK);
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
      Bstr name;
      UINT count = 0;
      EXPECT_EQ(type_info->GetNames(function->memid, name.Put(), 1, &count), S_OK);
      LPOLESTR names[] = {name.Get()};
      DISPID dispid = DISPID_UNKNOWN;
      EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, 0, &dispid), S_OK) << name.Get();
      EXPECT_EQ(dispid, function->memid) << name.Get();
      type_info->ReleaseFuncDesc(function);
    }
  }
}

TEST_F(ServerClient, DispatchFollowsTheAutomationRules) {
  LPOLESTR names[] = {const_cast<LPOLESTR>(L"eCHO")};
  DISPID dispid = DISPID_UNKNOWN;
  EXPECT_EQ(server_->GetIDsOfNames(IID_NULL, names, 1, 0, &dispid), S_OK);
  EXPECT_EQ(dispid, DISPID_SERVER_ECHO);
  Variant result;
  EXPECT_EQ(Call(server_.Get(), L"Missing", DISPATCH_METHOD, {}, result.Get()), DISP_E_UNKNOWNNAME);
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  EXPECT_EQ(server_->Invoke(DISPID_SERVER_COUNT, IID_IDispatch, 0, DISPATCH_PROPERTYGET, &none, result.Get(),
                            nullptr, nullptr),
            DISP_E_UNKNOWNINTERFACE);
  EXPECT_EQ(server_->Invoke(DISPID_SERVER_VALUE, IID_NULL, 0, DISPATCH_PROPERTYPUT, &none, nullptr, nullptr,
                            nullptr),
            DISP_E_PARAMNOTFOUND);
  EXPECT_EQ(Call(server_.Get(), L"Add", DISPATCH_METHOD, {I4(1)}, result.Get()), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Call(server_.Get(), L"Child", DISPATCH_PROPERTYPUT, {I4(1)}, nullptr), DISP_E_MEMBERNOTFOUND);

  // The default member: a get with 0 or 1 arguments, a method with 2.
  EXPECT_EQ(Call(server_.Get(), L"_Default", DISPATCH_PROPERTYGET, {I4(1)}, result.Get()), S_OK);
  EXPECT_EQ(TextOf(*result.Get()), L"get 1");
  result = Variant();
  EXPECT_EQ(Call(server_.Get(), L"_Default", DISPATCH_METHOD, {I4(1), I4(2)}, result.Get()), S_OK);
  EXPECT_EQ(TextOf(*result.Get()), L"call 1 2");
  EXPECT_EQ(Call(server_.Get(), L"_Default", DISPATCH_PROPERTYGET, {I4(1), I4(2)}, result.Get()),
            DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Call(server_.Get(), L"_Default", DISPATCH_METHOD, {I4(1)}, result.Get()), DISP_E_BADPARAMCOUNT);

  // Optional parameters: omitted, or passed as the missing-argument value.
  VARIANT missing;
  missing.vt = VT_ERROR;
  missing.scode = DISP_E_PARAMNOTFOUND;
  result = Variant();
  EXPECT_EQ(Call(server_.Get(), L"Optional", DISPATCH_METHOD, {I4(1), missing, I4(3)}, result.Get()), S_OK);
  EXPECT_EQ(TextOf(*result.Get()), L"a,-,c");

  // Item and Count keep a map by the key's text.
  Bstr key(SysAllocString(L"7"));
  EXPECT_EQ(Call(server_.Get(), L"Item", DISPATCH_PROPERTYPUT, {I4(7), Text(key)}, nullptr), S_OK);
  result = Variant();
  EXPECT_EQ(Call(server_.Get(), L"Item", DISPATCH_PROPERTYGET, {Text(key)}, result.Get()), S_OK);
  EXPECT_EQ(result.Get()->vt, VT_BSTR);
  EXPECT_EQ(TextOf(*result.Get()), L"7");
  result = Variant();
  EXPECT_EQ(Call(server_.Get(), L"Count", DISPATCH_PROPERTYGET, {}, result.Get()), S_OK);
  EXPECT_EQ(result.Get()->lVal, 1);
}

TEST_F(ServerClient, FillWritesEveryCellAndTheRecordShowsTheOldContent) {
  LONG i4 = 5;
  ULONG ui4 = 0;
  SHORT i2 = 0;
  double r8 = 0, date = 0;
  VARIANT_BOOL flag = VARIANT_FALSE;
  Bstr text(SysAllocString(L"old"));
  BSTR text_cell = text.Release();
  Variant variant_cell;
  variant_cell.Get()->vt = VT_I4;
  variant_cell.Get()->lVal = 0;
  IDispatch* object_cell = NewServer().Release();
  SAFEARRAY* array_cell = SafeArrayCreateVector(VT_VARIANT, 0, 2);
  Variant result;
  ASSERT_EQ(Call(server_.Get(), L"Fill", DISPATCH_METHOD,
                 {Ref(VT_I4, &i4), Ref(VT_UI4, &ui4), Ref(VT_I2, &i2), Ref(VT_R8, &r8), Ref(VT_DATE, &date),
                  Ref(VT_BOOL, &flag), Ref(VT_BSTR, &text_cell), Ref(VT_VARIANT, variant_cell.Get()),
                  Ref(VT_DISPATCH, &object_cell), Ref(VT_ARRAY | VT_VARIANT, &array_cell), I4(1),
                  Ref(VT_I4, nullptr)},
                 result.Get()),
            S_OK);
  EXPECT_EQ(result.Get()->lVal, 10);
  EXPECT_EQ(i4, 42);
  EXPECT_EQ(ui4, 4000000000u);
  EXPECT_EQ(i2, -2);
  EXPECT_EQ(r8, 2.5);
  EXPECT_EQ(date, 86400000.0);
  EXPECT_EQ(flag, VARIANT_TRUE);
  EXPECT_EQ(std::wstring(text_cell), L"filled");
  EXPECT_EQ(TextOf(*variant_cell.Get()), L"variant");
  VARIANT array_value;
  array_value.vt = VT_ARRAY | VT_VARIANT;
  array_value.parray = array_cell;
  EXPECT_EQ(Element(array_value, {2}).Get()->lVal, 9);
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
  Bstr nul(SysAllocStringLen(L"a\0\"\x00e9", 4));
  EXPECT_EQ(Call(server_.Get(), L"Echo", DISPATCH_METHOD, {Text(nul)}, nullptr), S_OK);
  EXPECT_EQ(Call(server_.Get(), L"Args", DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                 {Object(server_.Get()), Object(probe_.Get()), Object(nullptr)}, nullptr),
            S_OK);
  Variant table = Result(L"ARRAY_2D");
  EXPECT_EQ(Call(server_.Get(), L"Value", DISPATCH_PROPERTYPUT, {*table.Get()}, nullptr), S_OK);
  EXPECT_EQ(Call(server_.Get(), L"Fail", DISPATCH_METHOD, {I4(1)}, nullptr), E_INVALIDARG);
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
  EXPECT_EQ(Call(probe_.Get(), L"Recording", DISPATCH_PROPERTYPUT, {off}, nullptr), S_OK);
  EXPECT_EQ(Call(server_.Get(), L"Args", DISPATCH_METHOD, {I4(1)}, nullptr), S_OK);
  EXPECT_EQ(Calls(), calls);
}

TEST_F(ServerClient, CannedScalars) {
  struct Expected {
    const wchar_t* kind;
    VARTYPE type;
  };
  for (const Expected& expected :
       {Expected{L"I1", VT_I1}, {L"UI4", VT_UI4}, {L"I8", VT_I8}, {L"UI8", VT_UI8}, {L"INT", VT_INT},
        {L"R4", VT_R4}, {L"CY", VT_CY}, {L"DECIMAL", VT_DECIMAL}, {L"ERROR", VT_ERROR}, {L"EMPTY", VT_EMPTY},
        {L"NULL", VT_NULL}, {L"DATE", VT_DATE}, {L"BSTR_NULL", VT_BSTR}, {L"NULL_OBJECT", VT_DISPATCH},
        {L"UNKNOWN", VT_UNKNOWN}}) {
    EXPECT_EQ(Result(expected.kind).Type(), expected.type) << expected.kind;
  }
  EXPECT_EQ(Result(L"UI8").Get()->ullVal, 1ull << 53);
  EXPECT_EQ(Result(L"DECIMAL").Get()->decVal.Lo64, 12345u);
  EXPECT_EQ(Result(L"BOOL_ONE").Get()->boolVal, 1);
  EXPECT_EQ(TextOf(*Result(L"BSTR_NUL").Get()), std::wstring(L"ab\0cd", 5));
  EXPECT_EQ(SysStringLen(Result(L"BSTR_EMPTY").Get()->bstrVal), 0u);
  Variant reference = Result(L"VARIANT_BYREF");
  ASSERT_EQ(reference.Type(), VT_VARIANT | VT_BYREF);
  EXPECT_EQ(reference.Get()->pvarVal->vt, VT_I4);
  EXPECT_EQ(reference.Get()->pvarVal->lVal, 9);
  Variant object = Result(L"OBJECT");
  ASSERT_EQ(object.Type(), VT_DISPATCH);
  EXPECT_EQ(Count(L"LiveObjects"), 2);

  Bstr unknown(SysAllocString(L"i4"));
  Variant result;
  EXPECT_EQ(Call(server_.Get(), L"Result", DISPATCH_METHOD, {Text(unknown)}, result.Get()), E_INVALIDARG);
}

TEST_F(ServerClient, CannedArraysIndexDimensionOneFirst) {
  Variant two = Result(L"ARRAY_2D");
  ASSERT_EQ(two.Type(), VT_ARRAY | VT_VARIANT);
  LONG bound = 0;
  EXPECT_EQ(SafeArrayGetUBound(two.Get()->parray, 1, &bound), S_OK);
  EXPECT_EQ(bound, 2);
  EXPECT_EQ(SafeArrayGetUBound(two.Get()->parray, 2, &bound), S_OK);
  EXPECT_EQ(bound, 3);
  EXPECT_EQ(Element(*two.Get(), {2, 3}).Get()->lVal, 23);
  EXPECT_EQ(Element(*two.Get(), {1, 3}).Get()->lVal, 13);

  Variant three = Result(L"ARRAY_3D");
  EXPECT_EQ(Element(*three.Get(), {1, 0, 1}).Get()->lVal, 101);
  Variant negative = Result(L"ARRAY_NEGATIVE_BOUNDS");
  EXPECT_EQ(Element(*negative.Get(), {-1}).Get()->lVal, -1);
  Variant empty = Result(L"ARRAY_EMPTY");
  EXPECT_EQ(SafeArrayGetDim(empty.Get()->parray), 1u);
  EXPECT_EQ(SafeArrayGetUBound(empty.Get()->parray, 1, &bound), S_OK);
  EXPECT_EQ(bound, -1);
  Variant nested = Result(L"ARRAY_NESTED");
  Variant inner = Element(*nested.Get(), {0});
  ASSERT_EQ(inner.Type(), VT_ARRAY | VT_VARIANT);
  EXPECT_EQ(Element(*inner.Get(), {1}).Get()->lVal, 2);
  EXPECT_EQ(Result(L"ARRAY_I4").Type(), VT_ARRAY | VT_I4);
  EXPECT_EQ(Result(L"ARRAY_BSTR").Type(), VT_ARRAY | VT_BSTR);
  Variant objects = Result(L"ARRAY_DISPATCH");
  EXPECT_EQ(objects.Type(), VT_ARRAY | VT_DISPATCH);
  EXPECT_EQ(Count(L"LiveObjects"), 3);

  Variant table;
  ASSERT_EQ(Call(server_.Get(), L"Table", DISPATCH_METHOD, {I4(2), I4(3), I4(1)}, table.Get()), S_OK);
  EXPECT_EQ(Element(*table.Get(), {1, 1}).Get()->dblVal, 0.0);
  EXPECT_EQ(Element(*table.Get(), {2, 3}).Get()->dblVal, 5.0);
  EXPECT_EQ(Element(*table.Get(), {2, 1}).Get()->dblVal, 3.0);
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
    Bstr kind(SysAllocString(expected.kind));
    EXCEPINFO exception = {};
    Variant result;
    EXPECT_EQ(Call(server_.Get(), L"Fail", DISPATCH_METHOD, {Text(kind)}, result.Get(), &exception), expected.hr)
        << expected.kind;
    EXPECT_EQ(exception.wCode, expected.code) << expected.kind;
    EXPECT_EQ(exception.scode, expected.scode) << expected.kind;
    if (expected.description == nullptr) EXPECT_EQ(exception.bstrDescription, nullptr) << expected.kind;
    else EXPECT_EQ(std::wstring(exception.bstrDescription), expected.description);
    if (expected.hr == DISP_E_EXCEPTION) EXPECT_EQ(std::wstring(exception.bstrSource), L"Quillaret.TestServer");
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
  }
}

TEST_F(ServerClient, WindowsHandOutObjectsThroughTheirNativeObjectModel) {
  Bstr name(SysAllocString(L"QuillaretTestServerWindow"));
  Variant object_window, plain_window, destroyed;
  ASSERT_EQ(Call(server_.Get(), L"CreateObjectWindow", DISPATCH_METHOD, {Text(name)}, object_window.Get()), S_OK);
  ASSERT_EQ(Call(server_.Get(), L"CreatePlainWindow", DISPATCH_METHOD, {Text(name)}, plain_window.Get()), S_OK);
  const HWND window = reinterpret_cast<HWND>(static_cast<LONG_PTR>(object_window.Get()->lVal));
  const HWND plain = reinterpret_cast<HWND>(static_cast<LONG_PTR>(plain_window.Get()->lVal));
  EXPECT_EQ(FindWindowExW(nullptr, nullptr, name.Get(), nullptr) != nullptr, true);

  ComRef<IDispatch> from_window;
  ASSERT_EQ(AccessibleObjectFromWindow(window, OBJID_NATIVEOM, IID_IDispatch, from_window.PutVoid()), S_OK);
  Variant echoed;
  EXPECT_EQ(Call(from_window.Get(), L"Echo", DISPATCH_METHOD, {I4(4)}, echoed.Get()), S_OK);
  EXPECT_EQ(echoed.Get()->lVal, 4);
  EXPECT_EQ(Count(L"LiveObjects"), 2);
  from_window.Reset();
  ComRef<IDispatch> none;
  EXPECT_TRUE(FAILED(AccessibleObjectFromWindow(plain, OBJID_NATIVEOM, IID_IDispatch, none.PutVoid())));

  ASSERT_EQ(Call(server_.Get(), L"DestroyWindows", DISPATCH_METHOD, {}, destroyed.Get()), S_OK);
  EXPECT_EQ(destroyed.Get()->lVal, 2);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(IsWindow(plain));
}

TEST_F(ServerClient, RunningObjectIsTheServersUntilRevoked) {
  Variant cookie;
  ASSERT_EQ(Call(server_.Get(), L"RegisterRunning", DISPATCH_METHOD, {}, cookie.Get()), S_OK);
  ComRef<IUnknown> running;
  ASSERT_EQ(GetActiveObject(kServerClassId, nullptr, running.Put()), S_OK);
  ComRef<IDispatch> dispatch;
  ASSERT_EQ(running->QueryInterface(IID_IDispatch, dispatch.PutVoid()), S_OK);
  Variant result;
  EXPECT_EQ(Call(dispatch.Get(), L"Args", DISPATCH_METHOD, {}, result.Get()), S_OK);
  EXPECT_NE(Calls().find(L"{\"object\":2,\"member\":\"Args\""), std::wstring::npos);
  dispatch.Reset();
  running.Reset();

  EXPECT_EQ(Call(server_.Get(), L"RevokeRunning", DISPATCH_METHOD, {*cookie.Get()}, nullptr), S_OK);
  EXPECT_EQ(GetActiveObject(kServerClassId, nullptr, running.Put()), MK_E_UNAVAILABLE);
}

}  // namespace
