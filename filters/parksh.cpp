#include <cmath>

#include "equiripple.h"

namespace {

using orin::Outcome;

// The band records unpacked into the core routine's three arrays.
int32_t Parks_McClellan(int32_t nTaps, double fs, const FIRBand *bands, int32_t nBands, int32_t kind, double *h,
                        double *deviation, int32_t maxIter) {
    if (nTaps < 3 || nBands < 1) return kErrEquirippleSpec;
    orin::Scratch<double> arrays(4 * int64_t{nBands});
    if (!arrays) return kErrOutOfMemory;
    double *desired = arrays.data(), *weights = desired + nBands, *edges = weights + nBands;
    for (int32_t b = 0; b < nBands; ++b) {
        desired[b] = bands[b].desired;
        weights[b] = bands[b].weight;
        edges[2 * b] = bands[b].lower;
        edges[2 * b + 1] = bands[b].upper;
    }
    // The handle's kinds 0..2 are the core's 1..3; any other is passed as 0,
    // which the core refuses as an unknown kind in its own order of checks.
    const int32_t coreKind = kind >= 0 && kind <= 2 ? kind + 1 : 0;
    return Equi_Ripple_Iter(nBands, desired, weights, fs, edges, coreKind, nTaps, h, deviation, maxIter);
}

}  // namespace

int32_t Parks(const int32_t *nTaps, const double *fs, FIRBandArrayHdl bands, const int32_t *kind, DoubleArrayHdl h,
              double *deviation, const int32_t *maxIter, int32_t *error) {
    return orin::runEntry(error, {h, deviation}, [&]() -> Outcome {
        orin::writeNaN(deviation);
        const orin::RecordArrayView<FIRBandArray> records(bands);
        const int32_t nBands = records.size();
        if (!std::isfinite(*fs)) return kErrEquirippleSpec;
        for (int32_t b = 0; b < nBands; ++b) {
            const FIRBand &r = records.data()[b];
            if (!std::isfinite(r.desired) || !std::isfinite(r.lower) || !std::isfinite(r.upper) ||
                !std::isfinite(r.weight))
                return kErrEquirippleSpec;
        }
        if (*nTaps <= 0) return kErrOrderNotPositive;
        if (nBands < 1) return kErrCutoffFrequency;
        orin::DoubleArrayView out(h);
        ORIN_TRY(out.resize(*nTaps));
        return Parks_McClellan(*nTaps, *fs, records.data(), nBands, *kind, out.data(), deviation, *maxIter);
    });
}
