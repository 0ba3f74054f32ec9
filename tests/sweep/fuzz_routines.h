// Entry of the routine fuzz target (gtest-free; a libFuzzer build wraps it).
#ifndef ORIN_TESTS_SWEEP_FUZZ_ROUTINES_H
#define ORIN_TESTS_SWEEP_FUZZ_ROUTINES_H

#include <cstddef>
#include <cstdint>

namespace sweep {
// Largest single allocation the fuzzed host grants: two million doubles,
// which keeps an instrumented call near a second. The stated maximum lengths
// have a test of their own (StatedMaxima).
constexpr size_t kFuzzByteLimit = size_t{16} << 20;
}  // namespace sweep

int orinFuzzRoutines(const uint8_t *data, size_t size);

#endif  // ORIN_TESTS_SWEEP_FUZZ_ROUTINES_H
