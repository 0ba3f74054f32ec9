// Entry points of the straight-line and exponential fits: the y handle
// first, then x, of one length (-20002); iDNaN outputs on failure.
#include <orin/fitting.h>

#include "../frame/kit.h"

using namespace orin;

namespace {

using Fit = int32_t (*)(const double *, const double *, int32_t, double *, double *);

MgErr fitEntry(Fit fit, DoubleArrayHdl yHandle, DoubleArrayHdl xHandle, double *first, double *second, int32_t *error) {
    return runEntry(error, {first, second}, [&]() -> Outcome {
        const DoubleArrayView y(yHandle), x(xHandle);
        if (x.size() != y.size()) return kErrArraySizeMismatch;
        return fit(x.data(), y.data(), x.size(), first, second);
    });
}

}  // namespace

int32_t LinFitCoef_head(DoubleArrayHdl y, DoubleArrayHdl x, double *slope, double *intercept, int32_t *error) {
    return fitEntry(LinFitCoef, y, x, slope, intercept, error);
}

int32_t ExpFitCoef_head(DoubleArrayHdl y, DoubleArrayHdl x, double *amplitude, double *damping, int32_t *error) {
    return fitEntry(ExpFitCoef, y, x, amplitude, damping, error);
}
