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
   carried in extended precision (two sine calls per stage). */

/* Forward complex DFT of the n elements re[i*stride], im[i*stride]
   (stride 2 with re = &c[0].re, im = &c[0].im transforms an interleaved
   array). Returns 0, -20003 (n < 1), -20009 (n not a power of two). */
ORIN_API int32_t SplitRadixCxFFT(double *re, double *im, int32_t n, int32_t stride);

/* Inverse complex DFT (scaled by 1/n) of re[0..n-1], im[0..n-1].
   Returns 0, -20003, -20009. */
ORIN_API int32_t SplitRadixCxInvFFT(double *re, double *im, int32_t n);

/* Full real-input spectrum: x holds n real samples on entry and the real
   parts on return; im (n doubles, output only) receives the imaginary parts.
   Returns 0, -20003, -20009. */
ORIN_API int32_t SplitRadixReFFT(double *x, double *im, int32_t n);

/* Real signal from a conjugate-symmetric spectrum: reads only re[0..n/2] and
   im[n/2+1..n-1], leaves the signal (scaled by 1/n) in re; im is unchanged.
   Returns 0, -20003, -20009. */
ORIN_API int32_t SplitRadixReInvFFT(double *re, double *im, int32_t n);

/* Packed real spectrum of x[0..n-1] in place. Trusts its caller: n must be a
   power of two and m = log2 n; does nothing for n < 2. Returns 0. */
ORIN_API int32_t SpReFFT(double *x, int32_t n, int32_t m);

/* Inverse of SpReFFT: real signal (scaled by 1/n) from the packed spectrum,
   in place. Same trust as SpReFFT. Returns 0. */
ORIN_API int32_t SpReInvFFT(double *x, int32_t n, int32_t m);

/* Hartley transform of x[0..n-1] in place, unscaled (applying it twice
   multiplies by n). Returns 0, -20003, -20009. */
ORIN_API int32_t FHT(double *x, int32_t n);

/* FHT scaled by 1/n: the inverse Hartley transform. Returns FHT's code (no
   scaling when FHT fails). */
ORIN_API int32_t InvFHT(double *x, int32_t n);

/* Bit-reversal permutation of the n strided complex elements (n a power of
   two, not checked). */
ORIN_API void BitReverse(double *re, double *im, int32_t n, int32_t stride);

/* ---- Support helpers ---------------------------------------------------- */

/* floor(log2 n); -1 for n < 1. */
ORIN_API int32_t Log2(int32_t n);

/* Pads the 1D double handle h with zeros to 2^(Log2(n)+1) elements: the next
   power of two above n, or 2n when n is one. n < 1: nothing done. Returns
   the memory manager's status (0 on success; the handle is unchanged when
   the resize is refused). */
ORIN_API int32_t ZeroPad(DoubleArrayHdl h);

/* Element-wise complex product out = x * y of n split elements. out may be
   x itself, not y. Returns 0 or -20003 (n < 1). */
ORIN_API int32_t CxMul1D(const double *xRe, const double *xIm, const double *yRe, const double *yIm, int32_t n,
                         double *outRe, double *outIm);

/* ---- Any-length FFT (mixed radix 2, 3, 4, 5, 8, 10; odd primes up to 199
   by a general odd butterfly; larger primes by chirp-z convolution) ------- */

/* Forward DFT of the n elements re[i*stride], im[i*stride] (stride 1 or 2).
   isReal != 0: only the real parts are read (the imaginary parts count as
   zero) and the full complex spectrum is written. Scratch from the process
   heap: a 2n-double copy (complex input or stride 2) and the stage tables.
   Returns 0 (n < 1: nothing done) or -20001 (scratch refused, data
   untouched). */
ORIN_API int32_t MixFFT(double *re, double *im, int32_t n, int32_t isReal, int32_t stride);

/* Chirp-z (Bluestein) DFT of a whole sequence of length n using power-of-two
   convolutions of length M (M a power of two, M >= 2n - 1; a real input uses
   M/2 and computes the lower half of the bins when n + n/2 <= M/2, mirroring
   the rest exactly). Returns 0 (n < 1: nothing done), -20008 (M not a power
   of two or below 2n - 1, data untouched) or -20001 (scratch refused, data
   untouched). */
ORIN_API int32_t SinglePrimeUsingChirpZ(double *re, double *im, int32_t n, int32_t M, int32_t isReal,
                                         int32_t stride);

/* Factor list of n in stage order into factors[1..*count] (factors needs 32
   entries; factors[0] is not used): leftover primes in descending order,
   then the radices 2, 3, 4, 5, 8, 10. n = 1 gives {1}. Returns 0. */
ORIN_API int32_t factorize(int32_t n, int32_t *count, int32_t *factors);

/* span[i] = factors[1]...factors[i-1], groups[i] = n / (factors[1]...factors[i]),
   groups[0] = n, for i = 1..*count (arrays of 33 entries). Factorizes first
   when *count < 0. Returns 0. */
ORIN_API int32_t transTableSetup(int32_t *span, int32_t *factors, int32_t *groups, int32_t *count, int32_t *n);

/* Digit-reversed permutation of the strided sequence x[i*stride] into the
   contiguous y[0..n-1], for the factor list and groups of transTableSetup. */
ORIN_API void Repermute(int32_t n, int32_t count, int32_t *factors, int32_t *groups, double *x, double *y,
                        int32_t stride);

/* trigRe[k] = cos(2 pi k/p), trigIm[k] = -sin(2 pi k/p), k = 0..p-1. */
ORIN_API void initTrig(int32_t p, double *trigRe, double *trigIm);

/* Chirp c[k] = e^(-i pi k^2/p) for k = 0..p-1 into cRe/cIm, and the transformed
   chirp filter W = FFT_M(w), w[k] = conj(c[k]) around index 0 of a circular
   array of M (a power of two >= p), into wRe/wIm (M doubles each). */
ORIN_API void initChirp(int32_t p, int32_t M, double *cRe, double *cIm, double *wRe, double *wIm);

/* Non-zero when stage i needs a new odd-butterfly table (factors[i] odd,
   7 <= factors[i] < 200, and a different prime from stage i-1) or a new chirp
   (the same for factors[i] >= 200). */
ORIN_API int32_t shouldUpdateTrigTable(int32_t *factors, int32_t i);
ORIN_API int32_t shouldUpdateChirpTable(int32_t *factors, int32_t i);

/* ---- FFT entry points ----------------------------------------------------
   A power-of-two length goes to a split-radix kernel (the complex one up to
   10,000,000 elements), any other length to MixFFT. Forward: -20003 for
   n < 1. Inverse: -20008 for n < 1, checked before anything is touched.
   -20001 when MixFFT's scratch is refused; the data are then untouched. */

/* Forward complex DFT, split form, in place. */
ORIN_API int32_t FFT(double *re, double *im, int32_t n);
ORIN_API int32_t CxMixFFTRe(double *re, double *im, int32_t n);
/* Forward complex DFT, interleaved form, in place. */
ORIN_API int32_t FFTCx(complexnum *c, int32_t n);
ORIN_API int32_t CxMixFFTCx(complexnum *c, int32_t n);
/* FFTCx on the elements of a host handle (dimension n); keeps the doubles
   8-byte aligned for the power-of-two kernel by moving them within the
   block when the handle leaves them misaligned. */
ORIN_API int32_t FFTH(ComplexArrayHdl x);

/* Full spectrum of a real signal: x real samples in, real parts out; im (n
   doubles) receives the imaginary parts. Exactly conjugate-symmetric. */
ORIN_API int32_t ReFFT(double *x, double *im, int32_t n);
ORIN_API int32_t ReMixFFTRe(double *x, double *im, int32_t n);
/* The same on an interleaved array whose re fields hold the signal. */
ORIN_API int32_t ReFFTCx(complexnum *c, int32_t n);
ORIN_API int32_t ReMixFFTCx(complexnum *c, int32_t n);
/* Full spectrum of the n doubles of handle in into handle out (resized to n
   complex elements; emptied on failure, -20001 when the resize is refused). */
ORIN_API int32_t ReFFTH(DoubleArrayHdl in, ComplexArrayHdl out);

/* Inverse complex DFT (1/n), split and interleaved forms and the handle. */
ORIN_API int32_t InvFFT(double *re, double *im, int32_t n);
ORIN_API int32_t InvFFTCx(complexnum *c, int32_t n);
ORIN_API int32_t InvFFTH(ComplexArrayHdl x);

/* Real signal from a conjugate-symmetric full spectrum, left in re. Power of
   two: reads re[0..n/2] and im[n/2+1..n-1] and leaves im unchanged; other
   lengths: im receives the negated imaginary part of the inverse (zero up to
   rounding for a symmetric spectrum). */
ORIN_API int32_t ReInvFFT(double *re, double *im, int32_t n);
/* The same for an interleaved spectrum: the signal goes to the re fields.
   Power of two: the im fields keep their values (scratch: 2n doubles);
   other lengths: as InvFFTCx. */
ORIN_API int32_t ReInvFFTCx(complexnum *c, int32_t n);
ORIN_API int32_t ReInvFFTH(ComplexArrayHdl x);

/* ---- Hartley and Hilbert transforms --------------------------------------- */

/* FHT / InvFHT on the elements of a handle in place; returns their code
   (-20003 for an empty array, -20009 for a length not a power of two). */
ORIN_API int32_t FHTH(DoubleArrayHdl x);
ORIN_API int32_t InvFHTH(DoubleArrayHdl x);

/* Hilbert transform of the signal in handle x, in place: bin k of the
   spectrum multiplied by -i for 0 < k < n/2, by +i above, DC and Nyquist
   set to 0. error: 0, -20006 (n < 2), -20010 (n above 524,288 for a power of
   two, above 262,143 otherwise), -20001 (scratch refused); on failure the
   handle is emptied. Returns 0. */
ORIN_API int32_t Hilbert(DoubleArrayHdl x, int32_t *error);
/* Hilbert transform of n = 2^m doubles in place through the packed real
   spectrum; *status = 0. Returns 0. */
ORIN_API int32_t FastHilbert(double *x, int32_t n, int32_t m, int32_t *status);
/* Hilbert transform of the n (>= 2) doubles of handle x, any length, through
   the full real FFT and a complex inverse (scratch: n doubles from the host
   memory manager). *status and the return value: 0 or -20001 (x unchanged
   when the first scratch or the forward transform's is refused, else left
   as its spectrum; Hilbert empties it either way). */
ORIN_API int32_t DisHilbert(DoubleArrayHdl x, int32_t n, int32_t *status);

/* ---- Power and cross spectra ---------------------------------------------
   Two-sided, normalised by n^2: S[k] = |X[k]|^2 / n^2, all n bins written. */

/* Power spectrum of handle x in place. error: 0, -20005 (n < 1), -20010
   (n above 8,388,608 for a power of two, above 4,194,303 otherwise),
   -20001 (scratch refused; the data are then unchanged). The length errors
   empty the handle. Returns 0, or DSxx's code when it fails. */
ORIN_API int32_t Spectrum(DoubleArrayHdl x, int32_t *error);
/* Power spectrum of n = 2^m doubles in place. Returns 0. */
ORIN_API int32_t Sxx(double *x, int32_t n, int32_t m);
/* Power spectrum of the n doubles of handle x in place, any n >= 1 (scratch:
   n doubles, host memory manager). Returns 0 or -20001 (x unchanged). */
ORIN_API int32_t DSxx(DoubleArrayHdl x, int32_t n);

/* Cross power spectrum Sxy[k] = conj(X[k]) Y[k] / n^2 of handles x and y:
   real parts replace x, imaginary parts replace y; the shorter input is
   zero-padded to the longer. error: 0, -20006 (a count below 2), -20010 (a
   count above 8,388,607), -20001 (a resize or scratch refused); on failure
   both handles are emptied. Returns the status of Cross_Power (0, the memory
   manager's status of a refused resize, or -20001). */
ORIN_API int32_t CrossPowerCIN(DoubleArrayHdl x, DoubleArrayHdl y, int32_t *error);
/* Pads the shorter of x and y and computes the cross power in place;
   *status and the return value as CrossPowerCIN's return value. */
ORIN_API int32_t Cross_Power(DoubleArrayHdl x, DoubleArrayHdl y, int32_t *status);
/* Grows handle h to n doubles, zeroing the added elements (a handle already
   that long is left alone). *status and the return value: the memory
   manager's status (0 on success, h unchanged otherwise). */
ORIN_API int32_t ReSize(DoubleArrayHdl h, int32_t n, int32_t *status);
/* Cross power of n = 2^m doubles in x and y, in place. Returns 0. */
ORIN_API int32_t Sxy_FFT(double *x, double *y, int32_t n, int32_t m);
/* Cross power of the first n doubles of handles x and y, any n >= 1 (scratch:
   two blocks of n doubles, host memory manager). *status and the return
   value: 0 or -20001 (a refused allocation; x may then hold its spectrum,
   and CrossPowerCIN empties both handles). */
ORIN_API int32_t Sxy_DFT(DoubleArrayHdl x, DoubleArrayHdl y, int32_t n, int32_t *status);

#endif /* ORIN_TRANSFORMS_H */
