#include "com_error.h"

#include <stdio.h>

#include "win-owners/com.h"
#include "text.h"

namespace com_bridge {
namespace {

// The interface-specific range above 0x80040200, where IDispatch servers put
// their own codes.
bool IsInterfaceSpecific(HRESULT result) {
  auto code = static_cast<ULONG>(result);
  return code > 0x80040200UL && code <= 0x8004FFFFUL;
}

v8::Local<v8::String> Name(const char* name) { return Nan::New(name).ToLocalChecked(); }

// System texts are short; a server's description may be longer than a
// script string can be, and is then told apart by the caller.
v8::MaybeLocal<v8::String> ScriptText(const std::wstring& text) { return ScriptString(text.c_str(), text.size()); }

// In the message in place of a server's description that cannot be a
// script string.
constexpr wchar_t kDescriptionTooLong[] = L" (the server's description is longer than a script string can be)";

// An own data property: setters on Object.prototype never see it.
void Define(v8::Local<v8::Object> target, const char* name, v8::Local<v8::Value> value) {
  target->CreateDataProperty(Nan::GetCurrentContext(), Name(name), value).FromMaybe(false);
}

// An instance of the global "Error" as script has it now; the built-in Error
// when script replaced it with something that cannot construct one.
v8::Local<v8::Object> NewErrorObject(const std::wstring& message) {
  v8::Local<v8::Context> context = Nan::GetCurrentContext();
  Nan::TryCatch failure;
  v8::Local<v8::Value> constructor;
  v8::Local<v8::Object> error;
  if (Nan::Get(context->Global(), Name("Error")).ToLocal(&constructor) && constructor->IsFunction() &&
      Nan::NewInstance(constructor.As<v8::Function>()).ToLocal(&error)) {
    return error;
  }
  return v8::Exception::Error(ScriptText(message).FromMaybe(Nan::EmptyString())).As<v8::Object>();
}

}  // namespace

std::wstring HresultText(HRESULT result) {
  win::UniqueLocalMemory<wchar_t> buffer;
  DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
                     nullptr, static_cast<DWORD>(result), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                     reinterpret_cast<wchar_t*>(buffer.put()), 0, nullptr);
  if (length > 0 && buffer) {
    std::wstring text(buffer.get(), wcsnlen(buffer.get(), length));
    if (text.size() > 1 && text.back() == L'\n') {
      text.pop_back();
      if (!text.empty() && text.back() == L'\r') text.pop_back();
    }
    return text;
  }
  wchar_t fallback[32];
  if (IsInterfaceSpecific(result))
    swprintf(fallback, 32, L"IDispatch error #%d", static_cast<int>(static_cast<ULONG>(result) - 0x80040200UL));
  else
    swprintf(fallback, 32, L"Unknown error 0x%0lX", static_cast<unsigned long>(static_cast<ULONG>(result)));
  return fallback;
}

void ThrowComError(HRESULT result, const EXCEPINFO* exception) {
  Nan::HandleScope scope;
  v8::Local<v8::Object> com_error = Nan::New<v8::Object>();
  Define(com_error, "errorCode", Nan::New(static_cast<int32_t>(result)));
  std::wstring text = HresultText(result);
  Define(com_error, "errorMessage", ScriptText(text).FromMaybe(Nan::EmptyString()));
  std::wstring message = text;
  if (exception != nullptr && exception->bstrDescription != nullptr) {
    std::wstring description(exception->bstrDescription, SysStringLen(exception->bstrDescription));
    Define(com_error, "innerErrorCode", Nan::New(static_cast<int32_t>(exception->scode)));
    v8::Local<v8::String> inner;
    if (ScriptText(description).ToLocal(&inner)) {
      Define(com_error, "innerErrorMessage", inner);
      message += L' ';
      message += description;
    } else {
      // Said, not cut: the error has no innerErrorMessage then.
      message += kDescriptionTooLong;
    }
  }
  v8::Local<v8::Object> error = NewErrorObject(message);
  v8::Local<v8::String> message_text;
  if (!ScriptText(message).ToLocal(&message_text))
    message_text = ScriptText(text + kDescriptionTooLong).ToLocalChecked();
  {
    // A replacement Error may refuse these properties; the error is thrown anyway.
    Nan::TryCatch refused;
    Define(error, "message", message_text);
    Define(error, "comError", com_error);
  }
  Nan::ThrowError(v8::Local<v8::Value>(error));
}

}  // namespace com_bridge
