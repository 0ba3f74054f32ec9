// Inverses of the normal, Student t, chi-square and F distribution functions.
#include <orin/statistics.h>

#include <cmath>

#include "probability.h"

namespace {

using orin::extended;

// Bisection on a non-decreasing distribution function down to a bracket of
// width 1e-4; returns the lower end. A quantile outside [lo, hi] leaves the
// result next to the nearer end.
template <class Cdf>
double bisect(double p, double lo, double hi, Cdf cdf) {
    while (std::fabs(hi - lo) > 0.0001) {
        const double mid = (lo + hi) * 0.5;
        if (cdf(mid) < p) lo = mid;
        else hi = mid;
    }
    return lo;
}

// Written so that a NaN probability fails the test too.
bool strictlyInsideUnit(double p) { return p > 0 && p < 1; }

}  // namespace

int32_t InvN_Dist(double p, double *x) {
    if (!strictlyInsideUnit(p)) return kErrProbability;
    // A&S 26.2.23, |error| < 4.5e-4: t = sqrt(ln(1/q^2)) for the smaller
    // tail q, written -2 ln q so that a tiny q cannot overflow 1/q^2.
    const auto r = [](extended t) {
        return (2.515517L + t * (0.802853L + t * 0.010328L)) / (1 + t * (1.432788L + t * (0.189269L + t * 0.001308L)));
    };
    if (p >= 0.5) {
        const extended t = std::sqrt(-2 * std::log(1 - static_cast<extended>(p)));
        *x = static_cast<double>(t - r(t));
    } else {
        const extended t = std::sqrt(-2 * std::log(static_cast<extended>(p)));
        *x = static_cast<double>(r(t) - t);
    }
    return kErrNone;
}

int32_t InvT_Dist(double p, int32_t df, double *t) {
    if (df < 1) return kErrDegreesOfFreedom;
    if (!strictlyInsideUnit(p)) return kErrProbability;
    *t = bisect(p, -10000, 10000, [df](double mid) {
        double c = 0;
        orin::stats::tCdf(mid, df, &c);
        return c;
    });
    return kErrNone;
}

int32_t InvXX_Dist(double p, int32_t df, double *x) {
    if (!(p >= 0 && p < 1)) return kErrChiSquareProbability;
    if (df < 1) return kErrDegreesOfFreedom;
    if (p == 0) {
        *x = 0;
        return kErrNone;
    }
    *x = bisect(p, 0, 10000, [df](double mid) {
        double c = 0;
        orin::stats::chiSquareCdf(mid, df, &c);
        return c;
    });
    return kErrNone;
}

int32_t InvF_Dist(double p, int32_t df1, int32_t df2, double *x) {
    if (df1 < 1 || df2 < 1) return kErrDegreesOfFreedom;
    if (!strictlyInsideUnit(p)) return kErrProbability;
    *x = bisect(p, 1e-6, 10000, [df1, df2](double mid) {
        double c = 0;
        orin::stats::fCdf(mid, df1, df2, &c);
        return c;
    });
    return kErrNone;
}
