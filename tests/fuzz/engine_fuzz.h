// The stateful fuzz target of the measurement engine: bytes decoded into a
// program of session operations (create, fetch, clear, destroy, with stale
// and invented ids, special values, injected allocation failures), run
// against the engine's exported interface while a model of the sessions
// checks the documented codes and the caches.
#ifndef ORIN_TESTS_FUZZ_ENGINE_FUZZ_H
#define ORIN_TESTS_FUZZ_ENGINE_FUZZ_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace enginefuzz {

enum Operation : int {
    kCreate,
    kDestroy,
    kClear,
    kFetch,
    kNewWaveform,
    kPoke,
    kFailNextAllocation,
    kManySessions,
    kDestroyAll,
    kRepeatFetch,
    kOperationKinds
};

struct Report {
    // The first invariant that did not hold, with what led to it; empty when
    // every one held.
    std::string failure;
    // Operations run, by kind, and what the checks saw.
    int64_t operations[kOperationKinds] = {};
    int64_t fetchesSucceeded = 0;
    int64_t fetchesCompared = 0;   // checked against a fresh one-shot session
    int64_t staleIdsUsed = 0;      // clear, destroy or fetch of a destroyed id
    int64_t failuresInjected = 0;  // calls in which an allocation was refused
};

// Runs the program the bytes decode to. Every session it creates is
// destroyed before it returns, and the host's live blocks and mutexes are
// checked to be back where they started.
Report run(const uint8_t *data, size_t size);

}  // namespace enginefuzz

// libFuzzer's entry (through the generated wrapper): runs the program and
// aborts with the failure's description when an invariant broke.
int orinFuzzEngine(const uint8_t *data, size_t size);

#endif  // ORIN_TESTS_FUZZ_ENGINE_FUZZ_H
