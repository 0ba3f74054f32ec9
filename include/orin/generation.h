/*
 * orinanalysis: signal generation.
 *
 * Random noise from a Wichmann-Hill generator, periodic waveforms with a
 * caller-held phase, fixed patterns, a linear chirp, and frequency and phase
 * modulation. Every piece of state that must survive between calls (the
 * generator seeds, the Gaussian spare, a waveform's phase, a modulator's
 * carrier phase and peak) belongs to the caller and is passed by address.
 *
 * Handle entry points that return a new array all follow one sequence: the
 * error output is set to 0; a count below 1 gives -20003 and an empty output;
 * the output is resized to n doubles (a refusal gives -20001, an empty output,
 * and the memory manager's status as the function result); the core routine
 * fills it, and a non-zero code empties it again. They return 0 otherwise.
 * Caller-held state (phase, seeds, spare) is never overwritten with NaN on
 * failure; it is left as the failed call found it.
 */
#ifndef ORIN_GENERATION_H
#define ORIN_GENERATION_H

#include <orin/common.h>

/* ---- Random source ---------------------------------------------------------
   Wichmann and Hill (1982), AS 183: three multiplicative congruential
   generators s1 = 171 s1 mod 30269, s2 = 172 s2 mod 30307, s3 = 170 s3 mod
   30323, in 32-bit wrap-around arithmetic with truncating remainders; their
   normalized values summed modulo 1. The state s1, s2, s3 is the caller's.
   Sharing one state between threads needs the caller's own lock (the
   exported AnlysRandGenMutex is there for it); nothing here locks.
   s1, s2, s3  in/out  the generator state (one int32 each); advanced */

/* Seeds the state: s1 = seed, s2 = (seed*8191) & 16383, s3 = (s2*8191) & 16383.
   seed        in   any value; 0 leaves the state unchanged
   s1, s2, s3  out  the new state */
ORIN_API void srandnum(int32_t seed, int32_t *s1, int32_t *s2, int32_t *s3);
/* Next uniform value in [0, 1); one step of the state. */
ORIN_API double frandnum(int32_t *s1, int32_t *s2, int32_t *s3);
/* Next value as the integer part of 32768 times the fractional part of the
   sum, truncated toward zero: 0..32767 while the seeds are non-negative;
   once a seed has wrapped negative the value can be negative (down to
   -32767). One step of the state. */
ORIN_API int32_t randnum(int32_t *s1, int32_t *s2, int32_t *s3);

/* Noise routines. Seed rule: seed >= 0 goes to srandnum (0 continues the
   state, a positive seed restarts its sequence); a negative seed continues
   the state untouched.
   n           in      number of samples, >= 1 (handle forms: by pointer)
   amp         in      half-width of the uniform noise (WhiteNoise, White)
   sd          in      standard deviation of the Gaussian noise
   seed        in      see the seed rule (handle forms: by pointer)
   out         out     n doubles (handle forms: resized to n doubles; emptied
                       on failure)
   s1, s2, s3  in/out  generator state; left as it is when n < 1
   haveSpare   in/out  1 when spare holds an unused Gaussian value, else 0
   spare       in/out  the unused second value of the last pair
   error       out     handle forms: the core routine's code, or -20001 (the
                       resize refused; the memory manager's status returned)

   Uniform white noise in [-amp, amp): out[i] = (frandnum - 0.5) * 2 amp.
   Returns 0 or -20003 (n < 1). */
ORIN_API int32_t WhiteNoise(int32_t n, double amp, int32_t seed, double *out, int32_t *s1, int32_t *s2, int32_t *s3);
ORIN_API int32_t White(DoubleArrayHdl out, const int32_t *n, const double *amp, const int32_t *seed, int32_t *error,
                       int32_t *s1, int32_t *s2, int32_t *s3);

/* Gaussian white noise of standard deviation sd (polar Box-Muller, Knuth
   TAOCP vol. 2, 3.4.1 C). Each pair drawn yields two values; the second is
   kept in the caller's spare (haveSpare 1) and used by the next sample, in
   this call or the next, so blocks of any size join into one stream. A seed
   >= 0 also clears haveSpare and spare.
   Returns 0, -20003 (n < 1), or -20062 when the generator sits at its fixed
   point s1 = s2 = s3 = 0 (never seeded, or a seed whose first step lands
   there), where no point of the unit disc can ever be drawn; the samples
   before it are written, the rest are not, and s1, s2, s3, haveSpare and
   spare are handed back as they were on entry. */
ORIN_API int32_t GaussNoise(int32_t n, double sd, int32_t seed, double *out, int32_t *s1, int32_t *s2, int32_t *s3,
                            int32_t *haveSpare, double *spare);
ORIN_API int32_t Gauss(DoubleArrayHdl out, const int32_t *n, const double *sd, const int32_t *seed, int32_t *error,
                       int32_t *s1, int32_t *s2, int32_t *s3, int32_t *haveSpare, double *spare);

/* Periodic random noise of period n: x[t] = sum_{k=1..K} amp cos(2 pi k t/n
   + phi_k), K = (n-1)/2 for odd n, n/2 - 1 for even n, each phi_k the next
   randnum read as radians; a flat spectrum of magnitude amp*n/2 with no DC
   and no Nyquist component, made by an inverse FFT.
   n           in      period and number of samples, 2..8388608 for a power
                       of two, 2..4194303 otherwise
   amp         in      amplitude of each harmonic
   seed        in      the seed rule above
   out         out     handle resized to n doubles; emptied on any error
   error       out     0, -20003 (n < 1; nothing drawn), -20006 (n = 1),
                       -20009 (n too long), -20001 (memory refused)
   s1, s2, s3  in/out  generator state; the seed is applied and the K
                       phases are drawn before the length is checked, so a
                       refused length advances the state like an accepted one
   Returns 0, or the memory manager's status of a refused resize. Scratch:
   two blocks of n doubles from the host memory manager, taken (like the
   resize) before the length is checked. */
ORIN_API int32_t PeriodNoise(const int32_t *n, const double *amp, const int32_t *seed, DoubleArrayHdl out,
                             int32_t *error, int32_t *s1, int32_t *s2, int32_t *s3);

/* ---- Periodic waveforms ------------------------------------------------------
   Consecutive blocks join into the same samples as one block, up to the
   rounding of the phase reduction. Shapes at reduced phase q: square +1 for
   q < d*360 else -1 (d = duty/100 limited to [0, 1]); triangle 0 at 0, +1 at
   90, -1 at 270 degrees; sawtooth rising from 0 to just under 1 at 180,
   jumping to -1 and rising to 0 at 360 degrees.
   n       in      number of samples, >= 1 (handle forms: by pointer)
   amp     in      multiplies every sample
   f       in      frequency in cycles per sample; negative runs backwards
   phase   in/out  degrees: the block starts at *phase, which advances by
                   f*360 per sample; on return the phase where the next block
                   starts, reduced to [0, 360); untouched when n < 1
   duty    in      (square) percent of the period at +1, any value
   table   in      (arbitrary) m doubles, one period, entry j at phase j*360/m
   m       in      (arbitrary) table count; m < 1 yields zeros and phase 0
   interp  in      (arbitrary) 1 interpolate linearly (the last entry towards
                   the first); any other value takes the entry at the
                   truncated position
   out     out     n doubles (handle forms: resized to n doubles; emptied on
                   failure)
   error   out     handle forms: 0, -20003 (n < 1), -20001 (resize refused;
                   the memory manager's status returned)
   Core routines return 0 or -20003 (n < 1); handle forms return 0 or the
   memory manager's status. */
ORIN_API int32_t SineWave(int32_t n, double amp, double f, double *phase, double *out);
ORIN_API int32_t SquareWave(int32_t n, double amp, double f, double *phase, double duty, double *out);
ORIN_API int32_t TriangleWave(int32_t n, double amp, double f, double *phase, double *out);
ORIN_API int32_t SawtoothWave(int32_t n, double amp, double f, double *phase, double *out);
/* The phase is carried in table positions during the block. */
ORIN_API int32_t ArbitraryWave(int32_t n, double amp, double f, double *phase, const double *table, int32_t m,
                               int32_t interp, double *out);

ORIN_API int32_t SineWaveCIN(DoubleArrayHdl out, const int32_t *n, const double *amp, const double *f, double *phase,
                             int32_t *error);
ORIN_API int32_t SquareWaveCIN(DoubleArrayHdl out, const int32_t *n, const double *amp, const double *f, double *phase,
                               const double *duty, int32_t *error);
ORIN_API int32_t TriangleWaveCIN(DoubleArrayHdl out, const int32_t *n, const double *amp, const double *f,
                                 double *phase, int32_t *error);
ORIN_API int32_t SawtoothWaveCIN(DoubleArrayHdl out, const int32_t *n, const double *amp, const double *f,
                                 double *phase, int32_t *error);
/* The table handle supplies the table and its count m. */
ORIN_API int32_t ArbitraryWaveCIN(DoubleArrayHdl out, const int32_t *n, const double *amp, const double *f,
                                  double *phase, DoubleArrayHdl table, const int32_t *interp, int32_t *error);

/* ---- Patterns ------------------------------------------------------------------
   Fixed blocks of n samples that do not continue from call to call. Common
   parameters (the handle forms take every scalar by pointer):
   n      in   number of samples, >= 1 (Ramp: >= 2)
   amp    in   amplitude
   out    out  n doubles (handle forms: resized to n doubles; emptied on
               failure)
   error  out  handle forms: the core's code, or -20001 (resize refused; the
               memory manager's status returned)
   Handle forms return 0 or the memory manager's status. */

/* out[delay] = amp, 0 elsewhere.
   delay  in  position of the impulse, 0..n-1
   Returns 0, -20003 (n < 1), -20017 (delay outside 0..n-1). */
ORIN_API int32_t Impulse(int32_t n, double amp, int32_t delay, double *out);
ORIN_API int32_t ImpulsePtrn(DoubleArrayHdl out, const int32_t *n, const double *amp, const int32_t *delay,
                             int32_t *error);

/* amp for delay <= i < delay + width, 0 elsewhere.
   delay  in  first sample of the pulse, >= 0
   width  in  samples in the pulse, >= 0, delay + width <= n
   Returns 0, -20003 (n < 1), -20014 (delay < 0, width < 0 or
   delay + width > n). */
ORIN_API int32_t Pulse(int32_t n, double amp, int32_t delay, int32_t width, double *out);
ORIN_API int32_t PulsePtrn(DoubleArrayHdl out, const int32_t *n, const double *amp, const int32_t *delay,
                           const int32_t *width, int32_t *error);

/* out[0] = first, each next sample the previous plus (last-first)/(n-1), so
   out[n-1] equals last up to rounding.
   first, last  in  the end values
   Returns 0 or -20006 (n < 2; the handle form checks it before resizing). */
ORIN_API int32_t Ramp(int32_t n, double first, double last, double *out);
ORIN_API int32_t RampPtrn(DoubleArrayHdl out, const int32_t *n, const double *first, const double *last,
                          int32_t *error);

/* out[i] = amp sin(a)/a with a = (dt i - delay) pi (amp where a = 0).
   delay  in  centre of the main lobe, in units of time
   dt     in  sampling interval, > 0
   Returns 0, -20003 (n < 1), -20016 (dt <= 0 or NaN). */
ORIN_API int32_t Sinc(int32_t n, double amp, double delay, double dt, double *out);
ORIN_API int32_t SincWave(DoubleArrayHdl out, const int32_t *n, const double *amp, const double *delay,
                          const double *dt, int32_t *error);

/* cycles periods of a sine over n samples starting at phase:
   out[i] = amp sin(phase + 2 pi cycles i / n).
   phase   in  degrees
   cycles  in  periods in the block, <= n (negative runs backwards)
   Returns 0, -20003 (n < 1), -20012 (cycles > n or NaN). */
ORIN_API int32_t SinePattern(int32_t n, double amp, double phase, double cycles, double *out);
ORIN_API int32_t SinePtrn(DoubleArrayHdl out, const int32_t *n, const double *amp, const double *phase,
                          const double *cycles, int32_t *error);

/* Unipolar square pattern: P = trunc(n/cycles) samples per period, the first
   H = trunc(duty * 0.01 * P) of them (formed in extended precision) amp, the
   rest 0; duty exactly 100 makes every sample amp.
   duty    in   percent of each period at amp (limited to 0..100 in effect)
   cycles  in   periods in the block, 0 < cycles <= n
   error   out  the returned code as well
   Returns 0, -20003 (n < 1), -20012 (duty other than 100 and no whole
   sample per period: cycles <= 0, cycles > n, or NaN). */
ORIN_API int32_t GenSquareWave(int32_t n, double duty, double cycles, double amp, double *out, int32_t *error);
/* Handle form: checks n first (-20003, before resizing), resizes the output,
   then checks -20011 (duty <= 0 or NaN), -20012 (cycles <= 0, cycles > n/2
   in integer division, or NaN). */
ORIN_API int32_t Square(DoubleArrayHdl out, const int32_t *n, const double *amp, const double *duty,
                        const double *cycles, int32_t *error);

/* Linear chirp out[i] = amp sin(i (a i + 2 pi f1)), a = (f2 - f1) pi / n: the
   instantaneous frequency sweeps from f1 at the first sample towards f2 at
   sample n.
   f1, f2  in  start and end frequencies, cycles per sample
   Returns 0 or -20003 (n < 1). */
ORIN_API int32_t Chirp(int32_t n, double amp, double f1, double f2, double *out);
ORIN_API int32_t ChirpCIN(DoubleArrayHdl out, const int32_t *n, const double *amp, const double *f1, const double *f2,
                          int32_t *error);

/* ---- Frequency and phase modulation ---------------------------------------------
   A unit sine carrier modulated by the samples of x, in place. Blocks of any
   sizes join exactly into one signal, because the phase state is rounded to
   double every sample.
   n         in      number of samples; n < 1 processes nothing and sets
                     *phaseOut to the carrier phase alone
   dt        in      sampling interval, > 0 (not checked)
   phaseOut  out     carrier phase reached, in degrees (PhasMod also adds
                     the last sample's deviation)
   fc        in      carrier frequency, cycles per unit of time
   x         in/out  n modulating samples; the modulated carrier on return
                     (FreqMod: frequency deviation in the units of fc;
                     PhasMod: phase deviation in degrees)
   peak      in/out  the modulating sample of largest magnitude seen so far,
                     magnitudes compared after truncation toward zero (a
                     sample replaces it only when its truncated magnitude is
                     larger)
   psi       in/out  carrier phase state: psi*dt is the phase in radians, kept
                     within [0, 2 pi/dt) by adding or subtracting 2 pi/dt at
                     most once per sample
   FreqMod: psi += 2 pi x[i] + 2 pi fc; x[i] = sin(psi dt).
   PhasMod: psi += 2 pi fc; x[i] = sin(x[i] pi/180 + psi dt).
   Both return 0. */
ORIN_API int32_t FreqMod(int32_t n, double dt, double *phaseOut, double fc, double *x, double *peak, double *psi);
ORIN_API int32_t PhasMod(int32_t n, double dt, double *phaseOut, double fc, double *x, double *peak, double *psi);

#endif /* ORIN_GENERATION_H */
