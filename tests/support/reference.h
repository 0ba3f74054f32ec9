// Seeded random data and tolerance helpers shared by the suites.
#ifndef ORIN_TESTS_REFERENCE_H
#define ORIN_TESTS_REFERENCE_H

#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace orintest {

constexpr double kEps = std::numeric_limits<double>::epsilon();  // 2^-52

// n uniform doubles in [lo, hi), reproducible from the seed.
inline std::vector<double> randomDoubles(size_t n, uint64_t seed, double lo = -1.0, double hi = 1.0) {
    std::mt19937_64 gen(seed);
    std::uniform_real_distribution<double> dist(lo, hi);
    std::vector<double> v(n);
    for (double &x : v) x = dist(gen);
    return v;
}

}  // namespace orintest

#endif  // ORIN_TESTS_REFERENCE_H
