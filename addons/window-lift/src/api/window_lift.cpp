// window-lift: exports WindowLift(handle), which forces a window to the foreground.

#include "bring_to_foreground.h"
#include "napi_utils.h"

#include <cstdint>
#include <string>

namespace {

Napi::Value WindowLift(const Napi::CallbackInfo& info) {
  return napi_utils::RunMethod(info, "WindowLift", [&info]() -> std::string {
    const std::int64_t handle = napi_utils::GetInt64Argument(info, 0);
    if (napi_utils::State().ErrorPending) {
      return napi_utils::State().LastError;
    }
    return BringWindowToForeground(reinterpret_cast<HWND>(static_cast<std::intptr_t>(handle)));
  });
}

}  // namespace

const napi_utils::MethodExport napi_utils::kMethod{"WindowLift", WindowLift};
