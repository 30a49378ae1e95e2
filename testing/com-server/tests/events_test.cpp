// The test server's events from a C++ client: the connection point's rules,
// the firing members, and what the call record says about them.
#include <gtest/gtest.h>

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include "../dispids.h"
#include "../server_ids.h"
#include "client.h"
#include "recording_sink.h"

namespace {

using namespace test_server;
using namespace test_client;

class Events : public ProbedTest {
 protected:
  void SetUp() override {
    ProbedTest::SetUp();
    server_ = Create(kServerProgId);
    ASSERT_TRUE(server_);
    point_ = PointOf(server_.get());
    ASSERT_TRUE(point_);
  }
  void ReleaseObjects() override {
    point_.reset();
    server_.reset();
  }

  static win::ComPtr<IConnectionPoint> PointOf(IDispatch* object) {
    win::ComPtr<IConnectionPointContainer> container;
    win::ComPtr<IEnumConnectionPoints> points;
    win::ComPtr<IConnectionPoint> point;
    ULONG fetched = 0;
    EXPECT_EQ(object->QueryInterface(IID_IConnectionPointContainer, container.put_void()), S_OK);
    if (!container) return point;
    EXPECT_EQ(container->EnumConnectionPoints(points.put()), S_OK);
    EXPECT_EQ(points->Next(1, point.put(), &fetched), S_OK);
    win::ComPtr<IConnectionPoint> second;
    EXPECT_EQ(points->Next(1, second.put(), &fetched), S_FALSE);  // the only one
    return point;
  }

  LONG Fire(const wchar_t* member, std::vector<VARIANT> args) {
    win::Variant result;
    EXPECT_EQ(Call(server_.get(), member, DISPATCH_METHOD, std::move(args), result.get()), S_OK) << member;
    return result.get()->lVal;
  }

  win::ComPtr<IDispatch> server_;
  win::ComPtr<IConnectionPoint> point_;
};

TEST_F(Events, ConnectionPointAdvisesOnlySinksOfItsInterfaceAndHoldsThem) {
  IID events = IID_NULL;
  ASSERT_EQ(point_->GetConnectionInterface(&events), S_OK);
  EXPECT_TRUE(IsEqualIID(events, kServerEventsId));
  RecordingSink plain(IID_NULL), sink(kServerEventsId);
  DWORD cookie = 7;
  EXPECT_EQ(point_->Advise(&plain, &cookie), CONNECT_E_CANNOTCONNECT);
  EXPECT_EQ(cookie, 0u);
  EXPECT_EQ(plain.References(), 1u);
  ASSERT_EQ(point_->Advise(&sink, &cookie), S_OK);
  EXPECT_NE(cookie, 0u);
  EXPECT_EQ(sink.References(), 2u);
  EXPECT_EQ(Count(L"Sinks"), 1);
  EXPECT_EQ(point_->Unadvise(cookie + 1), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(point_->Unadvise(cookie), S_OK);
  EXPECT_EQ(sink.References(), 1u);

  // The point holds its object; the object, when it goes, its sinks.
  ASSERT_EQ(point_->Advise(&sink, &cookie), S_OK);
  server_.reset();
  EXPECT_EQ(Count(L"LiveObjects"), 1);
  point_.reset();
  EXPECT_EQ(Count(L"LiveObjects"), 0);
  EXPECT_EQ(sink.References(), 1u);
  EXPECT_EQ(Count(L"Sinks"), 0);
}

TEST_F(Events, FireNowPassesTheArgumentsAsGivenOnTheCallingThread) {
  RecordingSink sink(kServerEventsId);
  DWORD cookie = 0;
  ASSERT_EQ(point_->Advise(&sink, &cookie), S_OK);
  LONG cell = 5;
  win::Bstr word(SysAllocString(L"word"));
  EXPECT_EQ(Fire(L"FireNow", {I4(DISPID_EVENT_PAIR), Ref(VT_I4, &cell), Text(word)}), 1);
  ASSERT_EQ(sink.Received().size(), 1u);
  const Notification& event = sink.Received()[0];
  EXPECT_EQ(event.dispid, DISPID_EVENT_PAIR);
  EXPECT_EQ(event.thread, GetCurrentThreadId());
  // rgvarg order: the last argument first; the cell is the caller's own.
  ASSERT_EQ(event.types.size(), 2u);
  EXPECT_EQ(TextOf(*event.values[0].get()), L"word");
  EXPECT_EQ(event.types[1], VT_I4 | VT_BYREF);
  EXPECT_EQ(event.references[1], &cell);
  EXPECT_EQ(Count(L"EventsFired"), 1);
  EXPECT_EQ(point_->Unadvise(cookie), S_OK);
  EXPECT_EQ(Fire(L"FireNow", {I4(DISPID_EVENT_NOTE)}), 0);
}

TEST_F(Events, FireKindsChecksThatTheSinkLeftItsArgumentsAlone) {
  RecordingSink sink(kServerEventsId), clearing(kServerEventsId, true);
  DWORD cookie = 0;
  ASSERT_EQ(point_->Advise(&sink, &cookie), S_OK);
  EXPECT_EQ(Fire(L"FireKinds", {I4(DISPID_EVENT_KINDS)}), 1);
  ASSERT_EQ(sink.Received().size(), 1u);
  const VARTYPE expected[] = {VT_VARIANT | VT_BYREF,
                              VT_BSTR | VT_BYREF,
                              VT_I4 | VT_BYREF,
                              VT_ARRAY | VT_VARIANT,
                              VT_DISPATCH,
                              VT_EMPTY,
                              VT_NULL,
                              VT_DATE,
                              VT_BSTR,
                              VT_BOOL,
                              VT_R8,
                              VT_UI1,
                              VT_I4};
  const Notification& event = sink.Received()[0];
  ASSERT_EQ(event.types, std::vector<VARTYPE>(std::begin(expected), std::end(expected)));
  EXPECT_EQ(TextOf(*event.values[0].get()), L"inner");
  EXPECT_EQ(TextOf(*event.values[1].get()), L"cell");
  EXPECT_EQ(event.values[2].get()->lVal, 7);
  EXPECT_EQ(event.values[12].get()->lVal, 42);
  EXPECT_EQ(Count(L"LiveObjects"), 2);  // the sink's copy holds the event's object
  EXPECT_NE(Calls().find(L"\"cellsUnchanged\":true,\"hr\":0}"), std::wstring::npos);
  EXPECT_EQ(point_->Unadvise(cookie), S_OK);

  ASSERT_EQ(point_->Advise(&clearing, &cookie), S_OK);
  EXPECT_EQ(Fire(L"FireKinds", {I4(DISPID_EVENT_KINDS)}), 1);
  EXPECT_NE(Calls().find(L"\"cellsUnchanged\":false,\"hr\":0}"), std::wstring::npos);
  EXPECT_EQ(point_->Unadvise(cookie), S_OK);
}

TEST_F(Events, ThreadsNumberTheirOwnEvents) {
  RecordingSink sink(kServerEventsId);
  DWORD cookie = 0;
  ASSERT_EQ(point_->Advise(&sink, &cookie), S_OK);
  ASSERT_EQ(Call(server_.get(), L"FireFromThreads", DISPATCH_METHOD, {I4(DISPID_EVENT_TICK), I4(3), I4(50)}, nullptr),
            S_OK);
  EXPECT_EQ(Fire(L"WaitFiring", {}), 150);
  ASSERT_EQ(sink.Received().size(), 150u);
  LONG next[3] = {1, 1, 1};
  for (const Notification& event : sink.Received()) {
    EXPECT_NE(event.thread, GetCurrentThreadId());
    const LONG thread = event.values[1].get()->lVal;
    ASSERT_TRUE(thread >= 0 && thread < 3);
    EXPECT_EQ(event.values[0].get()->lVal, next[thread]++);
  }
  EXPECT_EQ(Count(L"EventsFired"), 150);
  EXPECT_EQ(point_->Unadvise(cookie), S_OK);
}

TEST_F(Events, LoopingThreadsFireWhileTheSinkUnadvises) {
  RecordingSink sink(kServerEventsId);
  DWORD cookie = 0;
  ASSERT_EQ(point_->Advise(&sink, &cookie), S_OK);
  ASSERT_EQ(Call(server_.get(), L"StartFiring", DISPATCH_METHOD, {I4(DISPID_EVENT_TICK), I4(2)}, nullptr), S_OK);
  ASSERT_TRUE(sink.WaitFor(100, 10000));
  EXPECT_EQ(point_->Unadvise(cookie), S_OK);
  const size_t after_unadvise = sink.ReceivedCount();
  const LONG raised = Fire(L"StopFiring", {});
  EXPECT_GE(raised, 100);
  // At most one event per thread was already under way.
  EXPECT_LE(sink.ReceivedCount(), after_unadvise + 2);
  EXPECT_EQ(sink.References(), 1u);
}

// The other classes with events fire the same way, each to sinks of its own
// event interface.
TEST_F(Events, EveryClassWithEventsFiresToItsSinks) {
  const struct {
    const wchar_t* prog_id;
    const IID& events;
  } classes[] = {{kDualEventsProgId, kDualEventsId},
                 {kForeignEventsProgId, kForeignEventsId},
                 {kNoTypeInfoProgId, kServerEventsId}};
  for (const auto& tested : classes) {
    win::ComPtr<IDispatch> object = Create(tested.prog_id);
    win::ComPtr<IConnectionPoint> point = PointOf(object.get());
    ASSERT_TRUE(point) << tested.prog_id;
    RecordingSink sink(tested.events);
    DWORD cookie = 0;
    ASSERT_EQ(point->Advise(&sink, &cookie), S_OK) << tested.prog_id;
    win::Variant called;
    EXPECT_EQ(Call(object.get(), L"FireNow", DISPATCH_METHOD, {I4(DISPID_EVENT_NOTE), I4(1)}, called.get()), S_OK);
    EXPECT_EQ(called.get()->lVal, 1) << tested.prog_id;
    EXPECT_EQ(sink.Received().size(), 1u) << tested.prog_id;
    EXPECT_EQ(point->Unadvise(cookie), S_OK);
  }
}

}  // namespace
