/*
 * orinanalysis: Fourier transforms and spectra.
 *
 * Conventions of every transform here:
 *   forward DFT   X[k] = sum_t x[t] e^(-2 pi i t k / n), unscaled;
 *   inverse DFT   x[t] = (1/n) sum_k X[k] e^(+2 pi i t k / n);
 *   Hartley       H[k] = sum_t x[t] (cos(2 pi t k / n) + sin(2 pi t k / n)).
 * Complex data come as two double arrays (split form: re[], im[]) or as one
 * array of complexnum (interleaved form). All transforms work in place.
 *
 * Packed real spectrum (SpReFFT, SpReInvFFT and the spectra): the spectrum of
 * n real samples in the same n doubles: x[0] = X[0], x[k] = Re X[k] for
 * 1 <= k <= n/2, x[n-k] = Im X[k] for 1 <= k < n/2.
 * Full real-input spectrum: n real and n imaginary parts with the mirror
 * Re X[n-k] = Re X[k], Im X[n-k] = -Im X[k] filled in.
 *
 * Codes: -20003 kErrEmptyArray (length below 1 on a forward path), -20008
 * kErrBadArraySize (length below 1 on an inverse path), -20009
 * kErrNotPowerOfTwo (a power-of-two kernel given another length), -20005,
 * -20006, -20010 (spectrum, Hilbert and cross-power length checks), -20001
 * kErrOutOfMemory (scratch refused; the data are then left as they were
 * unless a routine says otherwise).
 */
#ifndef ORIN_TRANSFORMS_H
#define ORIN_TRANSFORMS_H

#include <orin/common.h>

/* ---- Power-of-two kernels (split radix, radix-2 Hartley) ----------------
   None of them allocates. Twiddles come from a trigonometric recurrence
   carried in extended precision (two sine calls per stage). Common
   parameters:
   re, im  in/out  n doubles each (strided where a stride is given): the
                   data on entry, the transform on return
   n       in      length, a power of two, 1 <= n <= 2^30
   Returns 0, -20003 (n < 1), -20009 (n not a power of two); nothing is
   written on failure. */

/* Forward complex DFT of the n elements re[i*stride], im[i*stride].
   stride  in  1 for split arrays; 2 with re = &c[0].re, im = &c[0].im
               transforms an interleaved array of complexnum */
ORIN_API int32_t SplitRadixCxFFT(double *re, double *im, int32_t n, int32_t stride);

/* Inverse complex DFT, scaled by 1/n, of re[0..n-1], im[0..n-1]. */
ORIN_API int32_t SplitRadixCxInvFFT(double *re, double *im, int32_t n);

/* Full real-input spectrum.
   x   in/out  n real samples; the real parts of the spectrum on return
   im  out     n doubles: the imaginary parts */
ORIN_API int32_t SplitRadixReFFT(double *x, double *im, int32_t n);

/* Real signal from a conjugate-symmetric spectrum.
   re  in/out  reads re[0..n/2]; the signal, scaled by 1/n, on return
   im  in      reads im[n/2+1..n-1]; unchanged */
ORIN_API int32_t SplitRadixReInvFFT(double *re, double *im, int32_t n);

/* Packed real spectrum in place, and its inverse (signal scaled by 1/n).
   Trust their caller: no checks, and they do nothing for n < 2.
   x  in/out  n doubles: samples <-> packed spectrum
   n  in      a power of two
   m  in      log2 n
   Return 0. */
ORIN_API int32_t SpReFFT(double *x, int32_t n, int32_t m);
ORIN_API int32_t SpReInvFFT(double *x, int32_t n, int32_t m);

/* Hartley transform in place, unscaled (applying it twice multiplies by n);
   InvFHT scales by 1/n, giving the inverse (no scaling when FHT fails).
   x  in/out  n doubles
   n  in      a power of two, >= 1
   Return 0, -20003, -20009. */
ORIN_API int32_t FHT(double *x, int32_t n);
ORIN_API int32_t InvFHT(double *x, int32_t n);

/* Bit-reversal permutation of n strided complex elements in place. No
   checks.
   re, im  in/out  n elements each at stride
   n       in      a power of two (below 1: nothing is touched)
   stride  in      1 or 2, as for SplitRadixCxFFT */
ORIN_API void BitReverse(double *re, double *im, int32_t n, int32_t stride);

/* ---- Support helpers ---------------------------------------------------- */

/* floor(log2 n); -1 for n < 1. */
ORIN_API int32_t Log2(int32_t n);

/* Pads a handle with zeros to 2^(Log2(n)+1) elements: the next power of two
   above n (2n when n is one).
   h  in/out  handle of n doubles; n < 1: nothing done
   Returns the memory manager's status: 0, kMgFullErr (n >= 2^30, the padded
   length does not fit), or the status of a refused resize; h is unchanged
   on failure. */
ORIN_API int32_t ZeroPad(DoubleArrayHdl h);

/* Element-wise complex product out = x * y of split arrays.
   xRe, xIm      in   n doubles each
   yRe, yIm      in   n doubles each
   n             in   length, >= 1
   outRe, outIm  out  n doubles each; may be xRe, xIm (not yRe, yIm)
   Returns 0 or -20003 (n < 1). */
ORIN_API int32_t CxMul1D(const double *xRe, const double *xIm, const double *yRe, const double *yIm, int32_t n,
                         double *outRe, double *outIm);

/* ---- Any-length FFT (mixed radix 2, 3, 4, 5, 8, 10; odd primes up to 199
   by a general odd butterfly; larger primes by chirp-z convolution) ------- */

/* Forward DFT of the n elements re[i*stride], im[i*stride], in place.
   re, im  in/out  n elements each at stride (with isReal, im is only
                   written); the spectrum on return
   n       in      length; n < 1 does nothing
   isReal  in      non-zero: only the real parts are read (the imaginary
                   parts count as zero) and the full complex spectrum is
                   written
   stride  in      1 (split arrays) or 2 (interleaved complexnum)
   Returns 0 or -20001 (scratch refused; data untouched). Scratch from the
   process heap: for lengths up to 2^18 whose prime factors are 2, 3 and 5
   (not powers of two), self-sorting radix-2, 3, 4, 5 passes in one block
   of 2n doubles (4n for split arrays), plus the plan's rotations (4n
   doubles) when the library's plan cache has none for n; for other
   lengths a 2n-double copy (complex input or stride 2) and the stage
   tables. */
ORIN_API int32_t MixFFT(double *re, double *im, int32_t n, int32_t isReal, int32_t stride);

/* Chirp-z (Bluestein) DFT of a whole sequence by power-of-two convolutions.
   re, im  in/out  n elements each at stride
   n       in      length; n < 1 does nothing
   M       in      convolution length, a power of two >= 2n - 1; a real input
                   uses M/2 and computes the lower half of the bins when
                   n + n/2 <= M/2, mirroring the rest exactly
   isReal  in      as for MixFFT
   stride  in      1 or 2
   Returns 0, -20008 (M not a power of two or below 2n - 1) or -20001
   (scratch refused); data untouched on failure. */
ORIN_API int32_t SinglePrimeUsingChirpZ(double *re, double *im, int32_t n, int32_t M, int32_t isReal, int32_t stride);

/* Factor list of n in stage order: leftover primes in descending order,
   then the radices 2, 3, 4, 5, 8, 10. n = 1 gives {1}.
   n        in   length, >= 1
   count    out  number of factors
   factors  out  32 entries; the factors in factors[1..*count] (factors[0]
                 is not used)
   Returns 0. */
ORIN_API int32_t factorize(int32_t n, int32_t *count, int32_t *factors);

/* Stage tables: span[i] = factors[1]...factors[i-1],
   groups[i] = n / (factors[1]...factors[i]), groups[0] = n, for i = 1..*count.
   span, groups  out     33 entries each
   factors       in/out  33 entries; filled when *count < 0
   count         in/out  number of factors; < 0 asks for factorize first
   n             in      the length (by pointer)
   Returns 0. */
ORIN_API int32_t transTableSetup(int32_t *span, int32_t *factors, int32_t *groups, int32_t *count, int32_t *n);

/* Digit-reversed permutation for the tables of transTableSetup.
   n, count, factors, groups  in   as from transTableSetup
   x                          in   n doubles at stride
   y                          out  n contiguous doubles
   stride                     in   1 or 2 */
ORIN_API void Repermute(int32_t n, int32_t count, int32_t *factors, int32_t *groups, double *x, double *y,
                        int32_t stride);

/* Twiddle table of an odd butterfly.
   p               in   the prime, >= 1 (below 1: nothing is written)
   trigRe, trigIm  out  p doubles each: cos(2 pi k/p), -sin(2 pi k/p) */
ORIN_API void initTrig(int32_t p, double *trigRe, double *trigIm);

/* Chirp tables of the chirp-z transform.
   p         in   the length, >= 1 (below 1: nothing is written)
   M         in   convolution length, a power of two >= 2p - 1
   cRe, cIm  out  p doubles each: the chirp c[k] = e^(-i pi k^2/p)
   wRe, wIm  out  M doubles each: W = FFT_M(w), w[k] = conj(c[k]) placed
                  around index 0 of a circular array of M */
ORIN_API void initChirp(int32_t p, int32_t M, double *cRe, double *cIm, double *wRe, double *wIm);

/* Non-zero when stage i needs a new odd-butterfly table (factors[i] odd,
   7 <= factors[i] < 200, and a different prime from stage i-1) or a new chirp
   (the same for factors[i] >= 200).
   factors  in  the factor list of factorize
   i        in  stage, 1..count */
ORIN_API int32_t shouldUpdateTrigTable(int32_t *factors, int32_t i);
ORIN_API int32_t shouldUpdateChirpTable(int32_t *factors, int32_t i);

/* ---- FFT entry points ----------------------------------------------------
   A power-of-two length goes to a split-radix kernel (the complex one up to
   10,000,000 elements), any other length to MixFFT. All work in place.
   Complex powers of two from 16 to 512 (and the half-length transforms of
   the real ones from 32 to 8192) run instead as self-sorting radix-4 and
   radix-2 passes when the library's plan cache (8 MB, filled on first use
   of a length, never emptied) holds their plan; which path a length takes
   is decided once per process, and neither allocates.
   re, im  in/out  n doubles each (split form)
   c       in/out  n complexnum (interleaved form)
   x       in/out  handle of n elements (handle forms)
   n       in      length, >= 1
   Forward codes: 0, -20003 (n < 1), -20001 (MixFFT's scratch refused).
   Inverse codes: 0, -20008 (n < 1, checked before anything is touched),
   -20001. The data are untouched on failure. The handle forms return the
   code and never resize the handle. */

/* Forward complex DFT, split form (FFT and CxMixFFTRe are the same). */
ORIN_API int32_t FFT(double *re, double *im, int32_t n);
ORIN_API int32_t CxMixFFTRe(double *re, double *im, int32_t n);
/* Forward complex DFT, interleaved form (FFTCx and CxMixFFTCx are the same). */
ORIN_API int32_t FFTCx(complexnum *c, int32_t n);
ORIN_API int32_t CxMixFFTCx(complexnum *c, int32_t n);
/* FFTCx on the elements of a handle; keeps the doubles 8-byte aligned for
   the power-of-two kernel by moving them within the block when the handle
   leaves them misaligned. */
ORIN_API int32_t FFTH(ComplexArrayHdl x);

/* Full spectrum of a real signal (ReFFT and ReMixFFTRe are the same),
   exactly conjugate-symmetric.
   x   in/out  n real samples; the real parts of the spectrum on return
   im  out     n doubles: the imaginary parts */
ORIN_API int32_t ReFFT(double *x, double *im, int32_t n);
ORIN_API int32_t ReMixFFTRe(double *x, double *im, int32_t n);
/* The same on an interleaved array.
   c  in/out  n complexnum whose re fields hold the signal (im fields
              ignored); the full spectrum on return */
ORIN_API int32_t ReFFTCx(complexnum *c, int32_t n);
ORIN_API int32_t ReMixFFTCx(complexnum *c, int32_t n);
/* Full spectrum of a real signal held in a handle.
   in   in   handle of n >= 1 doubles
   out  out  handle resized to n complex elements: the spectrum; emptied on
             failure
   Returns 0, -20003 (n < 1), -20001 (the resize or MixFFT's scratch
   refused). */
ORIN_API int32_t ReFFTH(DoubleArrayHdl in, ComplexArrayHdl out);

/* Inverse complex DFT (scaled by 1/n): split form, interleaved form and the
   handle. */
ORIN_API int32_t InvFFT(double *re, double *im, int32_t n);
ORIN_API int32_t InvFFTCx(complexnum *c, int32_t n);
ORIN_API int32_t InvFFTH(ComplexArrayHdl x);

/* Real signal from a conjugate-symmetric full spectrum, scaled by 1/n.
   re  in/out  the real parts; the signal on return (other lengths than
               powers of two: the real part of the inverse of whatever
               spectrum is given)
   im  in/out  power of two: reads im[n/2+1..n-1] and leaves im unchanged;
               other lengths: receives the negated imaginary part of the
               inverse (exactly zero for an exactly conjugate-symmetric
               spectrum of even length whose half has no prime factor
               above 5, which is inverted through half the length; zero
               up to rounding for other symmetric spectra)
   Scratch: power of two none; other lengths as MixFFT (half the length for
   the symmetric even ones). Returns 0, -20008 (n < 1), -20001. */
ORIN_API int32_t ReInvFFT(double *re, double *im, int32_t n);
/* The same for an interleaved spectrum (and on the elements of a handle).
   c  in/out  n complexnum; the signal goes to the re fields. Power of two:
              the im fields keep their values (scratch: 2n doubles from the
              process heap); other lengths: as InvFFTCx. */
ORIN_API int32_t ReInvFFTCx(complexnum *c, int32_t n);
ORIN_API int32_t ReInvFFTH(ComplexArrayHdl x);

/* ---- Hartley and Hilbert transforms --------------------------------------- */

/* FHT / InvFHT on the elements of a handle in place.
   x  in/out  handle of n doubles, n a power of two
   Return the kernel's code: 0, -20003 (empty), -20009 (not a power of two);
   the handle is never resized. */
ORIN_API int32_t FHTH(DoubleArrayHdl x);
ORIN_API int32_t InvFHTH(DoubleArrayHdl x);

/* Hilbert transform in place: bin k of the spectrum multiplied by -i for
   0 < k < n/2, by +i above, DC and Nyquist set to 0.
   x      in/out  handle of n doubles, 2 <= n <= 524288 for a power of two,
                  <= 262143 otherwise; emptied on failure
   error  out     0, -20006 (n < 2), -20010 (n too long), -20001 (scratch
                  refused)
   Returns 0. */
ORIN_API int32_t Hilbert(DoubleArrayHdl x, int32_t *error);
/* Hilbert transform of a power-of-two length in place, through the packed
   real spectrum. No checks, no scratch.
   x       in/out  n doubles
   n       in      a power of two, >= 2 (below 1: x is not touched)
   m       in      log2 n
   status  out     0
   Returns 0. */
ORIN_API int32_t FastHilbert(double *x, int32_t n, int32_t m, int32_t *status);
/* Hilbert transform of any length in place, through the full real FFT and a
   complex inverse.
   x       in/out  handle of at least n doubles
   n       in      length, >= 2
   status  out     0 or -20001 (scratch refused)
   Returns *status. On -20001 x is unchanged when the first scratch or the
   forward transform's is refused, else left as its spectrum (Hilbert
   empties it either way). Scratch: n doubles from the host memory manager,
   and MixFFT's. */
ORIN_API int32_t DisHilbert(DoubleArrayHdl x, int32_t n, int32_t *status);

/* ---- Power and cross spectra ---------------------------------------------
   Two-sided, normalised by n^2: S[k] = |X[k]|^2 / n^2, all n bins written. */

/* Power spectrum in place.
   x      in/out  handle of n doubles, 1 <= n <= 8388608 for a power of two,
                  <= 4194303 otherwise; the spectrum on return
   error  out     0, -20010 (n too long, checked first), -20005 (n < 1),
                  -20001 (scratch refused; x unchanged); the length errors
                  empty the handle
   Returns 0, or DSxx's code (-20001) when it fails. */
ORIN_API int32_t Spectrum(DoubleArrayHdl x, int32_t *error);
/* Power spectrum of a power-of-two length in place. No checks, no scratch.
   x  in/out  n doubles
   n  in      a power of two, >= 1 (below 1: x is not touched)
   m  in      log2 n
   Returns 0. */
ORIN_API int32_t Sxx(double *x, int32_t n, int32_t m);
/* Power spectrum of any length in place.
   x  in/out  handle of at least n doubles
   n  in      length, >= 1
   Returns 0 or -20001 (scratch refused; x unchanged). Scratch: n doubles
   from the host memory manager, and MixFFT's. */
ORIN_API int32_t DSxx(DoubleArrayHdl x, int32_t n);

/* Cross power spectrum Sxy[k] = conj(X[k]) Y[k] / n^2, in place; the
   shorter input is zero-padded to the longer, n = max(nx, ny).
   x      in/out  handle of nx doubles, 2 <= nx <= 8388607; resized to n, the
                  real parts on return; emptied on failure
   y      in/out  handle of ny doubles, 2 <= ny <= 8388607; resized to n, the
                  imaginary parts on return; emptied on failure
   error  out     0, -20006 (a count below 2), -20010 (a count above
                  8388607), -20001 (a resize or scratch refused)
   Returns the status of Cross_Power: 0, the memory manager's status of a
   refused resize, or -20001. */
ORIN_API int32_t CrossPowerCIN(DoubleArrayHdl x, DoubleArrayHdl y, int32_t *error);
/* Pads the shorter of x and y (ReSize) and computes the cross power in
   place, without the length checks.
   x, y    in/out  handles of at least 1 double each, as for CrossPowerCIN
   status  out     0, the memory manager's status of a refused resize, or
                   -20001 (scratch refused)
   Returns *status. */
ORIN_API int32_t Cross_Power(DoubleArrayHdl x, DoubleArrayHdl y, int32_t *status);
/* Grows a handle, zeroing the added elements.
   h       in/out  handle of doubles; a handle already n or more long is left
                   alone
   n       in      the length wanted
   status  out     the memory manager's status: 0, or non-zero with h
                   unchanged
   Returns *status. */
ORIN_API int32_t ReSize(DoubleArrayHdl h, int32_t n, int32_t *status);
/* Cross power of a power-of-two length in place. No checks, no scratch.
   x  in/out  n doubles; the real parts on return
   y  in/out  n doubles; the imaginary parts on return
   n  in      a power of two, >= 1 (below 1: x and y are not touched)
   m  in      log2 n
   Returns 0. */
ORIN_API int32_t Sxy_FFT(double *x, double *y, int32_t n, int32_t m);
/* Cross power of any length in place, on the first n doubles of two handles.
   x, y    in/out  handles of at least n doubles; real and imaginary parts on
                   return
   n       in      length, >= 1
   status  out     0 or -20001 (a refused allocation; x may then hold its
                   spectrum, and CrossPowerCIN empties both handles)
   Returns *status. Scratch: two blocks of n doubles from the host memory
   manager, and MixFFT's. */
ORIN_API int32_t Sxy_DFT(DoubleArrayHdl x, DoubleArrayHdl y, int32_t n, int32_t *status);

#endif /* ORIN_TRANSFORMS_H */
