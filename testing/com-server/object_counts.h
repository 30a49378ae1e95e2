// Process-wide counts the probe reads; nothing else reads them:
//   - over the counted objects (every object the server's classes make,
//     collections and enumerators included, but not the probe): how many are
//     alive and the sum of their reference counts;
//   - over the connection points: the sinks advised right now, and the
//     notifications made since the last Reset (one per sink per event).
#pragma once

namespace test_server {

// A new object, born with one reference.
void CountObjectCreated();
void CountObjectDestroyed();
void CountReferenceAdded();
void CountReferenceReleased();

long LiveObjects();
long ReferenceTotal();

void CountSinkAdvised();
void CountSinkUnadvised();
long AdvisedSinks();

void CountNotification();
long Notifications();
void ResetNotifications();

}  // namespace test_server
