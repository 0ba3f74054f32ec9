#include "detail.h"

int32_t ChebyshevCoefs(const double *fs, const double *fl, const double *fh, const double *ripple, const int32_t *order,
                       const int32_t *type, DoubleArrayHdl a, DoubleArrayHdl b, int32_t *error) {
    return orin::iir::designEntry(*order, *type, a, b, error,
                                  [&](IIRFilterInfo *info) { return Ch_Coef(*fs, *fl, *fh, *ripple, info); });
}

int32_t InvChebyshevCoefs(const double *fs, const double *fl, const double *fh, const double *attenuation,
                          const int32_t *order, const int32_t *type, DoubleArrayHdl a, DoubleArrayHdl b,
                          int32_t *error) {
    return orin::iir::designEntry(*order, *type, a, b, error,
                                  [&](IIRFilterInfo *info) { return InvCh_Coef(*fs, *fl, *fh, *attenuation, info); });
}
