// Distribution functions shared inside the library. The exported names
// (erf, N_Dist, F_Dist, ...) forward to these, and every caller inside the
// library (ANOVA, contingency tables, the inverses) calls these directly, so
// it is bound to the library's own methods, never to a C library function of
// the same name or to an interposed symbol.
#ifndef ORIN_STATISTICS_PROBABILITY_H
#define ORIN_STATISTICS_PROBABILITY_H

#include "../frame/kit.h"

namespace orin::stats {

// Error function by its Taylor series (returns 1 beyond 5.73549679497).
double errorFunction(double x);
// P(Z <= x), A&S 26.2.16.
extended normalCdf(double x);
// ln Gamma(x) by the six-term Lanczos series; NaN for x <= 0.
extended gammaLn(extended x);
// Continued fraction of the incomplete beta function: stops once an
// approximant changes by less than the relative tolerance (then *settled,
// when given, is set), or after rounds.
extended betaContinuedFraction(extended a, extended b, extended x, int32_t rounds, extended tolerance, bool *settled);
// Regularised incomplete beta I_x(a, b).
int32_t betaI(extended a, extended b, extended x, extended *value);
// Lower-tail probabilities; each returns the library code.
int32_t tCdf(double t, int32_t df, double *p);
int32_t chiSquareCdf(double x, int32_t df, double *p);
int32_t fCdf(double x, int32_t df1, int32_t df2, double *p);

}  // namespace orin::stats

#endif  // ORIN_STATISTICS_PROBABILITY_H
