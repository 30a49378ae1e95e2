// The second translation unit's initialiser, linked after the first's.
#include "probe_record.h"

namespace {

probe::Witness second_a("second.a");

}  // namespace
