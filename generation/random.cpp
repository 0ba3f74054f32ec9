#include <orin/generation.h>

#include <cmath>

#include "detail.h"

void srandnum(int32_t seed, int32_t *s1, int32_t *s2, int32_t *s3) {
    if (seed == 0) return;
    *s1 = seed;
    *s2 = orin::gen::wrappingProduct(seed, 8191) & 16383;
    *s3 = orin::gen::wrappingProduct(*s2, 8191) & 16383;
}

double frandnum(int32_t *s1, int32_t *s2, int32_t *s3) { return orin::gen::uniform(s1, s2, s3); }

int32_t randnum(int32_t *s1, int32_t *s2, int32_t *s3) {
    const orin::extended u = orin::gen::wichmannHillSum(s1, s2, s3);
    return static_cast<int32_t>((u - std::trunc(u)) * 32768);
}

namespace orin::gen {

bool applySeed(int32_t seed, int32_t *s1, int32_t *s2, int32_t *s3) {
    if (seed < 0) return false;
    srandnum(seed, s1, s2, s3);
    return true;
}

}  // namespace orin::gen
