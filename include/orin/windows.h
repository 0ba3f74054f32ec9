/*
 * orinanalysis: window functions.
 *
 * Every window multiplies a signal in place by its weights w[0..n-1]; none
 * returns the window by itself (windowing an array of ones yields it). The
 * generalized cosine, Kaiser-Bessel and triangle windows are symmetric about
 * n/2 (w[n-i] = w[i], the periodic form whose denominator is n); the
 * cosine-tapered window is symmetric about (n-1)/2 (w[n-1-i] = w[i]).
 * Complex samples have both parts multiplied by the same real weight.
 *
 * Checks are made before any sample changes. Handle entry points with an
 * error output empty the signal handle on failure; the generalized cosine
 * entry points, which return their code, leave it as it was.
 */
#ifndef ORIN_WINDOWS_H
#define ORIN_WINDOWS_H

#include <orin/common.h>

/* ---- Generalized cosine window --------------------------------------------
   w[i] = sum_{k=0..K-1} (-1)^k a[k] cos(2 pi k i / n), with every a[k]
   divided by a[0] first when scaled is non-zero (so the scaled window peaks
   at sum |a[k]| / a[0]; a[0] = 0 then gives non-finite weights). Each
   harmonic is advanced by a rotation recurrence (Singleton's form), not a
   cosine per sample; half the window is generated and each weight applied to
   both mirror samples. K = 1 with a[0] exactly 1 leaves the data untouched.
   x, c    in/out  n doubles / n complex samples; windowed on return
   n       in      count, >= 1
   a       in      K cosine coefficients (not null)
   K       in      number of coefficients, >= 1
   scaled  in      0 use a as given, non-zero divide by a[0]
   Returns 0, -20006 (n < 1), -20003 (a null or K < 1), -20001 (scratch
   refused); the data are untouched on failure. Scratch: 4K doubles from the
   process heap. */
ORIN_API int32_t GenCosWin(double *x, int32_t n, const double *a, int32_t K, int32_t scaled);
ORIN_API int32_t CxGenCosWin(complexnum *c, int32_t n, const double *a, int32_t K, int32_t scaled);

/* Handle forms: scaled = 0 (GenCosWinH, CxGenCosWinH) or 1 (Scaled...).
   x       in/out  handle of n doubles (complex for Cx...), n >= 1; windowed
   coeffs  in      handle of K >= 1 coefficients
   Returns the core routine's code: 0, -20006, -20003, -20001. There is no
   error output, so on failure the signal is left as it was (not emptied). */
ORIN_API int32_t GenCosWinH(DoubleArrayHdl x, DoubleArrayHdl coeffs);
ORIN_API int32_t ScaledGenCosWinH(DoubleArrayHdl x, DoubleArrayHdl coeffs);
ORIN_API int32_t CxGenCosWinH(ComplexArrayHdl x, DoubleArrayHdl coeffs);
ORIN_API int32_t ScaledCxGenCosWinH(ComplexArrayHdl x, DoubleArrayHdl coeffs);

/* ---- Cosine-tapered window ------------------------------------------------
   A sin^2 taper over the first and last m = n/10 samples: x[0] = x[n-1] = 0,
   x[i] and x[n-1-i] times sin^2(i pi / (2m)) for i = 1..m-1, the rest left as
   they are. m < 1 (n < 10) changes nothing.
   x      in/out  n doubles (handle: dimSize n); tapered on return
   n      in      count; any value (below 10 nothing is done)
   error  out     always 0
   Both return 0. */
ORIN_API int32_t CosTaperedWin(double *x, int32_t n);
ORIN_API int32_t CosTapered(DoubleArrayHdl x, int32_t *error);

/* ---- Exponential window ---------------------------------------------------
   w[i] = exp(i ln(final) / (n-1)): w[0] = 1, w[n-1] = final.
   x      in/out  n doubles (handle: dimSize n); windowed on return
   n      in      count, >= 2
   final  in      weight of the last sample, > 0 (by pointer in ExpWindCIN)
   error  out     0, -20006 (n < 2), -20027 (final <= 0 or NaN); x emptied on
                  failure
   ExpWin returns the code (x untouched on failure); ExpWindCIN returns 0. */
ORIN_API int32_t ExpWin(double *x, int32_t n, double final);
ORIN_API int32_t ExpWindCIN(DoubleArrayHdl x, const double *final, int32_t *error);

/* ---- Force window ---------------------------------------------------------
   Keeps the first k = trunc(duty * 0.01 * n) samples (formed in extended
   precision, then limited to 0..n; a NaN duty keeps none) and sets the rest
   to 0.
   x      in/out  n doubles (handle: dimSize n)
   n      in      count, >= 2
   duty   in      percent of the record kept; any value (by pointer in
                  ForceWindCIN)
   error  out     0 or -20006 (n <= 1); x emptied on failure
   ForceWin returns the code (x untouched on failure); ForceWindCIN returns 0. */
ORIN_API int32_t ForceWin(double *x, int32_t n, double duty);
ORIN_API int32_t ForceWindCIN(DoubleArrayHdl x, const double *duty, int32_t *error);

/* ---- Kaiser-Bessel window -------------------------------------------------
   w[i] = Io(beta sqrt(1 - t^2)) / Io(beta), t = 1 - 2i/n, symmetric about
   n/2; x[0] is multiplied by 1/Io(beta), and for even n x[n/2] (weight 1) is
   left as it is.
   x      in/out  n doubles (handle: dimSize n)
   n      in      count, >= 1
   beta   in      shape parameter (by pointer in Kaiser_Bessel); 0 gives the
                  rectangular window, larger values a narrower window
   error  out     0 or -20003 (n < 1); x emptied on failure
   KsrWin returns the code; Kaiser_Bessel returns 0. */
ORIN_API int32_t KsrWin(double *x, int32_t n, double beta);
ORIN_API int32_t Kaiser_Bessel(DoubleArrayHdl x, const double *beta, int32_t *error);

/* Modified Bessel function of the first kind, order zero, by its power
   series sum ((x/2)^k / k!)^2 (A&S 9.6.12), stopped once a term adds no more
   than 1e-8 or after 25 terms past the leading 1. The cap limits the relative
   accuracy for large arguments (about 1e-9 at x = 20, worse beyond).
   x  in  the argument, any finite value
   Returns Io(x) >= 1. */
ORIN_API double Io(double x);

/* ---- Triangle window ------------------------------------------------------
   w[i] = i / h for i <= h = n/2 (integer division), symmetric about n/2;
   w[0] = 0. For odd n the two middle samples h and h+1 both get weight 1.
   x      in/out  n doubles (handle: dimSize n)
   n      in      count, >= 1 (n = 1 zeroes the one sample)
   error  out     0 or -20003 (n < 1); x emptied on failure
   TriWin returns the code; TriangleWin returns 0. */
ORIN_API int32_t TriWin(double *x, int32_t n);
ORIN_API int32_t TriangleWin(DoubleArrayHdl x, int32_t *error);

#endif /* ORIN_WINDOWS_H */
