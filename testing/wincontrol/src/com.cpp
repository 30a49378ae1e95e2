// COM on the script thread, as the desktop runtime sets it up before addons
// run; initializeCom(false) takes back only what this module did.
#include <objbase.h>

#include "control.h"

namespace wincontrol {
namespace {

bool initializedHere = false;

void InitializeHere(bool initialized) {
  if (initialized && !initializedHere) {
    initializedHere = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  } else if (!initialized && initializedHere) {
    CoUninitialize();
    initializedHere = false;
  }
}

Napi::Value InitializeCom(const Napi::CallbackInfo& info) {
  InitializeHere(info[0].ToBoolean().Value());
  return info.Env().Undefined();
}

}  // namespace

void RegisterCom(Napi::Env env, Napi::Object exports) {
  exports.Set("initializeCom", Napi::Function::New(env, InitializeCom, "initializeCom"));
  InitializeHere(true);
}

void ResetCom() { InitializeHere(true); }

}  // namespace wincontrol
