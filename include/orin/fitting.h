/*
 * orinanalysis: curve fitting, interpolation and polynomials.
 *
 * Interpolation of a table of n points (x[i], y[i]) at one abscissa xval:
 * the polynomial through all points (Neville's scheme), the diagonal rational
 * function (Bulirsch–Stoer), each with an error estimate (the last correction
 * of the tableau), and the cubic spline, whose second derivatives Spline
 * computes once for any number of SpInterp evaluations.
 *
 * Straight-line and exponential least-squares fits of n points.
 *
 * Codes: -20003 kErrEmptyArray (n < 1), -20001 kErrOutOfMemory (scratch or a
 * resize refused), -20049 kErrAbscissaOrder (coincident abscissae where the
 * scheme divides by their difference), -20050 kErrInterpolationPole (the
 * rational function has a pole at xval), -20006 kErrTooFewSamples (fewer than 2
 * points for a fit, a clamped spline end on a one-point table), -20036
 * kErrMixedSigns (exponential fit of data not all of one strict sign), and
 * for the general fit -20037, -20021, -20061, -20041 as listed there., -20002 kErrArraySizeMismatch (entry-point
 * tables of different lengths). Entry points set *error, write iDNaN into
 * every scalar output and empty y2 on failure, and return 0 or the memory
 * manager's status.
 */
#ifndef ORIN_FITTING_H
#define ORIN_FITTING_H

#include <orin/common.h>

/* ---- Straight line and exponential --------------------------------------- */

/* Least-squares line y = slope x + intercept, sums in extended precision.
   x, y  in  n doubles, n >= 2 (else -20006)
   slope, intercept  out  (not finite when every x is equal) */
ORIN_API int32_t LinFitCoef(const double *x, const double *y, int32_t n, double *slope, double *intercept);
/* Least-squares exponential y = amplitude e^(damping x), the line through
   (x, ln |y|). Both outputs are 0 first; y must be all strictly positive or
   all strictly negative (else -20036, outputs 0); n >= 2 (else -20006). */
ORIN_API int32_t ExpFitCoef(const double *x, const double *y, int32_t n, double *amplitude, double *damping);
/* Entry points: y handle first, then x, of one length (-20002). */
ORIN_API int32_t LinFitCoef_head(DoubleArrayHdl y, DoubleArrayHdl x, double *slope, double *intercept, int32_t *error);
ORIN_API int32_t ExpFitCoef_head(DoubleArrayHdl y, DoubleArrayHdl x, double *amplitude, double *damping,
                                 int32_t *error);

/* ---- General linear least squares ---------------------------------------- */

/* Coefficients a (k) minimising ||W (H a - y)|| for the n x k observation
   matrix H (row-major, one row per sample).
   H          in   n x k doubles       n >= 1 (-20003), n >= k (-20037)
   y          in   n doubles           k in 1..90 (-20021)
   sigma      in   n standard deviations, or null (unweighted): row i of H and
                   y_i are divided by sigma_i
   coef       out  k doubles
   covariance out  k x k doubles, (H^T W H)^+, or null (not wanted); the
                   pseudo-inverse drops singular values below
                   k * s_max * 2^-52
   algorithm  in   0 SVD (singular values below max(n, k) eps s_max are
                   dropped: the minimum-norm solution of a rank-deficient
                   problem; -20003 if it does not converge), 1 Givens,
                   2 square-root-free Givens, 3 Householder, 4 normal
                   equations by LU (-20041 without a pivot above 1e-12),
                   5 normal equations by Cholesky; else -20061.
   Methods 1-3 and 5 divide by the diagonal without a test and may give
   non-finite coefficients on a rank-deficient problem. -20001 when scratch
   is refused. */
ORIN_API int32_t GenLSFitCoef(const double *H, int32_t n, int32_t k, const double *y, const double *sigma, double *coef,
                              double *covariance, int32_t algorithm);
/* One Levenberg–Marquardt step: coef += delta, where
   (alpha + diag(alpha_ii lambda + lambda)) delta = beta is solved through
   R^T R (no test of positive definiteness). alpha k x k, beta and coef k. */
ORIN_API int32_t GetNewCoef(const double *alpha, const double *beta, int32_t k, double lambda, double *coef);
/* GenLSFit_head: H 2D handle (n x k), y (n), sigma (empty: unweighted; else
   at least n, -20002), coef (resized to k). covarianceFlag 1 writes the
   covariance over H (returned k x k); 0 returns H as 0 x 0; any other value
   fits nothing and returns both empty with error 0. y not of n elements:
   -20002. coef is emptied on failure. */
ORIN_API int32_t GenLSFit_head(DoubleMatrixHdl H, DoubleArrayHdl y, DoubleArrayHdl sigma, DoubleArrayHdl coef,
                               const int32_t *algorithm, const int32_t *covarianceFlag, int32_t *error);
/* GetNewCoef_head: coef (k >= 1) updated in place; alpha must be k x k and
   beta of k elements (else -20003); a NaN coefficient after the step gives
   -20041. coef is emptied on failure. */
ORIN_API int32_t GetNewCoef_head(DoubleArrayHdl coef, DoubleMatrixHdl alpha, DoubleArrayHdl beta, const double *lambda,
                                 int32_t *error);
/* ---- Polynomial roots ----------------------------------------------------- */

/* Roots of a[0] + a[1] z + ... + a[n-1] z^(n-1) (Laguerre's method with
   deflation, each root polished against the whole polynomial).
   coefficients in   n complex coefficients, constant term first; n >= 1
                     (-20003); all finite, and at least one non-zero beyond
                     the constant (else -20063)
   control      in   how often the search may restart from a new point when
                     an iteration does not settle; beyond it -20062
   roots        out  n - 1 complex values: a 0 for each zero constant term,
                     then the other roots, then (+inf, 0) for each zero
                     leading coefficient (a root at infinity)
   Scratch: n complex values (-20001 when refused). */
ORIN_API int32_t CxPolyRoots(const complexnum *coefficients, int32_t n, int32_t control, complexnum *roots);
/* In place: the handle of n coefficients becomes the finite roots (n - 1
   less the zero leading coefficients), emptied on failure. */
ORIN_API int32_t CxPolyRoots_head(ComplexArrayHdl coefficients, const int32_t *control, int32_t *error);

/* ---- Interpolation ------------------------------------------------------- */

/* Polynomial through all n points at xval (Neville), the points in any order.
   x, y   in   n doubles (distinct abscissae)
   yout   out  the interpolated value;  dyout  out  its error estimate
   Traces each step through DBPrintf ("c[%ld]=%le" or "d[%ld]=%le", then
   "y=%le, step_obj=%le", then "y=%le"). Scratch: 2n doubles. */
ORIN_API int32_t PolyInterp(const double *x, const double *y, int32_t n, double xval, double *yout, double *dyout);
/* Diagonal rational function through the n points at xval (Bulirsch–Stoer);
   at a tabulated abscissa its y with dyout 0. The tableau is unseeded, so
   the result is the exact tableau's to rounding at every scale of y; where
   two neighbouring entries already agree (0/0), the next entry keeps their
   value. -20050 when xval is a pole (a zero denominator against a non-zero
   numerator). Scratch: 2n doubles. */
ORIN_API int32_t RatInterp(const double *x, const double *y, int32_t n, double xval, double *yout, double *dyout);
/* Second derivatives of the cubic spline through the n points.
   x, y      in   n doubles, consecutive abscissae distinct
   yp1, ypn  in   first derivative at x[0] and x[n-1]; above 9.9e29: a
                  natural end (zero second derivative)
   y2        out  n doubles
   A one-point table takes only natural ends (y2[0] = 0). Scratch: n doubles. */
ORIN_API int32_t Spline(const double *x, const double *y, int32_t n, double yp1, double ypn, double *y2);
/* The spline at xval from Spline's y2; x ascending or descending. */
ORIN_API int32_t SpInterp(const double *x, const double *y, const double *y2, int32_t n, double xval, double *yout);

/* Entry points: the y handle first, then x; xval, yp1 and ypn by reference.
   Spline_head resizes y2 to n. SpInterp_head takes pointers to its three
   handles (a null pointer or handle reads as empty). */
ORIN_API int32_t PolyInterp_head(DoubleArrayHdl y, DoubleArrayHdl x, const double *xval, double *yout, double *dyout,
                                 int32_t *error);
ORIN_API int32_t RatInterp_head(DoubleArrayHdl y, DoubleArrayHdl x, const double *xval, double *yout, double *dyout,
                                int32_t *error);
ORIN_API int32_t Spline_head(DoubleArrayHdl y, DoubleArrayHdl x, const double *yp1, const double *ypn,
                             DoubleArrayHdl y2, int32_t *error);
ORIN_API int32_t SpInterp_head(DoubleArrayHdl *y, DoubleArrayHdl *x, DoubleArrayHdl *y2, const double *xval,
                               double *yout, int32_t *error);

#endif /* ORIN_FITTING_H */
