// The test build whose class list registers one id twice (a second RMS class
// after the first two registrations).
#include "measurement/amplitude.h"
#include "measurement/probe.h"

namespace orin::meas::probe {
void registryConstructing() {}
tCreateFunction duplicateClass() { return &tRms::staticCreate; }
void computed(int32_t) {}
void scanned(int32_t, int64_t) {}
}  // namespace orin::meas::probe
