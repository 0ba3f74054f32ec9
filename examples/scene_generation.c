/* Scene: a noisy square wave, generated in two blocks, windowed, and the
   peak of its power spectrum. */
#include "demo.h"

#include <math.h>
#include <stdio.h>

DEMO_SCENE(30, scene_generation) {
    demo_heading("Signal generation: a noisy square wave, windowed, and its spectrum peak");
    enum { kN = 1024, kHalf = kN / 2 };
    int32_t err, n = kHalf;
    double amp = 1.0, f = 37.0 / kN, duty = 50.0, phase = 0.0;

    /* The square wave in two blocks of 512: the phase the first block hands
       back is where the second begins, so they join without a jump. */
    DoubleArrayHdl first = demo_doubles(NULL, 0), second = demo_doubles(NULL, 0);
    DEMO_SYM(SquareWaveCIN)(first, &n, &amp, &f, &phase, &duty, &err);
    printf("  first block of %d samples of a 1 V square wave at %.5f cycles/sample ends at phase %.2f deg\n",
           (int)(*first)->dimSize, f, phase);
    DEMO_SYM(SquareWaveCIN)(second, &n, &amp, &f, &phase, &duty, &err);

    /* Uniform noise of +-0.8 V from a caller-held generator state. */
    int32_t s1 = 0, s2 = 0, s3 = 0, seed = 2024, total = kN;
    double noiseAmp = 0.8;
    DoubleArrayHdl noise = demo_doubles(NULL, 0);
    DEMO_SYM(White)(noise, &total, &noiseAmp, &seed, &err, &s1, &s2, &s3);

    double signal[kN];
    for (int i = 0; i < kN; ++i)
        signal[i] = (i < kHalf ? (*first)->elt[i] : (*second)->elt[i - kHalf]) + (*noise)->elt[i];
    DoubleArrayHdl x = demo_doubles(signal, kN);

    /* A Hann window (cosine sum 0.5 - 0.5 cos) keeps the leakage of the
       off-bin tone from burying the harmonics. */
    const double hann[2] = {0.5, 0.5};
    DoubleArrayHdl coeffs = demo_doubles(hann, 2);
    DEMO_SYM(GenCosWinH)(x, coeffs);

    DEMO_SYM(Spectrum)(x, &err);
    if (err != 0) {
        printf("  the spectrum failed with code %d\n", (int)err);
    } else {
        int peak = 1;
        for (int k = 2; k < kHalf; ++k)
            if ((*x)->elt[k] > (*x)->elt[peak]) peak = k;
        int third = 3 * peak < kHalf - 2 ? 3 * peak : kHalf - 3;
        for (int k = third - 2, last = third + 2; k <= last; ++k)
            if ((*x)->elt[k] > (*x)->elt[third]) third = k;
        printf("  spectrum peak at bin %d (%.5f cycles/sample), power %.4f V^2 per side\n", peak, peak / (double)kN,
               (*x)->elt[peak]);
        printf("  third harmonic near bin %d, %.1f dB below the fundamental (ideal square wave: 9.5 dB)\n", third,
               10 * log10((*x)->elt[peak] / (*x)->elt[third]));
    }

    /* Periodic noise: a flat spectrum whose period is the block itself. */
    n = 16;
    double periodAmp = 0.25;
    int32_t reseed = 7;
    DoubleArrayHdl periodic = demo_doubles(NULL, 0);
    DEMO_SYM(PeriodNoise)(&n, &periodAmp, &reseed, periodic, &err, &s1, &s2, &s3);
    printf("  periodic noise, 16 samples of 7 cosines of 0.25 V each: x[0] = %.4f, x[15] = %.4f\n", (*periodic)->elt[0],
           (*periodic)->elt[15]);

    demo_free(periodic);
    demo_free(coeffs);
    demo_free(x);
    demo_free(noise);
    demo_free(second);
    demo_free(first);
}
