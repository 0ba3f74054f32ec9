// A Wichmann-Hill generator written from its definition, for the tests.
#ifndef ORIN_TESTS_GENERATION_WICHMANN_HILL_H
#define ORIN_TESTS_GENERATION_WICHMANN_HILL_H

#include <cmath>
#include <cstdint>

namespace orintest {

// Wichmann-Hill from its definition: 64-bit products brought back into the
// int32 range modulo 2^32, then C's truncating remainder.
struct ReferenceGenerator {
    int32_t s1, s2, s3;

    static int32_t wrap32(int64_t v) {
        int64_t r = v % 4294967296LL;  // in (-2^32, 2^32)
        if (r >= 2147483648LL) r -= 4294967296LL;
        if (r < -2147483648LL) r += 4294967296LL;
        return static_cast<int32_t>(r);
    }
    void seed(int32_t seed) {
        if (seed == 0) return;
        s1 = seed;
        s2 = static_cast<int32_t>(wrap32(int64_t{seed} * 8191) & 16383);
        s3 = static_cast<int32_t>(wrap32(int64_t{s2} * 8191) & 16383);
    }
    long double sum() {
        s1 = wrap32(int64_t{171} * s1) % 30269;
        s2 = wrap32(int64_t{172} * s2) % 30307;
        s3 = wrap32(int64_t{170} * s3) % 30323;
        return s3 * static_cast<long double>(3.297826732183491e-05) +
               s1 * static_cast<long double>(3.3037100664045725e-05) + s2 * static_cast<long double>(3.2995677566238825e-05);
    }
    double uniform() {
        const long double u = sum();
        return static_cast<double>(u - std::floor(u));
    }
    int32_t integer() {
        const long double u = sum();
        return static_cast<int32_t>((u - std::trunc(u)) * 32768);
    }
};

}  // namespace orintest

#endif  // ORIN_TESTS_GENERATION_WICHMANN_HILL_H
