/* Scene: a pulse train with ringing, measured as an oscilloscope reports it. */
#include "demo.h"
#include "svgplot.h"

#include <math.h>
#include <stdio.h>

enum { kSamples = 4000, kPeriod = 1000 };

/* 3.3 V pulses at 1 MHz sampled at 1 GS/s: 30 ns edges, 40 % duty cycle, a
   ring of 8 % after each edge decaying over 25 ns. */
static void pulse_train(double *x) {
    for (int i = 0; i < kSamples; ++i) {
        const int p = i % kPeriod;
        double v, since;
        if (p < 100) v = 0, since = p + 570;
        else if (p < 130) v = (p - 100) / 30.0, since = -1;
        else if (p < 500) v = 1, since = p - 130;
        else if (p < 530) v = 1 - (p - 500) / 30.0, since = -1;
        else v = 0, since = p - 530;
        const double ring = since < 0 ? 0 : 0.08 * exp(-since / 25) * sin(since / 6);
        x[i] = 3.3 * (v + (v > 0.5 ? ring : -ring));
    }
}

/* The first two microseconds with the reference levels and the cursors of
   the second rise and fall, as a scope shows them. */
static void draw_pulse(int32_t session, const double *x, double dt, const tRefLevels *levels,
                       const tRefOptions *options) {
    enum { kShown = 2000 };
    static double t[kShown];
    for (int i = 0; i < kShown; ++i) t[i] = i * dt * 1e6;
    SvgPlot *plot = svg_plot_new("A ringing 3.3 V clock: reference levels and edge cursors", "time (\u00b5s)",
                                 "voltage (V)", 0, t[kShown - 1], -0.3, 3.6);
    svg_plot_line(plot, t, x, kShown, "#1f5fa8", "waveform");
    static const struct {
        int32_t id;
        const char *name;
    } refs[] = {{kMeasLowReference, "low 10 %"}, {kMeasMidReference, "mid 50 %"}, {kMeasHighReference, "high 90 %"}};
    double value;
    tCursorStruct c;
    for (int k = 0; k < 3; ++k)
        if (DEMO_SYM(measurements_fetch)(session, refs[k].id, levels, options, 1, 0, dt, x, kSamples, &value, &c) == 0)
            svg_plot_hline(plot, value, "#888888", refs[k].name);
    static const struct {
        int32_t id;
        const char *name, *color;
    } edges[] = {{kMeasRiseTime, "second rise", "#1a8a3a"}, {kMeasFallTime, "second fall", "#c0392b"}};
    for (int k = 0; k < 2; ++k) {
        if (DEMO_SYM(measurements_fetch)(session, edges[k].id, levels, options, 2, 0, dt, x, kSamples, &value, &c))
            continue;
        char label[64];
        snprintf(label, sizeof label, "%s %.2f ns", edges[k].name, value * 1e9);
        svg_plot_vline(plot, c.x1 * 1e6, edges[k].color, NULL);
        svg_plot_vline(plot, c.x3 * 1e6, edges[k].color, NULL);
        svg_plot_marker(plot, c.x1 * 1e6, c.y1, edges[k].color, NULL);
        svg_plot_marker(plot, c.x3 * 1e6, c.y3, edges[k].color, NULL);
        svg_plot_legend(plot, edges[k].color, label);
    }
    if (DEMO_SYM(measurements_fetch)(session, kMeasRisingOvershoot, levels, options, 2, 0, dt, x, kSamples, &value,
                                     &c) == 0) {
        char label[64];
        snprintf(label, sizeof label, "overshoot %.2f %%", value);
        svg_plot_legend(plot, "#ffffff", label);
    }
    const char *path = demo_picture_path("pulse.svg");
    demo_picture_saved(path, svg_plot_save(plot, path));
}

DEMO_SCENE(50, scene_measurement) {
    demo_heading("Pulse measurements: a ringing 3.3 V clock, as an oscilloscope measures it");
    static double x[kSamples];
    pulse_train(x);
    const double dt = 1e-9;
    const tRefLevels levels = {90, 50, 10, 1}; /* percent ... */
    const tRefOptions options = {0, 256};      /* ... of the histogram's low to high */
    int32_t session = 0;
    DEMO_SYM(measurements_create)(&session);

    static const struct {
        int32_t id;
        const char *name;
        double scale;
        const char *unit;
    } rows[] = {
        {kMeasLow, "low level", 1, "V"},
        {kMeasHigh, "high level", 1, "V"},
        {kMeasAmplitude, "amplitude", 1, "V"},
        {kMeasRiseTime, "rise time", 1e9, "ns"},
        {kMeasFallTime, "fall time", 1e9, "ns"},
        {kMeasPositiveWidth, "positive width", 1e9, "ns"},
        {kMeasPeriod, "period", 1e9, "ns"},
        {kMeasFrequency, "frequency", 1e-6, "MHz"},
        {kMeasPositiveDutyCycle, "duty cycle", 100, "%"},
        {kMeasRisingOvershoot, "overshoot", 1, "%"},
        {kMeasRisingSlewRate, "slew rate", 1e-9, "V/ns"},
    };
    double value;
    tCursorStruct cursor;
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const int32_t code = DEMO_SYM(measurements_fetch)(session, rows[i].id, &levels, &options, 1, 0, dt, x, kSamples,
                                                          &value, &cursor);
        if (code == 0) printf("  %-15s %9.3f %s\n", rows[i].name, value * rows[i].scale, rows[i].unit);
        else printf("  %-15s failed with code %d\n", rows[i].name, (int)code);
    }

    DEMO_SYM(measurements_fetch)(session, kMeasRiseTime, &levels, &options, 2, 0, dt, x, kSamples, &value, &cursor);
    printf("  cursors of the second rise: from %.2f ns to %.2f ns, between %.3f V and %.3f V\n", cursor.x1 * 1e9,
           cursor.x3 * 1e9, cursor.y1, cursor.y3);
    const int32_t code =
        DEMO_SYM(measurements_fetch)(session, kMeasPeriod, &levels, &options, 4, 0, dt, x, kSamples, &value, &cursor);
    printf("  a fourth period would end past the record: code %d\n", (int)code);
    draw_pulse(session, x, dt, &levels, &options);
    DEMO_SYM(measurements_destroy)(session);
}
