#include <orin/generation.h>

#include <cmath>

#include "detail.h"

int32_t WhiteNoise(int32_t n, double amp, int32_t seed, double *out, int32_t *s1, int32_t *s2, int32_t *s3) {
    if (n < 1) return kErrEmptyArray;
    orin::gen::applySeed(seed, s1, s2, s3);
    const orin::extended span = static_cast<orin::extended>(amp) + amp;
    for (int32_t i = 0; i < n; ++i) out[i] = static_cast<double>((orin::gen::uniform(s1, s2, s3) - 0.5L) * span);
    return kErrNone;
}

// Polar Box-Muller (Marsaglia's method; Knuth, TAOCP vol. 2, 3.4.1 C): a point
// uniform in the unit disc gives two independent normal deviates. The second
// is kept in the caller's spare, so a stream split across calls uses every
// pair fully and gives the same values as one call.
int32_t GaussNoise(int32_t n, double sd, int32_t seed, double *out, int32_t *s1, int32_t *s2, int32_t *s3,
                   int32_t *haveSpare, double *spare) {
    if (n < 1) return kErrEmptyArray;
    // A failed call hands the caller's state back as it found it, reseeding
    // and the spare included.
    const int32_t entry[] = {*s1, *s2, *s3, *haveSpare};
    const double entrySpare = *spare;
    auto stuck = [&] {
        *s1 = entry[0], *s2 = entry[1], *s3 = entry[2], *haveSpare = entry[3];
        *spare = entrySpare;
        return kErrNoConvergence;
    };
    if (orin::gen::applySeed(seed, s1, s2, s3)) {
        *haveSpare = 0;
        *spare = 0;
    }
    for (int32_t i = 0; i < n; ++i) {
        orin::extended value;
        if (*haveSpare == 0) {
            orin::extended a, b, r;
            do {
                a = 2 * static_cast<orin::extended>(orin::gen::uniform(s1, s2, s3)) - 1;
                b = 2 * static_cast<orin::extended>(orin::gen::uniform(s1, s2, s3)) - 1;
                r = b * b + a * a;
                // (0, 0, 0) is a fixed point of the generator (an unseeded
                // state, or a seed such as 47333376 whose first step lands
                // there): every value is then 0, the point (-1, -1) lies
                // outside the disc, and the rejection loop would never end.
                if (*s1 == 0 && *s2 == 0 && *s3 == 0 && !(r > 0 && r < 1)) return stuck();
            } while (!(r > 0 && r < 1));
            const orin::extended fac = std::sqrt(-2 * std::log(r) / r);
            *spare = static_cast<double>(a * fac);
            value = b * fac;
        } else {
            value = *spare;
        }
        *haveSpare = *haveSpare == 0 ? 1 : 0;
        out[i] = static_cast<double>(value * sd);
    }
    return kErrNone;
}
