// Benchmark addon (build tree only; scripts/bench-quiet-mode.sh loads it
// beside quiet-mode.node in one node.exe). It exports one method through the
// same NAPI-UTILS frame as GetQuietMode:
//   QuietModeBench(calls)  makes `calls` calls of the whole decision and of
//                          each source in C++, and returns the microseconds
//                          per call: "<decision> <hours> <profile> <shell> <toasts>"
//   QuietModeBench(0)      does no work: the cost of one call through the frame
#include "napi_utils.h"
#include "quiet_sources.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

// Microseconds per call of `work`, over `calls` calls back to back.
template <typename Work>
double MicrosPerCall(std::int64_t calls, Work work) {
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  volatile std::int64_t sink = 0;
  QueryPerformanceCounter(&start);
  for (std::int64_t i = 0; i < calls; ++i) {
    sink = sink + static_cast<std::int64_t>(work());
  }
  QueryPerformanceCounter(&end);
  return 1e6 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart) /
         static_cast<double>(calls);
}

std::string TimeSources(std::int64_t calls) {
  char text[160];
  std::snprintf(text, sizeof text, "%.3f %.3f %.3f %.3f %.3f", MicrosPerCall(calls, GetQuietState),
                MicrosPerCall(calls, QuietHoursActive), MicrosPerCall(calls, ReadQuietProfile),
                MicrosPerCall(calls, ReadNotificationState), MicrosPerCall(calls, ToastsEnabled));
  return text;
}

Napi::Value QuietModeBench(const Napi::CallbackInfo& info) {
  return napi_utils::RunMethod(info, "QuietModeBench", [&info]() -> std::string {
    const std::int64_t calls = napi_utils::GetInt64Argument(info, 0);
    return calls > 0 ? TimeSources(calls) : std::string();
  });
}

}  // namespace

const napi_utils::MethodExport napi_utils::kMethod{"QuietModeBench", QuietModeBench};
