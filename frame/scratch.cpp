#include "scratch.h"

#include <cstdlib>

// The stand-alone host layer offers these to observe and fail scratch
// allocations in tests. A real host process does not define them: the weak
// references are then null and the heap is used directly.
extern "C" int32_t OrinHostScratchAcquire(size_t bytes) __attribute__((weak));
extern "C" void OrinHostScratchRelease(void) __attribute__((weak));

namespace orin {

void *heapAllocate(size_t bytes) {
    if (OrinHostScratchAcquire && OrinHostScratchAcquire(bytes) != 0) return nullptr;
    void *p = std::malloc(bytes);
    if (!p && OrinHostScratchRelease) OrinHostScratchRelease();
    return p;
}

void heapRelease(void *p) {
    if (!p) return;
    std::free(p);
    if (OrinHostScratchRelease) OrinHostScratchRelease();
}

}  // namespace orin
