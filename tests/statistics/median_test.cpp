// Median by selection against the value of a fully sorted copy (std::sort,
// a different algorithm from the selection under test), on the input shapes
// that trouble quickselect: duplicates, presorted, reversed, organ pipe.
#include <orin/statistics.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "support/reference.h"

namespace {

double sortedCopyMedian(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size(), mid = n / 2;
    if (n % 2) return v[mid];
    return static_cast<double>((static_cast<long double>(v[mid]) + v[mid - 1]) * 0.5L);
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

std::vector<double> shaped(const std::string &shape, size_t n, uint64_t seed) {
    std::vector<double> v = orintest::randomDoubles(n, seed, -1e3, 1e3);
    if (shape == "duplicates") {
        // Eleven distinct values: long runs of ties around the middle.
        for (double &x : v) x = std::floor(x / 200.0);
    } else if (shape == "sorted") {
        std::sort(v.begin(), v.end());
    } else if (shape == "reversed") {
        std::sort(v.begin(), v.end(), [](double a, double b) { return a > b; });
    } else if (shape == "organ") {
        for (size_t i = 0; i < n; ++i) v[i] = static_cast<double>(std::min(i, n - 1 - i));
    } else if (shape == "constant") {
        std::fill(v.begin(), v.end(), 0.1);
    }
    return v;
}

}  // namespace

TEST(Median, SelectionEqualsSortedCopyBitForBit) {
    for (const char *shape : {"random", "duplicates", "sorted", "reversed", "organ", "constant"}) {
        for (size_t n : {size_t{2}, size_t{5}, size_t{16}, size_t{17}, size_t{1000}, size_t{4095}, size_t{100000},
                         size_t{100001}}) {
            const auto x = shaped(shape, n, 77 + n);
            const auto original = x;
            double m = 0;
            ASSERT_EQ(Median(x.data(), static_cast<int32_t>(n), &m), 0) << shape << " n=" << n;
            EXPECT_TRUE(sameBits(m, sortedCopyMedian(x))) << shape << " n=" << n << " got " << m;
            EXPECT_EQ(x, original) << shape << " n=" << n << ": input reordered";
        }
    }
}

TEST(Median, AnyNaNGivesNaNWithoutReadingOutOfBounds) {
    // A NaN breaks the ordering a selection relies on; the answer is NaN
    // wherever it sits, including at the ends where a partition could run off.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (size_t where : {size_t{0}, size_t{7}, size_t{14}}) {
        auto x = orintest::randomDoubles(15, 3, -1, 1);
        x[where] = nan;
        double m = 0;
        ASSERT_EQ(Median(x.data(), 15, &m), 0) << "NaN at " << where;
        EXPECT_TRUE(std::isnan(m)) << "NaN at " << where;
    }
    std::vector<double> all(9, nan);
    double m = 0;
    ASSERT_EQ(Median(all.data(), 9, &m), 0);
    EXPECT_TRUE(std::isnan(m));
}
