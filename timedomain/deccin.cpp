#include <orin/timedomain.h>

#include "../frame/kit.h"

int32_t DecimateCIN(DoubleArrayHdl xHandle, const int32_t *factor, const uint8_t *average, int32_t *error) {
    orin::DoubleArrayView x(xHandle);
    return orin::runEntry(error, {x}, [&]() -> orin::Outcome {
        const int32_t n = x.size();
        if (n < 1) return kErrEmptyArray;
        ORIN_TRY(Decimate(x.data(), n, *factor, *average != 0, x.data()));
        return x.resize(n / *factor);
    });
}
