// The same classes from the local server (quillaret-test-server.exe, the
// ".Local" ProgIDs): COM starts it, calls and events cross the process
// boundary, and it ends when its last object is released.
#include <gtest/gtest.h>

#include <windows.h>
#include <ocidl.h>

#include "../dispids.h"
#include "../server_ids.h"
#include "client.h"
#include "recording_sink.h"
#include "win-owners/handles.h"

namespace {

using namespace test_server;
using namespace test_client;

class LocalServer : public ProbedTest {
 protected:
  const wchar_t* ProbeProgId() const override { return L"Quillaret.TestProbe.Local"; }
  DWORD Context() const override { return CLSCTX_LOCAL_SERVER; }
  void SetUp() override {
    ProbedTest::SetUp();
    server_ = Create(L"Quillaret.TestServer.Local", CLSCTX_LOCAL_SERVER);
    ASSERT_TRUE(server_);
  }
  void ReleaseObjects() override { server_.reset(); }

  win::ComPtr<IDispatch> server_;
};

TEST_F(LocalServer, CallsAndEventsCrossTheProcessBoundary) {
  EXPECT_NE(Count(L"ProcessId"), static_cast<LONG>(GetCurrentProcessId()));
  win::Variant echoed;
  ASSERT_EQ(Call(server_.get(), L"Echo", DISPATCH_METHOD, {I4(4)}, echoed.get()), S_OK);
  EXPECT_EQ(echoed.get()->lVal, 4);
  EXPECT_EQ(Count(L"LiveObjects"), 1);
  win::ComPtr<ITypeInfo> type_info;
  EXPECT_EQ(server_->GetTypeInfo(0, 0, type_info.put()), S_OK);

  win::ComPtr<IConnectionPointContainer> container;
  win::ComPtr<IEnumConnectionPoints> points;
  win::ComPtr<IConnectionPoint> point;
  ULONG fetched = 0;
  ASSERT_EQ(server_->QueryInterface(IID_IConnectionPointContainer, container.put_void()), S_OK);
  ASSERT_EQ(container->EnumConnectionPoints(points.put()), S_OK);
  ASSERT_EQ(points->Next(1, point.put(), &fetched), S_OK);
  RecordingSink sink(kServerEventsId);
  DWORD cookie = 0;
  ASSERT_EQ(point->Advise(&sink, &cookie), S_OK);
  EXPECT_EQ(Count(L"Sinks"), 1);

  win::Variant called;
  ASSERT_EQ(Call(server_.get(), L"FireNow", DISPATCH_METHOD, {I4(DISPID_EVENT_NOTE), I4(9)}, called.get()), S_OK);
  ASSERT_TRUE(sink.WaitFor(1, 5000));
  EXPECT_EQ(sink.Received()[0].values[0].get()->lVal, 9);
  EXPECT_NE(sink.Received()[0].thread, GetCurrentThreadId());  // one of COM's threads
  ASSERT_EQ(Call(server_.get(), L"FireFromThreads", DISPATCH_METHOD, {I4(DISPID_EVENT_TICK), I4(2), I4(10)}, nullptr),
            S_OK);
  ASSERT_EQ(Call(server_.get(), L"WaitFiring", DISPATCH_METHOD, {}, called.get()), S_OK);
  EXPECT_TRUE(sink.WaitFor(21, 5000));
  EXPECT_EQ(point->Unadvise(cookie), S_OK);
  EXPECT_EQ(sink.References(), 1u);
}

TEST_F(LocalServer, ProcessEndsWithItsLastObject) {
  const DWORD server_process = static_cast<DWORD>(Count(L"ProcessId"));
  win::UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, server_process));
  ASSERT_TRUE(process);
  server_.reset();
  EXPECT_EQ(Count(L"LiveObjects"), 0);
  probe_.reset();
  EXPECT_EQ(WaitForSingleObject(process.get(), 10000), WAIT_OBJECT_0);
}

}  // namespace
