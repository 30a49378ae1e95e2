// What the test server's type information and connection points show a
// client that reflects on objects, and the record of the calls it makes.
#include <gtest/gtest.h>

#include <windows.h>
#include <ocidl.h>

#include <string>
#include <vector>

#include "../dispids.h"
#include "../server_ids.h"
#include "client.h"

namespace {

using namespace test_server;
using namespace test_client;

struct Function {
  std::wstring name;
  DISPID dispid;
  INVOKEKIND kind;
  SHORT parameters;
};

// The functions of a type information, in its own order.
std::vector<Function> FunctionsOf(ITypeInfo* type_info, TYPEKIND* kind) {
  std::vector<Function> functions;
  TYPEATTR* attributes = nullptr;
  EXPECT_EQ(type_info->GetTypeAttr(&attributes), S_OK);
  if (attributes == nullptr) return functions;
  *kind = attributes->typekind;
  const WORD count = attributes->cFuncs;
  type_info->ReleaseTypeAttr(attributes);
  for (UINT i = 0; i < count; ++i) {
    FUNCDESC* function = nullptr;
    EXPECT_EQ(type_info->GetFuncDesc(i, &function), S_OK);
    win::Bstr name;
    UINT names = 0;
    EXPECT_EQ(type_info->GetNames(function->memid, name.put(), 1, &names), S_OK);
    functions.push_back({std::wstring(name.get()), function->memid, function->invkind, function->cParams});
    type_info->ReleaseFuncDesc(function);
  }
  return functions;
}

// The object's first connection point's interface.
IID EventInterfaceOf(IDispatch* object) {
  IID events = IID_NULL;
  win::ComPtr<IConnectionPointContainer> container;
  win::ComPtr<IConnectionPoint> point;
  win::ComPtr<IEnumConnectionPoints> points;
  ULONG fetched = 0;
  if (SUCCEEDED(object->QueryInterface(IID_IConnectionPointContainer, container.put_void())) &&
      SUCCEEDED(container->EnumConnectionPoints(points.put())) && points->Next(1, point.put(), &fetched) == S_OK) {
    EXPECT_EQ(point->GetConnectionInterface(&events), S_OK);
  }
  return events;
}

// The event interface's functions as the object's own type library
// describes them; empty when it does not.
std::vector<Function> EventsOf(IDispatch* object, TYPEKIND* kind, HRESULT* found) {
  win::ComPtr<ITypeInfo> type_info;
  win::ComPtr<ITypeLib> library;
  UINT index = 0;
  EXPECT_EQ(object->GetTypeInfo(0, 0, type_info.put()), S_OK);
  EXPECT_EQ(type_info->GetContainingTypeLib(library.put(), &index), S_OK);
  win::ComPtr<ITypeInfo> events;
  *found = library->GetTypeInfoOfGuid(EventInterfaceOf(object), events.put());
  return SUCCEEDED(*found) ? FunctionsOf(events.get(), kind) : std::vector<Function>();
}

class TypeInformation : public ProbedTest {};

TEST_F(TypeInformation, EventInterfacesAsTheObjectsLibraryDescribesThem) {
  TYPEKIND kind = TKIND_MAX;
  HRESULT found = E_FAIL;
  win::ComPtr<IDispatch> server = Create(kServerProgId);
  std::vector<Function> events = EventsOf(server.get(), &kind, &found);
  EXPECT_EQ(kind, TKIND_DISPATCH);
  ASSERT_EQ(events.size(), 4u);  // a plain dispinterface: the first event first
  EXPECT_EQ(events[0].name, L"Pair");
  EXPECT_EQ(events[0].dispid, DISPID_EVENT_PAIR);
  EXPECT_EQ(events[1].dispid, DISPID_EVENT_TICK);
  EXPECT_EQ(events[2].dispid, DISPID_EVENT_KINDS);
  EXPECT_EQ(events[2].parameters, 13);
  EXPECT_EQ(events[3].dispid, DISPID_EVENT_NOTE);

  win::ComPtr<IDispatch> dual = Create(kDualEventsProgId);
  events = EventsOf(dual.get(), &kind, &found);
  EXPECT_EQ(kind, TKIND_DISPATCH);
  ASSERT_EQ(events.size(), 11u);  // the seven base methods, then the events
  EXPECT_EQ(events[0].name, L"QueryInterface");
  EXPECT_EQ(events[7].name, L"Pair");
  EXPECT_EQ(events[10].dispid, DISPID_EVENT_NOTE);

  win::ComPtr<IDispatch> foreign = Create(kForeignEventsProgId);
  EXPECT_TRUE(IsEqualIID(EventInterfaceOf(foreign.get()), kForeignEventsId));
  EXPECT_TRUE(EventsOf(foreign.get(), &kind, &found).empty());
  EXPECT_EQ(found, TYPE_E_ELEMENTNOTFOUND);
  win::ComPtr<ITypeLib> second;  // described, and registered, in the second library
  ASSERT_EQ(LoadRegTypeLib(kForeignLibraryId, 1, 0, 0, second.put()), S_OK);
  win::ComPtr<ITypeInfo> foreign_events;
  EXPECT_EQ(second->GetTypeInfoOfGuid(kForeignEventsId, foreign_events.put()), S_OK);
}

TEST_F(TypeInformation, MembersForReflection) {
  win::ComPtr<IDispatch> server = Create(kServerProgId);
  win::ComPtr<ITypeInfo> type_info;
  ASSERT_EQ(server->GetTypeInfo(0, 0, type_info.put()), S_OK);
  TYPEKIND kind = TKIND_MAX;
  std::vector<Function> members = FunctionsOf(type_info.get(), &kind);
  // After the base methods, the members inherited from ITestEventSource.
  ASSERT_GT(members.size(), 7u);
  EXPECT_EQ(members[6].name, L"Invoke");
  EXPECT_EQ(members[7].name, L"FireNow");
  std::vector<Function> value, names;
  for (const Function& member : members) {
    if (member.name == L"Value") value.push_back(member);
    if (member.name == L"Zulu" || member.name == L"alpha") names.push_back(member);
  }
  // The property's get (no parameters) comes before its put (one).
  ASSERT_EQ(value.size(), 2u);
  EXPECT_EQ(value[0].kind, INVOKE_PROPERTYGET);
  EXPECT_EQ(value[0].parameters, 0);
  EXPECT_EQ(value[1].kind, INVOKE_PROPERTYPUT);
  EXPECT_EQ(value[1].parameters, 1);
  EXPECT_EQ(names.size(), 2u);

  win::ComPtr<IDispatch> empty = Create(kEmptyProgId);
  type_info.reset();
  ASSERT_EQ(empty->GetTypeInfo(0, 0, type_info.put()), S_OK);
  EXPECT_EQ(FunctionsOf(type_info.get(), &kind).size(), 7u);
  win::ComPtr<IConnectionPointContainer> container;
  EXPECT_EQ(empty->QueryInterface(IID_IConnectionPointContainer, container.put_void()), E_NOINTERFACE);

  win::ComPtr<IDispatch> bare = Create(kNoTypeInfoProgId);
  UINT count = 1;
  EXPECT_EQ(bare->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 0u);
  type_info.reset();
  EXPECT_EQ(bare->GetTypeInfo(0, 0, type_info.put()), E_NOTIMPL);
  EXPECT_TRUE(IsEqualIID(EventInterfaceOf(bare.get()), kServerEventsId));
}

TEST_F(TypeInformation, ReflectingCallsAreRecordedOnlyWhenAsked) {
  win::ComPtr<IDispatch> server = Create(kServerProgId);
  win::ComPtr<ITypeInfo> type_info;
  UINT count = 0;
  ASSERT_EQ(server->GetTypeInfo(0, 0, type_info.put()), S_OK);
  EXPECT_EQ(Calls(), L"[]");

  SetProbe(L"RecordTypeCalls", true);
  ASSERT_EQ(Call(probe_.get(), L"Reset", DISPATCH_METHOD, {}, nullptr), S_OK);
  EXPECT_EQ(server->GetTypeInfoCount(&count), S_OK);
  type_info.reset();
  EXPECT_EQ(server->GetTypeInfo(0, 0, type_info.put()), S_OK);
  EventInterfaceOf(server.get());
  win::Variant result;
  EXPECT_EQ(Call(server.get(), L"Zulu", DISPATCH_METHOD, {}, result.get()), S_OK);
  EXPECT_EQ(Calls(),
            L"[{\"object\":1,\"call\":\"GetTypeInfoCount\",\"hr\":0},"
            L"{\"object\":1,\"call\":\"GetTypeInfo\",\"hr\":0},"
            L"{\"object\":1,\"call\":\"QueryInterface\",\"name\":\"IConnectionPointContainer\",\"hr\":0},"
            L"{\"object\":1,\"call\":\"EnumConnectionPoints\",\"hr\":0},"
            L"{\"object\":1,\"call\":\"GetConnectionInterface\",\"hr\":0},"
            L"{\"object\":1,\"call\":\"GetIDsOfNames\",\"name\":\"Zulu\",\"hr\":0},"
            L"{\"object\":1,\"member\":\"Zulu\",\"dispid\":20,\"flags\":1,\"lcid\":0,\"args\":[],\"named\":[],"
            L"\"hr\":0}]");
}

}  // namespace
