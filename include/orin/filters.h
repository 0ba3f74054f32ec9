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
ORIN_API void Params(double Ap, double As, int32_t n, double *eps, double *k1, double *k1c, double *K1, double *K1c,
                     double *k, double *kc, double *K, double *Kc, double *u0, double *sn0, double *cn0, double *dn0);

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
ORIN_API int32_t EllipticCoefs(const double *fs, const double *fl, const double *fh, const double *Ap, const double *As,
                               const int32_t *order, const int32_t *type, DoubleArrayHdl a, DoubleArrayHdl b,
                               int32_t *error);

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
ORIN_API int32_t IIR_Filtering(const double *x, int32_t n, const double *a, double *aState, int32_t na, const double *b,
                               double *bState, int32_t nb, double *y);

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

/* ---- FIR design by truncated ideal response ---------------------------------
   N taps h[k] = ideal impulse response at t = k - (N-1)/2 (rectangular
   window), symmetric: lowpass sin(w1 t)/(pi t), highpass -sin(w1 t)/(pi t)
   plus 1 - w1/pi at the centre, bandpass (sin(w2 t) - sin(w1 t))/(pi t),
   bandstop the negative plus 1 - (w2 - w1)/pi at the centre, with
   w = 2 pi f/fs (centre taps: w1/pi, (w2 - w1)/pi). Each tap is evaluated in
   extended precision. For lowpass and highpass fh is not used (it is taken
   as (fs/2 + fl)/2 for the checks).
   Checks, first failure wins: -20061 type outside 0..3; -20021 N < 1; -20020
   fl or fh above fs/2; -20023 fs or fl not a positive finite number (types
   2, 3: also fh, or fh <= fl); -20033 highpass or bandstop with even N. */
ORIN_API int32_t FIR_Coef(int32_t type, double fs, double fl, double fh, int32_t N, double *h);

/* Handle entry point: h resized to *N taps. *type is clamped into 0..3 (below
   0 becomes 0, above 3 becomes 3) and the clamped value written back before
   the design. Codes in *error: -20021 (*N < 1), -20001 (the resize refused;
   its status is returned) and those of FIR_Coef; h is emptied on failure. */
ORIN_API int32_t FIRCoefs(const double *fs, const double *fl, const double *fh, const int32_t *N, DoubleArrayHdl h,
                          int32_t *type, int32_t *error);

/* ---- Equiripple FIR design (Parks-McClellan) --------------------------------
   Weighted minimax linear-phase design on a grid of 16 points per extremal.
   kind: 1 multiband (symmetric taps, gain desired[b] in band b), 2
   differentiator (antisymmetric, desired[b] f in band b with f = freq/fs,
   weighted by 1/f when the slope is at least 1e-4: equiripple relative
   error), 3 Hilbert transformer (antisymmetric). edges: 2 nBands values in
   the unit of fs, strictly increasing; band b is [edges[2b], edges[2b+1]].
   Checks, first failure wins: -20031 nTaps < 3; -20003 nBands < 1; -20031 a
   NaN or infinite fs, edge, gain or weight; -20023 fs <= 0, an edge < 0, a
   weight <= 0, a gain < 0; -20020 last edge above fs/2; -20023 edges not
   strictly increasing; kind rules with gap = |last edge - fs/2|: multiband
   needs a first edge of 0 and gap <= 0.001 (-20031) and, for even nTaps, a
   last band of gain 0 (-20033); differentiator a first edge of 0 and gap <=
   0.001 (even nTaps) or >= 0.01 (odd); Hilbert a first edge above 0 and gap
   <= 0.001 (even) or >= 0.001 (odd) (-20031); -20061 another kind; -20001
   nTaps/2 + 2 >= 2048 or scratch refused. The exchange fails with -20031 on
   a singular extremal set, a falling levelled error, or when maxIter
   exchanges (maxIter < 1 means 100; 1 and 2 always fail) do not settle.
   On success h holds nTaps taps and *deviation the largest weighted error
   on the design grid (16 points per extremal; the levelled error of the
   last exchange to rounding; between grid points the error peaks up to a
   few per cent higher); on failure *deviation is not written. */
ORIN_API int32_t Equi_Ripple_Iter(int32_t nBands, const double *desired, const double *weights, double fs,
                                  const double *edges, int32_t kind, int32_t nTaps, double *h, double *deviation,
                                  int32_t maxIter);

/* Equi_Ripple_Iter with maxIter = 100. */
ORIN_API int32_t Equi_Ripple(int32_t nBands, const double *desired, const double *weights, double fs,
                             const double *edges, int32_t kind, int32_t nTaps, double *h, double *deviation);

/* A band of the handle entry point: gain (slope for a differentiator), edges
   in the unit of fs, weight. */
#pragma pack(push, 4)
typedef struct {
    double desired;
    double lower;
    double upper;
    double weight;
} FIRBand;
typedef struct {
    int32_t dimSize;
    FIRBand elt[1];
} FIRBandArray;
#pragma pack(pop)
typedef FIRBandArray **FIRBandArrayHdl;

/* Handle entry point: *kind 0 multiband, 1 differentiator, 2 Hilbert; h
   resized to *nTaps. Codes in *error: -20031 (an infinite or NaN fs or band
   value; nTaps < 3), -20021 (*nTaps < 1), -20023 (no bands), -20001 (a
   resize refused; its status is returned) and those of Equi_Ripple_Iter.
   On failure h is emptied and *deviation is iDNaN. */
ORIN_API int32_t Parks(const int32_t *nTaps, const double *fs, FIRBandArrayHdl bands, const int32_t *kind,
                       DoubleArrayHdl h, double *deviation, const int32_t *maxIter, int32_t *error);

/* ---- Narrow-band interpolated FIR ------------------------------------------
   A model filter designed at an M times wider transition and applied with
   M - 1 zeros between its taps, followed by an image filter that removes
   the model's images at multiples of fs/M; both equiripple. Design kinds:
   0 lowpass (pass edge <= fs/4), 1 highpass (mirrored lowpass), 2 bandpass,
   3 bandstop (complement of a bandpass), 4 wide lowpass (complement of a
   mirrored lowpass), 5 wide highpass (complement of a lowpass). Kinds 3, 4
   and 5 add the input delayed by the cascade's centre. */
typedef struct {
    int32_t kind;
    int32_t M;          /* interpolation factor; 1: single stage, no image filter */
    int32_t modelCount; /* model taps */
    double *model;
    int32_t imageCount; /* image taps (0 when M = 1) */
    double *image;
} FIRNarrowDesign;

/* The host's cluster of the handle entry points. */
typedef struct {
    int32_t kind;
    int32_t M;
    DoubleArrayHdl model;
    DoubleArrayHdl image;
} FIRNarrowCluster;

/* Designs a narrow-band filter. type: 0 lowpass, 1 highpass (f1 pass edge, f2
   stop edge), 2 bandpass, 3 bandstop (centred on fc; f1 the pass-band width,
   f2 the stop-band width); dp the pass-band deviation (linear), As the
   stop-band attenuation in dB. Each stage is lengthened by 5 % until its
   equiripple deviation (on the design grid) is at most dp/2. Writes a new design block to *design (release
   it with FreeFIRNarrowMem(design, 0)); on failure *design is null. Codes:
   -20031 (type outside 0..3, NaN or non-positive fs, dp or As, edges out of
   order or beyond fs/2, a stage longer than 500 taps), -20001, and the
   equiripple codes. The design trace goes to DBPrintf. */
ORIN_API int32_t FIRNarrowCoef(double fs, double f1, double f2, double fc, double dp, double As, int32_t type,
                               FIRNarrowDesign **design);

/* Handle entry point: on success the cluster receives kind, M and both tap
   arrays; on failure both arrays are emptied and M is 0. */
ORIN_API int32_t FIRNarrowCoef_head(const double *fs, const double *f1, const double *f2, const double *fc,
                                    const double *dp, const double *As, const int32_t *type, FIRNarrowCluster *cluster,
                                    int32_t *error);

/* Filters n samples into y of n + (modelCount-1) M + imageCount - 1 values
   (n + modelCount - 1 when M = 1). Codes: -20003 (n < 1), -20008 (M < 1,
   modelCount < 1, imageCount < 1 with M > 1, a kind outside 0..5, or an
   output length beyond int32), -20001. */
ORIN_API int32_t FIRNarrowBandFilter(const double *x, int32_t n, int32_t kind, int32_t M, int32_t modelCount,
                                     const double *model, int32_t imageCount, const double *image, double *y);

/* Handle entry point: y resized to the full length. Codes in *error: -20003
   (no samples) and those of FIRNarrowBandFilter; y emptied on failure. */
ORIN_API int32_t FIRnarrowFilter_head(DoubleArrayHdl x, const FIRNarrowCluster *cluster, DoubleArrayHdl y,
                                      int32_t *error);

/* Kaiser's length estimate for the lowpass case (pass edge fp, stop edge
   fst): the interpolation factor *M and the model and image lengths, or the
   single-stage length with *M = 1 when that is not longer. Returns 0 or
   -20031 (a NaN or non-positive argument, fst <= fp). */
ORIN_API int32_t CaculateNFIRTaps(double fs, double fp, double fst, double dp, double ds, int32_t *M,
                                  int32_t *modelTaps, int32_t *imageTaps);

/* Design block memory. mode 0: a new block in *design with both arrays
   (the image array only when imageCount > 0); mode 1: (re)allocates the
   model array of *design for modelCount taps; mode 2: the image array.
   Returns 0, -20031 (a negative count, a mode outside 0..2, or no block for
   modes 1 and 2), -20001 (on which the whole block is released and *design
   set to null). */
ORIN_API int32_t AllocFIRNarrowMem(int32_t modelCount, int32_t imageCount, int32_t mode, FIRNarrowDesign **design);

/* Releases the whole block (mode 0, *design set to null), the model array
   (mode 1) or the image array (mode 2). A null block is ignored. */
ORIN_API void FreeFIRNarrowMem(FIRNarrowDesign **design, int32_t mode);

/* Convolution with h spread by M: y[k] = sum_j h[j] x[k - j M], y of
   (m-1) M + n values (y must not overlap x). Returns 0, -20003 (n or m
   below 1), -20008 (M < 1 or a length beyond int32). */
ORIN_API int32_t modelFilter(const double *x, int32_t n, const double *h, int32_t m, int32_t M, double *y);

/* ---- Median filter ----------------------------------------------------------
   y[i] = median of x[i-r .. i+r], samples outside 0..n-1 counted as zeros;
   the window is kept sorted from one sample to the next. y may be x (in
   place). NaN sorts above every number. r = 0 copies x into y. Returns 0
   (also for n = 0), -20032 (r < 0), -20008 (n <= r), -20001. */
ORIN_API int32_t MedianFilter(const double *x, int32_t n, int32_t r, double *y);

/* In place on the handle's samples; the handle is emptied on failure. */
ORIN_API int32_t MedianFilterCIN(DoubleArrayHdl x, const int32_t *r, int32_t *error);

#endif /* ORIN_FILTERS_H */
