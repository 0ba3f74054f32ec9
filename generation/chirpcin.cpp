#include <orin/generation.h>

#include "detail.h"

int32_t ChirpCIN(DoubleArrayHdl out, const int32_t *n, const double *amp, const double *f1, const double *f2,
                 int32_t *error) {
    return orin::gen::generate(out, *n, error, [&](double *o) { return Chirp(*n, *amp, *f1, *f2, o); });
}
