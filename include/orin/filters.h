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
   Common parameters (all frequencies in one unit, e.g. Hz):
   fs    in      sampling frequency, > 0 and finite
   fl    in      low band edge (the cut-off for lowpass and highpass),
                 0 < fl <= fs/2
   fh    in      high band edge (bandpass, bandstop), fl < fh <= fs/2;
                 ignored for lowpass and highpass
   info  in/out  reads type (0..3), order (>= 1), aCount and bCount (at least
                 m*S and (m+1)*S); writes a[0..m*S-1] and b[0..(m+1)*S-1] on
                 success, nothing on failure; init and state are not used
   Returns 0 or the first failing check's code (see the list at the top). */

/* Butterworth: |H| = 1/sqrt(2) at every band edge, maximally flat. */
ORIN_API int32_t Bw_Coef(double fs, double fl, double fh, IIRFilterInfo *info);

/* Bessel (the equal-spaced-pole design): poles on the unit circle, pair j with
   imaginary part 1 - (2j+1)/n (an odd order adds the real pole -1); the
   sections differ from Butterworth only in the pairs' damping. */
ORIN_API int32_t Bessel_Coef(double fs, double fl, double fh, IIRFilterInfo *info);

/* Chebyshev: pass-band ripple, |H| = 10^(-ripple/20) at the band edges
   (order 1 included, in every band type); even orders also have that gain
   where the prototype has DC (DC for lowpass and bandstop, Nyquist for
   highpass, the geometric band centre for bandpass).
   ripple  in  pass-band ripple in dB, > 0 and finite; checked after -20020
               (-20024) */
ORIN_API int32_t Ch_Coef(double fs, double fl, double fh, double ripple, IIRFilterInfo *info);

/* Inverse Chebyshev: flat pass band, equiripple stop band from the band
   edges on (the edges are stop-band edges).
   attenuation  in  stop-band attenuation in dB, > 0 and finite; checked
                    before -20020 (-20025) */
ORIN_API int32_t InvCh_Coef(double fs, double fl, double fh, double attenuation, IIRFilterInfo *info);

/* ---- Elliptic design -------------------------------------------------------
   Equiripple pass band (reached at the band edges) and stop band. Even
   orders scale the numerator of section 0 by 1/sqrt(1 + eps^2). The elliptic
   functions stop their iterations at fixed tolerances, which holds the
   response to the ideal elliptic one within about 1e-7.
   Ap  in  pass-band ripple in dB, > 0 and finite (-20024, after -20020)
   As  in  stop-band attenuation in dB, > 0, finite and > Ap (-20025, then
           -20028) */
ORIN_API int32_t Elp_Coef(double fs, double fl, double fh, double Ap, double As, IIRFilterInfo *info);

/* Complete elliptic integral of the first kind K(k) = pi / (2 AGM(1, k'))
   (A&S 17.6.1).
   x  in  the complementary modulus k' = sqrt(1 - k^2), 0 < x <= 1
   Returns K(k). */
ORIN_API double cei(double x);

/* Jacobi elliptic functions by the descending Gauss transformation (A&S
   16.4), valid over the whole period 4K, negative arguments included.
   u           in   the argument; u = 0 gives (0, 1, 1)
   x           in   the complementary modulus k', 0 < x <= 1
   sn, cn, dn  out  sn(u; k), cn(u; k), dn(u; k) */
ORIN_API void elp(double u, double x, double *sn, double *cn, double *dn);

/* Inverse of the Jacobi sc function, stopped at a relative gap of 1.2e-7
   between the means.
   u  in  the value of sc, non-zero
   x  in  the complementary modulus k', 0 < x <= 1
   Returns w with sc(w; k) = u. */
ORIN_API double arcsc(double u, double x);

/* The modulus whose ratio of complete integrals K'(k)/K(k) is x, from
   Jacobi's theta series (A&S 16.38.5, 16.38.7).
   x  in  the ratio, > 0
   Returns k, at most 1. */
ORIN_API double fk(double x);

/* Prototype parameters of the elliptic design (Daniels, ch. 5).
   Ap, As        in   ripple and attenuation in dB, as for Elp_Coef
   n             in   order, >= 1
   eps           out  ripple factor sqrt(10^(Ap/10) - 1)
   k1, k1c       out  discrimination modulus and its complement
   K1, K1c       out  K(k1), K(k1')
   k, kc         out  selectivity modulus (degree equation
                      K'/K = K1'/(n K1)) and its complement
   K, Kc         out  K(k), K(k')
   u0            out  sc^-1(1/eps; k1') K/(n K1)
   sn0, cn0, dn0 out  sn, cn, dn of u0 for the modulus k' */
ORIN_API void Params(double Ap, double As, int32_t n, double *eps, double *k1, double *k1c, double *K1,
                     double *K1c, double *k, double *kc, double *K, double *Kc, double *u0, double *sn0,
                     double *cn0, double *dn0);

/* ---- Design handle entry points --------------------------------------------
   fs, fl, fh, ripple, attenuation, Ap, As
           in   by pointer, as for the core routines
   order   in   prototype order, >= 1
   type    in   filter type code 0..3
   a       out  handle resized to 2S (types 0, 1) or 4S (types 2, 3) doubles,
                S = (order + 1)/2: the feedback coefficients; emptied on failure
   b       out  handle resized to 3S or 5S doubles: the feed-forward
                coefficients; emptied on failure
   error   out  0, -20021 (order < 1, before any resize), the design codes
                above, or -20001 (a resize refused)
   Returns 0, or the memory manager's status of a refused resize. */
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
   Direct form I of any length, sums kept in extended precision:
     y[i] = (sum_{k<nb} b[k] x[i-k] - sum_{1<=k<na} a[k] y[i-k]) / a[0].
   x       in      n samples
   n       in      count, >= 1
   a       in      na feedback coefficients, a[0] != 0; may be null (FIR)
   aState  in/out  the last na-1 outputs, oldest first; may be null (FIR)
   na      in      count of a; na < 1 (or a or aState null): FIR over b
   b       in      nb feed-forward coefficients
   bState  in/out  the last nb-1 inputs, oldest first
   nb      in      count of b, >= 1
   y       out     n filtered samples; may be x (in place)
   Returns 0, -20999 (nb < 1, checked first), -20003 (n < 1). */
ORIN_API int32_t IIR_Filtering(const double *x, int32_t n, const double *a, double *aState, int32_t na,
                               const double *b, double *bState, int32_t nb, double *y);

/* Cascade of S = (order+1)/2 equal sections, direct form II each
   (m = aCount/S, 2 or 4): w = v - a1 st0 - ... - am st(m-1);
   v = b0 w + b1 st0 + ... + bm st(m-1); st0 holds the newest w.
   x     in      n samples
   n     in      count, >= 1
   info  in/out  order >= 1; aCount = m*S, bCount = (m+1)*S and
                 stateCount = aCount exactly; a, b read; state (stateCount
                 doubles) updated; a non-zero init clears the state first
                 and is reset to 0 (before the n check)
   y     out     n filtered samples; may be x (in place)
   Returns 0, -20999 (order < 1 or counts that do not fit), -20003 (n < 1). */
ORIN_API int32_t IIR_Filtering2(const double *x, int32_t n, IIRFilterInfo *info, double *y);

/* Filters x in place through IIR_Filtering.
   x             in/out  handle of n >= 1 samples; filtered on return
   a             in      handle of na feedback coefficients (may be empty)
   b             in      handle of nb feed-forward coefficients
   bState        in/out  handle; resized to nb-1 values when its count
                         differs (which clears it), the last inputs on return
   aState        in/out  handle; with feedback, resized to na-1 values
                         likewise, the last outputs on return
   continueFlag  in      host Boolean: 1 keeps the states, any other value
                         clears them
   error         out     0, -20003 (no samples), -20008 (b empty, a not),
                         -20999 (from the core), -20001 (a state resize
                         refused: that state is left empty)
   Empty a and b: nothing is done. x is emptied after -20008 and -20999, and
   left as it was after -20003 and -20001. Returns 0, or the memory
   manager's status of a refused resize. */
ORIN_API int32_t IIR_Filter(DoubleArrayHdl x, DoubleArrayHdl a, DoubleArrayHdl b, DoubleArrayHdl bState,
                            DoubleArrayHdl aState, const uint8_t *continueFlag, int32_t *error);

/* Filters x in place through the cascade IIR_Filtering2.
   x             in/out  handle of n >= 1 samples; filtered on return
   sectionKind   in      0 second-order sections (na = 2S values of a),
                         1 fourth-order (na = 4S)
   a, b          in      handles of the design's coefficients (na and nb)
   state         in/out  handle; resized to m*(na/m) values when its count
                         differs, which clears it
   continueFlag  in      host Boolean: 1 keeps the state, any other value
                         clears it
   error         out     0, -20003 (no samples), -20061 (sectionKind not 0
                         or 1), -20008 (only one of a, b given), -20999
                         (counts that do not fit the sections), -20001 (the
                         state resize refused: the state is left empty)
   Empty a and b: nothing is done. x is emptied after -20008 and -20999, and
   left as it was after -20003, -20061 and -20001. Returns 0, or the memory
   manager's status of a refused resize. */
ORIN_API int32_t IIR_Filter2(DoubleArrayHdl x, const int32_t *sectionKind, DoubleArrayHdl a, DoubleArrayHdl b,
                             DoubleArrayHdl state, const uint8_t *continueFlag, int32_t *error);

#endif /* ORIN_FILTERS_H */
