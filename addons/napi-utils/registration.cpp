// Registers the addon with the runtime while the library loads. The exported
// `_register_addon_` is the static-initialiser entry itself: a pointer to the
// registration function in the C runtime's initialiser table (.CRT$XCU), the
// layout Node-API's own registration macro uses on Windows for the module name
// "addon". It is the library's only export.

#include "napi_utils.h"

namespace {

napi_value RegisterAddon(napi_env env, napi_value exports) {
  return Napi::RegisterModule(env, exports, napi_utils::InitModule);
}

napi_module addonModule = {
    1,              // nm_version
    0,              // nm_flags
    __FILE__,       // nm_filename
    RegisterAddon,  // nm_register_func
    "addon",        // nm_modname
    nullptr,        // nm_priv
    {nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

extern "C" {

static void __cdecl _register_addon(void) {
  if (napi_utils::kBuild.debugAtLoad) {
    napi_utils::ReadDebugSwitch(napi_utils::kBuild.moduleName);
  }
  napi_module_register(&addonModule);
}

#if defined(_MSC_VER)
#pragma section(".CRT$XCU", read)
__declspec(dllexport, allocate(".CRT$XCU")) void(__cdecl* _register_addon_)(void) = _register_addon;
#else
__declspec(dllexport)
    __attribute__((section(".CRT$XCU"), used)) void(__cdecl* _register_addon_)(void) = _register_addon;
#endif

}  // extern "C"
