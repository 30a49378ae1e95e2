// quillaret-test-server.exe: the same classes served out of process, under
// the local class ids and the ".Local" ProgIDs (registration.h).
//   quillaret-test-server.exe /RegServer     registers, then exits
//   quillaret-test-server.exe /UnregServer   unregisters, then exits
//   quillaret-test-server.exe -Embedding     as COM starts it: serves until
//                                            the last object is released
// It joins the multithreaded apartment, so calls arrive on COM's RPC
// threads. When the last object or lock goes it waits a moment (a client's
// final Release is still being answered), then revokes its classes and
// exits with status 0.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "class_factory.h"
#include "module.h"
#include "registration.h"
#include "server_classes.h"
#include "win-owners/handles.h"

namespace {

using namespace test_server;

constexpr DWORD kLingerMs = 200;

HANDLE last_unlock_event = nullptr;

void SignalLastUnlock() { SetEvent(last_unlock_event); }

bool IsSwitch(const wchar_t* argument, const wchar_t* name) {
  return (argument[0] == L'/' || argument[0] == L'-') && lstrcmpiW(argument + 1, name) == 0;
}

// The command line's first switch, or null.
const wchar_t* FirstSwitch(std::vector<std::wstring>& arguments, const wchar_t* const* names, size_t count) {
  for (const std::wstring& argument : arguments) {
    for (size_t i = 0; i < count; ++i) {
      if (IsSwitch(argument.c_str(), names[i])) return names[i];
    }
  }
  return nullptr;
}

std::vector<std::wstring> Arguments() {
  std::vector<std::wstring> arguments;
  int count = 0;
  win::UniqueLocalMemory<LPWSTR> list(CommandLineToArgvW(GetCommandLineW(), &count));
  if (!list) return arguments;
  for (int i = 1; i < count; ++i) arguments.emplace_back(list.get()[i]);
  return arguments;
}

int Serve() {
  last_unlock_event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (last_unlock_event == nullptr) return 1;
  ServeAsLocalServer(SignalLastUnlock);
  std::vector<DWORD> cookies;
  for (size_t i = 0; i < kServerClassCount; ++i) {
    DWORD cookie = 0;
    if (SUCCEEDED(CoRegisterClassObject(kServerClasses[i].local_class_id, ClassFactoryAt(i), CLSCTX_LOCAL_SERVER,
                                        REGCLS_MULTIPLEUSE, &cookie))) {
      cookies.push_back(cookie);
    }
  }
  // Serves until the count has dropped to 0 and stayed there for a moment.
  for (;;) {
    WaitForSingleObject(last_unlock_event, INFINITE);
    Sleep(kLingerMs);
    if (!ModuleLocked()) break;
  }
  for (DWORD cookie : cookies) CoRevokeClassObject(cookie);
  CloseHandle(last_unlock_event);
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  SetModuleHandle(instance);
  if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 1;
  std::vector<std::wstring> arguments = Arguments();
  const wchar_t* const kSwitches[] = {L"RegServer", L"UnregServer"};
  const wchar_t* mode = FirstSwitch(arguments, kSwitches, 2);
  int status = 0;
  if (mode == kSwitches[0])
    status = FAILED(RegisterServer(ServerKind::kLocal)) ? 1 : 0;
  else if (mode == kSwitches[1])
    status = FAILED(UnregisterServer(ServerKind::kLocal)) ? 1 : 0;
  else
    status = Serve();
  CoUninitialize();
  return status;
}
