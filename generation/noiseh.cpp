#include <orin/generation.h>

#include "detail.h"

int32_t White(DoubleArrayHdl out, const int32_t *n, const double *amp, const int32_t *seed, int32_t *error, int32_t *s1,
              int32_t *s2, int32_t *s3) {
    return orin::gen::generate(out, *n, error, [&](double *o) { return WhiteNoise(*n, *amp, *seed, o, s1, s2, s3); });
}

int32_t Gauss(DoubleArrayHdl out, const int32_t *n, const double *sd, const int32_t *seed, int32_t *error, int32_t *s1,
              int32_t *s2, int32_t *s3, int32_t *haveSpare, double *spare) {
    return orin::gen::generate(out, *n, error,
                               [&](double *o) { return GaussNoise(*n, *sd, *seed, o, s1, s2, s3, haveSpare, spare); });
}
