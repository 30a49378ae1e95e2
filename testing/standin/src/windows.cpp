// user32 part of the stand-in: window classes and windows with parents,
// visibility, enabled state, window longs (with Windows' last-error rules),
// the foreground window and posted messages.
#include "state.h"

#include <algorithm>
#include <cstring>

namespace standin {
namespace {

struct WindowClass {
  std::wstring name;
  WNDPROC proc;
  int extraBytes;
};

struct WindowEntry {
  uint32_t handle;  // user handles are 32 bits wide; the upper half is ignored
  std::wstring className;
  uint32_t parent;
  DWORD style;
  DWORD exStyle;
  LONG_PTR userData = 0;
  LONG_PTR id = 0;
  WNDPROC proc;
  std::vector<uint8_t> extra;
  DWORD thread = 0;  // the creating thread
};

std::vector<WindowClass> classes;
// In Z order per parent: a new top-level window goes on top, a new child at
// the bottom of its siblings.
std::vector<WindowEntry> windows;
uint32_t next_window = 0x10010;
uint32_t foreground = 0;
bool foreground_allowed = true;
std::vector<PostedMessage> queue;

uint32_t Low32(HWND window) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window)); }
HWND FromLow32(uint32_t handle) { return reinterpret_cast<HWND>(static_cast<LONG_PTR>(static_cast<int32_t>(handle))); }

WindowEntry* FindWindowEntry(HWND window) {
  uint32_t handle = Low32(window);
  if (handle == 0) return nullptr;
  for (auto& entry : windows)
    if (entry.handle == handle) return &entry;
  return nullptr;
}

WindowEntry* WindowOrError(HWND window) {
  WindowEntry* entry = FindWindowEntry(window);
  if (!entry) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return entry;
}

WindowClass* FindClass(const std::wstring& name) {
  for (auto& entry : classes)
    if (SameName(entry.name, name)) return &entry;
  return nullptr;
}

void Insert(WindowEntry entry) {
  if (entry.parent == 0)
    windows.insert(windows.begin(), std::move(entry));
  else
    windows.push_back(std::move(entry));
}

bool Visible(const WindowEntry& entry) {
  for (const WindowEntry* w = &entry; w; w = FindWindowEntry(FromLow32(w->parent)))
    if (!(w->style & WS_VISIBLE)) return false;
  return true;
}

uint32_t NewHandleValue() {
  uint32_t handle = next_window;
  next_window += 0x2;
  return handle;
}

// Calls the window's procedure, as SendMessage does (the stand-in runs it on
// the calling thread); 0 for a window that is gone.
LRESULT CallProcedure(uint32_t handle, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowEntry* entry = FindWindowEntry(FromLow32(handle));
  if (!entry || !entry->proc) return 0;
  WNDPROC proc = entry->proc;  // the table may change while it runs
  return proc(FromLow32(handle), message, wParam, lParam);
}

// WM_DESTROY before the children go, WM_NCDESTROY after, as Windows sends them.
void DestroyTree(uint32_t handle) {
  CallProcedure(handle, WM_DESTROY, 0, 0);
  for (size_t i = 0; i < windows.size();)
    if (windows[i].parent == handle)
      DestroyTree(windows[i].handle);
    else
      ++i;
  CallProcedure(handle, WM_NCDESTROY, 0, 0);
  windows.erase(
      std::remove_if(windows.begin(), windows.end(), [&](const WindowEntry& w) { return w.handle == handle; }),
      windows.end());
  if (foreground == handle) foreground = 0;
}

LONG_PTR* ExtraSlot(WindowEntry& entry, int index) {
  if (index < 0 || static_cast<size_t>(index) + sizeof(LONG_PTR) > entry.extra.size()) return nullptr;
  return reinterpret_cast<LONG_PTR*>(entry.extra.data() + index);
}

}  // namespace

void ResetWindows() {
  classes.clear();
  windows.clear();
  next_window = 0x10010;
  foreground = 0;
  foreground_allowed = true;
  queue.clear();
}

uint32_t CreateTestWindow(const WindowRequest& request) {
  EnsureBooted();
  if (request.parent && !FindWindowEntry(FromLow32(request.parent))) return 0;
  if (request.handle && FindWindowEntry(FromLow32(request.handle))) return 0;
  WindowEntry entry;
  entry.handle = request.handle ? request.handle : NewHandleValue();
  entry.className = request.className;
  entry.parent = request.parent;
  entry.style = (request.parent ? WS_CHILD : WS_OVERLAPPEDWINDOW) | (request.visible ? WS_VISIBLE : 0) |
                (request.enabled ? 0 : WS_DISABLED);
  entry.exStyle = 0;
  entry.proc = DefWindowProcW;
  entry.extra.assign(request.extraBytes, 0);
  entry.thread = GetCurrentThreadId();
  uint32_t handle = entry.handle;
  Insert(std::move(entry));
  return handle;
}

std::optional<WindowState> Window(uint32_t handle) {
  EnsureBooted();
  WindowEntry* entry = FindWindowEntry(FromLow32(handle));
  if (!entry) return std::nullopt;
  return WindowState{entry->className, entry->parent,   entry->style, !(entry->style & WS_DISABLED),
                     Visible(*entry),  entry->userData, entry->extra};
}

uint32_t Foreground() { return foreground; }
void AllowForeground(bool allowed) { foreground_allowed = allowed; }
std::vector<PostedMessage> PostedMessages() { return queue; }

}  // namespace standin

using namespace standin;

ATOM WINAPI RegisterClassExW(const WNDCLASSEXW* windowClass) {
  LogCall("RegisterClassExW");
  if (!windowClass || windowClass->cbSize != sizeof(WNDCLASSEXW) || !windowClass->lpszClassName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (FindClass(windowClass->lpszClassName)) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  classes.push_back(WindowClass{windowClass->lpszClassName, windowClass->lpfnWndProc, windowClass->cbWndExtra});
  return static_cast<ATOM>(0xC000 + classes.size());
}

BOOL WINAPI UnregisterClassW(LPCWSTR className, HINSTANCE) {
  LogCall("UnregisterClassW");
  for (auto it = classes.begin(); it != classes.end(); ++it)
    if (SameName(it->name, WideOrEmpty(className))) {
      classes.erase(it);
      return TRUE;
    }
  SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
  return FALSE;
}

HWND WINAPI CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR, DWORD style, int, int, int, int, HWND parent,
                            HMENU menu, HINSTANCE, LPVOID) {
  LogCall("CreateWindowExW");
  WindowClass* windowClass = FindClass(WideOrEmpty(className));
  if (!windowClass) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  if (parent && !FindWindowEntry(parent)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  WindowEntry entry;
  entry.handle = NewHandleValue();
  entry.className = windowClass->name;
  entry.parent = (style & WS_CHILD) ? Low32(parent) : 0;
  entry.style = style;
  entry.exStyle = exStyle;
  entry.id = (style & WS_CHILD) ? reinterpret_cast<LONG_PTR>(menu) : 0;
  entry.proc = windowClass->proc;
  entry.extra.assign(windowClass->extraBytes, 0);
  entry.thread = GetCurrentThreadId();
  uint32_t handle = entry.handle;
  Insert(std::move(entry));
  return FromLow32(handle);
}

BOOL WINAPI DestroyWindow(HWND window) {
  LogCall("DestroyWindow");
  WindowEntry* entry = WindowOrError(window);
  if (!entry) return FALSE;
  DestroyTree(entry->handle);
  return TRUE;
}

LRESULT WINAPI DefWindowProcW(HWND, UINT, WPARAM, LPARAM) { return 0; }

BOOL WINAPI IsWindow(HWND window) {
  LogCall("IsWindow");
  return FindWindowEntry(window) ? TRUE : FALSE;
}

BOOL WINAPI IsWindowVisible(HWND window) {
  LogCall("IsWindowVisible");
  WindowEntry* entry = FindWindowEntry(window);
  return entry && Visible(*entry) ? TRUE : FALSE;
}

BOOL WINAPI IsWindowEnabled(HWND window) {
  LogCall("IsWindowEnabled");
  WindowEntry* entry = FindWindowEntry(window);
  return entry && !(entry->style & WS_DISABLED) ? TRUE : FALSE;
}

BOOL WINAPI EnableWindow(HWND window, BOOL enable) {
  LogCall("EnableWindow");
  WindowEntry* entry = WindowOrError(window);
  if (!entry) return FALSE;
  BOOL wasDisabled = (entry->style & WS_DISABLED) ? TRUE : FALSE;
  if (enable)
    entry->style &= ~WS_DISABLED;
  else
    entry->style |= WS_DISABLED;
  return wasDisabled;
}

BOOL WINAPI ShowWindow(HWND window, int command) {
  LogCall("ShowWindow");
  WindowEntry* entry = WindowOrError(window);
  if (!entry) return FALSE;
  BOOL wasVisible = (entry->style & WS_VISIBLE) ? TRUE : FALSE;
  if (command == SW_HIDE)
    entry->style &= ~WS_VISIBLE;
  else
    entry->style |= WS_VISIBLE;
  return wasVisible;
}

// Returns the previous value; on success the last error is left as it was,
// so a previous value of 0 can only be told from a failure by clearing the
// last error first (as Windows documents).
LONG_PTR WINAPI SetWindowLongPtrW(HWND window, int index, LONG_PTR value) {
  LogCall("SetWindowLongPtrW");
  WindowEntry* entry = WindowOrError(window);
  if (!entry) return 0;
  LONG_PTR previous;
  switch (index) {
    case GWL_STYLE:
      previous = entry->style;
      entry->style = static_cast<DWORD>(value);
      return previous;
    case GWL_EXSTYLE:
      previous = entry->exStyle;
      entry->exStyle = static_cast<DWORD>(value);
      return previous;
    case GWLP_USERDATA:
      previous = entry->userData;
      entry->userData = value;
      return previous;
    case GWLP_ID:
      previous = entry->id;
      entry->id = value;
      return previous;
    case GWLP_WNDPROC:
      previous = reinterpret_cast<LONG_PTR>(entry->proc);
      entry->proc = reinterpret_cast<WNDPROC>(value);
      return previous;
    default:
      break;
  }
  LONG_PTR* slot = ExtraSlot(*entry, index);
  if (!slot) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  std::memcpy(&previous, slot, sizeof(previous));
  std::memcpy(slot, &value, sizeof(value));
  return previous;
}

LONG_PTR WINAPI GetWindowLongPtrW(HWND window, int index) {
  LogCall("GetWindowLongPtrW");
  WindowEntry* entry = WindowOrError(window);
  if (!entry) return 0;
  switch (index) {
    case GWL_STYLE:
      return entry->style;
    case GWL_EXSTYLE:
      return entry->exStyle;
    case GWLP_USERDATA:
      return entry->userData;
    case GWLP_ID:
      return entry->id;
    case GWLP_WNDPROC:
      return reinterpret_cast<LONG_PTR>(entry->proc);
    default:
      break;
  }
  LONG_PTR* slot = ExtraSlot(*entry, index);
  if (!slot) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  LONG_PTR value;
  std::memcpy(&value, slot, sizeof(value));
  return value;
}

BOOL WINAPI SetForegroundWindow(HWND window) {
  LogCall("SetForegroundWindow");
  WindowEntry* entry = FindWindowEntry(window);
  if (!entry || !foreground_allowed) return FALSE;
  while (entry->parent) entry = FindWindowEntry(FromLow32(entry->parent));
  foreground = entry->handle;
  return TRUE;
}

HWND WINAPI GetForegroundWindow(void) {
  LogCall("GetForegroundWindow");
  return FromLow32(foreground);
}

HWND WINAPI FindWindowExW(HWND parent, HWND childAfter, LPCWSTR className, LPCWSTR windowName) {
  LogCall("FindWindowExW");
  (void)windowName;  // windows have no titles here
  uint32_t parentHandle = Low32(parent);
  if (parentHandle && !FindWindowEntry(parent)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  uint32_t after = Low32(childAfter);
  bool searching = after == 0;
  for (auto& entry : windows) {
    if (entry.parent != parentHandle) continue;
    if (!searching) {
      searching = entry.handle == after;
      continue;
    }
    if (!className || SameName(entry.className, className)) return FromLow32(entry.handle);
  }
  SetLastError(ERROR_SUCCESS);
  return nullptr;
}

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LogCall("PostMessageA");
  if (window && Low32(window) != 0xFFFF && !FindWindowEntry(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  queue.push_back(PostedMessage{Low32(window), message, wParam, lParam});
  return TRUE;
}

BOOL WINAPI PeekMessageA(LPMSG message, HWND window, UINT first, UINT last, UINT remove) {
  LogCall("PeekMessageA");
  for (auto it = queue.begin(); it != queue.end(); ++it) {
    if (window && it->window != Low32(window)) continue;
    if ((first || last) && (it->message < first || it->message > last)) continue;
    *message = MSG{FromLow32(it->window), it->message, it->wParam, it->lParam, 0, {0, 0}};
    if (remove & PM_REMOVE) queue.erase(it);
    return TRUE;
  }
  return FALSE;
}

LRESULT WINAPI SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LogCall("SendMessageW");
  WindowEntry* entry = WindowOrError(window);
  if (!entry) return 0;
  return CallProcedure(entry->handle, message, wParam, lParam);
}

DWORD WINAPI GetWindowThreadProcessId(HWND window, LPDWORD processId) {
  WindowEntry* entry = WindowOrError(window);
  if (!entry) return 0;
  if (processId) *processId = GetCurrentProcessId();
  return entry->thread;
}
