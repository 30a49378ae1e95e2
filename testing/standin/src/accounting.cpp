#include "accounting.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <unordered_set>

namespace standin {
namespace {

std::mutex accounting_lock;

std::unordered_set<const void*>& LiveSet(Allocation kind) {
  static std::unordered_set<const void*>* sets[] = {new std::unordered_set<const void*>,
                                                    new std::unordered_set<const void*>};
  return *sets[static_cast<int>(kind)];
}

}  // namespace

void TrackAllocation(Allocation kind, const void* block) {
  std::lock_guard<std::mutex> hold(accounting_lock);
  LiveSet(kind).insert(block);
}

void UntrackAllocation(Allocation kind, const void* block, const char* call) {
  std::lock_guard<std::mutex> hold(accounting_lock);
  if (LiveSet(kind).erase(block) == 0) {
    std::fprintf(stderr, "winstandin: %s(%p): not a live %s (freed twice, or never allocated)\n", call, block,
                 kind == Allocation::kBstr ? "BSTR" : "SAFEARRAY");
    std::abort();
  }
}

bool IsLiveAllocation(Allocation kind, const void* block) {
  std::lock_guard<std::mutex> hold(accounting_lock);
  return LiveSet(kind).count(block) != 0;
}

size_t LiveAllocations(Allocation kind) {
  std::lock_guard<std::mutex> hold(accounting_lock);
  return LiveSet(kind).size();
}

}  // namespace standin
