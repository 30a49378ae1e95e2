// Node module through which the COM bridge's tests register automation
// servers with the Windows stand-in and read what its automation calls
// handed out (same process, same state as the addon).
#include <nan.h>
#include <standin/control.h>

namespace {

NAN_METHOD(RegisterServer) {
  Nan::Utf8String path(info[0]);
  HRESULT hr = standin::RegisterServer(standin::WideFromUtf8(std::string(*path ? *path : "", path.length())));
  info.GetReturnValue().Set(static_cast<int32_t>(hr));
}

void Put(v8::Local<v8::Object> target, const char* name, size_t value) {
  Nan::Set(target, Nan::New(name).ToLocalChecked(), Nan::New(static_cast<double>(value)));
}

NAN_METHOD(Counts) {
  standin::AutomationCounts counts = standin::Automation();
  v8::Local<v8::Object> out = Nan::New<v8::Object>();
  Put(out, "bstrs", counts.bstrs);
  Put(out, "safeArrays", counts.safeArrays);
  Put(out, "runningObjects", counts.runningObjects);
  Put(out, "objectResults", counts.objectResults);
  Put(out, "waitableHandles", counts.waitableHandles);
  info.GetReturnValue().Set(out);
}

NAN_MODULE_INIT(Init) {
  Nan::SetMethod(target, "registerServer", RegisterServer);
  Nan::SetMethod(target, "counts", Counts);
}

}  // namespace

NODE_MODULE(standin_automation, Init)
