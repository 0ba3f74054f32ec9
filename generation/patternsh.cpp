#include <orin/generation.h>

#include "detail.h"

using orin::gen::generate;

int32_t ImpulsePtrn(DoubleArrayHdl out, const int32_t *n, const double *amp, const int32_t *delay, int32_t *error) {
    return generate(out, *n, error, [&](double *o) { return Impulse(*n, *amp, *delay, o); });
}

int32_t PulsePtrn(DoubleArrayHdl out, const int32_t *n, const double *amp, const int32_t *delay, const int32_t *width,
                  int32_t *error) {
    return generate(out, *n, error, [&](double *o) { return Pulse(*n, *amp, *delay, *width, o); });
}

int32_t RampPtrn(DoubleArrayHdl out, const int32_t *n, const double *first, const double *last, int32_t *error) {
    return generate(
        out, *n, error, [&](double *o) { return Ramp(*n, *first, *last, o); },
        orin::gen::Minimum{2, kErrTooFewSamples});
}

int32_t SincWave(DoubleArrayHdl out, const int32_t *n, const double *amp, const double *delay, const double *dt,
                 int32_t *error) {
    return generate(out, *n, error, [&](double *o) { return Sinc(*n, *amp, *delay, *dt, o); });
}

int32_t SinePtrn(DoubleArrayHdl out, const int32_t *n, const double *amp, const double *phase, const double *cycles,
                 int32_t *error) {
    return generate(out, *n, error, [&](double *o) { return SinePattern(*n, *amp, *phase, *cycles, o); });
}

// The output is resized before duty and cycles are checked.
int32_t Square(DoubleArrayHdl out, const int32_t *n, const double *amp, const double *duty, const double *cycles,
               int32_t *error) {
    return generate(out, *n, error, [&](double *o) -> int32_t {
        if (!(*duty > 0)) return kErrDutyCycle;
        if (!(*cycles > 0 && *cycles <= *n / 2)) return kErrCyclesOutOfRange;
        int32_t code = 0;
        return GenSquareWave(*n, *duty, *cycles, *amp, o, &code);
    });
}
