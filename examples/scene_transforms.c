/* Scene: the power spectrum of a two-tone signal of 1000 samples (not a
   power of two, so the mixed-radix transform does the work), with its two
   peaks found and printed. */
#include "demo.h"
#include "svgplot.h"

#include <math.h>
#include <stdio.h>

DEMO_SCENE(20, scene_transforms) {
    demo_heading("Spectrum: two tones, 50 Hz at 1.0 V and 120 Hz at 0.25 V, 1000 samples at 1 kHz");
    enum { n = 1000 };
    const double fs = 1000.0, pi = 3.141592653589793;
    double v[n];
    for (int t = 0; t < n; ++t) v[t] = 1.0 * sin(2 * pi * 50 * t / fs) + 0.25 * cos(2 * pi * 120 * t / fs) + 0.1;
    DoubleArrayHdl x = demo_doubles(v, n);

    int32_t err = 0;
    DEMO_SYM(Spectrum)(x, &err);
    const double *s = (*x)->elt;
    /* Two-sided power |X|^2/n^2: a tone of amplitude A puts A^2/4 into each
       of bins k and n-k, so A = 2 sqrt(S[k]); DC keeps its square. */
    int first = 1, second = 1;
    for (int k = 1; k < n / 2; ++k) {
        if (s[k] > s[first]) {
            second = first;
            first = k;
        } else if (k != first && s[k] > s[second]) {
            second = k;
        }
    }
    printf("  error %d, %d bins, bin width %.1f Hz, DC %.3f V\n", (int)err, (int)(*x)->dimSize, fs / n, sqrt(s[0]));
    printf("  strongest peak: %.1f Hz, amplitude %.3f V\n", first * fs / n, 2 * sqrt(s[first]));
    printf("  second peak:    %.1f Hz, amplitude %.3f V\n", second * fs / n, 2 * sqrt(s[second]));

    /* The one-sided amplitude spectrum up to fs/2, peaks marked. */
    static double freq[n / 2 + 1], amp[n / 2 + 1];
    for (int k = 0; k <= n / 2; ++k) {
        freq[k] = k * fs / n;
        amp[k] = k == 0 ? sqrt(s[0]) : 2 * sqrt(s[k]);
    }
    SvgPlot *plot = svg_plot_new("Amplitude spectrum of 1000 samples at 1 kHz", "frequency (Hz)", "amplitude (V)", 0,
                                 fs / 2, 0, 1.1);
    svg_plot_line(plot, freq, amp, n / 2 + 1, "#1f5fa8", "2 sqrt(S[k])");
    char label[64];
    snprintf(label, sizeof label, "%.0f Hz, %.3f V", first * fs / n, amp[first]);
    svg_plot_marker(plot, freq[first], amp[first], "#c0392b", label);
    snprintf(label, sizeof label, "%.0f Hz, %.3f V", second * fs / n, amp[second]);
    svg_plot_marker(plot, freq[second], amp[second], "#c0392b", label);
    snprintf(label, sizeof label, "DC %.3f V", amp[0]);
    svg_plot_marker(plot, freq[0], amp[0], "#1a8a3a", label);
    const char *path = demo_picture_path("spectrum.svg");
    demo_picture_saved(path, svg_plot_save(plot, path));

    DoubleArrayHdl one = demo_doubles(v, 1);
    DEMO_SYM(Spectrum)(one, &err);
    printf("  one sample %.3f has power %.4f (its square)\n", v[0], (*one)->elt[0]);
    DoubleArrayHdl none = demo_doubles(NULL, 0);
    DEMO_SYM(Spectrum)(none, &err);
    printf("  no samples: error %d\n", (int)err);
    demo_free(none);
    demo_free(one);
    demo_free(x);
}
