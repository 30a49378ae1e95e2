// Benchmark: the Win32 calls of one GetQuietMode, made from C++ without
// Node-API. Prints the median time per call in microseconds.
//   quiet-mode-bench <calls>
#include "quiet_sources.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv)
{
    const int calls = argc > 1 ? std::atoi(argv[1]) : 10000;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> micros;
    micros.reserve(calls);
    volatile bool sink = false;
    for (int i = 0; i < calls; ++i) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        sink = GetQuietState();
        QueryPerformanceCounter(&end);
        micros.push_back(1e6 * static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart);
    }
    (void)sink;
    std::nth_element(micros.begin(), micros.begin() + calls / 2, micros.end());
    std::printf("%.2f\n", micros[calls / 2]);
    return 0;
}
