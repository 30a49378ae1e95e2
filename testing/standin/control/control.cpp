// Node module through which the JS tests arrange and inspect the Windows
// stand-in that the addon under test runs against (same process, same state).
#include <nan.h>
#include <standin/control.h>

namespace {

using Info = Nan::FunctionCallbackInfo<v8::Value>;
using v8::Local;
using v8::Object;
using v8::Value;

std::string Text(Local<Value> value) {
  Nan::Utf8String text(value);
  return std::string(*text ? *text : "", text.length());
}
std::wstring Wide(Local<Value> value) { return standin::WideFromUtf8(Text(value)); }
Local<v8::String> Js(const std::string& text) { return Nan::New(text).ToLocalChecked(); }
Local<v8::String> Js(const std::wstring& text) { return Js(standin::Utf8FromWide(text)); }
int32_t Int(Local<Value> value) { return Nan::To<int32_t>(value).FromMaybe(0); }
bool Bool(Local<Value> value) { return Nan::To<bool>(value).FromMaybe(false); }
HKEY Root(Local<Value> value) { return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(Int(value))); }

Local<Value> Field(Local<Object> object, const char* name) {
  return Nan::Get(object, Js(std::string(name))).ToLocalChecked();
}
void Put(Local<Object> object, const char* name, Local<Value> value) { Nan::Set(object, Js(std::string(name)), value); }

std::vector<uint8_t> Bytes(Local<Value> value) {
  if (!node::Buffer::HasInstance(value)) return {};
  const auto* data = reinterpret_cast<const uint8_t*>(node::Buffer::Data(value));
  return std::vector<uint8_t>(data, data + node::Buffer::Length(value));
}

NAN_METHOD(Reset) { standin::Reset(); }

NAN_METHOD(Calls) {
  std::vector<std::string> calls = standin::Calls();
  Local<v8::Array> out = Nan::New<v8::Array>(static_cast<int>(calls.size()));
  for (size_t i = 0; i < calls.size(); ++i) Nan::Set(out, static_cast<uint32_t>(i), Js(calls[i]));
  info.GetReturnValue().Set(out);
}

NAN_METHOD(ClearCalls) { standin::ClearCalls(); }

NAN_METHOD(CreateWindow) {
  standin::WindowRequest request;
  if (info[0]->IsObject()) {
    Local<Object> options = info[0].As<Object>();
    Local<Value> value;
    if (!(value = Field(options, "className"))->IsUndefined()) request.className = Wide(value);
    if (!(value = Field(options, "parent"))->IsUndefined()) request.parent = static_cast<uint32_t>(Int(value));
    if (!(value = Field(options, "handle"))->IsUndefined()) request.handle = static_cast<uint32_t>(Int(value));
    if (!(value = Field(options, "visible"))->IsUndefined()) request.visible = Bool(value);
    if (!(value = Field(options, "enabled"))->IsUndefined()) request.enabled = Bool(value);
    if (!(value = Field(options, "extraBytes"))->IsUndefined()) request.extraBytes = Int(value);
  }
  info.GetReturnValue().Set(static_cast<int32_t>(standin::CreateTestWindow(request)));
}

NAN_METHOD(Window) {
  std::optional<standin::WindowState> state = standin::Window(static_cast<uint32_t>(Int(info[0])));
  if (!state) return;
  Local<Object> out = Nan::New<Object>();
  Put(out, "className", Js(state->className));
  Put(out, "parent", Nan::New(static_cast<int32_t>(state->parent)));
  Put(out, "style", Nan::New(static_cast<double>(state->style)));
  Put(out, "enabled", Nan::New(state->enabled));
  Put(out, "visible", Nan::New(state->visible));
  Put(out, "userData", Nan::New(static_cast<double>(state->userData)));
  Put(out, "extra",
      Nan::CopyBuffer(reinterpret_cast<const char*>(state->extra.data()), static_cast<uint32_t>(state->extra.size()))
          .ToLocalChecked());
  info.GetReturnValue().Set(out);
}

NAN_METHOD(Foreground) { info.GetReturnValue().Set(static_cast<int32_t>(standin::Foreground())); }
NAN_METHOD(AllowForeground) { standin::AllowForeground(Bool(info[0])); }

NAN_METHOD(PostedMessages) {
  std::vector<standin::PostedMessage> messages = standin::PostedMessages();
  Local<v8::Array> out = Nan::New<v8::Array>(static_cast<int>(messages.size()));
  for (size_t i = 0; i < messages.size(); ++i) {
    Local<Object> item = Nan::New<Object>();
    Put(item, "window", Nan::New(static_cast<int32_t>(messages[i].window)));
    Put(item, "message", Nan::New(static_cast<double>(messages[i].message)));
    Put(item, "wParam", Nan::New(static_cast<double>(static_cast<LONG_PTR>(messages[i].wParam))));
    Put(item, "lParam", Nan::New(static_cast<double>(messages[i].lParam)));
    Nan::Set(out, static_cast<uint32_t>(i), item);
  }
  info.GetReturnValue().Set(out);
}

NAN_METHOD(UseElevatedToken) { standin::UseElevatedToken(Bool(info[0])); }

NAN_METHOD(Privilege) {
  std::optional<standin::PrivilegeState> state = standin::Privilege(Text(info[0]));
  if (!state) return;
  Local<Object> out = Nan::New<Object>();
  Put(out, "held", Nan::New(state->held));
  Put(out, "enabled", Nan::New(state->enabled));
  info.GetReturnValue().Set(out);
}

NAN_METHOD(SetPrivilege) {
  info.GetReturnValue().Set(standin::SetPrivilege(Text(info[0]), Bool(info[1]), Bool(info[2])));
}

NAN_METHOD(SetLogonSid) {
  standin::SetLogonSid(info[0]->IsString() ? std::optional<std::string>(Text(info[0])) : std::nullopt);
}

NAN_METHOD(AddProcess) {
  standin::AddProcess(static_cast<DWORD>(Int(info[0])), static_cast<DWORD>(Int(info[1])), Bool(info[2]));
}

NAN_METHOD(ProcessPriority) {
  std::optional<DWORD> priority = standin::ProcessPriority(static_cast<DWORD>(Int(info[0])));
  if (priority) info.GetReturnValue().Set(static_cast<double>(*priority));
}

// The system's message for an error code, as FormatMessageW gives it.
NAN_METHOD(SystemMessage) {
  LPWSTR message = nullptr;
  DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, static_cast<DWORD>(Int(info[0])), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                     reinterpret_cast<LPWSTR>(&message), 0, nullptr);
  info.GetReturnValue().Set(Js(length && message ? std::wstring(message, length) : std::wstring()));
  if (message) LocalFree(message);
}

NAN_METHOD(SetLastErrorHere) { SetLastError(static_cast<DWORD>(Int(info[0]))); }

NAN_METHOD(CurrentPid) { info.GetReturnValue().Set(static_cast<double>(GetCurrentProcessId())); }
NAN_METHOD(OpenHandles) { info.GetReturnValue().Set(static_cast<double>(standin::OpenHandleCount())); }
NAN_METHOD(OpenKeys) { info.GetReturnValue().Set(static_cast<double>(standin::OpenKeyCount())); }

NAN_METHOD(SetAdminOnly) {
  info.GetReturnValue().Set(standin::SetAdminOnly(Root(info[0]), Wide(info[1]), Bool(info[2])));
}

NAN_METHOD(WriteRawValue) {
  info.GetReturnValue().Set(standin::WriteRawValue(Root(info[0]), Wide(info[1]), Wide(info[2]),
                                                   static_cast<DWORD>(Int(info[3])), Bytes(info[4])));
}

NAN_METHOD(ReadRawValue) {
  std::optional<standin::RawValue> value = standin::ReadRawValue(Root(info[0]), Wide(info[1]), Wide(info[2]));
  if (!value) return;
  Local<Object> out = Nan::New<Object>();
  Put(out, "type", Nan::New(static_cast<double>(value->type)));
  Put(out, "data",
      Nan::CopyBuffer(reinterpret_cast<const char*>(value->data.data()), static_cast<uint32_t>(value->data.size()))
          .ToLocalChecked());
  info.GetReturnValue().Set(out);
}

NAN_METHOD(SaveHive) {
  info.GetReturnValue().Set(static_cast<double>(standin::SaveHive(Root(info[0]), Wide(info[1]), Text(info[2]))));
}

NAN_METHOD(LoadedHives) {
  std::vector<std::wstring> names = standin::LoadedHives();
  Local<v8::Array> out = Nan::New<v8::Array>(static_cast<int>(names.size()));
  for (size_t i = 0; i < names.size(); ++i) Nan::Set(out, static_cast<uint32_t>(i), Js(names[i]));
  info.GetReturnValue().Set(out);
}

NAN_METHOD(GrowValueAfterProbe) {
  standin::GrowValueAfterProbe(Root(info[0]), Wide(info[1]), Wide(info[2]), static_cast<size_t>(Int(info[3])),
                               Int(info[4]));
}

NAN_METHOD(InitializeCom) { standin::InitializeComHere(Bool(info[0])); }
NAN_METHOD(LiveComObjects) { info.GetReturnValue().Set(static_cast<double>(standin::LiveComObjects())); }
NAN_METHOD(OutstandingTaskMemory) { info.GetReturnValue().Set(static_cast<double>(standin::OutstandingTaskMemory())); }

NAN_METHOD(JumpList) {
  std::optional<std::vector<standin::JumpListTask>> tasks = standin::CommittedJumpList(Wide(info[0]));
  if (!tasks) return;
  Local<v8::Array> out = Nan::New<v8::Array>(static_cast<int>(tasks->size()));
  for (size_t i = 0; i < tasks->size(); ++i) {
    const standin::JumpListTask& task = (*tasks)[i];
    Local<Object> item = Nan::New<Object>();
    Put(item, "separator", Nan::New(task.separator));
    Put(item, "path", Js(task.path));
    Put(item, "arguments", Js(task.arguments));
    Put(item, "description", Js(task.description));
    Put(item, "iconPath", Js(task.iconPath));
    Put(item, "iconIndex", Nan::New(task.iconIndex));
    if (task.title) Put(item, "title", Js(*task.title));
    Nan::Set(out, static_cast<uint32_t>(i), item);
  }
  info.GetReturnValue().Set(out);
}

NAN_METHOD(SetJumpList) {
  std::vector<standin::JumpListTask> tasks;
  if (info[1]->IsArray()) {
    Local<v8::Array> items = info[1].As<v8::Array>();
    for (uint32_t i = 0; i < items->Length(); ++i) {
      Local<Object> item = Nan::Get(items, i).ToLocalChecked().As<Object>();
      tasks.push_back(standin::JumpListTask{false, Wide(Field(item, "path")), L"", L"", L"", 0, std::nullopt});
    }
  }
  standin::SetCommittedJumpList(Wide(info[0]), tasks);
}

NAN_METHOD(FailCall) {
  std::optional<std::string> when;
  if (info[2]->IsString()) when = Text(info[2]);
  standin::FailCall(Text(info[0]), Int(info[1]), when);
}

NAN_MODULE_INIT(Init) {
  Nan::SetMethod(target, "reset", Reset);
  Nan::SetMethod(target, "calls", Calls);
  Nan::SetMethod(target, "clearCalls", ClearCalls);
  Nan::SetMethod(target, "createWindow", CreateWindow);
  Nan::SetMethod(target, "window", Window);
  Nan::SetMethod(target, "foreground", Foreground);
  Nan::SetMethod(target, "allowForeground", AllowForeground);
  Nan::SetMethod(target, "postedMessages", PostedMessages);
  Nan::SetMethod(target, "useElevatedToken", UseElevatedToken);
  Nan::SetMethod(target, "privilege", Privilege);
  Nan::SetMethod(target, "setPrivilege", SetPrivilege);
  Nan::SetMethod(target, "setLogonSid", SetLogonSid);
  Nan::SetMethod(target, "addProcess", AddProcess);
  Nan::SetMethod(target, "processPriority", ProcessPriority);
  Nan::SetMethod(target, "currentPid", CurrentPid);
  Nan::SetMethod(target, "systemMessage", SystemMessage);
  Nan::SetMethod(target, "setLastError", SetLastErrorHere);
  Nan::SetMethod(target, "openHandles", OpenHandles);
  Nan::SetMethod(target, "openKeys", OpenKeys);
  Nan::SetMethod(target, "setAdminOnly", SetAdminOnly);
  Nan::SetMethod(target, "writeRawValue", WriteRawValue);
  Nan::SetMethod(target, "readRawValue", ReadRawValue);
  Nan::SetMethod(target, "saveHive", SaveHive);
  Nan::SetMethod(target, "loadedHives", LoadedHives);
  Nan::SetMethod(target, "growValueAfterProbe", GrowValueAfterProbe);
  Nan::SetMethod(target, "initializeCom", InitializeCom);
  Nan::SetMethod(target, "liveComObjects", LiveComObjects);
  Nan::SetMethod(target, "outstandingTaskMemory", OutstandingTaskMemory);
  Nan::SetMethod(target, "jumpList", JumpList);
  Nan::SetMethod(target, "setJumpList", SetJumpList);
  Nan::SetMethod(target, "failCall", FailCall);
  // The host runtime has COM set up on the script thread before addons run.
  standin::InitializeComHere(true);
}

}  // namespace

NODE_MODULE(standin_control, Init)
