// Histograms against counts computed independently: a long-double division
// for the equal-width bins, the inclusion rules written as interval tests
// for the general bins.
#include <orin/statistics.h>

#include "support/prelude.h"

using Counts = std::vector<int32_t>;
using Values = std::vector<double>;

namespace {

// Bin records (20 bytes, no numeric type code): made with DSNewHandle.
using BinsHandle = orintest::Handle<HistogramBinArray>;
constexpr auto kRecords = orintest::Placement::kUnaligned;

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
        Values centres(static_cast<size_t>(nbins));
        Histogra(x.data(), 5000, max, min, counts.data(), centres.data(), nbins);
        for (double v : x) {
            const long double k = std::floor((static_cast<long double>(v) - min) * nbins / (max - min));
            if (v >= min && v <= max) ++expected[static_cast<size_t>(std::min<long double>(k, nbins - 1))];
        }
        EXPECT_EQ(counts, expected) << nbins;
        for (int32_t k = 0; k < nbins; ++k)  // a running sum of k + 1 steps of 7.5/nbins
            EXPECT_NEAR(centres[static_cast<size_t>(k)], min + (k + 0.5L) * (max - min) / nbins,
                        8 * orintest::kEps * 8);
    }
    // The product with the reciprocal width puts 0.09999999999999999 at index
    // 10, past the counts: it belongs to the last bin, as does the maximum.
    int32_t ten[10];
    double centres[10];
    const double nearMax[] = {0, 0.0437, 0.09999999999999999, 0.1};
    Histogra(nearMax, 4, 0.1, 0, ten, centres, 10);
    EXPECT_EQ(Counts(ten, ten + 10), (Counts{1, 0, 0, 0, 1, 0, 0, 0, 0, 2}));
    // Wider than the largest double: indexed in halves (-1e304 just below the middle); NaN is not counted.
    const double wide[] = {-1e308, -1e307, -1e304, 1e307, 1e308, NAN};
    Histogra(wide, 6, 1e308, -1e308, ten, centres, 2);
    EXPECT_EQ(Counts(ten, ten + 2), (Counts{3, 2}));
    EXPECT_EQ(Values(centres, centres + 2), (Values{-5e307, 5e307}));
    // Over the measured range, all samples equal: every one in the last bin.
    const double sevens[] = {7, 7, 7};
    cacula_Histogra(sevens, 3, centres, ten, 3);
    EXPECT_EQ(Counts(ten, ten + 3), (Counts{0, 0, 3}));
}

TEST(GeneralHistogram, InclusionRulesAndRandomBinsAgainstIntervalReference) {
    for (int32_t inc = 0; inc < 4; ++inc) {
        const HistogramBin b{1, 2, inc};
        for (double v : {0.5, 1.0, 1.5, 2.0, 2.5})
            EXPECT_EQ(CheckBin(&b, v), holds(b, v) ? 0 : v <= 1 ? -1 : 1) << inc << " " << v;
        EXPECT_GT(std::abs(CheckBin(&b, NAN)), 1);
    }
    const HistogramBin unknown{1, 2, 7};
    EXPECT_EQ(CheckBin(&unknown, 1.5), 7);
    // Random bins with overlaps and gaps, every inclusion rule; samples in the gaps, below and above, and a NaN.
    auto x = orintest::randomDoubles(3000, 17, -1.2, 1.2);
    x[5] = NAN;
    std::mt19937_64 gen(23);
    std::uniform_real_distribution<double> len(0.05, 0.4), gap(-0.1, 0.15);
    std::vector<HistogramBin> bins;
    for (double at = -1.0; bins.size() < 8;) {
        const double l = len(gen);
        bins.push_back({at, at + l, static_cast<int32_t>(gen() % 4)});
        at += l + gap(gen);
    }
    BinsHandle bh(bins, kRecords);
    DoubleHandle xh(x);
    Int32Handle counts({9});
    int32_t totals[3], error = 1;
    ASSERT_EQ(GenHistH(xh, bh, counts, totals, &error) + error, 0);
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
    // No bins: every sample outside. A negative bin count is refused with
    // the totals cleared.
    ASSERT_EQ(GeneralHistogram(x.data(), 5, nullptr, 0, nullptr, totals), 0);
    EXPECT_EQ(Counts(totals, totals + 3), (Counts{5, 0, 0}));
    EXPECT_EQ(GeneralHistogram(x.data(), 5, bins.data(), -1, nullptr, totals), kErrBadArraySize);
    EXPECT_EQ(Counts(totals, totals + 3), (Counts{0, 0, 0}));
    // No samples: -20003 with the counts zeroed, not emptied.
    DoubleHandle empty;
    std::fill(totals, totals + 3, 7);
    GenHistH(empty, bh, counts, totals, &error);
    EXPECT_EQ(error, kErrEmptyArray);
    EXPECT_EQ(counts.values(), Counts(bins.size()));
    EXPECT_EQ(Counts(totals, totals + 3), (Counts{0, 0, 0}));
}

// A table, one entry per line:
// clang-format off
ORIN_CONTRACT_TABLE(Histograms) {
    static const int32_t none = 0;
    // A negative bin count also clears the totals.
    const auto general = [](Contract &c, int32_t *e) {
        BinsHandle bh({}, kRecords);
        (*bh.get())->dimSize = -1;
        int32_t totals[3] = {1, 1, 1};
        const int32_t ret = GenHistH(c.input({1}), bh, c.output<Int32Array>({1}), totals, e);
        return totals[0] == 0 && totals[2] == 0 ? ret : 1;
    };
    return {
        ORIN_ROW(kErrEmptyArray, histgran_head(c.input({1}), &none, c.output<Int32Array>({1}), c.output({1}), e)),
        ORIN_ROW(kErrBadArraySize, general(c, e)),
    };
}
// clang-format on

// The two resizes of histgran_head, the one of GenHistH.
ORIN_ALLOCATION_CASE(Histograms, 3) {
    BinsHandle bh({{0, 1, 0}, {1, 2, 0}}, kRecords);
    DoubleHandle x({3, 1, 2, 0, 4}), centres;
    Int32Handle counts, general;
    int32_t nbins = 4, error = 0, generalError = 0, totals[3] = {9, 9, 9};
    MgErr status = 0, generalStatus = 0;
    inj.call([&] {
        status = histgran_head(x, &nbins, counts, centres, &error);
        return generalStatus = GenHistH(x, bh, general, totals, &generalError);
    });
    const bool first = inj.site() == 1 || inj.site() == 2, second = inj.site() == 3;
    EXPECT_EQ(error, first ? kErrOutOfMemory : 0);
    EXPECT_TRUE(first ? status != 0 && counts.emptied() && centres.emptied()
                      : counts.values() == (Counts{1, 1, 1, 2}) && centres.values() == (Values{0.5, 1.5, 2.5, 3.5}));
    EXPECT_EQ(generalError, second ? kErrOutOfMemory : 0);
    EXPECT_TRUE(second ? generalStatus != 0 && general.emptied() && totals[0] == 0 && totals[1] == 0
                       : general.values() == (Counts{1, 1}));
}
