// Module entry: registration, the multithreaded apartment, the ComObject class
// and the five functions by which script obtains automation objects and window
// handles.
#include <nan.h>
#include <windows.h>

#include <objbase.h>
#include <oleacc.h>
#include <oleauto.h>

#include <optional>
#include <string>

#include "com_object_wrapper.h"
#include "win-owners/com.h"
#include "text.h"
#include "tracked_wrap.h"

namespace com_bridge {
namespace {

// The class of the ProgID in argument 0; throws the given message when it is
// no string, and the registration message when the class is unknown.
std::optional<CLSID> ClassOfProgId(const Nan::FunctionCallbackInfo<v8::Value>& info, const char* not_a_string) {
  if (!info[0]->IsString()) {
    Nan::ThrowError(not_a_string);
    return std::nullopt;
  }
  std::optional<std::wstring> prog_id = WideTextOf(info[0]);
  if (!prog_id) return std::nullopt;
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(prog_id->c_str(), &clsid))) {
    Nan::ThrowError("ComObject for given progID isn't registered");
    return std::nullopt;
  }
  return clsid;
}

void ReturnObject(const Nan::FunctionCallbackInfo<v8::Value>& info, win::ComPtr<IDispatch> dispatch) {
  v8::Local<v8::Object> object = WrapDispatch(std::move(dispatch));
  if (!object.IsEmpty()) info.GetReturnValue().Set(object);
}

// A handle number as Win32 takes it: 32 bits, sign-extended.
HWND WindowFrom(v8::Local<v8::Value> value) {
  int32_t number = value->IsNumber() ? Nan::To<int32_t>(value).FromJust() : 0;
  return reinterpret_cast<HWND>(static_cast<intptr_t>(number));
}

NAN_METHOD(CreateObject) {
  std::optional<CLSID> clsid =
      ClassOfProgId(info, "ProgId should be string and provided as first argument of CreateObject");
  if (!clsid) return;
  win::ComPtr<IDispatch> object;
  if (FAILED(CoCreateInstance(*clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                              object.put_void())) ||
      !object) {
    Nan::ThrowError("Failed to create ComObject for given progID");
    return;
  }
  ReturnObject(info, std::move(object));
}

NAN_METHOD(GetActiveObjectFunction) {
  std::optional<CLSID> clsid =
      ClassOfProgId(info, "ProgId should be string and provided as first argument of GetActiveObject");
  if (!clsid) return;
  win::ComPtr<IUnknown> running;
  if (FAILED(GetActiveObject(*clsid, nullptr, running.put())) || !running) {
    Nan::ThrowError("Failed to get ComObject for given progID");
    return;
  }
  win::ComPtr<IDispatch> object;
  if (FAILED(running->QueryInterface(IID_IDispatch, object.put_void())) || !object) {
    Nan::ThrowError("ComObject for given progID doesn't support automation");
    return;
  }
  ReturnObject(info, std::move(object));
}

NAN_METHOD(FindWindowFunction) {
  HWND parent = WindowFrom(info[0]);
  HWND child_after = WindowFrom(info[1]);
  std::optional<std::wstring> class_name;
  if (info[2]->IsString()) {
    class_name = WideTextOf(info[2]);
    if (!class_name) return;
  }
  const wchar_t* name = class_name && !class_name->empty() ? class_name->c_str() : nullptr;
  HWND found = FindWindowExW(parent, child_after, name, nullptr);
  info.GetReturnValue().Set(static_cast<int32_t>(reinterpret_cast<intptr_t>(found)));
}

NAN_METHOD(AccessibleObjectFromWindowFunction) {
  win::ComPtr<IDispatch> object;
  if (SUCCEEDED(AccessibleObjectFromWindow(WindowFrom(info[0]), static_cast<DWORD>(OBJID_NATIVEOM), IID_IDispatch,
                                           object.put_void())) &&
      object)
    ReturnObject(info, std::move(object));
}

NAN_METHOD(ReleaseFunction) {
  ComObjectWrapper* wrapper = ComObjectOf(info[0]);
  if (wrapper == nullptr) return Nan::ThrowTypeError("Release expects a ComObject");
  if (!wrapper->holder() || !wrapper->holder()->dispatch) return Nan::ThrowError("The ComObject was released");
  info.GetReturnValue().Set(static_cast<uint32_t>(ReleaseComObject(wrapper)));
}

void Initialize(v8::Local<v8::Object> exports) {
  // The thread keeps its apartment if it already has another: nothing to report.
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  node::AddEnvironmentCleanupHook(
      v8::Isolate::GetCurrent(), [](void*) { TrackedWrap::FreeAll(); }, nullptr);
  RegisterComObjectClass(exports);
  Nan::SetMethod(exports, "CreateObject", CreateObject);
  Nan::SetMethod(exports, "GetActiveObject", GetActiveObjectFunction);
  Nan::SetMethod(exports, "FindWindow", FindWindowFunction);
  Nan::SetMethod(exports, "AccessibleObjectFromWindow", AccessibleObjectFromWindowFunction);
  Nan::SetMethod(exports, "Release", ReleaseFunction);
}

void Register(v8::Local<v8::Object> exports, v8::Local<v8::Value>, void*) { Initialize(exports); }

node::node_module addon_module = {
    NODE_MODULE_VERSION,  // the module version of the headers built against
    0,
    nullptr,
    "src/node-module",
    Register,
    nullptr,
    "ComBridgeAddon",
    nullptr,
    nullptr,
};

// Registers while the library loads, before the runtime looks for the record.
struct Registration {
  Registration() { node_module_register(&addon_module); }
} registration;

}  // namespace
}  // namespace com_bridge
