/* Scene: FIR designs (equiripple and narrow band) measured from their taps,
   and a median filter cleaning impulsive noise. */
#include "demo.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>

/* Amplitude of symmetric taps at f (cycles per sample). */
static double amplitude(const double *h, int n, double f) {
    double a = 0;
    for (int k = 0; k < n; ++k) a += h[k] * cos(2 * M_PI * f * (k - (n - 1) / 2.0));
    return a;
}

/* Magnitude of the interpolated cascade model(z^M) image(z) at f. */
static double cascade(const FIRNarrowDesign *d, double f) {
    double mr = 0, mi = 0, ir = d->M > 1 ? 0 : 1, ii = 0;
    for (int k = 0; k < d->modelCount; ++k) {
        mr += d->model[k] * cos(2 * M_PI * f * k * d->M);
        mi -= d->model[k] * sin(2 * M_PI * f * k * d->M);
    }
    for (int k = 0; d->M > 1 && k < d->imageCount; ++k) {
        ir += d->image[k] * cos(2 * M_PI * f * k);
        ii -= d->image[k] * sin(2 * M_PI * f * k);
    }
    return hypot(mr * ir - mi * ii, mr * ii + mi * ir);
}

DEMO_SCENE(41, scene_fir) {
    demo_heading("FIR filters: equiripple and narrow-band lowpass designs, and a median filter");
    /* 101-tap equiripple lowpass, pass band 0-100 Hz, stop band from 125 Hz (fs = 1 kHz). */
    const double edges[4] = {0, 100, 125, 500}, desired[2] = {1, 0}, weights[2] = {1, 1};
    double h[101], deviation = 0;
    DEMO_SYM(Equi_Ripple)(2, desired, weights, 1000, edges, 1, 101, h, &deviation);
    double ripple = 0, stop = 0;
    for (int i = 0; i <= 5000; ++i) {
        const double f = 500.0 * i / 5000, a = amplitude(h, 101, f / 1000);
        if (f <= 100) ripple = fmax(ripple, fabs(a - 1));
        if (f >= 125) stop = fmax(stop, fabs(a));
    }
    printf("  equiripple, 101 taps: reported deviation %.2e; measured pass ripple %.2e, stop band %.1f dB\n", deviation,
           ripple, 20 * log10(stop));

    /* Narrow band: pass to 40 Hz, stop from 45 Hz, 0.01 ripple, 60 dB. */
    FIRNarrowDesign *d = NULL;
    const int32_t code = DEMO_SYM(FIRNarrowCoef)(1000, 40, 45, 0, 0.01, 60, 0, &d);
    if (code == 0) {
        ripple = 0, stop = 0;
        for (int i = 0; i <= 10000; ++i) {
            const double f = 500.0 * i / 10000, a = cascade(d, f / 1000);
            if (f <= 40) ripple = fmax(ripple, fabs(a - 1));
            if (f >= 45) stop = fmax(stop, a);
        }
        printf(
            "  narrow band 40/45 Hz: M = %d, model %d taps, image %d taps (a single stage needs about %d);\n"
            "    measured pass ripple %.2e, stop band %.1f dB\n",
            d->M, d->modelCount, d->imageCount, (int)((-20 * log10(sqrt(0.01 * 0.001)) - 13) / (14.6 * 5 / 1000.0)),
            ripple, 20 * log10(stop));
        DEMO_SYM(FreeFIRNarrowMem)(&d, 0);
    } else {
        printf("  narrow-band design failed: %d\n", code);
    }

    /* A 5 Hz sine with 3 % of its samples replaced by spikes. */
    enum { kN = 2000 };
    double clean[kN], noisy[kN];
    unsigned seed = 777;
    int spikes = 0;
    for (int i = 0; i < kN; ++i) {
        clean[i] = sin(2 * M_PI * 5 * i / 1000.0);
        seed = seed * 1103515245u + 12345u;
        noisy[i] = clean[i];
        if ((seed >> 16) % 100 < 3) noisy[i] += (seed & 1 ? 4 : -4), ++spikes;
    }
    DoubleArrayHdl x = demo_doubles(noisy, kN);
    const int32_t rank = 3;
    int32_t err = 0;
    DEMO_SYM(MedianFilterCIN)(x, &rank, &err);
    double before = 0, after = 0;
    for (int i = rank; i < kN - rank; ++i) {
        before = fmax(before, fabs(noisy[i] - clean[i]));
        after = fmax(after, fabs((*x)->elt[i] - clean[i]));
    }
    printf("  median filter, rank 3, on a 5 Hz sine with %d spikes of 4: largest error %.3f before, %.4f after\n",
           spikes, before, after);
    demo_free(x);
}
