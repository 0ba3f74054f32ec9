// Handle entry points of the interpolations. Tables whose arrays differ in
// length give -20002; on failure every scalar output is iDNaN and the spline's
// second derivatives are emptied.
#include <orin/fitting.h>

#include "../frame/kit.h"

using namespace orin;

namespace {

// The x and y tables of an entry point, checked to be of one length.
struct Table {
    DoubleArrayView y, x;
    int32_t check() const { return x.size() == y.size() ? kErrNone : kErrArraySizeMismatch; }
};

template <class Scheme>
MgErr estimateEntry(Scheme scheme, DoubleArrayHdl yHandle, DoubleArrayHdl xHandle, const double *xval, double *yout,
                    double *dyout, int32_t *error) {
    return runEntry(error, {yout, dyout}, [&]() -> Outcome {
        const Table t{DoubleArrayView(yHandle), DoubleArrayView(xHandle)};
        ORIN_TRY(t.check());
        return scheme(t.x.data(), t.y.data(), t.x.size(), *xval, yout, dyout);
    });
}

}  // namespace

int32_t PolyInterp_head(DoubleArrayHdl y, DoubleArrayHdl x, const double *xval, double *yout, double *dyout,
                        int32_t *error) {
    return estimateEntry(PolyInterp, y, x, xval, yout, dyout, error);
}

int32_t RatInterp_head(DoubleArrayHdl y, DoubleArrayHdl x, const double *xval, double *yout, double *dyout,
                       int32_t *error) {
    return estimateEntry(RatInterp, y, x, xval, yout, dyout, error);
}

int32_t Spline_head(DoubleArrayHdl y, DoubleArrayHdl x, const double *yp1, const double *ypn, DoubleArrayHdl y2,
                    int32_t *error) {
    DoubleArrayView second(y2);
    return runEntry(error, {second}, [&]() -> Outcome {
        const Table t{DoubleArrayView(y), DoubleArrayView(x)};
        ORIN_TRY(t.check());
        const int32_t n = t.x.size();
        if (n < 1) return kErrEmptyArray;
        ORIN_TRY(second.resize(n));
        return Spline(t.x.data(), t.y.data(), n, *yp1, *ypn, second.data());
    });
}

// The three arrays arrive as pointers to handles; a null pointer or handle
// reads as an empty array.
int32_t SpInterp_head(DoubleArrayHdl *y, DoubleArrayHdl *x, DoubleArrayHdl *y2, const double *xval, double *yout,
                      int32_t *error) {
    const auto view = [](DoubleArrayHdl *h) { return DoubleArrayView(h ? *h : nullptr); };
    return runEntry(error, {yout}, [&]() -> Outcome {
        const Table t{view(y), view(x)};
        const DoubleArrayView second = view(y2);
        ORIN_TRY(t.check());
        if (second.size() != t.x.size()) return kErrArraySizeMismatch;
        return SpInterp(t.x.data(), t.y.data(), second.data(), t.x.size(), *xval, yout);
    });
}
