/* Scene: descriptive statistics of a set of readings with one outlier. */
#include "demo.h"

#include <stdio.h>

DEMO_SCENE(10, scene_statistics) {
    demo_heading("Descriptive statistics: twelve voltage readings, one of them a glitch");
    const double volts[12] = {4.98, 5.02, 5.01, 4.99, 5.00, 5.03, 4.97, 5.01, 9.80, 5.00, 4.99, 5.02};
    DoubleArrayHdl x = demo_doubles(volts, 12);

    double mean, median, rms, moment3, sd, meanAgain;
    int32_t err;
    const int32_t order = 3;
    DEMO_SYM(Mean_head)(x, &mean, &err);
    DEMO_SYM(Median_head)(x, &median, &err);
    DEMO_SYM(RMS_head)(x, &rms, &err);
    DEMO_SYM(Moment_head)(x, &order, &moment3, &err);
    DEMO_SYM(StdDev)((*x)->elt, 12, &meanAgain, &sd);
    printf("  mean %.4f V is pulled up by the glitch; the median %.4f V is not\n", mean, median);
    printf("  standard deviation %.4f V, RMS %.4f V, third central moment %.4f V^3\n", sd, rms, moment3);

    double sorted[12], hi, lo;
    DEMO_SYM(Sort)(volts, 12, 1, sorted);
    DEMO_SYM(MaxMin)(volts, 12, &hi, &lo);
    printf("  largest three (sorted descending): %.2f %.2f %.2f; range %.2f to %.2f V\n", sorted[0], sorted[1],
           sorted[2], lo, hi);

    DoubleArrayHdl empty = demo_doubles(NULL, 0);
    DEMO_SYM(Median_head)(empty, &median, &err);
    printf("  the median of no readings fails with code %d and a NaN result (%f)\n", (int)err, median);
    demo_free(empty);
    demo_free(x);
}
