// runtime-probe.node: a nan addon linked with the DLL runtime, whose functions
// report what the runtime did: initialiser order, exit work, thread-safe
// statics, thread_local data, the stack probe, aligned allocation, the
// delay-load helper with its hooks, the stack cookie and Control Flow Guard.
#include <nan.h>
#include <windows.h>

#include <delayimp.h>
#include <stdlib.h>

#include <vector>

#include "../../stack_cookie.h"
#include "delay_hooks.h"
#include "hardening_checks.h"
#include "probe_record.h"

// version.dll's real export and one it lacks, and a DLL that does not exist:
// all three bound lazily (see the .def files). Declared without dllimport, so
// each call goes through the import's stub and reads its IAT entry afresh.
extern "C" {
int WINAPI QuillaretAbsentExport();
int WINAPI QuillaretMissingFunction();
}

namespace {

using Nan::New;

v8::Local<v8::Array> StringArray(const std::vector<const char*>& items) {
  v8::Local<v8::Array> array = New<v8::Array>(static_cast<int>(items.size()));
  for (size_t i = 0; i < items.size(); ++i) Nan::Set(array, static_cast<uint32_t>(i), New(items[i]).ToLocalChecked());
  return array;
}

void Set(v8::Local<v8::Object> object, const char* name, v8::Local<v8::Value> value) {
  Nan::Set(object, New(name).ToLocalChecked(), value);
}

// Runs body on count threads released together, each with a 1 MiB stack
// reservation of which only the top is committed.
template <typename Body>
void OnThreads(int count, Body* body) {
  struct Start {
    HANDLE go;
    Body* body;
  } start = {CreateEventW(nullptr, TRUE, FALSE, nullptr), body};
  auto run = [](void* parameter) -> DWORD {
    auto* s = static_cast<Start*>(parameter);
    WaitForSingleObject(s->go, INFINITE);
    (*s->body)();
    return 0;
  };
  std::vector<HANDLE> threads;
  for (int i = 0; i < count; ++i) {
    HANDLE thread = CreateThread(nullptr, 1 << 20, run, &start, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (thread != nullptr) threads.push_back(thread);
  }
  SetEvent(start.go);
  WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), TRUE, INFINITE);
  for (HANDLE thread : threads) CloseHandle(thread);
  CloseHandle(start.go);
}

NAN_METHOD(InitOrder) {
  std::vector<const char*> events;
  for (int i = 0; i < probe::RecordCount(); ++i) events.push_back(probe::RecordAt(i));
  info.GetReturnValue().Set(StringArray(events));
}

void LogAtexitCall() { probe::LogAtExit("atexit"); }

// A function-local static with a destructor and an atexit call, both
// registered after the globals' destructors.
NAN_METHOD(RegisterExitWork) {
  (void)info;
  static probe::Witness local("local");
  atexit(LogAtexitCall);
}

struct Slow {
  Slow() {
    InterlockedIncrement(&constructions);
    Sleep(200);
    value = 42;
  }
  static LONG constructions;
  int value = 0;
};
LONG Slow::constructions = 0;

Slow& TheSlow() {
  static Slow instance;
  return instance;
}

NAN_METHOD(ThreadSafeStatic) {
  const int count = 8;
  Slow* seen[count] = {};
  int values[count] = {};
  LONG next = 0;
  auto body = [&] {
    LONG index = InterlockedIncrement(&next) - 1;
    Slow& slow = TheSlow();
    seen[index] = &slow;
    values[index] = slow.value;
  };
  OnThreads(count, &body);
  bool same = true, ready = true;
  for (int i = 0; i < count; ++i) {
    same = same && seen[i] == seen[0];
    ready = ready && values[i] == 42;
  }
  v8::Local<v8::Object> result = New<v8::Object>();
  Set(result, "constructions", New(static_cast<int>(Slow::constructions)));
  Set(result, "sameObject", New(same));
  Set(result, "allSawItBuilt", New(ready));
  info.GetReturnValue().Set(result);
}

thread_local int per_thread = 7;
// A dynamic initialiser, run for each thread: the thread's own id, or 0 when
// it did not run there.
thread_local DWORD initialised_on = GetCurrentThreadId();

NAN_METHOD(ThreadLocal) {
  const int count = 4;
  int initial[count] = {}, after[count] = {};
  bool dynamic[count] = {};
  LONG next = 0;
  auto body = [&] {
    LONG index = InterlockedIncrement(&next) - 1;
    dynamic[index] = initialised_on == GetCurrentThreadId();
    initial[index] = per_thread;
    per_thread += static_cast<int>(index) + 1;
    Sleep(50);
    after[index] = per_thread;
  };
  per_thread = 100;
  OnThreads(count, &body);
  v8::Local<v8::Array> threads = New<v8::Array>(count);
  for (int i = 0; i < count; ++i) {
    v8::Local<v8::Array> pair = New<v8::Array>(3);
    Nan::Set(pair, 0, New(initial[i]));
    Nan::Set(pair, 1, New(after[i]));
    Nan::Set(pair, 2, New(dynamic[i]));
    Nan::Set(threads, i, pair);
  }
  v8::Local<v8::Object> result = New<v8::Object>();
  Set(result, "threads", threads);
  Set(result, "callingThread", New(per_thread));
  Set(result, "callingThreadInitialised", New(initialised_on == GetCurrentThreadId()));
  info.GetReturnValue().Set(result);
}

// A frame of 512 KiB, written from its far end first: only a correct stack
// probe lets the stack grow to it.
__attribute__((noinline)) int BigFrame() {
  volatile char buffer[512 * 1024];
  buffer[0] = 1;
  int sum = 0;
  for (size_t i = 0; i < sizeof(buffer); i += 4096) {
    buffer[i] = 1;
    sum += buffer[i];
  }
  return sum;
}

NAN_METHOD(BigFrameOnThread) {
  int sum = -1;
  auto body = [&] { sum = BigFrame(); };
  OnThreads(1, &body);
  info.GetReturnValue().Set(sum);
}

struct alignas(256) Aligned {
  char bytes[256];
};

NAN_METHOD(AlignedNew) {
  std::vector<int> misaligned;
  for (int i = 0; i < 16; ++i) {
    Aligned* object = new Aligned;
    misaligned.push_back(static_cast<int>(reinterpret_cast<uintptr_t>(object) % alignof(Aligned)));
    delete object;
  }
  int worst = 0;
  for (int m : misaligned) worst = m > worst ? m : worst;
  info.GetReturnValue().Set(worst);
}

NAN_METHOD(DelayLoadCalls) {
  DWORD handle = 0;
  GetFileVersionInfoSizeW(L"Z:\\no\\such\\file.dll", &handle);
  GetFileVersionInfoSizeW(L"Z:\\no\\such\\file.dll", &handle);  // bound now: no notification
  int repaired = QuillaretAbsentExport();
  int again = QuillaretAbsentExport();
  std::vector<const char*> lines;
  for (const std::string& line : probe::DelayLoadNotifications()) lines.push_back(line.c_str());
  v8::Local<v8::Object> result = New<v8::Object>();
  Set(result, "repaired", New(repaired));
  Set(result, "again", New(again));
  Set(result, "notifications", StringArray(lines));
  info.GetReturnValue().Set(result);
}

// What the helper raised for a DLL that cannot be loaded. The handler takes
// the documented way out: it leaves a function in the load information's
// pfnCur and continues, and the helper hands that function to the call.
struct Raised {
  DWORD code = 0;
  DWORD arguments = 0;
  const char* dll = "";
  const char* function = "";
  DWORD error = 0;
} raised;

int WINAPI Substitute() { return 777; }

LONG WINAPI CatchDelayLoadFailure(EXCEPTION_POINTERS* pointers) {
  const EXCEPTION_RECORD* record = pointers->ExceptionRecord;
  if (record->ExceptionCode != VcppException(ERROR_SEVERITY_ERROR, ERROR_MOD_NOT_FOUND))
    return EXCEPTION_CONTINUE_SEARCH;
  raised.code = record->ExceptionCode;
  raised.arguments = record->NumberParameters;
  if (record->NumberParameters == 1) {
    DelayLoadInfo* load = *reinterpret_cast<DelayLoadInfo**>(record->ExceptionInformation[0]);
    raised.dll = load->szDll;
    raised.function = load->dlp.fImportByName ? load->dlp.szProcName : "";
    raised.error = load->dwLastError;
    load->pfnCur = reinterpret_cast<FARPROC>(Substitute);
  }
  return EXCEPTION_CONTINUE_EXECUTION;
}

NAN_METHOD(MissingDll) {
  void* handler = AddVectoredExceptionHandler(1, CatchDelayLoadFailure);
  int result = QuillaretMissingFunction();
  RemoveVectoredExceptionHandler(handler);
  v8::Local<v8::Object> object = New<v8::Object>();
  Set(object, "result", New(result));
  Set(object, "code", New(static_cast<double>(raised.code)));
  Set(object, "arguments", New(static_cast<int>(raised.arguments)));
  Set(object, "dll", New(raised.dll).ToLocalChecked());
  Set(object, "function", New(raised.function).ToLocalChecked());
  Set(object, "lastError", New(static_cast<double>(raised.error)));
  info.GetReturnValue().Set(object);
}

extern "C" uintptr_t __security_cookie;

// The cookie as the runtime left it, then (with a length above 16) an overrun
// of a protected frame, which ends the process before this returns.
NAN_METHOD(OverrunFrame) {
  v8::Local<v8::Object> result = New<v8::Object>();
  Set(result, "cookieInitialized", New(__security_cookie != stack_cookie::kDefault && __security_cookie != 0));
  Set(result, "cookieTopBitsClear", New((__security_cookie & ~stack_cookie::kMask) == 0));
  Set(result, "returned", New(hardening_checks::OverrunOwnFrame(Nan::To<int>(info[0]).FromJust())));
  info.GetReturnValue().Set(result);
}

NAN_METHOD(GuardedCall) {
  long checked = 0;
  int value = hardening_checks::CallThroughEnforcedGuard(Nan::To<int>(info[0]).FromJust(), &checked);
  v8::Local<v8::Object> result = New<v8::Object>();
  Set(result, "value", New(value));
  Set(result, "checked", New(static_cast<double>(checked)));
  info.GetReturnValue().Set(result);
}

NAN_MODULE_INIT(Init) {
  Nan::SetMethod(target, "initOrder", InitOrder);
  Nan::SetMethod(target, "registerExitWork", RegisterExitWork);
  Nan::SetMethod(target, "threadSafeStatic", ThreadSafeStatic);
  Nan::SetMethod(target, "threadLocal", ThreadLocal);
  Nan::SetMethod(target, "bigFrameOnThread", BigFrameOnThread);
  Nan::SetMethod(target, "alignedNew", AlignedNew);
  Nan::SetMethod(target, "delayLoadCalls", DelayLoadCalls);
  Nan::SetMethod(target, "missingDll", MissingDll);
  Nan::SetMethod(target, "overrunFrame", OverrunFrame);
  Nan::SetMethod(target, "guardedCall", GuardedCall);
}

void Register(v8::Local<v8::Object> exports, v8::Local<v8::Value>, void*) { Init(exports); }

node::node_module probe_module = {
    NODE_MODULE_VERSION, 0, nullptr, __FILE__, Register, nullptr, "runtime_probe", nullptr, nullptr,
};

struct Registration {
  Registration() { node_module_register(&probe_module); }
} registration;

}  // namespace
