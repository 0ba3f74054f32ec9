/*
 * orinanalysis: statistics and probability.
 *
 * Descriptive statistics of one real sample set. Sums are kept in extended
 * precision and rounded to double when stored. Inputs are read only; results
 * are written through pointers. Codes: -20003 kErrEmptyArray for fewer than 1
 * sample, -20021 kErrOrderNotPositive for a moment order below 1, -20001
 * kErrOutOfMemory when scratch cannot be had.
 */
#ifndef ORIN_STATISTICS_H
#define ORIN_STATISTICS_H

#include <orin/common.h>

/* Included before the declaration of the library's erf below, so that C++
   sees the C library's declaration first and accepts ours as matching it. */
#include <math.h>

/* ---- Histogram layouts --------------------------------------------------- */

/* A bin of the general histogram: 20 bytes, packed, in this order. inclusion
   says which limits belong to the bin: 0 [lower, upper), 1 (lower, upper],
   2 [lower, upper], 3 (lower, upper). */
#pragma pack(push, 4)
typedef struct {
    double lower;
    double upper;
    int32_t inclusion;
} HistogramBin;
/* A 1D host array of bins: dimSize, then the records. */
typedef struct {
    int32_t dimSize;
    HistogramBin elt[1];
} HistogramBinArray;
#pragma pack(pop)
typedef HistogramBinArray **HistogramBinArrayHdl;

#ifdef __cplusplus
static_assert(sizeof(HistogramBin) == 20, "a histogram bin record is 20 bytes");
static_assert(offsetof(HistogramBinArray, elt) == 4, "bin records start 4 bytes in");
#else
_Static_assert(sizeof(HistogramBin) == 20, "a histogram bin record is 20 bytes");
_Static_assert(offsetof(HistogramBinArray, elt) == 4, "bin records start 4 bytes in");
#endif

/* ---- Descriptive statistics: core routines ------------------------------ */

/* Mean of x[0..n-1], summed in index order. No checks.
   x     in   n doubles
   n     in   count, >= 1 (n = 0 gives 0/0, a NaN)
   mean  out  the mean */
ORIN_API void Ave(const double *x, int32_t n, double *mean);

/* Median: the middle value of a sorted copy (the mean of the middle pair for
   even n); x is not reordered.
   x       in   n doubles
   n       in   count, >= 1
   median  out  the median (untouched on failure)
   Returns 0, -20003 (n < 1), -20001 (scratch refused). Scratch: n doubles
   from the process heap. */
ORIN_API int32_t Median(const double *x, int32_t n, double *median);

/* Central moment with divisor n: (1/n) sum (x[i] - mean)^order, the power
   formed by repeated multiplication in extended precision.
   x       in   n doubles
   n       in   count, >= 1
   order   in   >= 1 (1 gives 0 up to rounding, 2 the population variance)
   moment  out  the moment (untouched on failure)
   Returns 0, -20003 (n < 1, checked first), -20021 (order < 1). */
ORIN_API int32_t Moment(const double *x, int32_t n, int32_t order, double *moment);

/* Mean and population standard deviation sqrt(|sum x^2/n - mean^2|), in one
   pass with extended-precision sums.
   x     in   n doubles
   n     in   count, >= 1
   mean  out  the mean
   sdev  out  the standard deviation, divisor n
   Returns 0 or -20003 (n < 1; outputs untouched). */
ORIN_API int32_t StdDev(const double *x, int32_t n, double *mean, double *sdev);

/* Root mean square sqrt(sum x^2 / n).
   x    in   n doubles
   n    in   count, >= 1
   rms  out  the root mean square (untouched on failure)
   Returns 0 or -20003 (n < 1). */
ORIN_API int32_t RMS(const double *x, int32_t n, double *rms);

/* Mean squared difference over the shorter length m = min(nx, ny):
   (1/m) sum (x[i] - y[i])^2.
   x    in   nx doubles
   nx   in   count of x, >= 1
   y    in   at least min(nx, ny) doubles
   ny   in   count of y passed as a double, truncated; >= 1 (NaN fails)
   mse  out  the mean squared error (untouched on failure)
   Returns 0 or -20003 (nx < 1, or ny not >= 1). */
ORIN_API int32_t MSE(const double *x, int32_t nx, const double *y, double ny, double *mse);

/* Sorted copy of x, through the host's QSort. NaN compares equal to
   everything, so NaN elements leave the order around them unspecified.
   x           in   n doubles
   n           in   count, >= 1
   descending  in   0 ascending, non-zero descending
   out         out  n doubles; may be x itself (sorts in place)
   Returns 0 or -20003 (n < 1). */
ORIN_API int32_t Sort(const double *x, int32_t n, int32_t descending, double *out);

/* Reverses the order of the elements, in place.
   x  in/out  n doubles
   n  in      count; n < 2 changes nothing */
ORIN_API void Rev(double *x, int32_t n);

/* Largest and smallest element. No checks. NaN elements after the first are
   passed over; a NaN in x[0] is returned as both.
   x    in   n doubles
   n    in   count, >= 1 (x[0] is read unconditionally)
   max  out  the largest element
   min  out  the smallest element */
ORIN_API void MaxMin(const double *x, int32_t n, double *max, double *min);

/* ---- Descriptive statistics: handle entry points -------------------------
   The same statistics of the dimSize doubles of a 1D handle, with an error
   output last. None resizes an array; each returns 0.
   x       in   handle of n doubles, n >= 1 (a null handle counts as empty)
   order   in   (Moment_head) >= 1
   y       in   (MSE_head) handle of ny doubles, ny >= 1; its count goes to
                MSE as a double
   mean, median, moment, rms, mse
           out  the result; iDNaN on failure
   error   out  0, -20003 (an empty array), -20021 (order < 1), -20001
                (Median_head: scratch refused) */

ORIN_API int32_t Mean_head(DoubleArrayHdl x, double *mean, int32_t *error);
ORIN_API int32_t Median_head(DoubleArrayHdl x, double *median, int32_t *error);
ORIN_API int32_t Moment_head(DoubleArrayHdl x, const int32_t *order, double *moment, int32_t *error);
ORIN_API int32_t RMS_head(DoubleArrayHdl x, double *rms, int32_t *error);
/* Passes the y count to MSE as a double, as the core routine takes it. */
ORIN_API int32_t MSE_head(DoubleArrayHdl x, DoubleArrayHdl y, double *mse, int32_t *error);

/* ---- Distributions and inverses ------------------------------------------
   Lower-tail probabilities P(X <= x). The methods fix the accuracy:
   the normal distribution function is A&S 26.2.16 (absolute error about
   1e-5; N_Dist(0) = 0.5000001555), so the chi-square function of odd degrees
   carries twice that; the t and F functions rest on BetaI (below) and keep
   its accuracy, relative also in a small lower tail;
   the chi-square function of even degrees is the exact finite sum
   (A&S 26.4.5). Chi-square costs time linear in df. A NaN argument gives a
   NaN result with code 0.
   Codes: -20052 kErrDegreesOfFreedom (a df below 1), -20053 kErrProbability,
   -20054 kErrChiSquareProbability, -20057 kErrBetaArgument. */

/* The library's error function: erf x = (2/sqrt(pi)) e^(-x^2) sum of
   2^k x^(2k+1) / (1*3*...*(2k+1)), summed until a term changes the sum by
   at most 1e-15; exactly 1 from x = 5.73549679497 on; odd. NOTE: this is an
   exported symbol named erf: a program linked with the library may have its
   own calls to erf bound to this one instead of the C library's. */
ORIN_API double erf(double x);

/* P(Z <= x) for the standard normal, A&S 26.2.16. Returns 0. */
ORIN_API int32_t N_Dist(double x, double *p);
/* Student t with df degrees of freedom, P(T <= t) = 1 - I_z(df/2, 1/2)/2 with
   z = df/(df + t^2). Returns 0 or -20052 (df < 1). */
ORIN_API int32_t T_Dist(double t, int32_t df, double *p);
/* Chi-square with df degrees of freedom; 0 for x <= 0, 1 for x = +inf.
   Closed forms A&S 26.4.4 (odd df, with N_Dist) and 26.4.5 (even df).
   Returns 0 or -20052 (df < 1). */
ORIN_API int32_t XX_Dist(double x, int32_t df, double *p);
/* F with df1, df2 degrees of freedom, 1 - I_z(df2/2, df1/2) with
   z = df2/(df2 + df1 x), evaluated as I_(1-z)(df1/2, df2/2) so that a small
   lower tail keeps its digits; 0 for x <= 0. Returns 0 or -20052 (df1 or
   df2 < 1). */
ORIN_API int32_t F_Dist(double x, int32_t df1, int32_t df2, double *p);
/* Regularised incomplete beta I_x(a, b) for any positive a, b (1e-300 to
   1e308). The prefactor x^a (1-x)^b / B(a, b) comes from Stirling's formula
   with its correction series and logarithms taken relative to the mean
   a/(a+b), so no large terms cancel; then BetaCF's continued fraction (on
   I_(1-x)(b, a) above the mean) run until it changes by less than 1e-16;
   with a and b both above 1e7 near the mean, Temme's uniform asymptotic
   expansion; with one parameter over 1e9 times the other (or 1), the
   incomplete gamma function it tends to. Relative error within 1e-9 + 8 kappa 2^-64, kappa the
   condition number of I in a, b and x (about sqrt(min(a, b)) near the mean,
   a |ln x| far below it); only a value below 1e-16 formed as the
   complement of one near 1 (b below about 1e-15, x near 1) is exact
   absolutely instead. An infinite a (b) gives the limit 0 (1) for x
   inside (0, 1). Returns 0, or -20057 for x outside [0, 1] (checked first),
   for a or b not positive and for both infinite. */
ORIN_API int32_t BetaI(double a, double b, double x, double *value);
/* ln Gamma(x) by the six-term Lanczos series (error below 2e-10) for x > 0;
   NaN for x <= 0 or NaN. */
ORIN_API double GammLn(double x);
/* The continued fraction of I_x(a, b) (even/odd recurrence, relative
   tolerance 1e-7, at most 100 rounds; the last approximant is returned
   without notice if it has not settled). */
ORIN_API double BetaCF(double a, double b, double x);

/* Inverses. InvN_Dist is A&S 26.2.23 (absolute error below 4.5e-4). The
   others bisect their distribution function until the bracket is at most
   1e-4 wide and return its lower end; the start brackets are t [-10000,
   10000], F [1e-6, 10000], chi-square [0, 10000], and a quantile outside
   them comes back as a value next to the bracket's end. Checks in order:
   InvN_Dist: -20053 unless 0 < p < 1 (NaN included).
   InvT_Dist, InvF_Dist: -20052 (a df < 1), then -20053 unless 0 < p < 1.
   InvXX_Dist: -20054 unless 0 <= p < 1, then -20052 (df < 1); p = 0 gives 0. */
ORIN_API int32_t InvN_Dist(double p, double *x);
ORIN_API int32_t InvT_Dist(double p, int32_t df, double *t);
ORIN_API int32_t InvXX_Dist(double p, int32_t df, double *x);
ORIN_API int32_t InvF_Dist(double p, int32_t df1, int32_t df2, double *x);

/* Handle entry points: scalars by pointer. Those with an error output store
   the code there and, when it is non-zero, write iDNaN into the result. All
   return 0. Erf_h hands a NaN argument back bit for bit. */
ORIN_API int32_t Erf_h(const double *x, double *result);
ORIN_API int32_t NormDist_head(const double *x, double *p);
ORIN_API int32_t TDist_head(const double *t, const int32_t *df, double *p, int32_t *error);
ORIN_API int32_t ChiSquare_head(const double *x, const int32_t *df, double *p, int32_t *error);
ORIN_API int32_t FDist_head(const double *x, const int32_t *df1, const int32_t *df2, double *p, int32_t *error);
ORIN_API int32_t InvNdist_head(const double *p, double *x, int32_t *error);
ORIN_API int32_t InvTdist_head(const double *p, const int32_t *df, double *t, int32_t *error);
ORIN_API int32_t InvChiSquare_head(const double *p, const int32_t *df, double *x, int32_t *error);
ORIN_API int32_t InvFDist_head(const double *p, const int32_t *df1, const int32_t *df2, double *x, int32_t *error);

/* ---- Analysis of variance and contingency tables -------------------------
   Observations x[0..n-1] with one int32 level index (0-based) per factor and
   observation. p-values are upper tails, 1 - F_Dist (1 - XX_Dist for the
   contingency table). Sums are taken in one pass, in extended precision,
   about the first observation, so data far from zero (1e7 + small spread)
   keep their digits. Codes: -20042 kErrAnovaLevels, -20043
   kErrAnovaLevelIndex, -20044 kErrAnovaNoObservations, -20045 kErrAnovaSize,
   -20047 kErrAnovaUnbalanced, -20048 kErrAnovaRandomSingle, -20001 scratch. */

/* One-way analysis of k groups of any sizes. Checks: -20003 (n < 1), -20042
   (k < 2 or k >= n), -20001, -20043 (index outside 0..k-1), -20044 (a group
   without observations). Outputs SSA, MSA, F = MSA/MSE, p, SSE, MSE, SST with
   df k - 1 and n - k. */
ORIN_API int32_t ANOVA1Way(const double *x, const int32_t *levels, int32_t n, int32_t k, double *ssa, double *msa,
                           double *f, double *p, double *sse, double *mse, double *sst);

/* Balanced two-way analysis, m observations per cell; |kA|, |kB| levels, a
   negative count declaring the factor random. table receives 15 doubles:
   SS, df, MS, F of A, of B, of AB, then SS, df, MS of the error. Checks:
   -20045 (n != |kA| |kB| m), -20042 (a level count below 2), -20044 (m < 1),
   -20001, -20043, -20047 (a cell without exactly m observations), -20048
   (m = 1 with a random factor). The main effects are tested over MSAB when
   the other factor is random (with the AB degrees of freedom (a-1)(b-1)),
   else over MSE. With m = 1 the interaction is the error: the AB row, FAB
   and pAB are 0. */
ORIN_API int32_t ANOVA2Way(const double *x, const int32_t *levelsA, const int32_t *levelsB, int32_t n, int32_t m,
                           int32_t kA, int32_t kB, double *table, double *pA, double *pB, double *pAB);

/* Balanced three-way analysis, m >= 2 observations per cell. table receives
   32 doubles: rows A, B, C, AB, AC, BC, ABC, error; columns SS, df, MS, F
   (the error row's F is 0). Each effect is tested over the mean square that
   its expectation calls for under the pattern of random factors; an effect
   with no exact test (a main effect whose interactions with two random
   factors would be needed) has F = -1 and p = -1. Checks: -20045, -20044
   (m < 2), -20042, -20001, -20043, -20047. */
ORIN_API int32_t ANOVA3Way(const double *x, const int32_t *levelsA, const int32_t *levelsB, const int32_t *levelsC,
                           int32_t n, int32_t m, int32_t kA, int32_t kB, int32_t kC, double *table, double *pA,
                           double *pB, double *pC, double *pAB, double *pAC, double *pBC, double *pABC);

/* Chi-square test of independence of a rows x cols table of counts
   (row-major): chi2 = sum (O - E)^2 / E, E = row total * column total /
   total, p = 1 - XX_Dist(chi2, (rows-1)(cols-1)). A zero row or column
   makes chi2 (and p) NaN with code 0. Checks: -20055 (rows or cols < 2),
   -20001 (a table too large to address, or no scratch), -20056 (a negative
   count). */
ORIN_API int32_t Contingency_Table(int32_t rows, int32_t cols, const int32_t *counts, double *chi2, double *p);

/* Handle entry points. Every array must have the observations' length, else
   -20002; then the table is resized (-20001) and the analysis runs its checks
   in its order, so empty arrays give the code of the first check that fails
   there (-20003 one-way; for the balanced designs the checks on m and the
   level counts). On failure the table
   is emptied and every scalar output is iDNaN. They return 0, or the memory
   manager's status when the table cannot be resized (error -20001). The
   two-way table is 4 x 4, its error-row F cell 0; the three-way table 8 x 4. */
ORIN_API int32_t Anova1Way_head(DoubleArrayHdl x, Int32ArrayHdl levels, const int32_t *k, double *ssa, double *msa,
                                double *f, double *p, double *sse, double *mse, double *sst, int32_t *error);
ORIN_API int32_t Anova2Way_head(DoubleArrayHdl x, Int32ArrayHdl levelsA, Int32ArrayHdl levelsB, const int32_t *m,
                                const int32_t *kA, const int32_t *kB, DoubleMatrixHdl table, double *pA, double *pB,
                                double *pAB, int32_t *error);
ORIN_API int32_t ANOVA3Way_head(DoubleArrayHdl x, Int32ArrayHdl levelsA, Int32ArrayHdl levelsB, Int32ArrayHdl levelsC,
                                const int32_t *m, const int32_t *kA, const int32_t *kB, const int32_t *kC,
                                DoubleMatrixHdl table, double *pA, double *pB, double *pC, double *pAB, double *pAC,
                                double *pBC, double *pABC, int32_t *error);
/* Negative dimensions give -20056; otherwise as Contingency_Table. */
ORIN_API int32_t Contingency_head(Int32MatrixHdl counts, double *chi2, double *p, int32_t *error);

/* ---- Histograms ------------------------------------------------------------ */

/* axis[i] = start + i step, the running value kept in extended precision. */
ORIN_API void SetAxis(double *axis, int32_t n, double start, double step);

/* Equal-width histogram of x over [min, max] in nbins bins (nbins >= 1):
   bin k holds [min + k w, min + (k+1) w) with w = (max - min)/nbins, the
   maximum itself the last bin; centres are the bin mid-points. Every sample
   with min <= x <= max is counted (a product landing one bin beyond the range
   is counted in the end bin), also when max - min overflows a double; NaN
   and samples outside the range are not. With max == min every sample equal
   to it lands in the last bin. counts is cleared first. */
ORIN_API void Histogra(const double *x, int32_t n, double max, double min, int32_t *counts, double *centres,
                       int32_t nbins);
/* Histogra over the measured range of x (n >= 1, nbins >= 1). */
ORIN_API void cacula_Histogra(const double *x, int32_t n, double *centres, int32_t *counts, int32_t nbins);
/* Resizes counts and centres to *nbins. Returns in *error -20003 (no samples
   or nbins below 1), -20001 (resize refused; the memory manager's status is
   returned); outputs emptied on failure. */
ORIN_API int32_t histgran_head(DoubleArrayHdl x, const int32_t *nbins, Int32ArrayHdl counts, DoubleArrayHdl centres,
                               int32_t *error);

/* 0 when x lies in the bin, -1 below it, +1 above it (by the bin's
   inclusion rule); another value (2, or the code itself for an inclusion
   above 3) for NaN or an unknown inclusion. */
ORIN_API int32_t CheckBin(const HistogramBin *bin, double x);
/* General histogram over caller bins, expected in ascending order. A sample
   is counted in every bin that holds it. totals: outside (counted in no bin),
   below (below the first bin), above (above the last bin and in no bin);
   with no bins every sample is outside. counts[0..nbins-1] and totals are
   cleared first. Returns 0, -20008 (nbins < 0), -20003 (n < 1). */
ORIN_API int32_t GeneralHistogram(const double *x, int32_t n, const HistogramBin *bins, int32_t nbins, int32_t *counts,
                                  int32_t *totals);
/* counts resized to the number of bins; totals: three int32. Returns in
   *error -20003 (no samples: counts keep nbins zeros), -20008 (negative bin
   count), -20001 (resize refused, status returned); counts emptied after
   the last two; totals zero on failure. */
ORIN_API int32_t GenHistH(DoubleArrayHdl x, HistogramBinArrayHdl bins, Int32ArrayHdl counts, int32_t *totals,
                          int32_t *error);

#endif /* ORIN_STATISTICS_H */
