#include <orin/timedomain.h>

#include "../frame/kit.h"

int32_t PulseParameters(DoubleArrayHdl xHandle, double *top, double *base, double *amplitude, double *delay,
                        double *width, double *slewRate, double *fallTime, double *riseTime, double *overshoot,
                        double *preshoot, int32_t *error) {
    *error = kErrNone;
    const orin::DoubleArrayView x(xHandle);
    double high90 = 0, mid50 = 0, low10 = 0;
    PulseParam(x.data(), x.size(), amplitude, &high90, &mid50, &low10, top, base, overshoot, preshoot, delay, width,
               riseTime, fallTime, slewRate, error);
    // This entry point reports a failed analysis as zeros rather than NaN.
    if (*error != kErrNone)
        *top = *base = *amplitude = *delay = *width = *slewRate = *fallTime = *riseTime = *overshoot = *preshoot = 0.0;
    return 0;
}
