#include <orin/frame.h>

#include <bit>
#include <cstdint>

#include "lifecycle.h"

const double iDNaN = std::bit_cast<double>(uint64_t{0xFFFFFFFF7FFFFFFFull});

MutexRef AnlysRandGenMutex = 0;

const char notice[] =
    "orinanalysis 0.1: numerical analysis for measurement and signal processing. "
    "Copyright (c) 2026 the orinanalysis developers.";

int32_t OrinAnalysisStart(void) { return ThMutexCreate(&AnlysRandGenMutex, 0); }

int32_t OrinAnalysisFinish(void) {
    const MgErr status = ThMutexDestroy(AnlysRandGenMutex);
    AnlysRandGenMutex = 0;
    return status;
}

namespace {

// Runs the lifecycle functions at load and unload. Its priority places it
// after the engine's registry and function map at load, so it is destroyed
// before them at unload.
struct LifecycleGuard {
    LifecycleGuard() { OrinAnalysisStart(); }
    ~LifecycleGuard() { OrinAnalysisFinish(); }
};

LifecycleGuard gLifecycle __attribute__((init_priority(ORIN_INIT_PRIORITY_LIFECYCLE)));

}  // namespace
