// The cross power spectrum's CIN entry point.
#include "detail.h"

using namespace orin;

int32_t CrossPowerCIN(DoubleArrayHdl x, DoubleArrayHdl y, int32_t *error) {
    *error = kErrNone;
    const int32_t nx = DoubleArrayView(x).size(), ny = DoubleArrayView(y).size();
    constexpr int32_t kLimit = 8388607;
    if (nx < 2 || ny < 2) *error = kErrTooFewSamples;
    else if (nx > kLimit || ny > kLimit) *error = kErrTooManySamples;
    int32_t status = kErrNone;
    if (!*error) {
        Cross_Power(x, y, &status);
        if (status) *error = kErrOutOfMemory;
    }
    if (*error) failOutputs({x, y});
    return status;
}
