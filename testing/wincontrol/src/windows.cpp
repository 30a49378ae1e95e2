// Windows the tests create on the script thread, their state, the foreground
// window and the messages posted to the thread's queue. The script thread
// pumps no messages, so whatever is posted stays queued until read here.
#include <map>
#include <string>
#include <vector>

#include "control.h"

namespace wincontrol {
namespace {

std::map<std::wstring, int> classes;  // registered class name -> extra bytes
std::vector<HWND> created;            // in creation order

HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

// Registers the class on first use; a name keeps the extra bytes it was first
// registered with.
void EnsureClass(Napi::Env env, const std::wstring& name, int extraBytes) {
  auto known = classes.find(name);
  if (known != classes.end()) {
    if (known->second != extraBytes) throw Napi::Error::New(env, "class registered with other extra bytes");
    return;
  }
  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.cbWndExtra = extraBytes;
  windowClass.hInstance = Instance();
  windowClass.lpszClassName = name.c_str();
  if (!RegisterClassExW(&windowClass)) throw Napi::Error::New(env, "RegisterClassExW failed");
  classes[name] = extraBytes;
}

template <typename T>
T Option(const Napi::Object& options, const char* name, T fallback, T (*read)(const Napi::Value&)) {
  Napi::Value value = options.Get(name);
  return value.IsUndefined() ? fallback : read(value);
}

// createWindow({className, parent, visible, enabled, extraBytes}): the handle.
Napi::Value CreateTestWindow(const Napi::CallbackInfo& info) {
  Napi::Env env = info.Env();
  Napi::Object options = info[0].IsObject() ? info[0].As<Napi::Object>() : Napi::Object::New(env);
  std::wstring className = Option<std::wstring>(options, "className", L"StandInWindow", WideFrom);
  HWND parent = reinterpret_cast<HWND>(Option<LONG_PTR>(options, "parent", 0, PointerFrom));
  bool visible = Option<bool>(options, "visible", true, [](const Napi::Value& v) { return v.ToBoolean().Value(); });
  bool enabled = Option<bool>(options, "enabled", true, [](const Napi::Value& v) { return v.ToBoolean().Value(); });
  int extraBytes = Option<int>(options, "extraBytes", 0,
                               [](const Napi::Value& v) { return static_cast<int>(v.ToNumber().Int32Value()); });
  if (!options.Get("handle").IsUndefined()) throw Napi::Error::New(env, "window handles cannot be chosen here");
  EnsureClass(env, className, extraBytes);
  // Top-level windows are shown without being activated: Wine waits 2 s for
  // a window manager (Xvfb has none) when it hides an activated window.
  DWORD style = (parent ? WS_CHILD | (visible ? WS_VISIBLE : 0) : WS_POPUP) | (enabled ? 0 : WS_DISABLED);
  HWND window = CreateWindowExW(0, className.c_str(), L"", style, 0, 0, 120, 80, parent, nullptr, Instance(), nullptr);
  if (!window) throw Napi::Error::New(env, "CreateWindowExW failed");
  if (!parent && visible)
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  created.push_back(window);
  return HandleNumber(env, window);
}

Napi::Buffer<uint8_t> ExtraBytes(Napi::Env env, HWND window) {
  int size = static_cast<int>(GetClassLongPtrW(window, GCL_CBWNDEXTRA));
  std::vector<uint8_t> bytes;
  for (int offset = 0; offset + static_cast<int>(sizeof(LONG_PTR)) <= size; offset += sizeof(LONG_PTR)) {
    LONG_PTR value = GetWindowLongPtrW(window, offset);
    const auto* start = reinterpret_cast<const uint8_t*>(&value);
    bytes.insert(bytes.end(), start, start + sizeof(value));
  }
  return Napi::Buffer<uint8_t>::Copy(env, bytes.data(), bytes.size());
}

// window(handle): its class, parent and state, or undefined.
Napi::Value WindowState(const Napi::CallbackInfo& info) {
  Napi::Env env = info.Env();
  HWND window = reinterpret_cast<HWND>(PointerFrom(info[0]));
  if (!IsWindow(window)) return env.Undefined();
  wchar_t name[256] = {};
  int length = GetClassNameW(window, name, 256);
  Napi::Object state = Napi::Object::New(env);
  state.Set("className", Utf8From(std::wstring(name, length > 0 ? length : 0)));
  state.Set("parent",
            HandleNumber(
                env, GetAncestor(window, GA_PARENT) == GetDesktopWindow() ? nullptr : GetAncestor(window, GA_PARENT)));
  LONG style = GetWindowLongW(window, GWL_STYLE);
  state.Set("style", static_cast<double>(static_cast<DWORD>(style)));
  state.Set("enabled", IsWindowEnabled(window) != FALSE);
  state.Set("visible", (style & WS_VISIBLE) != 0);
  state.Set("userData", static_cast<double>(GetWindowLongPtrW(window, GWLP_USERDATA)));
  state.Set("extra", ExtraBytes(env, window));
  return state;
}

Napi::Value Foreground(const Napi::CallbackInfo& info) { return HandleNumber(info.Env(), GetForegroundWindow()); }

// Removes the messages posted to the thread and its windows, oldest first.
std::vector<MSG> TakePostedMessages() {
  std::vector<MSG> messages;
  MSG message;
  while (messages.size() < 100000 && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_POSTMESSAGE))
    messages.push_back(message);
  return messages;
}

// postedMessages(): what was posted since the last call (or reset).
Napi::Value PostedMessages(const Napi::CallbackInfo& info) {
  Napi::Env env = info.Env();
  std::vector<MSG> messages = TakePostedMessages();
  Napi::Array out = Napi::Array::New(env, messages.size());
  for (size_t i = 0; i < messages.size(); ++i) {
    Napi::Object item = Napi::Object::New(env);
    item.Set("window", HandleNumber(env, messages[i].hwnd));
    item.Set("message", static_cast<double>(messages[i].message));
    item.Set("wParam", static_cast<double>(static_cast<LONG_PTR>(messages[i].wParam)));
    item.Set("lParam", static_cast<double>(messages[i].lParam));
    out.Set(static_cast<uint32_t>(i), item);
  }
  return out;
}

}  // namespace

void RegisterWindows(Napi::Env env, Napi::Object exports) {
  exports.Set("createWindow", Napi::Function::New(env, CreateTestWindow, "createWindow"));
  exports.Set("window", Napi::Function::New(env, WindowState, "window"));
  exports.Set("foreground", Napi::Function::New(env, Foreground, "foreground"));
  exports.Set("postedMessages", Napi::Function::New(env, PostedMessages, "postedMessages"));
}

void ResetWindows() {
  for (auto window = created.rbegin(); window != created.rend(); ++window)
    if (IsWindow(*window)) DestroyWindow(*window);
  created.clear();
  for (const auto& entry : classes) UnregisterClassW(entry.first.c_str(), Instance());
  classes.clear();
  TakePostedMessages();
}

}  // namespace wincontrol
