#include "detail.h"

int32_t BWCoefs(const double *fs, const double *fl, const double *fh, const int32_t *order, const int32_t *type,
                DoubleArrayHdl a, DoubleArrayHdl b, int32_t *error) {
    return orin::iir::designEntry(*order, *type, a, b, error,
                                  [&](IIRFilterInfo *info) { return Bw_Coef(*fs, *fl, *fh, info); });
}
