// COM on the script thread, as the desktop runtime sets it up before addons
// run: a single-threaded apartment (joined when this module loads) whose
// thread pumps its messages, as a UI thread does; initializeCom(false) takes
// back only what this module did.
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

// pumpMessages(): dispatches what is queued for the thread (COM's calls
// into a single-threaded apartment arrive this way); the number dispatched.
Napi::Value PumpMessages(const Napi::CallbackInfo& info) {
  MSG message;
  uint32_t dispatched = 0;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
    ++dispatched;
  }
  return Napi::Number::New(info.Env(), dispatched);
}

// apartment(): the calling thread's apartment, "STA", "MTA", or "none".
Napi::Value Apartment(const Napi::CallbackInfo& info) {
  APTTYPE type;
  APTTYPEQUALIFIER qualifier;
  const char* name = "none";
  if (SUCCEEDED(CoGetApartmentType(&type, &qualifier))) {
    if (type == APTTYPE_STA || type == APTTYPE_MAINSTA) name = "STA";
    if (type == APTTYPE_MTA) name = "MTA";
  }
  return Napi::String::New(info.Env(), name);
}

}  // namespace

void RegisterCom(Napi::Env env, Napi::Object exports) {
  exports.Set("initializeCom", Napi::Function::New(env, InitializeCom, "initializeCom"));
  exports.Set("pumpMessages", Napi::Function::New(env, PumpMessages, "pumpMessages"));
  exports.Set("apartment", Napi::Function::New(env, Apartment, "apartment"));
  InitializeHere(true);
}

void ResetCom() { InitializeHere(true); }

}  // namespace wincontrol
