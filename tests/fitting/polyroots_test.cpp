// Polynomial roots: polynomials built from known roots, each found root's
// backward residual, the roots as sets, and the degenerate coefficient lists.
#include <orin/fitting.h>

#include "support/prelude.h"

namespace {

// Coefficients (constant first) of prod (z - r), formed in long double.
std::vector<complexnum> fromRoots(const std::vector<LCx> &roots) {
    std::vector<LCx> c{1};
    for (const LCx &r : roots) {
        std::vector<LCx> next(c.size() + 1);
        for (size_t j = 0; j < c.size(); ++j) next[j + 1] += c[j], next[j] -= r * c[j];
        c = next;
    }
    std::vector<complexnum> out;
    for (const LCx &v : c) out.push_back({static_cast<double>(v.real()), static_cast<double>(v.imag())});
    return out;
}

// |p(r)| / sum |a_k| |r|^k: of order the degree times eps for a root that is
// exact for a nearby polynomial (backward stable).
double backwardResidual(const std::vector<complexnum> &a, complexnum root) {
    const LCx r(root.re, root.im);
    LCx p = 0;
    long double scale = 0;
    for (size_t k = a.size(); k-- > 0;) {
        p = p * r + LCx(a[k].re, a[k].im);
        scale = scale * std::abs(r) + std::abs(LCx(a[k].re, a[k].im));
    }
    return static_cast<double>(std::abs(p) / scale);
}

bool same(complexnum a, complexnum b) { return a.re == b.re && a.im == b.im; }

}  // namespace

TEST(CxPolyRoots, FindsKnownRootsOfEveryKind) {
    struct Case {
        const char *name;
        std::vector<LCx> roots;
        double setTolerance;  // relative distance allowed between found and true roots
    };
    const std::vector<Case> cases = {
        {"separated", {{1, 2}, {-1, 0.5}, {0.3, -1}, {2, 0}, {-2, -2}, {0, 1.5}, {1.5, -0.5}, {-0.5, -0.1}}, 1e-12},
        {"widely scaled", {{1e-6, 0}, {1, 1}, {1e6, -1e6}}, 1e-9},
        {"clustered", {{1, 0}, {1.001, 0}, {1.002, 0}, {-1, 0}}, 1e-8},
        // A triple root is found to about eps^(1/3).
        {"multiple", {{1, 0}, {1, 0}, {1, 0}, {-2, 0}}, 1e-4},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<complexnum> a = fromRoots(c.roots);
        std::vector<complexnum> found(a.size() - 1);
        ASSERT_EQ(CxPolyRoots(a.data(), static_cast<int32_t>(a.size()), 10, found.data()), 0);
        for (const complexnum &r : found) EXPECT_LT(backwardResidual(a, r), 64 * orintest::kEps * a.size());
        // Every true root has a found one close by, each used once.
        std::vector<bool> used(found.size());
        for (const LCx &want : c.roots) {
            size_t best = 0;
            long double bestDistance = INFINITY;
            for (size_t i = 0; i < found.size(); ++i) {
                const long double d = std::abs(LCx(found[i].re, found[i].im) - want);
                if (!used[i] && d < bestDistance) best = i, bestDistance = d;
            }
            used[best] = true;
            EXPECT_LT(bestDistance, c.setTolerance * std::max(1.0L, std::abs(want)))
                << want.real() << " " << want.imag();
        }
    }
}

TEST(CxPolyRoots, ZeroConstantAndLeadingTermsAndBadLists) {
    // 2 z^2 + z^3, then two zero leading coefficients.
    const std::vector<complexnum> a = {{0, 0}, {0, 0}, {2, 0}, {1, 0}, {0, 0}, {0, 0}};
    std::vector<complexnum> r(5);
    ASSERT_EQ(CxPolyRoots(a.data(), 6, 0, r.data()), 0);
    EXPECT_TRUE(same(r[0], {0, 0}) && same(r[1], {0, 0}));
    EXPECT_TRUE(same(r[2], {-2, 0})) << "a degree-one remainder is solved directly";
    EXPECT_TRUE(std::isinf(r[3].re) && std::isinf(r[4].re));
    const complexnum constant[] = {{5, 0}, {0, 0}};
    EXPECT_EQ(CxPolyRoots(constant, 2, 0, r.data()), kErrPolyRootsFailed);

    orintest::ComplexHandle h(a);
    const int32_t control = 5;
    int32_t error = 1;
    CxPolyRoots_head(h, &control, &error);
    EXPECT_EQ(error, 0);
    ASSERT_EQ(h.size(), 3) << "the finite roots only";
    EXPECT_TRUE(same(h.values()[2], {-2, 0}));
}

// The empty list and every refused allocation are the sweep's. A table, one
// entry per line:
// clang-format off
ORIN_CONTRACT_TABLE(PolyRootsEntryPoint) {
    static const int32_t control = 3;
    return {
        ORIN_ROW(kErrPolyRootsFailed, CxPolyRoots_head(c.output<ComplexArray>({{1, 0}, {NAN, 0}}), &control, e)),
    };
}
// clang-format on
