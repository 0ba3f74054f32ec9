// The test build whose session registry fails to construct.
#include <stdexcept>

#include "measurement/probe.h"

namespace orin::meas::probe {
void registryConstructing() { throw std::runtime_error("registry construction fails in this test build"); }
tCreateFunction duplicateClass() { return nullptr; }
void computed(int32_t) {}
void scanned(int32_t, int64_t) {}
}  // namespace orin::meas::probe
