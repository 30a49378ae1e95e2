#include "object_counts.h"

#include <atomic>

namespace test_server {
namespace {

std::atomic<long> live_objects{0};
std::atomic<long> reference_total{0};
std::atomic<long> advised_sinks{0};
std::atomic<long> notifications{0};

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

void CountSinkAdvised() { ++advised_sinks; }
void CountSinkUnadvised() { --advised_sinks; }
long AdvisedSinks() { return advised_sinks.load(); }

void CountNotification() { ++notifications; }
long Notifications() { return notifications.load(); }
void ResetNotifications() { notifications = 0; }

}  // namespace test_server
