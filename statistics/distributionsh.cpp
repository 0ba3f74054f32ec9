#include <orin/statistics.h>

#include <cmath>
#include <cstring>

#include "probability.h"

int32_t Erf_h(const double *x, double *result) {
    // A NaN argument is handed back bit for bit (sign and payload kept).
    if (std::isnan(*x)) std::memcpy(result, x, sizeof(double));
    else *result = orin::stats::errorFunction(*x);
    return kMgNoErr;
}

int32_t NormDist_head(const double *x, double *p) {
    *p = static_cast<double>(orin::stats::normalCdf(*x));
    return kMgNoErr;
}

int32_t TDist_head(const double *t, const int32_t *df, double *p, int32_t *error) {
    return orin::runEntry(error, {p}, [&]() -> orin::Outcome { return orin::stats::tCdf(*t, *df, p); });
}

int32_t ChiSquare_head(const double *x, const int32_t *df, double *p, int32_t *error) {
    return orin::runEntry(error, {p}, [&]() -> orin::Outcome { return orin::stats::chiSquareCdf(*x, *df, p); });
}

int32_t FDist_head(const double *x, const int32_t *df1, const int32_t *df2, double *p, int32_t *error) {
    return orin::runEntry(error, {p}, [&]() -> orin::Outcome { return orin::stats::fCdf(*x, *df1, *df2, p); });
}

int32_t InvNdist_head(const double *p, double *x, int32_t *error) {
    return orin::runEntry(error, {x}, [&]() -> orin::Outcome { return InvN_Dist(*p, x); });
}

int32_t InvTdist_head(const double *p, const int32_t *df, double *t, int32_t *error) {
    return orin::runEntry(error, {t}, [&]() -> orin::Outcome { return InvT_Dist(*p, *df, t); });
}

int32_t InvChiSquare_head(const double *p, const int32_t *df, double *x, int32_t *error) {
    return orin::runEntry(error, {x}, [&]() -> orin::Outcome { return InvXX_Dist(*p, *df, x); });
}

int32_t InvFDist_head(const double *p, const int32_t *df1, const int32_t *df2, double *x, int32_t *error) {
    return orin::runEntry(error, {x}, [&]() -> orin::Outcome { return InvF_Dist(*p, *df1, *df2, x); });
}
