// Window operations: single user32 calls on windows named by script numbers.
#include "functions.h"
#include "shared.h"

namespace sba {
namespace {

std::string NotAValidWindow(HWND window) {
  return FormatText("(%x) is not a valid window", static_cast<unsigned>(WindowToNumber(window)));
}

// A number argument, or 0 when it is missing or not a number.
v8::Local<v8::Value> NumberOrZero(v8::Local<v8::Value> value) {
  return value->IsNumber() ? value : v8::Local<v8::Value>(Nan::New(0));
}

}  // namespace

NAN_METHOD(EnableWindowFunction) {
  if (!info[0]->IsNumber() || !info[1]->IsNumber()) return SetReturnText(info, "Wrong arguments: number expected");
  HWND window = WindowFrom(info[0]);
  int enable = IntegerFrom(info[1]);
  if (!IsWindow(window)) return SetReturnText(info, NotAValidWindow(window));
  EnableWindow(window, enable);
  SetReturnText(info, "");
}

NAN_METHOD(SetWindowLongPtrWFunction) {
  if (!info[0]->IsNumber() || !info[1]->IsNumber() || !info[2]->IsNumber())
    return SetReturnText(info, "Wrong arguments: numbers expected");
  HWND window = WindowFrom(info[0]);
  int index = IntegerFrom(info[1]);
  int32_t value = IntegerFrom(info[2]);
  if (!IsWindow(window)) return SetReturnText(info, NotAValidWindow(window));
  // A previous value of 0 is told from a failure by the last error only.
  SetLastError(0);
  LONG_PTR previous = SetWindowLongPtrW(window, index, static_cast<LONG_PTR>(value));
  DWORD error = GetLastError();
  if (previous == 0 && error != 0)
    return SetReturnText(info, FormatText("Cannot set value - hwnd=%d index=%d value=%d (LastError=0x%x)",
                                          WindowToNumber(window), index, value, static_cast<unsigned>(error)));
  SetReturnText(info, "");
}

NAN_METHOD(SetForegroundWindowFunction) {
  if (!info[0]->IsNumber()) return SetReturnText(info, "Wrong argument: number expected");
  HWND window = WindowFrom(info[0]);
  if (!IsWindow(window)) return SetReturnText(info, NotAValidWindow(window));
  SetReturnText(info, SetForegroundWindow(window) ? "" : "fail to set foreground window");
}

NAN_METHOD(FindWindowExFunction) {
  HWND parent = WindowFrom(NumberOrZero(info[0]));
  HWND childAfter = WindowFrom(NumberOrZero(info[1]));
  std::wstring className = info[2]->IsString() ? WideFrom(info[2]) : std::wstring();
  HWND found = FindWindowExW(parent, childAfter, className.empty() ? nullptr : className.c_str(), nullptr);
  info.GetReturnValue().Set(WindowToNumber(found));
}

NAN_METHOD(PostMessageFunction) {
  HWND window = WindowFrom(NumberOrZero(info[0]));
  UINT message = static_cast<UINT>(IntegerFrom(NumberOrZero(info[1])));
  WPARAM wParam = static_cast<WPARAM>(static_cast<LONG_PTR>(IntegerFrom(NumberOrZero(info[2]))));
  LPARAM lParam = static_cast<LPARAM>(IntegerFrom(NumberOrZero(info[3])));
  PostMessageA(window, message, wParam, lParam);
}

NAN_METHOD(IsWindowVisibleFunction) {
  HWND window = WindowFrom(NumberOrZero(info[0]));
  info.GetReturnValue().Set(IsWindowVisible(window) != FALSE);
}

}  // namespace sba
