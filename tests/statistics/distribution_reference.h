// Independent long-double references for the probability suites: the
// incomplete beta function by its hypergeometric series (the library uses a
// continued fraction), the incomplete gamma function by its power series
// (the library: finite closed forms), the normal through the C library's
// erfcl (the library: A&S 26.2.16).
#ifndef ORIN_TESTS_STATISTICS_DISTRIBUTION_REFERENCE_H
#define ORIN_TESTS_STATISTICS_DISTRIBUTION_REFERENCE_H

#include <cmath>

namespace orintest::ref {

// The library's documented accuracy. A&S 26.2.16: |error| < 1e-5, and its
// density constant 0.3989422 (short of 1/sqrt(2 pi) by 8e-8) adds < 2e-7.
constexpr double kNormalBudget = 1.2e-5;
// Chi-square of odd degrees: 1 - 2 (Q(s) + Z(s) sum) doubles both.
constexpr double kOddChiBudget = 2 * kNormalBudget + 4e-7;
// t, F and BetaI at these parameters (below 1e7): the prefactor's
// logarithms are exact to a few units of 2^-64 times a |ln x| (at most some
// 1e3 here), the continued fraction runs to a change below 1e-16; the
// reference's own error is some 1e-16.
constexpr double kBetaBudget = 1e-14;

inline long double normalCdf(long double x) { return 0.5L * std::erfc(-x / std::sqrt(2.0L)); }

// I_x(a, b) = x^a (1-x)^b / (a B(a, b)) 2F1(a+b, 1; a+1; x) (A&S 26.5.23),
// summed where x lies below the mean a/(a+b): the terms, all positive, then
// fall from the first on.
inline long double betaI(long double a, long double b, long double x) {
    if (x <= 0 || x >= 1) return x <= 0 ? 0 : 1;
    if (x > a / (a + b)) return 1 - betaI(b, a, 1 - x);
    long double term = 1, sum = 1;
    for (long double n = 0; term > sum * 1e-21L; ++n) sum += term *= (a + b + n) / (a + 1 + n) * x;
    return std::exp(a * std::log(x) + b * std::log1p(-x) - std::log(a) - std::lgamma(a) - std::lgamma(b) +
                    std::lgamma(a + b)) *
           sum;
}
inline long double tCdf(long double t, int df) {
    const long double tail = betaI(df / 2.0L, 0.5L, df / (df + t * t)) / 2;
    return t < 0 ? tail : 1 - tail;
}
inline long double fCdf(long double x, int df1, int df2) {
    return x <= 0 ? 0 : betaI(df1 / 2.0L, df2 / 2.0L, df1 * x / (df1 * x + df2));
}
// P(df/2, x/2) = e^-h h^a / Gamma(a+1) sum h^n / ((a+1)...(a+n)) (A&S 6.5.29).
inline long double chiSquareCdf(long double x, int df) {
    if (x <= 0) return 0;
    const long double a = df / 2.0L, h = x / 2;
    long double term = 1, sum = 1;
    for (long double n = 1; term > sum * 1e-21L; ++n) sum += term *= h / (a + n);
    return std::exp(a * std::log(h) - h - std::lgamma(a + 1)) * sum;
}

// The x in [lo, hi] with cdf(x) = p, by bisection to long-double resolution.
template <class Cdf>
long double quantile(long double p, long double lo, long double hi, Cdf cdf) {
    for (int i = 0; i < 200; ++i) (cdf((lo + hi) / 2) < p ? lo : hi) = (lo + hi) / 2;
    return lo;
}

}  // namespace orintest::ref

#endif  // ORIN_TESTS_STATISTICS_DISTRIBUTION_REFERENCE_H
