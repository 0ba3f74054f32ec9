#include "detail.h"

int32_t EllipticCoefs(const double *fs, const double *fl, const double *fh, const double *Ap, const double *As,
                      const int32_t *order, const int32_t *type, DoubleArrayHdl a, DoubleArrayHdl b, int32_t *error) {
    return orin::iir::designEntry(*order, *type, a, b, error,
                                  [&](IIRFilterInfo *info) { return Elp_Coef(*fs, *fl, *fh, *Ap, *As, info); });
}
