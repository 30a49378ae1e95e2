// Process-wide counts over the TestServer objects: how many are alive and the
// sum of their reference counts. The probe reads them; nothing else does.
#pragma once

namespace test_server {

// A new object, born with one reference.
void CountObjectCreated();
void CountObjectDestroyed();
void CountReferenceAdded();
void CountReferenceReleased();

long LiveObjects();
long ReferenceTotal();

}  // namespace test_server
