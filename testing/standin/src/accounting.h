// What the automation part of the stand-in has handed out and not yet had
// back: live BSTRs and SAFEARRAYs, each with its own set under one lock
// (servers call in from their own threads). Freeing what is not live is a
// fault in the caller (a double free, a stray pointer): it ends the process
// with a message naming the call, where Windows would corrupt its heap.
#pragma once

#include <cstddef>

namespace standin {

enum class Allocation { kBstr, kSafeArray };

void TrackAllocation(Allocation kind, const void* block);
// Ends the process when the block is not live.
void UntrackAllocation(Allocation kind, const void* block, const char* call);
bool IsLiveAllocation(Allocation kind, const void* block);
size_t LiveAllocations(Allocation kind);

}  // namespace standin
