#include "object_counts.h"

#include <atomic>

namespace test_server {
namespace {

std::atomic<long> live_objects{0};
std::atomic<long> reference_total{0};

}  // namespace

void CountObjectCreated() {
  ++live_objects;
  ++reference_total;
}

void CountObjectDestroyed() { --live_objects; }
void CountReferenceAdded() { ++reference_total; }
void CountReferenceReleased() { --reference_total; }

long LiveObjects() { return live_objects.load(); }
long ReferenceTotal() { return reference_total.load(); }

}  // namespace test_server
