// quiet-mode: exports GetQuietMode(), whether the user is in a quiet state.

#include "napi_utils.h"
#include "quiet_sources.h"

namespace {

Napi::Value GetQuietMode(const Napi::CallbackInfo& info) {
  return napi_utils::RunMethod(info, "GetQuietMode", [] { return GetQuietState(); });
}

}  // namespace

const napi_utils::MethodExport napi_utils::kMethod{"GetQuietMode", GetQuietMode};
