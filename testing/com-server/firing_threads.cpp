#include "firing_threads.h"

#include <objbase.h>
#include <process.h>

#include <memory>
#include <utility>

#include "win-owners/com.h"
#include "connection_point.h"
#include "locks.h"
#include "module.h"

namespace test_server {
namespace {

constexpr LONG kMaxThreads = 64;

struct Worker {
  win::ComPtr<IUnknown> object;  // keeps point and group alive
  ConnectionPoint* point;
  DISPID dispid;
  LONG index;
  LONG count;  // 0: until the group's stop flag is set
  LONG pause_ms;
  std::atomic<LONG>* raised;
  std::atomic<bool>* stop;
};

void FireTicks(const Worker& worker) {
  for (LONG sequence = 1; worker.count == 0 ? !worker.stop->load() : sequence <= worker.count; ++sequence) {
    VARIANT arguments[2];
    arguments[0].vt = VT_I4;
    arguments[0].lVal = sequence;
    arguments[1].vt = VT_I4;
    arguments[1].lVal = worker.index;
    DISPPARAMS params = {arguments, nullptr, 2, 0};
    worker.point->Fire(worker.dispid, params);
    ++*worker.raised;
    if (worker.pause_ms > 0) Sleep(static_cast<DWORD>(worker.pause_ms));
  }
}

// The thread holds a reference on this module too, dropped as it exits, so
// the code it is running cannot be unloaded under it.
unsigned __stdcall FiringThread(void* argument) {
  HRESULT initialized = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  {
    std::unique_ptr<Worker> worker(static_cast<Worker*>(argument));
    FireTicks(*worker);
  }
  if (SUCCEEDED(initialized)) CoUninitialize();
  FreeLibraryAndExitThread(ModuleHandle(), 0);
  return 0;
}

HANDLE StartThread(std::unique_ptr<Worker> worker) {
  HMODULE pinned = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&FiringThread), &pinned)) {
    return nullptr;
  }
  const uintptr_t thread = _beginthreadex(nullptr, 0, FiringThread, worker.get(), 0, nullptr);
  if (thread == 0) {
    FreeLibrary(pinned);
    return nullptr;
  }
  worker.release();  // the thread's now
  return reinterpret_cast<HANDLE>(thread);
}

}  // namespace

FiringThreads::~FiringThreads() {
  for (Group* group : {&counted_, &looping_}) {
    for (HANDLE thread : group->threads) CloseHandle(thread);
  }
}

HRESULT FiringThreads::StartCounted(IUnknown* object, ConnectionPoint& point, DISPID dispid, LONG threads, LONG count) {
  if (count < 1) return E_INVALIDARG;
  return Start(counted_, object, point, dispid, threads, count, 0);
}

HRESULT FiringThreads::StartLooping(IUnknown* object, ConnectionPoint& point, DISPID dispid, LONG threads,
                                    LONG pause_ms) {
  if (pause_ms < 0) return E_INVALIDARG;
  return Start(looping_, object, point, dispid, threads, 0, pause_ms);
}

HRESULT FiringThreads::Start(Group& group, IUnknown* object, ConnectionPoint& point, DISPID dispid, LONG threads,
                             LONG count, LONG pause_ms) {
  if (threads < 1 || threads > kMaxThreads) return E_INVALIDARG;
  ExclusiveLock lock(&lock_);
  for (LONG index = 0; index < threads; ++index) {
    object->AddRef();
    auto worker = std::unique_ptr<Worker>(new Worker{win::ComPtr<IUnknown>::Adopt(object), &point, dispid, index, count,
                                                     pause_ms, &group.raised, &group.stop});
    HANDLE thread = StartThread(std::move(worker));
    if (thread == nullptr) return HRESULT_FROM_WIN32(GetLastError());
    group.threads.push_back(thread);
  }
  return S_OK;
}

LONG FiringThreads::WaitCounted() { return Finish(counted_); }

LONG FiringThreads::StopLooping() {
  looping_.stop = true;
  const LONG raised = Finish(looping_);
  looping_.stop = false;
  return raised;
}

// Waits for the group's threads, closes them and takes its count.
LONG FiringThreads::Finish(Group& group) {
  std::vector<HANDLE> threads;
  {
    ExclusiveLock lock(&lock_);
    threads.swap(group.threads);
  }
  for (HANDLE thread : threads) {
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
  }
  return group.raised.exchange(0);
}

}  // namespace test_server
