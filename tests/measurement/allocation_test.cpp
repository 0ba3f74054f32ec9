// Every allocation of the engine made to fail in turn: the call reports
// -20311, nothing leaks once the session is destroyed, and the session stays
// usable.
#include <orin/measurement.h>

#include "support/prelude.h"

#include "engine_support.h"

namespace {
const std::vector<double> &train() {
    static const std::vector<double> x = trapezoid(3);
    return x;
}
}  // namespace

// A session (object and registry node) then a rise time: eight objects, each
// with its bundle node (ids 20, 9, 11, 52, and 2, 1, 0, 50 for the percent
// references), and the edge list's array: 2 + 16 + 1.
ORIN_ALLOCATION_CASE(EngineCreateAndFetchRiseTime, 19) {
    int32_t id = 0;
    const int32_t created = inj.call([&] { return measurements_create(&id); });
    if (created != 0) {
        EXPECT_TRUE(inj.failing());
        EXPECT_EQ(created, kErrEngineOutOfMemory);
        return;
    }
    const auto r = inj.call([&] { return fetch(id, kMeasRiseTime, train()); });
    EXPECT_TRUE(r.code == 0 || (inj.failing() && r.code == kErrEngineOutOfMemory)) << r.code;
    // Nothing half-made is kept: after a failure the same request succeeds.
    const auto again = r.code ? fetch(id, kMeasRiseTime, train()) : r;
    EXPECT_TRUE(again.code == 0 && again.value == 8.0) << again.code;
    EXPECT_EQ(measurements_destroy(id), 0);
}
