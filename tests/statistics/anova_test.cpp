// Analysis of variance against the textbook definitions, computed here in
// long double by two passes: each effect's sum of squares as the squared
// deviations of its cell means with all lower-order means removed
// (inclusion-exclusion over the factors), the error as the squared
// deviations from the cell means. p-values against the reference F tail.
#include <orin/statistics.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "distribution_reference.h"
#include "support/allocation_failure.h"
#include "support/handles.h"
#include "support/reference.h"

using orintest::DoubleHandle;
using orintest::DoubleMatrixHandle;
using orintest::Int32Handle;
using orintest::isIDNaN;
using orintest::kEps;
namespace ref = orintest::ref;

namespace {

// A factorial data set: observations and, per factor, their level indices.
struct Design {
    std::vector<int> levels;                 // levels of each factor
    std::vector<double> y;                   // observations
    std::vector<std::vector<int32_t>> index; // index[f][t]
    // The data are offset + v; sums of squares do not change under a shift,
    // and y - offset is exact (Sterbenz: y and offset lie within a factor of
    // 2), so the reference works on y - offset, where long double keeps
    // every digit the library could have.
    double offset = 0;
    int factors() const { return static_cast<int>(levels.size()); }
    long double centred(size_t t) const { return static_cast<long double>(y[t] - offset); }
};

// A balanced design with m observations per cell in shuffled order, each
// observation offset + cell effect + noise; the cell effects are scaled so
// that the tests are neither certain nor hopeless.
Design balanced(std::vector<int> levels, int m, uint64_t seed, double offset = 10, double effect = 0.6) {
    std::mt19937_64 gen(seed);
    std::normal_distribution<double> noise(0, 1);
    Design d{levels, {}, std::vector<std::vector<int32_t>>(levels.size()), offset};
    int cells = 1;
    for (int l : levels) cells *= l;
    std::vector<double> cellEffect(static_cast<size_t>(cells));
    for (double &e : cellEffect) e = effect * noise(gen);
    std::vector<int> order;
    for (int c = 0; c < cells; ++c)
        for (int r = 0; r < m; ++r) order.push_back(c);
    std::shuffle(order.begin(), order.end(), gen);
    for (int c : order) {
        d.y.push_back(offset + cellEffect[static_cast<size_t>(c)] + noise(gen));
        for (int f = d.factors() - 1, rest = c; f >= 0; --f) {
            d.index[static_cast<size_t>(f)].push_back(rest % levels[static_cast<size_t>(f)]);
            rest /= levels[static_cast<size_t>(f)];
        }
    }
    return d;
}

// Cell means over the factors in mask (bit f for factor f), keyed by the
// mixed-radix cell number over those factors.
struct Means {
    std::vector<long double> mean;
    std::vector<long double> count;
};

long cellOf(const Design &d, unsigned mask, size_t t) {
    long cell = 0;
    for (int f = 0; f < d.factors(); ++f)
        if (mask & (1u << f)) cell = cell * d.levels[static_cast<size_t>(f)] + d.index[static_cast<size_t>(f)][t];
    return cell;
}

long cellsOf(const Design &d, unsigned mask) {
    long n = 1;
    for (int f = 0; f < d.factors(); ++f)
        if (mask & (1u << f)) n *= d.levels[static_cast<size_t>(f)];
    return n;
}

Means meansOver(const Design &d, unsigned mask) {
    Means r{std::vector<long double>(static_cast<size_t>(cellsOf(d, mask))), std::vector<long double>(static_cast<size_t>(cellsOf(d, mask)))};
    for (size_t t = 0; t < d.y.size(); ++t) {
        r.mean[static_cast<size_t>(cellOf(d, mask, t))] += d.centred(t);
        r.count[static_cast<size_t>(cellOf(d, mask, t))] += 1;
    }
    for (size_t c = 0; c < r.mean.size(); ++c) r.mean[c] /= r.count[c];
    return r;
}

// Sum of squares of the effect of the factors in mask: over observations,
// the square of sum_{T subset of mask} (-1)^|mask \ T| mean_T (for one
// factor: group mean minus grand mean; for two: ij - i - j + grand; ...).
long double effectSS(const Design &d, unsigned mask) {
    std::vector<Means> sub(1u << d.factors());
    for (unsigned t = 0; t < sub.size(); ++t)
        if ((t & mask) == t) sub[t] = meansOver(d, t);
    long double ss = 0;
    for (size_t i = 0; i < d.y.size(); ++i) {
        long double dev = 0;
        for (unsigned t = 0; t < sub.size(); ++t) {
            if ((t & mask) != t) continue;
            const int sign = __builtin_popcount(mask & ~t) % 2 ? -1 : 1;
            dev += sign * sub[t].mean[static_cast<size_t>(cellOf(d, t, i))];
        }
        ss += dev * dev;
    }
    return ss;
}

long double errorSS(const Design &d) {
    const unsigned all = (1u << d.factors()) - 1;
    const Means cells = meansOver(d, all);
    long double ss = 0;
    for (size_t t = 0; t < d.y.size(); ++t) {
        const long double e = d.centred(t) - cells.mean[static_cast<size_t>(cellOf(d, all, t))];
        ss += e * e;
    }
    return ss;
}

long double totalSS(const Design &d) {
    long double mean = 0, ss = 0;
    for (size_t t = 0; t < d.y.size(); ++t) mean += d.centred(t);
    mean /= d.y.size();
    for (size_t t = 0; t < d.y.size(); ++t) ss += (d.centred(t) - mean) * (d.centred(t) - mean);
    return ss;
}

double upperF(long double f, long double df1, long double df2) {
    return static_cast<double>(1 - ref::fCdf(f, static_cast<int>(df1), static_cast<int>(df2)));
}

// Degrees of freedom of an effect: product of (levels - 1) over its factors.
long dfOf(const Design &d, unsigned mask) {
    long df = 1;
    for (int f = 0; f < d.factors(); ++f)
        if (mask & (1u << f)) df *= d.levels[static_cast<size_t>(f)] - 1;
    return df;
}

// The denominator of an effect's F ratio from the expected mean squares of
// the restricted mixed model: with no random factor outside the effect,
// the error; with one, the effect's interaction with it; with two or more,
// no exact test (returns -1). The error is returned as 0 here.
int denominatorOf(unsigned effect, unsigned random) {
    const unsigned outside = random & ~effect;
    if (outside == 0) return 0;
    if (__builtin_popcount(outside) == 1) return static_cast<int>(effect | outside);
    return -1;
}

// Every sum of squares is a difference of extended sums rounded once to
// double: a few units of rounding of the largest, the total.
double ssTolerance(long double sst) { return static_cast<double>(16 * kEps * sst); }

}  // namespace

TEST(ANOVA1Way, SmallExampleWithKnownAnswers) {
    const double x[] = {1, 3, 5, 7};
    const int32_t g[] = {0, 0, 1, 1};
    double ssa, msa, f, p, sse, mse, sst;
    ASSERT_EQ(ANOVA1Way(x, g, 4, 2, &ssa, &msa, &f, &p, &sse, &mse, &sst), 0);
    EXPECT_EQ(sst, 20.0);
    EXPECT_EQ(ssa, 16.0);
    EXPECT_EQ(sse, 4.0);
    EXPECT_EQ(msa, 16.0);
    EXPECT_EQ(mse, 2.0);
    EXPECT_EQ(f, 8.0);
    // F(1, 2) = T(2)^2, P(|T_2| > t) = 1 - t / sqrt(2 + t^2): p = 1 - sqrt(0.8).
    EXPECT_NEAR(p, 1 - std::sqrt(0.8), ref::kBetaBudget);
}

TEST(ANOVA1Way, UnbalancedGroupsAgainstTheDefinitions) {
    // Data near 0 and near 1e7 (spread 1): summed naively, sum x^2 - (sum
    // x)^2/n would lose (1e7)^2 * 2^-64 * n of the total, about 1e-5 of it.
    for (double offset : {0.0, 1e7})
        for (int k : {2, 3, 7}) {
            std::mt19937_64 gen(40 + k);
            std::normal_distribution<double> noise(0, 1);
            Design d{{k}, {}, {{}}, offset};
            for (int j = 0; j < k; ++j)
                for (int r = 0; r < 2 + 3 * j; ++r) {  // group sizes 2, 5, 8, ...
                    d.y.push_back(offset + 0.5 * j + noise(gen));
                    d.index[0].push_back(j);
                }
            const int32_t n = static_cast<int32_t>(d.y.size());
            double ssa, msa, f, p, sse, mse, sst;
            ASSERT_EQ(ANOVA1Way(d.y.data(), d.index[0].data(), n, k, &ssa, &msa, &f, &p, &sse, &mse, &sst), 0);
            const long double refSST = totalSS(d), refSSA = effectSS(d, 1), refSSE = errorSS(d);
            const double tol = ssTolerance(refSST);
            const std::string where = "offset=" + std::to_string(offset) + " k=" + std::to_string(k);
            EXPECT_NEAR(sst, static_cast<double>(refSST), tol) << where;
            EXPECT_NEAR(ssa, static_cast<double>(refSSA), tol) << where;
            EXPECT_NEAR(sse, static_cast<double>(refSSE), tol) << where;
            EXPECT_NEAR(msa, static_cast<double>(refSSA / (k - 1)), tol) << where;
            EXPECT_NEAR(mse, static_cast<double>(refSSE / (n - k)), tol) << where;
            const long double refF = (refSSA / (k - 1)) / (refSSE / (n - k));
            EXPECT_NEAR(f, static_cast<double>(refF), static_cast<double>(refF) * (tol / static_cast<double>(refSSA) + tol / static_cast<double>(refSSE)))
                << where;
            EXPECT_NEAR(p, upperF(refF, k - 1, n - k), ref::kBetaBudget) << where;
        }
}

TEST(ANOVA1Way, ChecksInTheirOrder) {
    const double x[] = {1, 2, 3, 4, 5};
    const int32_t g[] = {0, 1, 0, 1, 2};
    double o[7];
    const auto run = [&](const int32_t *groups, int32_t n, int32_t k) {
        return ANOVA1Way(x, groups, n, k, o, o + 1, o + 2, o + 3, o + 4, o + 5, o + 6);
    };
    EXPECT_EQ(run(g, 0, 2), kErrEmptyArray);
    EXPECT_EQ(run(g, 0, 0), kErrEmptyArray);
    EXPECT_EQ(run(g, 5, 1), kErrAnovaLevels);
    EXPECT_EQ(run(g, 5, 5), kErrAnovaLevels);
    const int32_t negative[] = {0, 1, -1, 1, 0};
    EXPECT_EQ(run(negative, 5, 3), kErrAnovaLevelIndex);
    const int32_t beyond[] = {0, 1, 3, 1, 0};
    EXPECT_EQ(run(beyond, 5, 3), kErrAnovaLevelIndex);
    // Group 2 of 4 is empty; so is group 3, but the index fault comes first.
    EXPECT_EQ(run(g, 5, 4), kErrAnovaNoObservations);
    const int32_t emptyAndBad[] = {0, 1, 0, 1, 7};
    EXPECT_EQ(run(emptyAndBad, 5, 4), kErrAnovaLevelIndex);
}

namespace {

// Checks a two-way analysis of d under the given random factors against the
// definitions.
void checkTwoWay(const Design &d, int m, bool randomA, bool randomB, const std::string &where) {
    const int a = d.levels[0], b = d.levels[1];
    const int32_t n = static_cast<int32_t>(d.y.size());
    double table[16], pA, pB, pAB;
    table[15] = 12345;
    ASSERT_EQ(ANOVA2Way(d.y.data(), d.index[0].data(), d.index[1].data(), n, m, randomA ? -a : a, randomB ? -b : b, table, &pA,
                        &pB, &pAB),
              0)
        << where;
    EXPECT_EQ(table[15], 12345) << "the 15-value table is not overrun " << where;
    const double tol = ssTolerance(totalSS(d));
    // Rows A, B, AB, error (bit 0 factor A, bit 1 factor B).
    const long double ss[4] = {effectSS(d, 1), effectSS(d, 2), m == 1 ? 0 : effectSS(d, 3),
                               m == 1 ? effectSS(d, 3) : errorSS(d)};
    const long double df[4] = {a - 1.0L, b - 1.0L, m == 1 ? 0 : (a - 1.0L) * (b - 1), m == 1 ? (a - 1.0L) * (b - 1) : n - a * b};
    for (int r = 0; r < 4; ++r) {
        EXPECT_NEAR(table[4 * r], static_cast<double>(ss[r]), tol) << where << " row " << r;
        EXPECT_EQ(table[4 * r + 1], static_cast<double>(df[r])) << where << " row " << r;
        EXPECT_NEAR(table[4 * r + 2], df[r] ? static_cast<double>(ss[r] / df[r]) : 0.0, tol) << where << " row " << r;
    }
    const unsigned random = (randomA ? 1u : 0u) | (randomB ? 2u : 0u);
    const double ps[3] = {pA, pB, pAB};
    for (unsigned effect : {1u, 2u, 3u}) {
        const int row = static_cast<int>(effect) - 1;
        if (m == 1 && effect == 3) {
            EXPECT_EQ(table[4 * row + 3], 0.0) << where;
            EXPECT_EQ(pAB, 0.0) << where;
            continue;
        }
        const int den = denominatorOf(effect, random);
        const int denRow = den == 0 ? 3 : den - 1;
        const long double f = (ss[row] / df[row]) / (ss[denRow] / df[denRow]);
        const double relTol = tol / static_cast<double>(ss[row]) + tol / static_cast<double>(ss[denRow]);
        EXPECT_NEAR(table[4 * row + 3], static_cast<double>(f), static_cast<double>(f) * relTol) << where << " effect " << effect;
        EXPECT_NEAR(ps[row], upperF(f, df[row], df[denRow]), ref::kBetaBudget) << where << " effect " << effect;
    }
}

}  // namespace

TEST(ANOVA2Way, FixedAndRandomFactorsAgainstTheDefinitions) {
    for (double offset : {10.0, 1e7})
        for (int m : {2, 3}) {
            const Design d = balanced({3, 4}, m, 7 + m, offset);
            for (int pattern = 0; pattern < 4; ++pattern)
                checkTwoWay(d, m, pattern & 1, pattern & 2,
                            "offset=" + std::to_string(offset) + " m=" + std::to_string(m) + " pattern=" + std::to_string(pattern));
        }
}

TEST(ANOVA2Way, MainEffectOverTheInteractionUsesItsDegreesOfFreedom) {
    // B random: F_A = MSA / MSAB, whose p-value must use (a-1)(b-1) as the
    // denominator degrees of freedom, not N - ab (which belongs to MSE).
    const Design d = balanced({3, 3}, 4, 321, 10, 1.0);
    const int32_t n = static_cast<int32_t>(d.y.size());
    double table[16], pA, pB, pAB;
    ASSERT_EQ(ANOVA2Way(d.y.data(), d.index[0].data(), d.index[1].data(), n, 4, 3, -3, table, &pA, &pB, &pAB), 0);
    const double fA = table[3];
    const double right = upperF(fA, 2, 4), wrong = upperF(fA, 2, n - 9);
    ASSERT_GT(std::fabs(right - wrong), 100 * ref::kBetaBudget) << "the design must tell the two apart";
    EXPECT_NEAR(pA, right, ref::kBetaBudget);
    // A random as well: both main effects over MSAB.
    ASSERT_EQ(ANOVA2Way(d.y.data(), d.index[0].data(), d.index[1].data(), n, 4, -3, -3, table, &pA, &pB, &pAB), 0);
    EXPECT_NEAR(pB, upperF(table[7], 2, 4), ref::kBetaBudget);
}

TEST(ANOVA2Way, OneObservationPerCellTreatsTheInteractionAsError) {
    const Design d = balanced({3, 2}, 1, 99);
    checkTwoWay(d, 1, false, false, "m=1");
    double table[16], pA, pB, pAB;
    ASSERT_EQ(ANOVA2Way(d.y.data(), d.index[0].data(), d.index[1].data(), 6, 1, 3, 2, table, &pA, &pB, &pAB), 0);
    for (int c = 0; c < 4; ++c) EXPECT_EQ(table[8 + c], 0.0) << "AB column " << c;
    EXPECT_EQ(table[13], 2.0);
}

TEST(ANOVA2Way, ChecksInTheirOrder) {
    const Design d = balanced({2, 2}, 2, 5);
    const double *x = d.y.data();
    const int32_t *ia = d.index[0].data(), *ib = d.index[1].data();
    double t[16], p[3];
    const auto run = [&](const int32_t *a, const int32_t *b, int32_t n, int32_t m, int32_t kA, int32_t kB) {
        return ANOVA2Way(x, a, b, n, m, kA, kB, t, p, p + 1, p + 2);
    };
    EXPECT_EQ(run(ia, ib, 8, 2, 2, 3), kErrAnovaSize);
    EXPECT_EQ(run(ia, ib, 7, 2, 2, 2), kErrAnovaSize);
    // 65536 * 65536 * 1 wraps to 0 in 32 bits; the product is formed wide.
    EXPECT_EQ(run(ia, ib, 0, 1, 65536, -65536), kErrAnovaSize);
    EXPECT_EQ(run(ia, ib, 0, 1, INT32_MIN, 2), kErrAnovaSize);
    EXPECT_EQ(run(ia, ib, 8, 8, 1, 1), kErrAnovaLevels);
    EXPECT_EQ(run(ia, ib, 0, 0, 2, 2), kErrAnovaNoObservations);
    std::vector<int32_t> bad(ia, ia + 8);
    bad[5] = 2;
    EXPECT_EQ(run(bad.data(), ib, 8, 2, 2, 2), kErrAnovaLevelIndex);
    bad[5] = -1;
    EXPECT_EQ(run(bad.data(), ib, 8, 2, -2, 2), kErrAnovaLevelIndex);
    // Cell (1, 1) gives one observation to cell (0, 1): m + 1 and m - 1.
    std::vector<int32_t> moved(ia, ia + 8);
    for (size_t i = 0; i < 8; ++i)
        if (moved[i] == 1 && ib[i] == 1) {
            moved[i] = 0;
            break;
        }
    EXPECT_EQ(run(moved.data(), ib, 8, 2, 2, 2), kErrAnovaUnbalanced);
    const Design single = balanced({2, 2}, 1, 6);
    EXPECT_EQ(ANOVA2Way(single.y.data(), single.index[0].data(), single.index[1].data(), 4, 1, 2, -2, t, p, p + 1, p + 2),
              kErrAnovaRandomSingle);
    EXPECT_EQ(ANOVA2Way(single.y.data(), single.index[0].data(), single.index[1].data(), 4, 1, -2, 2, t, p, p + 1, p + 2),
              kErrAnovaRandomSingle);
}

TEST(ANOVA3Way, EveryRandomPatternAgainstTheDefinitions) {
    for (double offset : {10.0, 1e7}) {
        const Design d = balanced({2, 3, 4}, 2, 77, offset);
        const int32_t n = static_cast<int32_t>(d.y.size());
        const double tol = ssTolerance(totalSS(d));
        // Rows in table order: A, B, C, AB, AC, BC, ABC (bit 0 = A, 1 = B, 2 = C).
        const unsigned effects[7] = {1, 2, 4, 3, 5, 6, 7};
        long double ss[8], df[8];
        for (int r = 0; r < 7; ++r) {
            ss[r] = effectSS(d, effects[r]);
            df[r] = dfOf(d, effects[r]);
        }
        ss[7] = errorSS(d);
        df[7] = 2 * 3 * 4 * (2 - 1);
        const auto rowOf = [&](int mask) {
            for (int r = 0; r < 7; ++r)
                if (static_cast<int>(effects[r]) == mask) return r;
            return 7;
        };
        for (int pattern = 0; pattern < 8; ++pattern) {
            // The pattern number is 4 (A random) + 2 (B) + 1 (C).
            const unsigned random = (pattern & 4 ? 1u : 0u) | (pattern & 2 ? 2u : 0u) | (pattern & 1 ? 4u : 0u);
            double table[32], p[7];
            ASSERT_EQ(ANOVA3Way(d.y.data(), d.index[0].data(), d.index[1].data(), d.index[2].data(), n, 2, random & 1 ? -2 : 2,
                                random & 2 ? -3 : 3, random & 4 ? -4 : 4, table, p, p + 1, p + 2, p + 3, p + 4, p + 5, p + 6),
                      0);
            const std::string where = "offset=" + std::to_string(offset) + " pattern=" + std::to_string(pattern);
            for (int r = 0; r < 8; ++r) {
                EXPECT_NEAR(table[4 * r], static_cast<double>(ss[r]), tol) << where << " row " << r;
                EXPECT_EQ(table[4 * r + 1], static_cast<double>(df[r])) << where << " row " << r;
                EXPECT_NEAR(table[4 * r + 2], static_cast<double>(ss[r] / df[r]), tol) << where << " row " << r;
            }
            EXPECT_EQ(table[31], 0.0) << where;
            for (int r = 0; r < 7; ++r) {
                const int den = denominatorOf(effects[r], random);
                if (den < 0) {
                    EXPECT_EQ(table[4 * r + 3], -1.0) << where << " row " << r;
                    EXPECT_EQ(p[r], -1.0) << where << " row " << r;
                    continue;
                }
                const int dr = den == 0 ? 7 : rowOf(den);
                const long double f = (ss[r] / df[r]) / (ss[dr] / df[dr]);
                const double relTol = tol / static_cast<double>(ss[r]) + tol / static_cast<double>(ss[dr]);
                EXPECT_NEAR(table[4 * r + 3], static_cast<double>(f), static_cast<double>(f) * relTol) << where << " row " << r;
                EXPECT_NEAR(p[r], upperF(f, df[r], df[dr]), ref::kBetaBudget) << where << " row " << r;
            }
        }
    }
}

TEST(ANOVA3Way, ChecksInTheirOrder) {
    const Design d = balanced({2, 2, 2}, 2, 8);
    const int32_t *ia = d.index[0].data(), *ib = d.index[1].data(), *ic = d.index[2].data();
    double t[32], p[7];
    const auto run = [&](const int32_t *a, int32_t n, int32_t m, int32_t kA, int32_t kB, int32_t kC) {
        return ANOVA3Way(d.y.data(), a, ib, ic, n, m, kA, kB, kC, t, p, p + 1, p + 2, p + 3, p + 4, p + 5, p + 6);
    };
    EXPECT_EQ(run(ia, 16, 2, 2, 2, 3), kErrAnovaSize);
    // 2048^3 * 2 wraps to 0 in 32 bits.
    EXPECT_EQ(run(ia, 0, 2, 2048, 2048, 2048), kErrAnovaSize);
    EXPECT_EQ(run(ia, 8, 1, 2, 2, 2), kErrAnovaNoObservations);
    EXPECT_EQ(run(ia, 16, 2, 1, 4, 2), kErrAnovaLevels);
    std::vector<int32_t> bad(ia, ia + 16);
    bad[3] = 5;
    EXPECT_EQ(run(bad.data(), 16, 2, 2, 2, 2), kErrAnovaLevelIndex);
    std::vector<int32_t> moved(ia, ia + 16);
    moved[std::find(moved.begin(), moved.end(), 1) - moved.begin()] = 0;
    EXPECT_EQ(run(moved.data(), 16, 2, 2, 2, 2), kErrAnovaUnbalanced);
}
