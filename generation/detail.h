// Helpers shared by the generators.
#ifndef ORIN_GENERATION_DETAIL_H
#define ORIN_GENERATION_DETAIL_H

#include <cmath>

#include "../frame/kit.h"

namespace orin::gen {

constexpr double kDegToRad = 0.017453292519943295;

// 32-bit two's complement product with wrap-around.
inline int32_t wrappingProduct(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

// One step of the Wichmann-Hill generator (AS 183): advances the three
// congruential generators (truncating remainders, so a seed that wrapped
// negative stays negative) and returns the sum of their normalized values,
// not yet reduced modulo 1.
inline extended wichmannHillSum(int32_t *s1, int32_t *s2, int32_t *s3) {
    *s1 = wrappingProduct(171, *s1) % 30269;
    *s2 = wrappingProduct(172, *s2) % 30307;
    *s3 = wrappingProduct(170, *s3) % 30323;
    // 1/30323, 1/30269 and 1/30307 as doubles, summed in this order.
    return static_cast<extended>(*s3) * 3.297826732183491e-05 + static_cast<extended>(*s1) * 3.3037100664045725e-05 +
           static_cast<extended>(*s2) * 3.2995677566238825e-05;
}

inline double uniform(int32_t *s1, int32_t *s2, int32_t *s3) {
    const extended u = wichmannHillSum(s1, s2, s3);
    return static_cast<double>(u - std::floor(u));
}

// The noise routines' seed rule: a seed >= 0 goes to srandnum (0 keeps the
// state), a negative seed continues it. True when the state was (re)seeded.
bool applySeed(int32_t seed, int32_t *s1, int32_t *s2, int32_t *s3);

// x reduced to [0, period): the floating-point remainder, plus one period
// when negative. A tiny negative remainder whose sum with the period rounds
// up to the period itself is position 0, so the result always indexes
// inside one period. NaN stays NaN.
inline double reduce(double x, double period) {
    double r = std::fmod(x, period);
    if (r < 0) r += period;
    if (r >= period) r = 0;
    return r;
}

// Minimum count of a handle entry point and the code for fewer samples.
struct Minimum {
    int32_t count = 1;
    int32_t code = kErrEmptyArray;
};

// The handle entry sequence of every generator that returns a new array:
// check the count, resize the output to n doubles, let the core fill it; any
// failure empties the output (runEntry).
template <class Core>
int32_t generate(DoubleArrayHdl out, int32_t n, int32_t *error, Core &&core, Minimum minimum = {}) {
    return runEntry(error, {out}, [&]() -> Outcome {
        if (n < minimum.count) return minimum.code;
        DoubleArrayView v(out);
        ORIN_TRY(v.resize(n));
        return core(v.data());
    });
}

}  // namespace orin::gen

#endif  // ORIN_GENERATION_DETAIL_H
