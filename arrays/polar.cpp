// Rectangular and polar forms. The magnitude is formed in extended
// precision, so it neither overflows nor underflows where the result is a
// representable double (|1e200 + 1e200 i| is 1.414e200, not infinity).
#include <cmath>

#include "detail.h"

using orin::extended;

int32_t ToPolar(double re, double im, double *magnitude, double *phase) {
    if (re == 0 && im == 0) {
        *magnitude = 0;
        *phase = 0;
        return kErrNone;
    }
    *magnitude = static_cast<double>(std::sqrt(static_cast<extended>(im) * im + static_cast<extended>(re) * re));
    *phase = std::atan2(im, re);
    return kErrNone;
}

int32_t ToRect(double magnitude, double phase, double *re, double *im) {
    *re = magnitude * std::cos(phase);
    *im = magnitude * std::sin(phase);
    return kErrNone;
}

namespace {

// Element by element; the outputs may be the inputs, so each pair is read
// before either output is written.
int32_t pairwise(int32_t (*convert)(double, double, double *, double *), const double *a, const double *b, int32_t n,
                 double *outA, double *outB) {
    if (n < 1) return kErrEmptyArray;
    for (int32_t i = 0; i < n; ++i) {
        double u = 0, v = 0;
        convert(a[i], b[i], &u, &v);
        outA[i] = u;
        outB[i] = v;
    }
    return kErrNone;
}

}  // namespace

int32_t ToPolar1D(const double *re, const double *im, int32_t n, double *magnitudes, double *phases) {
    return pairwise(ToPolar, re, im, n, magnitudes, phases);
}

int32_t ToRect1D(const double *magnitudes, const double *phases, int32_t n, double *re, double *im) {
    return pairwise(ToRect, magnitudes, phases, n, re, im);
}
