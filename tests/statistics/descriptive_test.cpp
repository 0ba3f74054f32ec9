// Descriptive statistics against independent references: a brute-force
// selection sort, long-double two-pass formulas, and closed forms.
#include <orin/host.h>
#include <orin/statistics.h>

#include "support/prelude.h"

namespace {

// Ascending selection sort: quadratic and independent of the host's QSort
// and of the median's selection.
std::vector<double> bruteForceSorted(std::vector<double> v) {
    for (size_t i = 0; i < v.size(); ++i) std::swap(v[i], *std::min_element(v.begin() + static_cast<long>(i), v.end()));
    return v;
}

long double centralMoment(const std::vector<double> &x, int order, long double *mean = nullptr) {
    long double m = 0, s = 0;
    for (double v : x) m += v;
    m /= x.size();
    for (double v : x) s += std::pow(static_cast<long double>(v) - m, order);
    if (mean) *mean = m;
    return s / x.size();
}

}  // namespace

TEST(Median, SelectionEqualsSortedCopyBitForBitOnTroublesomeShapes) {
    // The shapes that trouble quickselect: ties, presorted, reversed, organ pipe.
    for (const char *shape : {"random", "ties", "sorted", "reversed", "organ"}) {
        for (size_t n : {size_t{1}, size_t{2}, size_t{17}, size_t{1000}, size_t{4095}}) {
            auto x = orintest::randomDoubles(n, 77 + n, -1e3, 1e3);
            const std::string s = shape;
            if (s == "ties")
                for (double &v : x) v = std::floor(v / 200.0);
            if (s == "sorted" || s == "reversed") x = bruteForceSorted(x);
            if (s == "reversed") std::reverse(x.begin(), x.end());
            if (s == "organ")
                for (size_t i = 0; i < n; ++i) x[i] = static_cast<double>(std::min(i, n - 1 - i));
            const auto original = x, sorted = bruteForceSorted(x);
            const double want =
                n % 2 ? sorted[n / 2]
                      : static_cast<double>((static_cast<long double>(sorted[n / 2]) + sorted[n / 2 - 1]) / 2);
            double m = 0;
            ASSERT_EQ(Median(x.data(), static_cast<int32_t>(n), &m), 0) << shape << " n=" << n;
            EXPECT_EQ(std::memcmp(&m, &want, sizeof m), 0) << shape << " n=" << n << " got " << m;
            EXPECT_EQ(x, original) << shape << " n=" << n << ": input reordered";
        }
    }
    // The mean of the middle pair is formed without overflow.
    const double huge[] = {1.5e308, 1.7e308};
    double m = 0;
    ASSERT_EQ(Median(huge, 2, &m), 0);
    EXPECT_EQ(m, 1.6e308);
}

TEST(Median, AnyNaNGivesNaNWithoutReadingOutOfBounds) {
    // A NaN breaks the ordering a selection relies on; the answer is NaN
    // wherever it sits, including at the ends where a partition could run off.
    for (size_t where : {size_t{0}, size_t{7}, size_t{14}}) {
        auto x = orintest::randomDoubles(15, 3, -1, 1);
        x[where] = NAN;
        double m = 0;
        ASSERT_EQ(Median(x.data(), 15, &m), 0) << "NaN at " << where;
        EXPECT_TRUE(std::isnan(m)) << "NaN at " << where;
    }
    // n * 8 bytes beyond a 32-bit size_t: refused before anything is read,
    // not wrapped to a small allocation.
    if (sizeof(size_t) == 4) {
        double m = 0;
        EXPECT_EQ(Median(&m, 0x20000001, &m), kErrOutOfMemory);
    }
}

TEST(Moment, RandomReferenceAndCheckOrder) {
    const double x[] = {1, 2, 3, 4};
    double m = 0;
    EXPECT_EQ(Moment(x, 0, 0, &m), kErrEmptyArray) << "the count is checked before the order";
    const auto y = orintest::randomDoubles(5000, 7, 10, 30);
    for (int order : {1, 2, 3, 4}) {
        long double mean = 0;
        const long double want = centralMoment(y, order, &mean);
        // The mean is rounded to double before the deviations are taken; to
        // first order that shifts the moment by order eps |mean| E|d|^(order-1).
        // Odd moments of symmetric data are small: the bound is absolute.
        long double absLower = 0, absSame = 0;
        for (double v : y) {
            absLower += std::pow(std::fabs(v - mean), order - 1);
            absSame += std::pow(std::fabs(v - mean), order);
        }
        const double bound =
            static_cast<double>((order * kEps * std::fabs(mean) * absLower + 16 * kEps * absSame) / y.size());
        ASSERT_EQ(Moment(y.data(), 5000, order, &m), 0);
        EXPECT_NEAR(m, static_cast<double>(want), bound) << "order " << order;
    }
}

// Huge orders finish at once and agree bit for bit with the plain product
// of one rounding per factor: deviations of magnitude 1, powers that
// underflow to 0, overflow to infinity, or stick at the smallest subnormal.
TEST(Moment, HugeOrdersAreCheapAndExact) {
    const double unit[] = {0, 2}, small[] = {0, 0.5}, large[] = {0, 4}, sticky[] = {0, 1.5};
    const int32_t odd = INT32_MAX, even = INT32_MAX - 1;
    struct Case {
        const double *x;
        int32_t order;
        double want;
    } cases[] = {
        {unit, odd, 0},    {unit, even, 1},  {small, odd, 0},   {large, even, INFINITY},
        {large, odd, NAN}, {sticky, odd, 0}, {sticky, even, 0},
    };
    for (const Case &c : cases) {
        double m = -1;
        ASSERT_EQ(Moment(c.x, 2, c.order, &m), 0);
        EXPECT_TRUE(m == c.want || (std::isnan(m) && std::isnan(c.want))) << c.x[1] << "^" << c.order << " gave " << m;
    }
    // Deviations near 1.03, -1, -0.5, 0.47 and +-0.75: two powers underflow
    // partway, two stick at the smallest subnormal, the largest stays finite.
    const double x[] = {2.03, 0, 0.5, 1.47, 1.75, 0.25};
    for (int32_t order : {20001, 20002}) {
        double mean = 0, m = 0;
        Ave(x, 6, &mean);
        long double sum = 0;
        for (double v : x) {
            const long double d = static_cast<long double>(v) - mean;
            long double p = d;
            for (int32_t k = 1; k < order; ++k) p *= d;
            sum += p;
        }
        ASSERT_EQ(Moment(x, 6, order, &m), 0);
        EXPECT_EQ(m, static_cast<double>(sum / 6)) << order;
    }
}

TEST(StdDevRMSAndMSE, AgainstReferencesAndClosedForms) {
    double mean = 0, sd = 0, r = 0;
    // Strongly offset data (|mean|/sd about 1700): the one-pass formula loses
    // (mean/sd)^2 times the extended sums' rounding, which grows like
    // sqrt(n) 2^-64 for random data; the bound allows 8 times that.
    const auto y = orintest::randomDoubles(100000, 12, 999, 1001);
    long double refMean = 0;
    const double refSd = static_cast<double>(std::sqrt(centralMoment(y, 2, &refMean)));
    ASSERT_EQ(StdDev(y.data(), 100000, &mean, &sd), 0);
    EXPECT_NEAR(mean, static_cast<double>(refMean), 2 * kEps * 1001);
    EXPECT_NEAR(sd, refSd, 8 * std::sqrt(1e5) * std::ldexp(1.0, -64) * (1000 / refSd) * (1000 / refSd) * refSd);
    // A constant record: 0, no NaN from a negative rounding residue.
    const std::vector<double> c(1000, 0.1);
    ASSERT_EQ(StdDev(c.data(), 1000, &mean, &sd), 0);
    EXPECT_LT(sd, 1e-9);
    // Squares beyond the double range stay finite in the extended sum.
    const double big[] = {1e200, -1e200, 1e200};
    ASSERT_EQ(RMS(big, 3, &r), 0);
    EXPECT_NEAR(r, 1e200, 1e200 * 2 * kEps);
    ASSERT_EQ(RMS(big + 1, 1, &r), 0);  // one sample is its own magnitude
    EXPECT_EQ(r, 1e200);
    // MSE over the shorter length; a fractional count is truncated.
    const double a[] = {1, 2, 3}, b[] = {2, 4, 6, 100, 100};
    ASSERT_EQ(MSE(a, 3, b, 5.0, &r), 0);
    EXPECT_EQ(r, 14.0 / 3);
    ASSERT_EQ(MSE(b, 5, a, 2.9, &r), 0);
    EXPECT_EQ(r, 5.0 / 2);
    for (double ny : {0.5, double(NAN)}) EXPECT_EQ(MSE(a, 3, b, ny, &r), kErrEmptyArray) << ny;
}

TEST(SortRevMaxMinAve, AgainstBruteForce) {
    for (int n : {1, 2, 999}) {
        auto x = orintest::randomDoubles(static_cast<size_t>(n), 500u + n);
        x[0] = x[static_cast<size_t>(n) / 2];  // duplicates are kept
        const auto asc = bruteForceSorted(x);
        std::vector<double> copy(static_cast<size_t>(n)), inPlace = x, reversed = asc;
        ASSERT_EQ(Sort(x.data(), n, 0, copy.data()), 0);
        EXPECT_EQ(copy, asc) << "n=" << n;
        ASSERT_EQ(Sort(inPlace.data(), n, 7, inPlace.data()), 0);
        Rev(reversed.data(), n);
        EXPECT_EQ(inPlace, std::vector<double>(asc.rbegin(), asc.rend())) << "n=" << n;
        EXPECT_EQ(reversed, inPlace) << "n=" << n;
        double hi = 0, lo = 0;
        MaxMin(x.data(), n, &hi, &lo);
        EXPECT_TRUE(hi == asc.back() && lo == asc.front()) << "n=" << n;
    }
    // A NaN after the first sample is skipped; one in front gives NaN.
    double hi = 0, lo = 0;
    const double nanLater[] = {2, NAN, 7, -1}, nanFirst[] = {NAN, 3, -3};
    MaxMin(nanLater, 4, &hi, &lo);
    EXPECT_TRUE(hi == 7 && lo == -1);
    MaxMin(nanFirst, 3, &hi, &lo);
    EXPECT_TRUE(std::isnan(hi) && std::isnan(lo));
    // 1e16 + 1 rounds back to 1e16 in double: only an extended running sum
    // keeps the three ones.
    const double x[] = {1e16, 1.0, 1.0, 1.0, -1e16};
    Ave(x, 5, &hi);
    EXPECT_EQ(hi, 3.0 / 5);
}

// ---- handle entry points ----------------------------------------------------

TEST(StatisticsEntryPoints, SucceedWithErrorExactlyZero) {
    // Element areas 4 bytes off an 8-byte boundary, as DSNewHandle places them;
    // a computed NaN is not replaced by iDNaN.
    DoubleHandle x({4, 1, 3, 2}, orintest::Placement::kUnaligned), y({4, 1, 3, 0, 9}), withNaN({1, NAN, 3});
    const int32_t order = 2;
    double r[6];
    int32_t e[6] = {9, 9, 9, 9, 9, 9};
    const int32_t ret = Mean_head(x, r, e) | Median_head(x, r + 1, e + 1) | Moment_head(x, &order, r + 2, e + 2) |
                        RMS_head(x, r + 3, e + 3) | MSE_head(x, y, r + 4, e + 4) | Mean_head(withNaN, r + 5, e + 5);
    EXPECT_EQ(ret, 0);
    EXPECT_EQ(std::vector<int32_t>(e, e + 6), std::vector<int32_t>(6, 0));
    EXPECT_EQ(std::vector<double>(r, r + 5), (std::vector<double>{2.5, 2.5, 1.25, std::sqrt(7.5), 1.0}));
    EXPECT_TRUE(std::isnan(r[5]) && !isIDNaN(r[5]));
}

// A call with every input empty is the sweep's (EmptyInputs: the code, the
// scalar iDNaN). A table, one entry per line:
// clang-format off
ORIN_CONTRACT_TABLE(StatisticsEntryPoints) {
    static const int32_t badOrder = 0;
    return {
        ORIN_ROW(kErrOrderNotPositive, Moment_head(c.input({1, 2}), &badOrder, c.scalar(), e)),
        ORIN_ROW(kErrEmptyArray, MSE_head(c.input(), c.input({1, 2}), c.scalar(), e)),
        ORIN_ROW(kErrEmptyArray, MSE_head(c.input({1, 2}), c.input(), c.scalar(), e)),
    };
}
// clang-format on
