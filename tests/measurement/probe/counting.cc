// The counting test build of the engine: how often each measurement was
// computed and how many samples each list scan read; on request, a
// computation that throws.
#include <atomic>
#include <stdexcept>

#include "measurement/probe.h"

namespace {
constexpr int kIds = 64;
std::atomic<int64_t> gComputed[kIds];
std::atomic<int64_t> gScanned[kIds];
std::atomic<int32_t> gThrowOn{-1};
}  // namespace

namespace orin::meas::probe {
void registryConstructing() {}
tCreateFunction duplicateClass() { return nullptr; }
void computed(int32_t id) {
    if (id == gThrowOn.load()) throw std::runtime_error("a computation throws in this test build");
    if (id >= 0 && id < kIds) ++gComputed[id];
}
void scanned(int32_t id, int64_t samples) {
    if (id >= 0 && id < kIds) gScanned[id] += samples;
}
}  // namespace orin::meas::probe

extern "C" __attribute__((visibility("default"))) int64_t probeComputed(int32_t id) {
    return id >= 0 && id < kIds ? gComputed[id].load() : -1;
}
extern "C" __attribute__((visibility("default"))) int64_t probeScanned(int32_t id) {
    return id >= 0 && id < kIds ? gScanned[id].load() : -1;
}
extern "C" __attribute__((visibility("default"))) void probeReset() {
    for (int i = 0; i < kIds; ++i) gComputed[i] = 0, gScanned[i] = 0;
}
// From now on, computing measurement id throws (-1: none does).
extern "C" __attribute__((visibility("default"))) void probeThrowOn(int32_t id) { gThrowOn = id; }
