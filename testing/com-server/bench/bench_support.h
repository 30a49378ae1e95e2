// What the test server's benchmarks share: a clock, the median of timed
// batches, and an integer argument.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <algorithm>
#include <vector>

namespace test_server_bench {

// Seconds on the performance counter.
inline double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Median microseconds per call of `call`, timed in batches of 100 calls.
template <typename Call>
double MedianMicros(int calls, Call call) {
  constexpr int kBatch = 100;
  std::vector<double> batches;
  for (int done = 0; done < calls; done += kBatch) {
    const double start = Now();
    for (int i = 0; i < kBatch; ++i) call();
    batches.push_back((Now() - start) * 1e6 / kBatch);
  }
  std::nth_element(batches.begin(), batches.begin() + batches.size() / 2, batches.end());
  return batches[batches.size() / 2];
}

inline VARIANT I4(LONG value) {
  VARIANT v;
  v.vt = VT_I4;
  v.lVal = value;
  return v;
}

}  // namespace test_server_bench
