#include "napi_utils_state.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace napi_utils {

NapiUtilsState& State() {
  static NapiUtilsState state;
  return state;
}

namespace {

int RuntimeVprintf(const char* format, va_list args) {
#if defined(__MINGW32__)
  return __ms_vprintf(format, args);
#else
  return std::vprintf(format, args);
#endif
}

void PrintVa(const char* format, va_list args) {
  RuntimeVprintf(format, args);
  std::fflush(stdout);
}

}  // namespace

void Print(const char* format, ...) {
  va_list args;
  va_start(args, format);
  PrintVa(format, args);
  va_end(args);
}

void Trace(const char* format, ...) {
  if (!State().Verbose) {
    return;
  }
  va_list args;
  va_start(args, format);
  PrintVa(format, args);
  va_end(args);
}

bool DebugValueTurnsOn(const char* value, const char* moduleName, bool moduleNameTraces) {
  if (std::strcmp(value, "napi") == 0) {
    return true;
  }
  return moduleNameTraces && std::strcmp(value, moduleName) == 0;
}

void ReadDebugSwitch(const char* moduleName) {
  char value[kDebugValueSize];
  DWORD length = GetEnvironmentVariableA("DEBUG", value, sizeof value);
  if (length == 0) {
    State().Verbose = false;
    return;
  }
  if (length >= sizeof value) {
    // The buffer holds nothing usable: length is the size the value needs.
    Print("[NAPI-UTILS] DEBUG is too long to read (%lu characters), tracing stays off\n",
          static_cast<unsigned long>(length - 1));
    State().Verbose = false;
    return;
  }
  Print("[NAPI-UTILS] DEBUG=%s\n", value);
  State().Verbose = DebugValueTurnsOn(value, moduleName, kBuild.moduleNameTraces);
}

void SetModule(const char* moduleName) {
  NapiUtilsState& state = State();
  state.ModuleName = moduleName;
  std::snprintf(state.ContextLabel, sizeof state.ContextLabel, "%s", moduleName);
}

void SetMethodContext(const char* methodName) {
  NapiUtilsState& state = State();
  std::snprintf(state.ContextLabel, sizeof state.ContextLabel, "%s/%s", state.ModuleName, methodName);
}

void ReportError(const char* message) {
  NapiUtilsState& state = State();
  char text[kErrorTextSize];
  std::snprintf(text, sizeof text, "[NAPI-UTILS] [%s] ERROR: %s", state.ContextLabel, message);
  Print("%s\n", text);
  state.LastError = text;
  state.ErrorPending = true;
}

std::string ErrorResult(const char* format, ...) {
  char text[kErrorTextSize] = "ERROR ";
  const std::size_t prefix = std::strlen(text);
  va_list args;
  va_start(args, format);
  std::vsnprintf(text + prefix, sizeof text - prefix, format, args);
  va_end(args);
  Print("%s\n", text);
  return text;
}

}  // namespace napi_utils
