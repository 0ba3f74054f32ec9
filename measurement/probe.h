// Observation points for the engine's test build.
//
// The library itself compiles these to nothing. The test suite builds the
// engine a second time with ORIN_MEASUREMENT_PROBE defined and links it with
// definitions that count computations (to show what the caches spare) or
// simulate failures that cannot be provoked from outside (a registry whose
// construction throws, a class list with a duplicate id).
#ifndef ORIN_MEASUREMENT_PROBE_H
#define ORIN_MEASUREMENT_PROBE_H

#include <cstdint>

#include "engine.h"

namespace orin::meas::probe {

#ifdef ORIN_MEASUREMENT_PROBE
// Called in the registry's constructor; may throw.
void registryConstructing();
// A class to register once more after the first two of the id table; null
// for none.
tCreateFunction duplicateClass();
// A measurement's computation ran (the _algorithm, the histogram, a list scan).
void computed(int32_t id);
// A list scan read this many samples.
void scanned(int32_t id, int64_t samples);
#else
inline void registryConstructing() {}
inline tCreateFunction duplicateClass() { return nullptr; }
inline void computed(int32_t) {}
inline void scanned(int32_t, int64_t) {}
#endif

}  // namespace orin::meas::probe

#endif  // ORIN_MEASUREMENT_PROBE_H
