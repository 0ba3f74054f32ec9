#include <orin/generation.h>

#include "detail.h"

using orin::gen::generate;

int32_t SineWaveCIN(DoubleArrayHdl out, const int32_t *n, const double *amp, const double *f, double *phase,
                    int32_t *error) {
    return generate(out, *n, error, [&](double *o) { return SineWave(*n, *amp, *f, phase, o); });
}

int32_t SquareWaveCIN(DoubleArrayHdl out, const int32_t *n, const double *amp, const double *f, double *phase,
                      const double *duty, int32_t *error) {
    return generate(out, *n, error, [&](double *o) { return SquareWave(*n, *amp, *f, phase, *duty, o); });
}

int32_t TriangleWaveCIN(DoubleArrayHdl out, const int32_t *n, const double *amp, const double *f, double *phase,
                        int32_t *error) {
    return generate(out, *n, error, [&](double *o) { return TriangleWave(*n, *amp, *f, phase, o); });
}

int32_t SawtoothWaveCIN(DoubleArrayHdl out, const int32_t *n, const double *amp, const double *f, double *phase,
                        int32_t *error) {
    return generate(out, *n, error, [&](double *o) { return SawtoothWave(*n, *amp, *f, phase, o); });
}

int32_t ArbitraryWaveCIN(DoubleArrayHdl out, const int32_t *n, const double *amp, const double *f, double *phase,
                         DoubleArrayHdl table, const int32_t *interp, int32_t *error) {
    const orin::DoubleArrayView t(table);
    return generate(out, *n, error,
                    [&](double *o) { return ArbitraryWave(*n, *amp, *f, phase, t.data(), t.size(), *interp, o); });
}
