/*
 * orinanalysis: IIR filter design and filtering.
 *
 * Design. Each response starts from an analogue lowpass prototype of unit
 * cut-off, is transformed to the requested band type (s -> s, 1/s,
 * (s^2 + P)/(W s), W s/(s^2 + P)) and mapped to the z-plane by the bilinear
 * transform with pre-warped edges (T = tan(pi f / fs)). The result is a
 * cascade of S = (order + 1) / 2 sections:
 *
 *   lowpass, highpass:   second-order sections, a = [a1 a2] and
 *                        b = [b0 b1 b2] per section (2S and 3S values);
 *   bandpass, bandstop:  fourth-order sections, a = [a1 a2 a3 a4] and
 *                        b = [b0 .. b4] per section (4S and 5S values).
 *
 * a0 = 1 is not stored; section k starts at a[k*m] and b[k*(m+1)], m = 2 or
 * 4, and section 0 is applied first. For an odd order, section 0 holds the
 * real prototype pole, padded with zeros ([a1 0], [b0 b1 0] or
 * [a1 a2 0 0], [b0 b1 b2 0 0]); the pole pairs follow. Classic designs take
 * the pairs from the one nearest the imaginary axis (highest Q) outwards.
 *
 * Filter type codes: 0 lowpass, 1 highpass, 2 bandpass, 3 bandstop. For
 * lowpass and highpass the cut-off is fl and fh is ignored.
 *
 * Checks of every design, first failure wins:
 *   -20021 order < 1;
 *   -20023 fl, fh or fs not a positive finite number, or fl >= fh (for
 *          lowpass and highpass fh is taken as (fs/2 + fl)/2, so a cut-off
 *          at or above fs/2 fails here);
 *   -20020 fh or fl above fs/2 (an edge exactly at fs/2 is accepted);
 *   response parameters (see each routine);
 *   -20999 the coefficient arrays hold fewer than m*S and (m+1)*S values;
 *   -20061 a filter type outside 0..3.
 * Nothing is written before all checks pass.
 */
#ifndef ORIN_FILTERS_H
#define ORIN_FILTERS_H

#include <orin/common.h>

/* The coefficient and state block shared by the designs and the cascade
   filter. The designs read type, order, aCount, a, bCount and b; the cascade
   filter reads all but type. The caller owns every array. */
typedef struct {
    int32_t type;       /* filter type code 0..3 */
    int32_t order;      /* prototype order n, at least 1 */
    int32_t init;       /* non-zero: the cascade filter clears the state first */
    int32_t aCount;     /* capacity of a, in doubles */
    double *a;          /* feedback coefficients (a1..am per section) */
    int32_t bCount;     /* capacity of b, in doubles */
    double *b;          /* feed-forward coefficients (b0..bm per section) */
    int32_t stateCount; /* length of state, in doubles */
    double *state;      /* cascade state: m values per section */
} IIRFilterInfo;

/* ---- Classic designs: core routines ---------------------------------------
   fs sampling frequency, fl and fh the band edges, in one unit. */

/* Butterworth: |H| = 1/sqrt(2) at every band edge, maximally flat. */
ORIN_API int32_t Bw_Coef(double fs, double fl, double fh, IIRFilterInfo *info);

/* Equal-spaced poles on the unit circle: the pole pair j has imaginary part
   1 - (2j+1)/n (an odd order adds the real pole -1); the sections differ
   from Butterworth only in the pairs' damping. */
ORIN_API int32_t Bessel_Coef(double fs, double fl, double fh, IIRFilterInfo *info);

/* Chebyshev: pass-band ripple of ripple dB, |H| = 10^(-ripple/20) at the
   band edges (order 1 included, in every band type); even orders also have
   that gain where the prototype has DC (DC for lowpass and bandstop, Nyquist
   for highpass, the geometric band centre for bandpass). Extra check after
   -20020: -20024 ripple not a positive finite number. */
ORIN_API int32_t Ch_Coef(double fs, double fl, double fh, double ripple, IIRFilterInfo *info);

/* Inverse Chebyshev: flat pass band, equiripple stop band attenuated by
   attenuation dB from the band edges on (the edges are stop-band edges).
   Extra check before -20020: -20025 attenuation not a positive finite
   number. */
ORIN_API int32_t InvCh_Coef(double fs, double fl, double fh, double attenuation, IIRFilterInfo *info);

/* ---- Elliptic design -------------------------------------------------------
   Equiripple pass band (ripple Ap dB, reached at the band edges) and stop
   band (attenuation As dB). Extra checks after -20020: -20024 Ap, -20025 As
   not a positive finite number; -20028 As <= Ap. Even orders scale the
   numerator of section 0 by 1/sqrt(1 + eps^2). The elliptic functions stop
   their iterations at fixed tolerances, which holds the response to the ideal
   elliptic one within about 1e-7. */
ORIN_API int32_t Elp_Coef(double fs, double fl, double fh, double Ap, double As, IIRFilterInfo *info);

/* Complete elliptic integral of the first kind K(k) for the modulus whose
   complement is x = sqrt(1 - k^2), by the arithmetic-geometric mean. */
ORIN_API double cei(double x);

/* Jacobi elliptic functions sn, cn, dn of u for the modulus whose complement
   is x (descending Gauss transformation). u = 0 gives (0, 1, 1). */
ORIN_API void elp(double u, double x, double *sn, double *cn, double *dn);

/* Inverse of the Jacobi sc function: the argument w with sc(w) = u for the
   modulus whose complement is x. Stops at a relative gap of 1.2e-7 between
   the means. */
ORIN_API double arcsc(double u, double x);

/* The modulus k whose ratio K'(k)/K(k) equals x, from Jacobi's theta series;
   at most 1. */
ORIN_API double fk(double x);

/* Prototype parameters of the elliptic design of order n, ripple Ap and
   attenuation As (dB): eps, the discrimination modulus k1 and its complement,
   K1 = K(k1), K1' = K(k1'), the selectivity modulus k (from the degree
   equation K'/K = K1'/(n K1)) and its complement, K = K(k), K' = K(k'),
   u0 = sc^-1(1/eps; k1') K/(n K1), and sn, cn, dn of u0 for the modulus k'. */
ORIN_API void Params(double Ap, double As, int32_t n, double *eps, double *k1, double *k1c, double *K1,
                     double *K1c, double *k, double *kc, double *K, double *Kc, double *u0, double *sn0,
                     double *cn0, double *dn0);

/* ---- Design handle entry points --------------------------------------------
   Scalars by reference; a and b are resized to 2S and 3S (types 0, 1) or 4S
   and 5S (types 2, 3) doubles and filled. On failure both are emptied and the
   code is stored in *error: the design codes above, or -20021 (order < 1),
   -20001 (a resize refused; the memory manager's status is then returned).
   Returns 0 otherwise. */
ORIN_API int32_t BWCoefs(const double *fs, const double *fl, const double *fh, const int32_t *order,
                         const int32_t *type, DoubleArrayHdl a, DoubleArrayHdl b, int32_t *error);
ORIN_API int32_t BesselCoefs(const double *fs, const double *fl, const double *fh, const int32_t *order,
                             const int32_t *type, DoubleArrayHdl a, DoubleArrayHdl b, int32_t *error);
ORIN_API int32_t ChebyshevCoefs(const double *fs, const double *fl, const double *fh, const double *ripple,
                                const int32_t *order, const int32_t *type, DoubleArrayHdl a, DoubleArrayHdl b,
                                int32_t *error);
ORIN_API int32_t InvChebyshevCoefs(const double *fs, const double *fl, const double *fh, const double *attenuation,
                                   const int32_t *order, const int32_t *type, DoubleArrayHdl a, DoubleArrayHdl b,
                                   int32_t *error);
ORIN_API int32_t EllipticCoefs(const double *fs, const double *fl, const double *fh, const double *Ap,
                               const double *As, const int32_t *order, const int32_t *type, DoubleArrayHdl a,
                               DoubleArrayHdl b, int32_t *error);

/* ---- Filtering ---------------------------------------------------------------
   Direct form I of any length:
     y[i] = (sum_{k<nb} b[k] x[i-k] - sum_{1<=k<na} a[k] y[i-k]) / a[0].
   bState holds the last nb-1 inputs, aState the last na-1 outputs, oldest
   first; both are updated. With na < 1, or a or aState null, the filter is
   the FIR filter over b. y may be x (in place). Sums are kept in extended
   precision. Returns 0, -20999 (nb < 1), -20003 (n < 1). */
ORIN_API int32_t IIR_Filtering(const double *x, int32_t n, const double *a, double *aState, int32_t na,
                               const double *b, double *bState, int32_t nb, double *y);

/* Cascade of S = (order+1)/2 equal sections, direct form II each, m = aCount/S
   (2 or 4): w = v - a1 st0 - ... - am st(m-1); v = b0 w + b1 st0 + ... +
   bm st(m-1); st0 holds the newest w. Requires aCount = m*S, bCount =
   (m+1)*S, stateCount = aCount (else -20999, also for order < 1). A
   non-zero init clears the state first and is reset to 0. y may be x.
   Returns 0, -20999, -20003 (n < 1, checked after the reset). */
ORIN_API int32_t IIR_Filtering2(const double *x, int32_t n, IIRFilterInfo *info, double *y);

/* Filters x in place through IIR_Filtering. continueFlag (a host Boolean)
   equal to 1 keeps the states; any other value clears them. The states are
   resized to nb-1 and (with feedback) na-1 values; a resize also clears
   them. Empty a and b: nothing is done; only a given: -20008. Codes: -20003
   (no samples), -20008, -20999 (from the core), -20001 (a state resize
   refused: that state is emptied and the memory manager's status returned).
   x is emptied after -20008 and after a core error, and left as it was after
   -20003 and -20001. */
ORIN_API int32_t IIR_Filter(DoubleArrayHdl x, DoubleArrayHdl a, DoubleArrayHdl b, DoubleArrayHdl bState,
                            DoubleArrayHdl aState, const uint8_t *continueFlag, int32_t *error);

/* Filters x in place through the cascade: sectionKind 0 for second-order
   sections (na = 2S values of a), 1 for fourth-order (na = 4S). The state is
   resized to m*(na/m) values when its count differs, which clears it; so does
   a continueFlag other than 1. Empty a and b: nothing is done. Codes: -20003
   (no samples), -20061 (sectionKind not 0 or 1), -20008 (only one of a, b
   given), -20999 (counts that do not fit the sections), -20001 (the state
   resize refused: the state is emptied and the memory manager's status
   returned). x is emptied after -20008 and -20999, and left as it was after
   -20003, -20061 and -20001. */
ORIN_API int32_t IIR_Filter2(DoubleArrayHdl x, const int32_t *sectionKind, DoubleArrayHdl a, DoubleArrayHdl b,
                             DoubleArrayHdl state, const uint8_t *continueFlag, int32_t *error);

#endif /* ORIN_FILTERS_H */
