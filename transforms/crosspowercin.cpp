// The cross power spectrum's CIN entry point.
#include "detail.h"

using namespace orin;

int32_t CrossPowerCIN(DoubleArrayHdl x, DoubleArrayHdl y, int32_t *error) {
    return runEntry(error, {x, y}, [&]() -> Outcome {
        const int32_t nx = DoubleArrayView(x).size(), ny = DoubleArrayView(y).size();
        constexpr int32_t kLimit = 8388607;
        if (nx < 2 || ny < 2) return kErrTooFewSamples;
        if (nx > kLimit || ny > kLimit) return kErrTooManySamples;
        int32_t status = kErrNone;
        Cross_Power(x, y, &status);
        return status ? Outcome::refused(HostStatus(status)) : Outcome();
    });
}
