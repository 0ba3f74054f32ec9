/* Scene: a noisy record of three pulses: triggers, peaks to a fraction of a
   sample, and the parameters of the first pulse. */
#include "demo.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

enum { kSamples = 600 };

DEMO_SCENE(45, scene_timedomain) {
    demo_heading("Time domain: three noisy pulses, triggered, peak-located and measured");
    /* Gaussian pulses 1 V high (sigma 12 samples) centred between samples at
       140.3, 300.7 and 455.25, with a little noise from a fixed-seed
       generator. */
    double x[kSamples];
    unsigned seed = 12345;
    const double centres[3] = {140.3, 300.7, 455.25};
    for (int t = 0; t < kSamples; ++t) {
        double v = 0;
        for (int p = 0; p < 3; ++p) v += exp(-0.5 * pow((t - centres[p]) / 12, 2));
        seed = seed * 1103515245u + 12345u;
        x[t] = v + 0.01 * ((double)((seed >> 16) & 0x7fff) / 32767.0 - 0.5);
    }

    /* Rising triggers at 0.5 V with 0.2 V of hysteresis. */
    UHandle raw = NULL;
    NumericArrayResize(kTypeDouble, 2, &raw, kSamples);
    DoubleMatrixHdl data = (DoubleMatrixHdl)raw; /* one channel: one row */
    (*data)->dimSizes[0] = 1;
    (*data)->dimSizes[1] = kSamples;
    memcpy((*data)->elt, x, sizeof x);
    const double level = 0.5, hyst = 0.2, previous = 0;
    const int32_t rising = 1;
    DoubleArrayHdl levels = demo_doubles(&level, 1), prev = demo_doubles(&previous, 1), hy = demo_doubles(&hyst, 1);
    Int32ArrayHdl slopes = (Int32ArrayHdl)demo_doubles(&previous, 1), idx = (Int32ArrayHdl)demo_doubles(NULL, 0),
                  counts = (Int32ArrayHdl)demo_doubles(NULL, 0), fired = (Int32ArrayHdl)demo_doubles(NULL, 0);
    (*slopes)->elt[0] = rising;
    DoubleArrayHdl last = demo_doubles(NULL, 0);
    int32_t err;
    DEMO_SYM(Triggerh)(data, levels, prev, hy, slopes, 10, idx, counts, fired, last, &err);
    printf("  triggers (rising through 0.5 V):");
    for (int32_t k = 0; k < (*counts)->elt[0]; ++k) printf(" %d", (int)(*idx)->elt[k]);
    printf("  (error %d)\n", (int)err);

    /* The streaming least-squares peak detector, fed in three blocks. */
    DoubleArrayHdl loc = demo_doubles(NULL, 0), amp = demo_doubles(NULL, 0), d2 = demo_doubles(NULL, 0);
    PeakCINState state = {0};
    UHandle internal = NULL;
    printf("  peaks (window 15, above 0.5 V), fed in three blocks of 200:\n");
    for (int b = 0; b < 3; ++b) {
        DoubleArrayHdl block = demo_doubles(x + 200 * b, 200);
        PeakCINControl c = {
            block, 0.5, 15, 0, loc, amp, d2, 0, (b == 0 ? kPeakFirstCall : 0) | (b == 2 ? kPeakLastCall : 0)};
        DEMO_SYM(PeakD)(&c, &state, &internal, &err);
        for (int32_t k = 0; k < c.count; ++k)
            printf("    at sample %.3f: %.4f V, curvature %.2e V/sample^2\n", (*loc)->elt[k], (*amp)->elt[k],
                   (*d2)->elt[k]);
        demo_free(block);
    }

    /* Parameters of the first pulse (the record up to sample 220). */
    DoubleArrayHdl first = demo_doubles(x, 220);
    double top, base, amplitude, delay, width = 0, slew, fall = 0, rise, over, pre;
    DEMO_SYM(PulseParameters)(first, &top, &base, &amplitude, &delay, &width, &slew, &fall, &rise, &over, &pre, &err);
    printf("  first pulse: base %.3f V, top %.3f V, delay %.2f, width %.2f, rise %.2f, fall %.2f samples\n", base, top,
           delay, width, rise, fall);
    printf("  (a Gaussian of sigma 12 is 28.26 samples wide at half height, 20.24 from 10 %% to 90 %%)\n");
    void *handles[] = {data, levels, prev, hy, slopes, idx, counts, fired, last, loc, amp, d2, first};
    for (size_t i = 0; i < sizeof handles / sizeof handles[0]; ++i) demo_free(handles[i]);
}
