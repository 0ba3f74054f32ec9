// Histograms against counts computed independently: a long-double division
// for the equal-width bins, the inclusion rules written as interval tests
// for the general bins.
#include <orin/statistics.h>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/allocation_failure.h"
#include "support/contract.h"
#include "support/handles.h"
#include "support/reference.h"

using orintest::DoubleHandle;
using orintest::Int32Handle;
using Counts = std::vector<int32_t>;

namespace {

struct BinsHandle {
    HistogramBinArrayHdl h;
    explicit BinsHandle(const std::vector<HistogramBin> &bins) {
        h = reinterpret_cast<HistogramBinArrayHdl>(DSNewHandle(4 + bins.size() * sizeof(HistogramBin)));
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

}  // namespace

TEST(Histogra, CountsMatchLongDoubleBinningAndEveryInRangeSampleCounts) {
    const auto x = orintest::randomDoubles(5000, 61, -3, 7);
    const double min = -2, max = 5.5;
    for (int32_t nbins : {1, 7, 100}) {
        Counts counts(static_cast<size_t>(nbins)), expected(static_cast<size_t>(nbins));
        std::vector<double> centres(static_cast<size_t>(nbins));
        Histogra(x.data(), 5000, max, min, counts.data(), centres.data(), nbins);
        for (double v : x) {
            const long double k = std::floor((static_cast<long double>(v) - min) * nbins / (max - min));
            if (v >= min && v <= max) ++expected[static_cast<size_t>(std::min<long double>(k, nbins - 1))];
        }
        EXPECT_EQ(counts, expected) << nbins;
        for (int32_t k = 0; k < nbins; ++k)  // a running sum of k + 1 steps of 7.5/nbins
            EXPECT_NEAR(centres[static_cast<size_t>(k)], min + (k + 0.5L) * (max - min) / nbins, 8 * orintest::kEps * 8);
    }
    int32_t counts[4];
    double centres[4];
    const double edge[] = {0, 1, 2, 3, 4};  // the maximum joins the last bin
    Histogra(edge, 5, 4, 0, counts, centres, 4);
    EXPECT_EQ(Counts(counts, counts + 4), (Counts{1, 1, 1, 2}));
    EXPECT_EQ(std::vector<double>(centres, centres + 4), (std::vector<double>{0.5, 1.5, 2.5, 3.5}));
    // The product with the reciprocal width puts 0.09999999999999999 at index
    // 10: it belongs to the last bin.
    int32_t ten[10];
    double tenCentres[10];
    const double nearMax[] = {0, 0.0437, 0.09999999999999999, 0.1};
    Histogra(nearMax, 4, 0.1, 0, ten, tenCentres, 10);
    EXPECT_EQ(ten[0] + ten[4] + ten[9], 4);
    EXPECT_EQ(ten[9], 2);
    // A range wider than the largest double; NaN is not counted.
    const double wide[] = {-1e308, -1e307, 1e307, 1e308, std::nan("")};
    Histogra(wide, 5, 1e308, -1e308, counts, centres, 2);
    EXPECT_EQ(Counts(counts, counts + 2), (Counts{2, 2}));
    EXPECT_EQ(std::vector<double>(centres, centres + 2), (std::vector<double>{-5e307, 5e307}));
    // All samples equal: every one lands in the last bin.
    const double sevens[] = {7, 7, 7};
    cacula_Histogra(sevens, 3, centres, counts, 3);
    EXPECT_EQ(Counts(counts, counts + 3), (Counts{0, 0, 3}));
}

TEST(GeneralHistogram, InclusionRulesAndTotals) {
    const double nan = std::nan("");
    for (int32_t inc = 0; inc < 4; ++inc) {
        const HistogramBin b{1, 2, inc};
        for (double v : {0.5, 1.0, 1.5, 2.0, 2.5})
            EXPECT_EQ(CheckBin(&b, v), holds(b, v) ? 0 : v <= 1 ? -1 : 1) << inc << " " << v;
        EXPECT_EQ(std::abs(CheckBin(&b, nan)) > 1, true);
    }
    const HistogramBin unknown{1, 2, 7};
    EXPECT_EQ(CheckBin(&unknown, 1.5), 7);
    const double x[] = {-1, 0, 1, 2, nan};
    int32_t counts[2], totals[3];
    const HistogramBin halfOpen[] = {{0, 1, 0}, {1, 2, 0}}, closed[] = {{0, 1, 2}, {1, 2, 2}};
    ASSERT_EQ(GeneralHistogram(x, 4, halfOpen, 2, counts, totals), 0);
    EXPECT_EQ(Counts(counts, counts + 2), (Counts{1, 1}));
    EXPECT_EQ(Counts(totals, totals + 3), (Counts{2, 1, 1}));  // outside, below, above
    ASSERT_EQ(GeneralHistogram(x, 5, closed, 2, counts, totals), 0);
    EXPECT_EQ(Counts(counts, counts + 2), (Counts{2, 2}));  // 1 in both bins
    EXPECT_EQ(Counts(totals, totals + 3), (Counts{2, 1, 0}));  // NaN outside only
    ASSERT_EQ(GeneralHistogram(x, 5, nullptr, 0, counts, totals), 0);
    EXPECT_EQ(Counts(totals, totals + 3), (Counts{5, 0, 0}));  // no bins: all outside
}

TEST(GeneralHistogram, RandomBinsMatchIntervalReference) {
    const auto x = orintest::randomDoubles(3000, 17, -1.2, 1.2);
    std::mt19937_64 gen(23);
    std::uniform_real_distribution<double> len(0.05, 0.4), gap(-0.1, 0.15);  // overlaps and gaps
    std::vector<HistogramBin> bins;
    for (double at = -1.0; bins.size() < 8;) {
        const double l = len(gen);
        bins.push_back({at, at + l, static_cast<int32_t>(gen() % 4)});
        at += l + gap(gen);
    }
    BinsHandle bh(bins);
    DoubleHandle xh(x);
    Int32Handle counts({9});
    int32_t totals[3], error = 1;
    ASSERT_EQ(GenHistH(xh, bh.h, counts, totals, &error) + error, 0);
    Counts expected(bins.size()), expectedTotals(3);
    for (double v : x) {
        bool any = false;
        for (size_t k = 0; k < bins.size(); ++k) any |= holds(bins[k], v) && ++expected[k];
        if (any) continue;
        ++expectedTotals[0];
        if (v <= bins.front().lower) ++expectedTotals[1];
        else if (v >= bins.back().upper) ++expectedTotals[2];
    }
    EXPECT_EQ(counts.values(), expected);
    EXPECT_EQ(Counts(totals, totals + 3), expectedTotals);
    ASSERT_GT(expectedTotals[0], expectedTotals[1] + expectedTotals[2]);
    ASSERT_GT(expectedTotals[1] * expectedTotals[2], 0);
}

TEST(GenHistH, NoSamplesGiveZeroedCounts) {
    BinsHandle bh({{0, 1, 0}, {1, 2, 0}, {2, 3, 0}});
    DoubleHandle empty;
    Int32Handle counts({4, 4});
    int32_t totals[3] = {7, 7, 7}, error = 0;
    GenHistH(empty, bh.h, counts, totals, &error);
    EXPECT_EQ(error, kErrEmptyArray);
    EXPECT_EQ(counts.values(), (Counts{0, 0, 0}));
    EXPECT_EQ(Counts(totals, totals + 3), (Counts{0, 0, 0}));
}

namespace {
int32_t histogramOf(orintest::Contract &c, std::vector<double> x, int32_t nbins) {
    int32_t error = 0;
    histgran_head(c.input<DoubleArray>(x), &nbins, c.output<Int32Array>(Counts{1}), c.output<DoubleArray>(std::vector<double>{1}), &error);
    return error;
}
}  // namespace

ORIN_CONTRACT_TABLE(Histograms) {
    return {
        {"histgran_head no samples", kErrEmptyArray, [](orintest::Contract &c) { return histogramOf(c, {}, 3); }},
        {"histgran_head no bins", kErrEmptyArray, [](orintest::Contract &c) { return histogramOf(c, {1}, 0); }},
        {"GenHistH negative bin count", kErrBadArraySize, [](orintest::Contract &c) {
             BinsHandle bh({});
             (*bh.h)->dimSize = -1;
             int32_t totals[3] = {1, 1, 1}, error = 0;
             GenHistH(c.input<DoubleArray>({1}), bh.h, c.output<Int32Array>(Counts{1}), totals, &error);
             return totals[0] == 0 && totals[2] == 0 ? error : 1;
         }},
    };
}

ORIN_ALLOCATION_CASE(histgran_head, 2) {
    DoubleHandle x({3, 1, 2, 0, 4}), centres;
    Int32Handle counts;
    int32_t nbins = 4, error = 0;
    const MgErr status = inj.call([&] { return histgran_head(x, &nbins, counts, centres, &error); });
    EXPECT_EQ(error, inj.failing() ? kErrOutOfMemory : 0);
    if (inj.failing()) EXPECT_TRUE(status != 0 && counts.emptied() && centres.emptied());
    else EXPECT_TRUE(counts.values() == (Counts{1, 1, 1, 2}) && centres.values() == (std::vector<double>{0.5, 1.5, 2.5, 3.5}));
}

ORIN_ALLOCATION_CASE(GenHistH, 1) {
    BinsHandle bh({{0, 1, 0}, {1, 2, 0}});
    DoubleHandle x({-1, 0, 1, 2});
    Int32Handle counts;
    int32_t totals[3] = {9, 9, 9}, error = 0;
    const MgErr status = inj.call([&] { return GenHistH(x, bh.h, counts, totals, &error); });
    EXPECT_EQ(error, inj.failing() ? kErrOutOfMemory : 0);
    if (inj.failing()) EXPECT_TRUE(status != 0 && counts.emptied() && totals[0] == 0 && totals[1] == 0);
    else EXPECT_EQ(counts.values(), (Counts{1, 1}));
}
