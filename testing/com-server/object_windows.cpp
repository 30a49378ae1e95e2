#include "object_windows.h"

#include <oleacc.h>

#include <algorithm>
#include <set>
#include <vector>

#include "win-owners/com.h"
#include "locks.h"
#include "module.h"
#include "test_server.h"

namespace test_server {
namespace {

constexpr LONG_PTR kAnswersWithObject = 1;

SRWLOCK windows_lock = SRWLOCK_INIT;  // guards the two sets below
std::vector<HWND> windows;
std::set<std::wstring> registered_classes;

void Forget(HWND window) {
  ExclusiveLock lock(&windows_lock);
  windows.erase(std::remove(windows.begin(), windows.end(), window), windows.end());
}

LRESULT AnswerWithNewObject(WPARAM wparam) {
  auto object = win::ComPtr<IDispatch>::Adopt(NewTestServer());
  return LresultFromObject(IID_IDispatch, wparam, object.get());
}

LRESULT CALLBACK ServerWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_GETOBJECT:
      // The object identifier arrives in the low 32 bits (compare as DWORD).
      if (GetWindowLongPtrW(window, GWLP_USERDATA) == kAnswersWithObject &&
          static_cast<DWORD>(lparam) == static_cast<DWORD>(OBJID_NATIVEOM)) {
        return AnswerWithNewObject(wparam);
      }
      break;
    case WM_NCDESTROY:
      Forget(window);
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

HRESULT EnsureClass(const std::wstring& class_name) {
  ExclusiveLock lock(&windows_lock);
  if (registered_classes.count(class_name) != 0) return S_OK;
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = ServerWindowProc;
  window_class.hInstance = ModuleHandle();
  window_class.lpszClassName = class_name.c_str();
  if (RegisterClassExW(&window_class) == 0) return HRESULT_FROM_WIN32(GetLastError());
  registered_classes.insert(class_name);
  return S_OK;
}

}  // namespace

HRESULT CreateServerWindow(const std::wstring& class_name, bool answers_with_object, HWND* window) {
  if (class_name.empty()) return E_INVALIDARG;
  HRESULT hr = EnsureClass(class_name);
  if (FAILED(hr)) return hr;
  HWND created = CreateWindowExW(0, class_name.c_str(), class_name.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                 nullptr, nullptr, ModuleHandle(), nullptr);
  if (created == nullptr) return HRESULT_FROM_WIN32(GetLastError());
  SetWindowLongPtrW(created, GWLP_USERDATA, answers_with_object ? kAnswersWithObject : 0);
  {
    ExclusiveLock lock(&windows_lock);
    windows.push_back(created);
  }
  *window = created;
  return S_OK;
}

LONG DestroyServerWindows() {
  std::vector<HWND> own;
  {
    SharedLock lock(&windows_lock);
    for (HWND window : windows) {
      if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) own.push_back(window);
    }
  }
  LONG destroyed = 0;
  for (HWND window : own) {
    if (DestroyWindow(window)) ++destroyed;
  }
  return destroyed;
}

bool WindowClassesRegistered() {
  SharedLock lock(&windows_lock);
  return !registered_classes.empty();
}

}  // namespace test_server
