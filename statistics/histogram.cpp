#include <orin/host.h>
#include <orin/statistics.h>

#include <cmath>

#include "detail.h"

void SetAxis(double *axis, int32_t n, double start, double step) {
    // The running value is kept in extended precision, so the last centre
    // of a long axis carries no accumulated rounding of the step.
    orin::extended v = start;
    for (int32_t i = 0; i < n; ++i) {
        axis[i] = static_cast<double>(v);
        v += step;
    }
}

void Histogra(const double *x, int32_t n, double max, double min, int32_t *counts, double *centres, int32_t nbins) {
    const double bins = nbins;
    double width = (max - min) / bins;
    double inv = 1.0 / width;
    double origin = min;
    double scale = 1.0;
    double firstCentre = min + width * 0.5;
    // A range wider than the largest double (max - min overflows) is indexed
    // in halves: 0.5 x - 0.5 min is exact and finite for finite limits.
    const bool halved = std::isinf(max - min) && std::isfinite(max) && std::isfinite(min);
    if (halved) {
        scale = 0.5;
        origin = 0.5 * min;
        const double halfWidth = (0.5 * max - 0.5 * min) / bins;
        width = 2.0 * halfWidth;
        inv = 1.0 / halfWidth;
        firstCentre = min + halfWidth;
    }
    ClearMem(counts, static_cast<size_t>(nbins) * sizeof(int32_t));
    SetAxis(centres, nbins, firstCentre, width);
    for (int32_t i = 0; i < n; ++i) {
        const double v = x[i];
        // Multiplying by the reciprocal width rounds differently from a
        // division, so a sample just below max can index bin nbins (and one
        // just above an edge the bin before). Any sample inside [min, max]
        // is counted in the nearest bin the product allows.
        const double k = std::floor((scale * v - origin) * inv);
        if (k >= 0 && k < bins) {
            ++counts[static_cast<int32_t>(k)];
        } else if (v == max) {
            ++counts[nbins - 1];
        } else if (v >= min && v <= max) {
            if (k >= bins) ++counts[nbins - 1];
            else if (k < 0) ++counts[0];
        }
    }
}

void cacula_Histogra(const double *x, int32_t n, double *centres, int32_t *counts, int32_t nbins) {
    double max = x[0];
    double min = x[0];
    for (int32_t i = 0; i < n; ++i) {
        if (x[i] < min) min = x[i];
        else if (x[i] > max) max = x[i];
    }
    Histogra(x, n, max, min, counts, centres, nbins);
}
