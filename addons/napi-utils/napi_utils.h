#pragma once

// The Node-API side of the NAPI-UTILS layer: module initialisation, the method
// frame, value dumps and argument retrieval.

#include "napi_utils_state.h"

#include <napi.h>

#include <cstdint>
#include <exception>
#include <string>

namespace napi_utils {

// The one function an addon exports. Each addon defines kMethod.
struct MethodExport {
  const char* name;
  Napi::Value (*callback)(const Napi::CallbackInfo&);
};
extern const MethodExport kMethod;

Napi::Object InitModule(Napi::Env env, Napi::Object exports);

// Sets the context label and traces the call and its arguments.
void BeginMethod(const Napi::CallbackInfo& info, const char* methodName);
// Prints one line describing the value (always printed); never throws.
void DumpValue(const char* name, Napi::Value value);
// Argument `index` as a signed 64-bit integer; 0 and a recorded error when it
// is missing or not a number.
std::int64_t GetInt64Argument(const Napi::CallbackInfo& info, std::size_t index);

void EndMethod(const std::string& result);
void EndMethod(bool result);

Napi::Value ToScript(Napi::Env env, const std::string& result);
Napi::Value ToScript(Napi::Env env, bool result);

void ReportException(const char* description);

// Runs one method call: `work` returns the method's result (text or boolean).
// Every exception, from the argument dump on, ends as a trace line and null.
template <typename Work>
Napi::Value RunMethod(const Napi::CallbackInfo& info, const char* methodName, Work work) {
  Napi::Env env = info.Env();
  try {
    BeginMethod(info, methodName);
    State().ErrorPending = false;
    auto result = work();
    EndMethod(result);
    return ToScript(env, result);
  } catch (const std::exception& error) {
    ReportException(error.what());
  } catch (...) {
    ReportException("...");
  }
  return env.Null();
}

}  // namespace napi_utils
