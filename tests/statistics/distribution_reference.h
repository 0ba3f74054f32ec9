// Independent long-double references for the probability suites: the
// regularised incomplete beta function by its hypergeometric series, the
// regularised lower incomplete gamma function by its power series, and the
// normal distribution through the C library's erfcl. None of them shares a
// method with the library (which uses a continued fraction, finite closed
// forms and A&S 26.2.16).
#ifndef ORIN_TESTS_STATISTICS_DISTRIBUTION_REFERENCE_H
#define ORIN_TESTS_STATISTICS_DISTRIBUTION_REFERENCE_H

#include <cmath>

namespace orintest::ref {

// The library's documented accuracy. A&S 26.2.16 promises |error| < 1e-5;
// its density constant 0.3989422 (short of 1/sqrt(2 pi) by 8e-8) adds less
// than 2e-7.
constexpr double kNormalBudget = 1.2e-5;
// The incomplete beta family (t, F): the continued fraction stops at a
// relative change below 1e-7, and the Lanczos log-gammas add 3 * 2.1e-10.
constexpr double kBetaBudget = 2e-7;

inline long double normalCdf(long double x) { return 0.5L * std::erfc(-x / std::sqrt(2.0L)); }

// I_x(a, b) = x^a (1-x)^b / (a B(a, b)) * 2F1(a+b, 1; a+1; x) (A&S 26.5.23
// with 15.1.1), summed on the side where x lies below the mean a/(a+b): the
// terms then fall from the first on (their ratio tends to x), all positive.
inline long double betaI(long double a, long double b, long double x) {
    if (x <= 0) return 0;
    if (x >= 1) return 1;
    if (x > a / (a + b)) return 1 - betaI(b, a, 1 - x);
    const long double logPrefactor = a * std::log(x) + b * std::log1p(-x) - std::log(a) -
                                     (std::lgamma(a) + std::lgamma(b) - std::lgamma(a + b));
    long double term = 1, sum = 1;
    for (long double n = 0; n < 1e7L; ++n) {
        term *= (a + b + n) / (a + 1 + n) * x;
        sum += term;
        if (term < sum * 1e-21L) break;
    }
    return std::exp(logPrefactor) * sum;
}

// Student t, F and chi-square lower tails from the references above.
inline long double tCdf(long double t, int df) {
    const long double tail = betaI(df / 2.0L, 0.5L, df / (df + t * t)) / 2;
    return t < 0 ? tail : 1 - tail;
}
inline long double fCdf(long double x, int df1, int df2) {
    if (x <= 0) return 0;
    return betaI(df1 / 2.0L, df2 / 2.0L, df1 * x / (df1 * x + df2));
}
// P(a, x) = e^-x x^a / Gamma(a+1) * sum x^n / ((a+1)...(a+n)) (A&S 6.5.29).
inline long double lowerGamma(long double a, long double x) {
    if (x <= 0) return 0;
    long double term = 1, sum = 1;
    for (long double n = 1; n < 1e8L; ++n) {
        term *= x / (a + n);
        sum += term;
        if (term < sum * 1e-21L) break;
    }
    return std::exp(a * std::log(x) - x - std::lgamma(a + 1)) * sum;
}
inline long double chiSquareCdf(long double x, int df) { return lowerGamma(df / 2.0L, x / 2); }

// The x with cdf(x) = p, by bisection to long-double resolution.
template <class Cdf>
long double quantile(long double p, long double lo, long double hi, Cdf cdf) {
    for (int i = 0; i < 200; ++i) {
        const long double mid = (lo + hi) / 2;
        if (cdf(mid) < p) lo = mid;
        else hi = mid;
    }
    return lo;
}

}  // namespace orintest::ref

#endif  // ORIN_TESTS_STATISTICS_DISTRIBUTION_REFERENCE_H
