// Histograms against counts computed independently: a long-double division
// for the equal-width bins, the inclusion rules written as interval tests
// for the general bins.
#include <orin/statistics.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "support/allocation_failure.h"
#include "support/contract.h"
#include "support/handles.h"
#include "support/reference.h"

using orintest::DoubleHandle;
using orintest::Int32Handle;

namespace {

struct BinsHandle {
    HistogramBinArrayHdl h;
    explicit BinsHandle(const std::vector<HistogramBin> &bins) {
        h = reinterpret_cast<HistogramBinArrayHdl>(DSNewHandle(4 + bins.size() * sizeof(HistogramBin) + 1));
        (*h)->dimSize = static_cast<int32_t>(bins.size());
        for (size_t k = 0; k < bins.size(); ++k) (*h)->elt[k] = bins[k];
    }
    ~BinsHandle() { DSDisposeHandle(reinterpret_cast<UHandle>(h)); }
};

bool holds(const HistogramBin &b, double x) {
    const bool lowIn = b.inclusion == 0 || b.inclusion == 2 ? x >= b.lower : x > b.lower;
    const bool highIn = b.inclusion == 1 || b.inclusion == 2 ? x <= b.upper : x < b.upper;
    return lowIn && highIn;
}
bool under(const HistogramBin &b, double x) { return !holds(b, x) && x <= b.lower; }
bool over(const HistogramBin &b, double x) { return !holds(b, x) && x >= b.upper; }

}  // namespace

TEST(Histogra, CountsMatchLongDoubleBinning) {
    const auto x = orintest::randomDoubles(5000, 61, -3, 7);
    for (int32_t nbins : {1, 7, 100}) {
        const double min = -2, max = 5.5;
        std::vector<int32_t> counts(static_cast<size_t>(nbins), -1);
        std::vector<double> centres(static_cast<size_t>(nbins));
        Histogra(x.data(), 5000, max, min, counts.data(), centres.data(), nbins);
        std::vector<int32_t> expected(static_cast<size_t>(nbins), 0);
        for (double v : x) {
            if (v < min || v > max) continue;
            const long double k = std::floor((static_cast<long double>(v) - min) * nbins / (max - min));
            ++expected[static_cast<size_t>(std::min<long double>(k, nbins - 1))];
        }
        EXPECT_EQ(counts, expected) << nbins;
        for (int32_t k = 0; k < nbins; ++k)
            EXPECT_NEAR(centres[static_cast<size_t>(k)], min + (k + 0.5L) * (max - min) / nbins, 4 * orintest::kEps * 8)
                << k;
    }
}

TEST(Histogra, EveryInRangeSampleIsCounted) {
    int32_t counts[10];
    double centres[10];
    const double edge[] = {0, 1, 2, 3, 4};
    Histogra(edge, 5, 4, 0, counts, centres, 4);
    EXPECT_EQ(std::vector<int32_t>(counts, counts + 4), (std::vector<int32_t>{1, 1, 1, 2}));
    EXPECT_EQ(std::vector<double>(centres, centres + 4), (std::vector<double>{0.5, 1.5, 2.5, 3.5}));
    // The product with the reciprocal width puts 0.09999999999999999 at
    // index 10; it belongs to the last bin.
    const double nearMax[] = {0, 0.0437, 0.09999999999999999, 0.1};
    Histogra(nearMax, 4, 0.1, 0, counts, centres, 10);
    int32_t total = 0;
    for (int32_t c : counts) total += c;
    EXPECT_EQ(total, 4);
    EXPECT_EQ(counts[9], 2);
    // A range wider than the largest double.
    const double wide[] = {-1e308, -1e307, 1e307, 1e308, std::nan("")};
    Histogra(wide, 5, 1e308, -1e308, counts, centres, 2);
    EXPECT_EQ(counts[0], 2);
    EXPECT_EQ(counts[1], 2);
    EXPECT_EQ(centres[0], -5e307);
    EXPECT_EQ(centres[1], 5e307);
    Histogra(wide, 4, 1e308, -1e308, counts, centres, 1);
    EXPECT_EQ(counts[0], 4);
    EXPECT_EQ(centres[0], 0);
    // All samples equal: every one lands in the last bin.
    const double sevens[] = {7, 7, 7};
    cacula_Histogra(sevens, 3, centres, counts, 3);
    EXPECT_EQ(std::vector<int32_t>(counts, counts + 3), (std::vector<int32_t>{0, 0, 3}));
    EXPECT_EQ(centres[2], 7);
}

TEST(Histogra, HandleEntryPoint) {
    DoubleHandle x({3, 1, 2, 0, 4});
    Int32Handle counts;
    DoubleHandle centres;
    int32_t nbins = 4, error = 1;
    ASSERT_EQ(histgran_head(x, &nbins, counts, centres, &error) + error, 0);
    EXPECT_EQ(counts.values(), (std::vector<int32_t>{1, 1, 1, 2}));
    EXPECT_EQ(centres.values(), (std::vector<double>{0.5, 1.5, 2.5, 3.5}));
}

TEST(GeneralHistogram, InclusionRulesAndTotals) {
    const double nan = std::nan("");
    for (int32_t inc = 0; inc < 4; ++inc) {
        const HistogramBin b{1, 2, inc};
        for (double v : {0.5, 1.0, 1.5, 2.0, 2.5}) {
            const int32_t expected = holds(b, v) ? 0 : under(b, v) ? -1 : 1;
            EXPECT_EQ(CheckBin(&b, v), expected) << inc << " " << v;
        }
        const int32_t r = CheckBin(&b, nan);
        EXPECT_TRUE(r != 0 && r != 1 && r != -1);
    }
    const HistogramBin unknown{1, 2, 7};
    EXPECT_EQ(CheckBin(&unknown, 1.5), 7);

    const double x[] = {-1, 0, 1, 2, nan};
    int32_t counts[2], totals[3];
    const HistogramBin halfOpen[] = {{0, 1, 0}, {1, 2, 0}};
    ASSERT_EQ(GeneralHistogram(x, 4, halfOpen, 2, counts, totals), 0);
    EXPECT_EQ(std::vector<int32_t>(counts, counts + 2), (std::vector<int32_t>{1, 1}));
    EXPECT_EQ(std::vector<int32_t>(totals, totals + 3), (std::vector<int32_t>{2, 1, 1}));
    const HistogramBin closed[] = {{0, 1, 2}, {1, 2, 2}};
    ASSERT_EQ(GeneralHistogram(x, 5, closed, 2, counts, totals), 0);
    EXPECT_EQ(std::vector<int32_t>(counts, counts + 2), (std::vector<int32_t>{2, 2}));
    // -1 below, NaN outside only.
    EXPECT_EQ(std::vector<int32_t>(totals, totals + 3), (std::vector<int32_t>{2, 1, 0}));
    // No bins: every sample lies outside.
    ASSERT_EQ(GeneralHistogram(x, 5, nullptr, 0, counts, totals), 0);
    EXPECT_EQ(std::vector<int32_t>(totals, totals + 3), (std::vector<int32_t>{5, 0, 0}));
}

TEST(GeneralHistogram, RandomBinsMatchIntervalReference) {
    const auto x = orintest::randomDoubles(3000, 17, -1.2, 1.2);
    std::mt19937_64 gen(23);
    std::uniform_real_distribution<double> len(0.05, 0.4), gap(-0.1, 0.15);
    std::vector<HistogramBin> bins;
    double at = -1.0;
    for (int k = 0; k < 8; ++k) {
        const double l = len(gen);
        bins.push_back({at, at + l, static_cast<int32_t>(gen() % 4)});
        at += l + gap(gen);  // overlaps and gaps
    }
    BinsHandle bh(bins);
    DoubleHandle xh(x);
    Int32Handle counts({9});
    int32_t totals[3], error = 1;
    ASSERT_EQ(GenHistH(xh, bh.h, counts, totals, &error), 0);
    ASSERT_EQ(error, 0);
    std::vector<int32_t> expected(bins.size(), 0);
    int32_t outside = 0, below = 0, above = 0;
    for (double v : x) {
        if (under(bins.front(), v)) {
            ++below;
            ++outside;
            continue;
        }
        bool any = false;
        for (size_t k = 0; k < bins.size(); ++k)
            if (holds(bins[k], v)) {
                ++expected[k];
                any = true;
            }
        if (!any) {
            ++outside;
            above += over(bins.back(), v);
        }
    }
    EXPECT_EQ(counts.values(), expected);
    EXPECT_EQ(totals[0], outside);
    EXPECT_EQ(totals[1], below);
    EXPECT_EQ(totals[2], above);
    ASSERT_GT(below, 0);
    ASSERT_GT(above, 0);
    ASSERT_GT(outside, below + above);
}

TEST(GenHistH, NoSamplesGiveZeroedCounts) {
    BinsHandle bh({{0, 1, 0}, {1, 2, 0}, {2, 3, 0}});
    DoubleHandle empty;
    Int32Handle counts({4, 4});
    int32_t totals[3] = {7, 7, 7}, error = 0;
    GenHistH(empty, bh.h, counts, totals, &error);
    EXPECT_EQ(error, kErrEmptyArray);
    EXPECT_EQ(counts.values(), (std::vector<int32_t>{0, 0, 0}));
    EXPECT_EQ(std::vector<int32_t>(totals, totals + 3), (std::vector<int32_t>{0, 0, 0}));
}

namespace {
int32_t histogramOf(orintest::Contract &c, std::vector<double> x, int32_t nbins) {
    int32_t error = 0;
    histgran_head(c.input<DoubleArray>(x), &nbins, c.output<Int32Array>(std::vector<int32_t>{1}),
                  c.output<DoubleArray>(std::vector<double>{1}), &error);
    return error;
}
}  // namespace

ORIN_CONTRACT_TABLE(Histograms) {
    return {
        {"histgran_head no samples", kErrEmptyArray, [](orintest::Contract &c) { return histogramOf(c, {}, 3); }},
        {"histgran_head no bins", kErrEmptyArray, [](orintest::Contract &c) { return histogramOf(c, {1}, 0); }},
        {"histgran_head negative bins", kErrEmptyArray, [](orintest::Contract &c) { return histogramOf(c, {1}, -2); }},
        {"GenHistH negative bin count", kErrBadArraySize, [](orintest::Contract &c) {
             BinsHandle bh({});
             (*bh.h)->dimSize = -1;
             int32_t totals[3] = {1, 1, 1}, error = 0;
             GenHistH(c.input<DoubleArray>({1}), bh.h, c.output<Int32Array>(std::vector<int32_t>{1}), totals, &error);
             return totals[0] == 0 && totals[2] == 0 ? error : 1;
         }},
    };
}

ORIN_ALLOCATION_CASE(histgran_head, 2) {
    DoubleHandle x({0, 1, 2, 3, 4});
    Int32Handle counts;
    DoubleHandle centres;
    int32_t nbins = 4, error = 0;
    const MgErr status = inj.call([&] { return histgran_head(x, &nbins, counts, centres, &error); });
    EXPECT_EQ(error, inj.failing() ? kErrOutOfMemory : 0);
    if (inj.failing()) EXPECT_TRUE(status != 0 && counts.emptied() && centres.emptied());
    else EXPECT_EQ(counts.values(), (std::vector<int32_t>{1, 1, 1, 2}));
}

ORIN_ALLOCATION_CASE(GenHistH, 1) {
    BinsHandle bh({{0, 1, 0}, {1, 2, 0}});
    DoubleHandle x({-1, 0, 1, 2});
    Int32Handle counts;
    int32_t totals[3] = {9, 9, 9}, error = 0;
    const MgErr status = inj.call([&] { return GenHistH(x, bh.h, counts, totals, &error); });
    EXPECT_EQ(error, inj.failing() ? kErrOutOfMemory : 0);
    if (inj.failing()) EXPECT_TRUE(status != 0 && counts.emptied() && totals[0] == 0 && totals[1] == 0);
    else EXPECT_EQ(counts.values(), (std::vector<int32_t>{1, 1}));
}
