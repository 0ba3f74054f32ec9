#include "detail.h"

int32_t FIRCoefs(const double *fs, const double *fl, const double *fh, const int32_t *N, DoubleArrayHdl h,
                 int32_t *type, int32_t *error) {
    return orin::runEntry(error, {h}, [&]() -> orin::Outcome {
        orin::DoubleArrayView taps(h);
        if (*N < 1) return kErrOrderNotPositive;
        ORIN_TRY(taps.resize(*N));
        // The type is clamped into 0..3 and the clamped value handed back.
        *type = *type < 0 ? 0 : *type > 3 ? 3 : *type;
        return FIR_Coef(*type, *fs, *fl, *fh, *N, taps.data());
    });
}
