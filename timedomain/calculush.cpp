#include <orin/timedomain.h>

#include "../frame/kit.h"

using orin::DoubleArrayView;
using orin::Outcome;

namespace {

// A sampling interval must be positive; NaN is not.
bool badInterval(double dt) { return !(dt > 0); }

}  // namespace

int32_t Integral(DoubleArrayHdl xHandle, const double *initial, const double *final, const double *dt, int32_t *error) {
    DoubleArrayView x(xHandle);
    return orin::runEntry(error, {x}, [&]() -> Outcome {
        // An empty record outranks a bad interval here, Derivative checks the
        // other way round; callers see these codes and may rely on them.
        if (x.size() < 1) return kErrEmptyArray;
        if (badInterval(*dt)) return kErrSamplingInterval;
        Integrate(x.data(), x.size(), *dt, *initial, *final, x.data());
        return kErrNone;
    });
}

int32_t Derivative(DoubleArrayHdl xHandle, const double *initial, const double *final, const double *dt,
                   int32_t *error) {
    DoubleArrayView x(xHandle);
    return orin::runEntry(error, {x}, [&]() -> Outcome {
        if (badInterval(*dt)) return kErrSamplingInterval;
        if (x.size() < 1) return kErrEmptyArray;
        int32_t code = kErrNone;
        Difference(x.data(), x.size(), *dt, *initial, *final, x.data(), &code);
        return code;
    });
}

int32_t NumerIntegration_head(DoubleArrayHdl xHandle, const double *dt, const int32_t *method, double *value,
                              int32_t *error) {
    return orin::runEntry(error, {value}, [&]() -> Outcome {
        const DoubleArrayView x(xHandle);
        if (x.size() < 1) return kErrEmptyArray;
        return NumerIntegration(x.data(), x.size(), *dt, value, *method);
    });
}
