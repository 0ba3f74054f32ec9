/* Scene: a Butterworth and an elliptic lowpass designed, printed, and used. */
#include "demo.h"
#include "svgplot.h"

#include <complex.h>
#include <math.h>
#include <stdio.h>

enum { kLength = 4000 };
static const double kRate = 1000.0, kCutoff = 100.0;

/* Prints the cascade held in a and b: [b0 b1 b2] / [1 a1 a2] per section. */
static void print_sections(const char *name, DoubleArrayHdl a, DoubleArrayHdl b) {
    printf("  %s: %d second-order sections (b0 b1 b2 | a1 a2)\n", name, (int)(*a)->dimSize / 2);
    for (int32_t k = 0; k < (*a)->dimSize / 2; ++k)
        printf("    %+.6f %+.6f %+.6f | %+.6f %+.6f\n", (*b)->elt[3 * k], (*b)->elt[3 * k + 1], (*b)->elt[3 * k + 2],
               (*a)->elt[2 * k], (*a)->elt[2 * k + 1]);
}

static double rms(const double *x, int n) {
    double s = 0;
    for (int i = 0; i < n; ++i) s += x[i] * x[i];
    return sqrt(s / n);
}

/* Runs x (n samples) through the cascade from a cleared state, in place. */
static void filter(DoubleArrayHdl x, DoubleArrayHdl a, DoubleArrayHdl b) {
    DoubleArrayHdl state = demo_doubles(NULL, 0);
    const int32_t secondOrder = 0;
    const uint8_t reset = 0;
    int32_t err;
    DEMO_SYM(IIR_Filter2)(x, &secondOrder, a, b, state, &reset, &err);
    demo_free(state);
}

/* Gain in dB at f: the steady-state amplitude of a filtered unit sine, from
   its RMS over the last 2000 samples (a whole number of periods at these
   frequencies). */
static double gain_db(double f, DoubleArrayHdl a, DoubleArrayHdl b) {
    double tone[kLength];
    for (int i = 0; i < kLength; ++i) tone[i] = sin(2 * M_PI * f * i / kRate);
    DoubleArrayHdl x = demo_doubles(tone, kLength);
    filter(x, a, b);
    const double amplitude = sqrt(2.0) * rms((*x)->elt + kLength / 2, kLength / 2);
    demo_free(x);
    return 20 * log10(amplitude);
}

/* Gain in dB of the cascade at f, from its coefficients:
   prod (b0 + b1 z^-1 + b2 z^-2) / (1 + a1 z^-1 + a2 z^-2), z = e^(2 pi i f/fs). */
static double response_db(double f, DoubleArrayHdl a, DoubleArrayHdl b) {
    const double complex z1 = cexp(-2 * M_PI * I * f / kRate);
    double complex h = 1;
    for (int32_t k = 0; k < (*a)->dimSize / 2; ++k) {
        const double *bk = (*b)->elt + 3 * k, *ak = (*a)->elt + 2 * k;
        h *= (bk[0] + bk[1] * z1 + bk[2] * z1 * z1) / (1 + ak[0] * z1 + ak[1] * z1 * z1);
    }
    return 20 * log10(fmax(cabs(h), 1e-6)); /* floor at -120 dB */
}

static void draw_responses(DoubleArrayHdl bwA, DoubleArrayHdl bwB, DoubleArrayHdl elA, DoubleArrayHdl elB,
                           double stopEdge) {
    enum { kPoints = 501 };
    double f[kPoints], bw[kPoints], el[kPoints];
    for (int i = 0; i < kPoints; ++i) {
        f[i] = 0.5 * kRate * i / (kPoints - 1);
        bw[i] = response_db(f[i], bwA, bwB);
        el[i] = response_db(f[i], elA, elB);
    }
    SvgPlot *plot =
        svg_plot_new("Lowpass designs at 100 Hz, fs = 1 kHz", "frequency (Hz)", "gain (dB)", 0, kRate / 2, -100, 5);
    svg_plot_line(plot, f, bw, kPoints, "#1f5fa8", "Butterworth, order 6");
    svg_plot_line(plot, f, el, kPoints, "#c0392b", "elliptic, order 5");
    svg_plot_hline(plot, -3.01, "#888888", "-3 dB");
    svg_plot_hline(plot, -60, "#888888", "-60 dB");
    svg_plot_vline(plot, kCutoff, "#444444", "cut-off");
    svg_plot_vline(plot, stopEdge, "#c0392b", "stop band");
    const char *path = demo_picture_path("filters.svg");
    demo_picture_saved(path, svg_plot_save(plot, path));
}

DEMO_SCENE(40, scene_filters) {
    demo_heading("IIR filters: a Butterworth and an elliptic lowpass at 100 Hz (fs = 1 kHz)");
    const double fh = 0, ap = 0.5, as = 60;
    const int32_t bwOrder = 6, elOrder = 5, lowpass = 0;
    int32_t err;
    DoubleArrayHdl bwA = demo_doubles(NULL, 0), bwB = demo_doubles(NULL, 0);
    DoubleArrayHdl elA = demo_doubles(NULL, 0), elB = demo_doubles(NULL, 0);
    DEMO_SYM(BWCoefs)(&kRate, &kCutoff, &fh, &bwOrder, &lowpass, bwA, bwB, &err);
    DEMO_SYM(EllipticCoefs)(&kRate, &kCutoff, &fh, &ap, &as, &elOrder, &lowpass, elA, elB, &err);
    print_sections("Butterworth, order 6", bwA, bwB);
    print_sections("elliptic, order 5, 0.5 dB ripple, 60 dB stop band (the odd order's real pole first)", elA, elB);

    printf("\n  measured gain (dB)     50 Hz   100 Hz   130 Hz   200 Hz   400 Hz\n");
    const double freqs[5] = {50, 100, 130, 200, 400};
    printf("    Butterworth     ");
    for (int i = 0; i < 5; ++i) printf(" %8.2f", gain_db(freqs[i], bwA, bwB));
    printf("\n    elliptic        ");
    for (int i = 0; i < 5; ++i) printf(" %8.2f", gain_db(freqs[i], elA, elB));
    /* The elliptic stop band starts where the prototype frequency reaches
       1/k, k the selectivity modulus that Params solves for. */
    double eps, k1, k1c, K1, K1c, k, kc, K, Kc, u0, sn0, cn0, dn0;
    DEMO_SYM(Params)(ap, as, elOrder, &eps, &k1, &k1c, &K1, &K1c, &k, &kc, &K, &Kc, &u0, &sn0, &cn0, &dn0);
    const double stopEdge = atan(tan(M_PI * kCutoff / kRate) / k) * kRate / M_PI;
    printf(
        "\n  (Butterworth: -3.01 dB at the cut-off; elliptic: -0.5 dB there, and at least 60 dB down"
        " from its stop-band edge at %.1f Hz on)\n",
        stopEdge);
    draw_responses(bwA, bwB, elA, elB, stopEdge);

    /* A 20 Hz tone in broadband noise. By linearity the filtered noise is
       the filtered sum minus the filtered tone. */
    double clean[kLength], noisy[kLength], noiseOut[kLength];
    unsigned seed = 12345;
    for (int i = 0; i < kLength; ++i) {
        seed = seed * 1103515245u + 12345u;
        clean[i] = sin(2 * M_PI * 20 * i / kRate);
        noisy[i] = clean[i] + ((seed >> 8) / 16777216.0 - 0.5);
    }
    DoubleArrayHdl x = demo_doubles(noisy, kLength), c = demo_doubles(clean, kLength);
    filter(x, elA, elB);
    filter(c, elA, elB);
    for (int i = 0; i < kLength; ++i) {
        noiseOut[i] = (*x)->elt[i] - (*c)->elt[i];
        noisy[i] -= clean[i];
    }
    printf("\n  20 Hz tone plus uniform noise through the elliptic filter: noise RMS %.4f before, %.4f after\n",
           rms(noisy, kLength), rms(noiseOut, kLength));

    demo_free(x);
    demo_free(c);
    demo_free(bwA);
    demo_free(bwB);
    demo_free(elA);
    demo_free(elB);
}
