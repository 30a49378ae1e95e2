#include "napi_utils.h"

namespace napi_utils {

Napi::Object InitModule(Napi::Env env, Napi::Object exports) {
  SetModule(kBuild.moduleName);
  if (!kBuild.debugAtLoad) {
    ReadDebugSwitch(kBuild.moduleName);
  }
  Trace("\n[NAPI-UTILS] Version %d\n", kBuild.version);
  Trace("[NAPI-UTILS] Initializing module: \"%s\"\n", kBuild.moduleName);
  Trace("[NAPI-UTILS] Exporting function: \"%s\"\n", kMethod.name);
  Napi::String key = Napi::String::New(env, kMethod.name);
  Napi::Function function = Napi::Function::New(env, kMethod.callback, kMethod.name);
  exports.Set(key, function);
  Trace("[NAPI-UTILS] Done\n\n");
  return exports;
}

void BeginMethod(const Napi::CallbackInfo& info, const char* methodName) {
  SetMethodContext(methodName);
  const char* context = State().ContextLabel;
  Trace("\n[NAPI-UTILS] [%s] Calling method: \"%s\"\n", context, methodName);
  if (!State().Verbose) {
    return;
  }
  const std::size_t count = info.Length();
  if (count == 0) {
    Trace("[NAPI-UTILS] [%s] With no argument\n", context);
    return;
  }
  Trace("[NAPI-UTILS] [%s] With %lld argument(s)\n", context, static_cast<long long>(count));
  for (std::size_t i = 0; i < count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "#%lld", static_cast<long long>(i));
    DumpValue(name, info[i]);
  }
}

std::int64_t GetInt64Argument(const Napi::CallbackInfo& info, std::size_t index) {
  const char* context = State().ContextLabel;
  Trace("[NAPI-UTILS] [%s] Retrieving argument #%u (%s expected)\n", context, static_cast<unsigned>(index), "number");
  Napi::Value value = info[index];
  if (value.IsEmpty() || !value.IsNumber()) {
    DumpValue("Value to convert", value);
    ReportError("Not a number (use 0 instead)");
    return 0;
  }
  const std::int64_t number = value.As<Napi::Number>().Int64Value();
  Trace("[NAPI-UTILS] [%s] Got Number => %lld\n", context, static_cast<long long>(number));
  return number;
}

void EndMethod(const std::string& result) {
  Trace("[NAPI-UTILS] [%s] returns string: \"%s\"\n\n", State().ContextLabel, result.c_str());
}

void EndMethod(bool result) {
  Trace("[NAPI-UTILS] [%s] returns boolean: %s\n\n", State().ContextLabel, result ? "true" : "false");
}

Napi::Value ToScript(Napi::Env env, const std::string& result) {
  return Napi::String::New(env, result.data(), result.size());
}

Napi::Value ToScript(Napi::Env env, bool result) { return Napi::Boolean::New(env, result); }

void ReportException(const char* description) {
  const char* context = State().ContextLabel;
  Print("[NAPI-UTILS] Got Exception in %s: %s\n", context, description);
  Trace("[NAPI-UTILS] [%s] returns null (exception)\n\n", context);
}

}  // namespace napi_utils
