// Linear and polynomial evaluation, element by element; out may be x.
#include "detail.h"

using orin::arrays::elementCount;

int32_t LinEv1D(const double *x, int32_t n, double a, double b, double *out) {
    if (n < 1) return kErrEmptyArray;
    for (int32_t i = 0; i < n; ++i) out[i] = x[i] * a + b;
    return kErrNone;
}

int32_t LinEv2D(const double *x, int32_t rows, int32_t cols, double a, double b, double *out) {
    int32_t n = 0;
    if (const int32_t code = elementCount(rows, cols, &n)) return code;
    return LinEv1D(x, n, a, b, out);
}

// Powers by repeated multiplication, terms added from the constant upward
// (not Horner's scheme: each term is c[k] x^k as written).
int32_t PolyEv1D(const double *x, int32_t n, const double *c, int32_t m, double *out) {
    if (n < 1 || m < 1) return kErrEmptyArray;
    for (int32_t i = 0; i < n; ++i) {
        const double xi = x[i];
        double sum = c[0], p = 1;
        for (int32_t k = 1; k < m; ++k) {
            p *= xi;
            sum += c[k] * p;
        }
        out[i] = sum;
    }
    return kErrNone;
}

int32_t PolyEv2D(const double *x, int32_t rows, int32_t cols, const double *c, int32_t m, double *out) {
    int32_t n = 0;
    if (const int32_t code = elementCount(rows, cols, &n)) return code;
    return PolyEv1D(x, n, c, m, out);
}
