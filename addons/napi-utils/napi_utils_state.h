#pragma once

// Module-wide state of the NAPI-UTILS layer and the parts of the layer that do
// not talk to Node-API: the trace switch, trace output and error texts.
//
// The layer is compiled into each addon with that addon's settings, given as
// compile definitions:
//   NAPI_UTILS_MODULE_NAME        the addon's module name, e.g. "window-lift"
//   NAPI_UTILS_VERSION            the layer version printed in the init trace
//   NAPI_UTILS_DEBUG_AT_LOAD      1: DEBUG is read once while the library loads
//                                 0: DEBUG is read by each module initialisation
//   NAPI_UTILS_MODULE_NAME_TRACES 1: DEBUG equal to the module name turns tracing on
//   NAPI_UTILS_SHORT_TYPE         1: dump lines show the type as "(%d)", not "(type %d)"

#include <cstddef>
#include <string>

#ifndef NAPI_UTILS_MODULE_NAME
#error "NAPI_UTILS_MODULE_NAME must name the addon"
#endif

// Print and Trace format with the C runtime's printf (see Print); GCC for
// MinGW checks their formats against that printf, not its own. Clang knows
// one printf format.
#if defined(__MINGW32__) && !defined(__clang__)
#define NAPI_UTILS_CRT_PRINTF(format_index, first_arg) __attribute__((format(ms_printf, format_index, first_arg)))
#define NAPI_UTILS_PRINTF(format_index, first_arg) __attribute__((format(gnu_printf, format_index, first_arg)))
#elif defined(__clang__)
#define NAPI_UTILS_CRT_PRINTF(format_index, first_arg) __attribute__((format(printf, format_index, first_arg)))
#define NAPI_UTILS_PRINTF(format_index, first_arg) __attribute__((format(printf, format_index, first_arg)))
#elif defined(__GNUC__)
#define NAPI_UTILS_CRT_PRINTF(format_index, first_arg) __attribute__((format(printf, format_index, first_arg)))
#define NAPI_UTILS_PRINTF(format_index, first_arg) __attribute__((format(gnu_printf, format_index, first_arg)))
#else
#define NAPI_UTILS_CRT_PRINTF(format_index, first_arg)
#define NAPI_UTILS_PRINTF(format_index, first_arg)
#endif

namespace napi_utils {

struct BuildOptions {
  const char* moduleName;
  int version;
  bool debugAtLoad;
  bool moduleNameTraces;
  bool shortType;
};

inline constexpr BuildOptions kBuild{
    NAPI_UTILS_MODULE_NAME,     NAPI_UTILS_VERSION, NAPI_UTILS_DEBUG_AT_LOAD != 0, NAPI_UTILS_MODULE_NAME_TRACES != 0,
    NAPI_UTILS_SHORT_TYPE != 0,
};

inline constexpr std::size_t kContextLabelSize = 1024;
inline constexpr std::size_t kErrorTextSize = 1024;
inline constexpr std::size_t kDebugValueSize = 260;

struct NapiUtilsState {
  const char* ModuleName = nullptr;
  char ContextLabel[kContextLabelSize] = {};
  bool Verbose = false;
  bool ErrorPending = false;
  std::string LastError;
};

NapiUtilsState& State();

// printf to standard output, flushed at once so that the lines keep their
// place among the runtime's own output. It is the C runtime's own printf, as
// in a build with Microsoft's compiler: %p prints 16 upper-case hexadecimal
// digits. (MinGW's libstdc++ switches plain printf to MinGW's replacement,
// which prints %p in lower case.) Use %lld rather than %zd for sizes: the
// system's older C runtime does not know the z modifier.
void Print(const char* format, ...) NAPI_UTILS_CRT_PRINTF(1, 2);
// Print, only while tracing is on.
void Trace(const char* format, ...) NAPI_UTILS_CRT_PRINTF(1, 2);

// Whether a DEBUG value turns tracing on for the module named.
bool DebugValueTurnsOn(const char* value, const char* moduleName, bool moduleNameTraces);
// Reads DEBUG and sets Verbose.
void ReadDebugSwitch(const char* moduleName);

// Sets the module name and the context label to it.
void SetModule(const char* moduleName);
// Rewrites the context label as "<module>/<method>".
void SetMethodContext(const char* methodName);

// Prints and records "[NAPI-UTILS] [<context>] ERROR: <message>"; sets ErrorPending.
void ReportError(const char* message);
// "ERROR " followed by the formatted text, printed and returned.
std::string ErrorResult(const char* format, ...) NAPI_UTILS_PRINTF(1, 2);

}  // namespace napi_utils
