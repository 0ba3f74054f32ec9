// Descriptive statistics against independent references: a brute-force
// selection sort, long-double two-pass formulas, and closed forms.
#include <orin/host.h>
#include <orin/statistics.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "support/allocation_failure.h"
#include "support/contract.h"
#include "support/handles.h"
#include "support/reference.h"

using orintest::DoubleHandle;
using orintest::isIDNaN;
using orintest::kEps;

namespace {

// Ascending selection sort: quadratic and independent of the host's QSort.
std::vector<double> bruteForceSorted(std::vector<double> v) {
    for (size_t i = 0; i < v.size(); ++i) {
        size_t best = i;
        for (size_t j = i + 1; j < v.size(); ++j)
            if (v[j] < v[best]) best = j;
        std::swap(v[i], v[best]);
    }
    return v;
}

long double twoPassMean(const std::vector<double> &x) {
    long double s = 0;
    for (double v : x) s += v;
    return s / x.size();
}

long double centralMoment(const std::vector<double> &x, int order) {
    const long double m = twoPassMean(x);
    long double s = 0;
    for (double v : x) s += std::pow(static_cast<long double>(v) - m, order);
    return s / x.size();
}

}  // namespace

TEST(Median, ClosedFormCases) {
    double m = 0;
    const double odd[] = {3, 1, 2};
    ASSERT_EQ(Median(odd, 3, &m), 0);
    EXPECT_EQ(m, 2.0);
    const double even[] = {4, 1, 3, 2};
    ASSERT_EQ(Median(even, 4, &m), 0);
    EXPECT_EQ(m, 2.5);
    const double one[] = {-7.25};
    ASSERT_EQ(Median(one, 1, &m), 0);
    EXPECT_EQ(m, -7.25);
    // The mean of the middle pair is formed without overflow.
    const double huge[] = {1.5e308, 1.7e308};
    ASSERT_EQ(Median(huge, 2, &m), 0);
    EXPECT_EQ(m, 1.6e308);
    EXPECT_EQ(Median(one, 0, &m), kErrEmptyArray);
    EXPECT_EQ(Median(one, -3, &m), kErrEmptyArray);
}

TEST(Median, MatchesBruteForceSortAndLeavesInputUnchanged) {
    for (int n : {1, 2, 3, 10, 101, 1000, 1001}) {
        auto x = orintest::randomDoubles(static_cast<size_t>(n), 1000u + n, -50, 50);
        const auto original = x;
        const auto sorted = bruteForceSorted(x);
        const double expected = n % 2 ? sorted[n / 2] : (static_cast<long double>(sorted[n / 2]) + sorted[n / 2 - 1]) / 2;
        double m = 0;
        ASSERT_EQ(Median(x.data(), n, &m), 0) << "n=" << n;
        EXPECT_EQ(m, expected) << "n=" << n;
        EXPECT_EQ(x, original) << "n=" << n;
    }
}

TEST(Median, CountWhoseByteSizeCannotBeRepresentedIsRefused) {
    // n * 8 bytes exceeds a 32-bit size_t: the copy must be refused before
    // anything is read, not wrapped to a small allocation.
    if (sizeof(size_t) != 4) GTEST_SKIP() << "only a 32-bit build can express this size";
    const double x[] = {1};
    double m = 0;
    EXPECT_EQ(Median(x, 0x20000001, &m), kErrOutOfMemory);
}

TEST(Moment, ClosedFormsAndCheckOrder) {
    const double x[] = {1, 2, 3, 4};
    double m = 0;
    ASSERT_EQ(Moment(x, 4, 2, &m), 0);
    EXPECT_EQ(m, 1.25);
    ASSERT_EQ(Moment(x, 4, 1, &m), 0);
    EXPECT_NEAR(m, 0.0, 4 * kEps);
    ASSERT_EQ(Moment(x, 4, 4, &m), 0);
    EXPECT_EQ(m, (81.0 / 16 + 1.0 / 16 + 1.0 / 16 + 81.0 / 16) / 4);
    // The count is checked before the order.
    EXPECT_EQ(Moment(x, 0, 0, &m), kErrEmptyArray);
    EXPECT_EQ(Moment(x, 4, 0, &m), kErrOrderNotPositive);
    EXPECT_EQ(Moment(x, 4, -2, &m), kErrOrderNotPositive);
}

// Huge orders finish at once and agree bit for bit with the plain product
// of one rounding per factor: deviations of magnitude 1, and powers that
// underflow to 0 or overflow to infinity partway.
TEST(Moment, HugeOrdersAreCheapAndExact) {
    const double unit[] = {0, 2}, small[] = {0, 0.5}, large[] = {0, 4}, sticky[] = {0, 1.5};
    const int32_t odd = INT32_MAX, even = INT32_MAX - 1;
    struct Case { const double *x; int32_t order; double want; } cases[] = {
        {unit, odd, 0}, {unit, even, 1}, {small, odd, 0}, {small, even, 0}, {large, even, INFINITY},
        {sticky, odd, 0}, {sticky, even, 0},
    };
    for (const Case &c : cases) {
        double m = -1;
        ASSERT_EQ(Moment(c.x, 2, c.order, &m), 0);
        EXPECT_EQ(m, c.want) << c.x[1] << "^" << c.order;
    }
    double m = 0;
    ASSERT_EQ(Moment(large, 2, odd, &m), 0);
    EXPECT_TRUE(std::isnan(m)) << "+inf and -inf";

    // Deviations near 1.03, -1, -0.5, 0.47 and +-0.75: two powers underflow
    // to 0 partway, two stick at the smallest subnormal (it rounds back to
    // itself), the largest stays within double range.
    const double x[] = {2.03, 0, 0.5, 1.47, 1.75, 0.25};
    for (int32_t order : {20001, 20002}) {
        double mean = 0;
        Ave(x, 6, &mean);
        long double sum = 0;
        for (double v : x) {
            const long double d = static_cast<long double>(v) - mean;
            long double p = d;
            for (int32_t k = 1; k < order; ++k) p *= d;
            sum += p;
        }
        ASSERT_EQ(Moment(x, 6, order, &m), 0);
        EXPECT_TRUE(std::isfinite(m) && m > 1e250) << m;
        EXPECT_EQ(m, static_cast<double>(sum / 6)) << order;
    }
}

TEST(Moment, MatchesLongDoubleReferenceOnRandomData) {
    const auto x = orintest::randomDoubles(5000, 7, 10, 30);
    const long double mean = twoPassMean(x);
    for (int order : {2, 3, 4, 5}) {
        double m = 0;
        ASSERT_EQ(Moment(x.data(), 5000, order, &m), 0);
        const long double ref = centralMoment(x, order);
        // The mean is rounded to double (error up to eps * |mean|) before the
        // deviations are taken; to first order that shifts the moment by
        // order * eps * |mean| * E|d|^(order-1). Odd moments of symmetric data
        // are small, so the bound must be absolute, not relative to them.
        long double absLower = 0, absSame = 0;
        for (double v : x) {
            absLower += std::pow(std::fabs(static_cast<long double>(v) - mean), order - 1);
            absSame += std::pow(std::fabs(static_cast<long double>(v) - mean), order);
        }
        const double bound = static_cast<double>(order * kEps * std::fabs(mean) * absLower / x.size() +
                                                 16 * kEps * absSame / x.size());
        EXPECT_NEAR(m, static_cast<double>(ref), bound) << "order " << order;
    }
}

TEST(StdDev, ClosedFormAndRandomReference) {
    const double x[] = {1, 2, 3, 4};
    double mean = 0, sd = 0;
    ASSERT_EQ(StdDev(x, 4, &mean, &sd), 0);
    EXPECT_EQ(mean, 2.5);
    EXPECT_EQ(sd, std::sqrt(1.25));
    // Moderately offset data (|mean|/sd about 3.5): the extended sums keep the
    // cancellation of q - mean^2 below double rounding.
    auto y = orintest::randomDoubles(100000, 11, 10, 30);
    ASSERT_EQ(StdDev(y.data(), 100000, &mean, &sd), 0);
    EXPECT_NEAR(mean, static_cast<double>(twoPassMean(y)), 2 * kEps * 30);
    long double refSd = std::sqrt(centralMoment(y, 2));
    EXPECT_NEAR(sd, static_cast<double>(refSd), 4 * kEps * static_cast<double>(refSd));
    // Strongly offset data (|mean|/sd about 1700): the one-pass formula loses
    // (mean/sd)^2 times the extended sums' rounding, which grows like
    // sqrt(n) * 2^-64 for random data; the bound allows 8 times that.
    y = orintest::randomDoubles(100000, 12, 999, 1001);
    ASSERT_EQ(StdDev(y.data(), 100000, &mean, &sd), 0);
    refSd = std::sqrt(centralMoment(y, 2));
    const double ratio = 1000 / static_cast<double>(refSd);
    const double bound = 8 * std::sqrt(100000.0) * std::ldexp(1.0, -64) * ratio * ratio;
    EXPECT_NEAR(sd, static_cast<double>(refSd), bound * static_cast<double>(refSd));
    // A constant record has deviation 0 (the absolute value keeps a rounding
    // residue from turning into a NaN).
    const std::vector<double> c(1000, 0.1);
    ASSERT_EQ(StdDev(c.data(), 1000, &mean, &sd), 0);
    EXPECT_LT(sd, 1e-9);
    EXPECT_EQ(StdDev(x, 0, &mean, &sd), kErrEmptyArray);
}

TEST(RMS, ClosedFormsAndEmpty) {
    const double x[] = {3, -4};
    double r = 0;
    ASSERT_EQ(RMS(x, 2, &r), 0);
    EXPECT_EQ(r, std::sqrt(12.5));
    // Squares beyond the double range stay finite in the extended sum.
    const double big[] = {1e200, 1e200};
    ASSERT_EQ(RMS(big, 2, &r), 0);
    EXPECT_NEAR(r, 1e200, 1e200 * 2 * kEps);
    EXPECT_EQ(RMS(x, 0, &r), kErrEmptyArray);
}

TEST(MSE, UsesShorterLengthAndChecksBothCounts) {
    const double x[] = {1, 2, 3};
    const double y[] = {2, 4, 6, 100, 100};
    double e = 0;
    ASSERT_EQ(MSE(x, 3, y, 5.0, &e), 0);
    EXPECT_EQ(e, (1.0 + 4.0 + 9.0) / 3);
    ASSERT_EQ(MSE(y, 5, x, 3.0, &e), 0);
    EXPECT_EQ(e, (1.0 + 4.0 + 9.0) / 3);
    // A fractional count is truncated.
    ASSERT_EQ(MSE(y, 5, x, 2.9, &e), 0);
    EXPECT_EQ(e, (1.0 + 4.0) / 2);
    EXPECT_EQ(MSE(x, 0, y, 5.0, &e), kErrEmptyArray);
    EXPECT_EQ(MSE(x, 3, y, 0.5, &e), kErrEmptyArray);
    EXPECT_EQ(MSE(x, 3, y, std::nan(""), &e), kErrEmptyArray);
}

TEST(Sort, AgreesWithBruteForceBothDirectionsInPlaceAndCopied) {
    const double small[] = {2, 3, 1};
    double out[3];
    ASSERT_EQ(Sort(small, 3, 1, out), 0);
    EXPECT_EQ(std::vector<double>(out, out + 3), (std::vector<double>{3, 2, 1}));
    for (int n : {1, 2, 7, 64, 999}) {
        auto x = orintest::randomDoubles(static_cast<size_t>(n), 500u + n);
        x[0] = x[static_cast<size_t>(n) / 2];  // duplicates are kept
        const auto asc = bruteForceSorted(x);
        std::vector<double> copy(static_cast<size_t>(n));
        ASSERT_EQ(Sort(x.data(), n, 0, copy.data()), 0);
        EXPECT_EQ(copy, asc) << "n=" << n;
        std::vector<double> inPlace = x;
        ASSERT_EQ(Sort(inPlace.data(), n, 7, inPlace.data()), 0);
        EXPECT_EQ(inPlace, std::vector<double>(asc.rbegin(), asc.rend())) << "n=" << n;
    }
    EXPECT_EQ(Sort(small, 0, 0, out), kErrEmptyArray);
}

TEST(Rev, ReversesOddAndEvenLengths) {
    std::vector<double> odd{1, 2, 3, 4, 5}, even{1, 2, 3, 4};
    Rev(odd.data(), 5);
    Rev(even.data(), 4);
    EXPECT_EQ(odd, (std::vector<double>{5, 4, 3, 2, 1}));
    EXPECT_EQ(even, (std::vector<double>{4, 3, 2, 1}));
}

TEST(MaxMin, FindsExtremesAndHandlesNaN) {
    const auto x = orintest::randomDoubles(777, 3);
    double hi = 0, lo = 0;
    MaxMin(x.data(), 777, &hi, &lo);
    EXPECT_EQ(hi, *std::max_element(x.begin(), x.end()));
    EXPECT_EQ(lo, *std::min_element(x.begin(), x.end()));
    const double nanLater[] = {2, NAN, 7, -1};
    MaxMin(nanLater, 4, &hi, &lo);
    EXPECT_EQ(hi, 7);
    EXPECT_EQ(lo, -1);
    const double nanFirst[] = {NAN, 3, -3};
    MaxMin(nanFirst, 3, &hi, &lo);
    EXPECT_TRUE(std::isnan(hi));
    EXPECT_TRUE(std::isnan(lo));
}

TEST(Ave, SumsInExtendedPrecision) {
    // 1e16 + 1 rounds back to 1e16 in double: only an extended running sum
    // keeps the three ones.
    std::vector<double> x{1e16, 1.0, 1.0, 1.0, -1e16};
    double m = 0;
    Ave(x.data(), 5, &m);
    EXPECT_EQ(m, 3.0 / 5);
}

// ---- handle entry points ----------------------------------------------------

TEST(StatisticsEntryPoints, SucceedWithErrorExactlyZero) {
    DoubleHandle x({4, 1, 3, 2});
    DoubleHandle y({4, 1, 3, 0, 9});
    const int32_t order = 2;
    const auto check = [](const char *name, double expected, auto call) {
        double r = 0;
        int32_t err = 123;
        EXPECT_EQ(call(&r, &err), 0) << name;
        EXPECT_EQ(err, 0) << name;
        EXPECT_EQ(r, expected) << name;
    };
    check("Mean_head", 2.5, [&](double *r, int32_t *e) { return Mean_head(x, r, e); });
    check("Median_head", 2.5, [&](double *r, int32_t *e) { return Median_head(x, r, e); });
    check("Moment_head", 1.25, [&](double *r, int32_t *e) { return Moment_head(x, &order, r, e); });
    check("RMS_head", std::sqrt(7.5), [&](double *r, int32_t *e) { return RMS_head(x, r, e); });
    check("MSE_head", 1.0, [&](double *r, int32_t *e) { return MSE_head(x, y, r, e); });
}

// Each entry point with one scalar output: the error output's code, and the
// return value (0: no resize was refused).
template <class Call>
orintest::ContractRow scalarRow(const char *name, int32_t code, Call call) {
    return orintest::errorRow(name, code, [call](orintest::Contract &c, int32_t *error) { return call(c, c.scalar(), error); });
}

ORIN_CONTRACT_TABLE(StatisticsEntryPoints) {
    using orintest::Contract;
    static const int32_t order = 2, badOrder = 0;
    return {
        scalarRow("Mean_head", kErrEmptyArray, [](Contract &c, double *r, int32_t *e) { return Mean_head(c.input<DoubleArray>(), r, e); }),
        scalarRow("Median_head", kErrEmptyArray, [](Contract &c, double *r, int32_t *e) { return Median_head(c.input<DoubleArray>(), r, e); }),
        scalarRow("Moment_head", kErrEmptyArray, [](Contract &c, double *r, int32_t *e) { return Moment_head(c.input<DoubleArray>(), &order, r, e); }),
        scalarRow("Moment_head order", kErrOrderNotPositive, [](Contract &c, double *r, int32_t *e) { return Moment_head(c.input<DoubleArray>({1, 2}), &badOrder, r, e); }),
        scalarRow("RMS_head", kErrEmptyArray, [](Contract &c, double *r, int32_t *e) { return RMS_head(c.input<DoubleArray>(), r, e); }),
        scalarRow("MSE_head x", kErrEmptyArray, [](Contract &c, double *r, int32_t *e) { return MSE_head(c.input<DoubleArray>(), c.input<DoubleArray>({1, 2}), r, e); }),
        scalarRow("MSE_head y", kErrEmptyArray, [](Contract &c, double *r, int32_t *e) { return MSE_head(c.input<DoubleArray>({1, 2}), c.input<DoubleArray>(), r, e); }),
    };
}

TEST(StatisticsEntryPoints, ComputedNaNIsNotReplacedOnSuccess) {
    DoubleHandle x({1, NAN, 3});
    double r = 0;
    int32_t err = 1;
    ASSERT_EQ(Mean_head(x, &r, &err), 0);
    EXPECT_EQ(err, 0);
    EXPECT_TRUE(std::isnan(r));
    EXPECT_FALSE(isIDNaN(r));
}

TEST(StatisticsEntryPoints, ReadMisalignedElementAreas) {
    // Handles made by DSNewHandle put 1D doubles 4 bytes off an 8-byte
    // boundary; the routines read them all the same.
    DoubleHandle x({4, 1, 3, 2}, orintest::Placement::kUnaligned);
    double r = 0;
    int32_t err = 0;
    ASSERT_EQ(Median_head(x, &r, &err), 0);
    EXPECT_EQ(r, 2.5);
}

// ---- allocation failures ----------------------------------------------------

ORIN_ALLOCATION_CASE(Median, 1) {
    const double x[] = {5, 1, 4, 2, 3};
    double m = 0;
    const int32_t code = inj.call([&] { return Median(x, 5, &m); });
    if (inj.failing()) {
        EXPECT_EQ(code, kErrOutOfMemory);
    } else {
        EXPECT_EQ(code, 0);
        EXPECT_EQ(m, 3.0);
    }
}

ORIN_ALLOCATION_CASE(Median_head, 1) {
    DoubleHandle x({5, 1, 4, 2});
    double m = 0;
    int32_t err = 0;
    const int32_t ret = inj.call([&] { return Median_head(x, &m, &err); });
    EXPECT_EQ(ret, 0);
    if (inj.failing()) {
        EXPECT_EQ(err, kErrOutOfMemory);
        EXPECT_TRUE(isIDNaN(m));
    } else {
        EXPECT_EQ(err, 0);
        EXPECT_EQ(m, 3.0);
    }
}
