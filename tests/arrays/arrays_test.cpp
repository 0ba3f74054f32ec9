// Array operations against long-double references, brute-force extremes and
// closed forms; every entry point's failure in one contract table.
#include <orin/arrays.h>
#include <orin/host.h>

#include "support/prelude.h"

TEST(Evaluation, PolynomialMatchesLongDoubleSums) {
    const std::vector<double> x = orintest::randomDoubles(37, 1, -2, 2), c = {0.5, -1.25, 3, 0.75, -0.125};
    std::vector<double> poly(37);
    ASSERT_EQ(PolyEv1D(x.data(), 37, c.data(), 5, poly.data()), 0);
    for (size_t i = 0; i < x.size(); ++i) {
        long double p = 0, xi = 1;
        for (double ck : c) p += ck * xi, xi *= x[i];
        // Four products and adds of terms up to 3 * 2^4 in size.
        EXPECT_NEAR(poly[i], static_cast<double>(p), 16 * kEps * 48) << i;
    }
}

TEST(Extremes, FirstOccurrencesAgreeWithBruteForce) {
    std::vector<double> x = orintest::randomDoubles(60, 2);
    for (double &v : x) v = std::round(v * 4);  // many ties
    double max = 0, min = 0;
    int32_t maxAt = -1, minAt = -1, maxR = 0, maxC = 0, minR = 0, minC = 0;
    ASSERT_EQ(MaxMin1D(x.data(), 60, &max, &maxAt, &min, &minAt), 0);
    EXPECT_EQ(maxAt, std::max_element(x.begin(), x.end()) - x.begin());
    EXPECT_EQ(minAt, std::min_element(x.begin(), x.end()) - x.begin());
    ASSERT_EQ(MaxMin2D(x.data(), 6, 10, &max, &maxR, &maxC, &min, &minR, &minC), 0);
    EXPECT_EQ(maxR * 10 + maxC, maxAt);
    EXPECT_EQ(minR * 10 + minC, minAt);
    const double withNaN[] = {1, NAN, 3, -2};
    ASSERT_EQ(MaxMin1D(withNaN, 4, &max, &maxAt, &min, &minAt), 0);
    EXPECT_EQ(max, 3.0);
    EXPECT_EQ(minAt, 3);
}

TEST(Normalisation, OutputsHaveTheirDefiningProperties) {
    const std::vector<double> x = orintest::randomDoubles(101, 3, 5, 9);
    std::vector<double> out(101);
    double mean = 0, sd = 0, scale = 0;
    ASSERT_EQ(Normal2D(x.data(), 1, 101, out.data(), &mean, &sd), 0);
    long double s1 = 0, s2 = 0;
    for (double v : out) s1 += v, s2 += static_cast<long double>(v) * v;
    EXPECT_NEAR(static_cast<double>(s1 / 101), 0.0, 101 * 8 * kEps);
    EXPECT_NEAR(static_cast<double>(s2 / 101), 1.0, 101 * 8 * kEps);
    ASSERT_EQ(QScale2D(x.data(), 101, 1, out.data(), &scale), 0);
    EXPECT_EQ(*std::max_element(out.begin(), out.end()), 1.0);
}

// Half the range, and the Euclidean norm, of data near the largest double
// overflow when formed in double; they are formed in extended precision.
TEST(Normalisation, HugeRangesAndNormsDoNotOverflow) {
    const double x[] = {-1.5e308, 0, 1.5e308};
    double out[3], offset = 0, scale = 0;
    ASSERT_EQ(Scale1D(x, 3, out, &offset, &scale), 0);
    EXPECT_EQ(scale, 1.5e308);
    EXPECT_DOUBLE_EQ(out[0], -1.0);  // x times the rounded reciprocal
    EXPECT_DOUBLE_EQ(out[2], 1.0);
    double v[] = {3e200, 4e200}, norm = 0;
    ASSERT_EQ(UnitVector(v, 2, &norm), 0);
    EXPECT_DOUBLE_EQ(norm, 5e200);
    EXPECT_DOUBLE_EQ(v[1], 0.8);
    double magnitude = 0, phase = 0;
    ToPolar(3e-200, -4e-200, &magnitude, &phase);
    EXPECT_DOUBLE_EQ(magnitude, 5e-200);
}

TEST(Polar, ClosedFormsAndRoundTrips) {
    double m = 1, p = 1;
    ToPolar(0, 0, &m, &p);
    EXPECT_EQ(m, 0.0);
    EXPECT_EQ(p, 0.0);
    ToPolar(-1, 0, &m, &p);
    EXPECT_EQ(p, M_PI);
    std::vector<double> re = orintest::randomDoubles(50, 4), im = orintest::randomDoubles(50, 5);
    const std::vector<double> re0 = re, im0 = im;
    ASSERT_EQ(ToPolar1D(re.data(), im.data(), 50, re.data(), im.data()), 0);
    ASSERT_EQ(ToRect1D(re.data(), im.data(), 50, re.data(), im.data()), 0);
    for (int i = 0; i < 50; ++i) {
        EXPECT_NEAR(re[i], re0[i], 4 * kEps) << i;
        EXPECT_NEAR(im[i], im0[i], 4 * kEps) << i;
    }
}

TEST(ArrayEntryPoints, WorkInPlaceWithTheirOwnOutputOrders) {
    orintest::DoubleHandle line({2}), norm({1, 2, 3}), scaled({0, 5, 10});
    orintest::DoubleMatrixHandle matrix(1, 2, {1, 2});
    double a = 3, b = 1, first = 0, second = 0;
    int32_t error = 9;
    EXPECT_EQ(Line1(line, &b, &a, &error), 0);  // one element is enough
    EXPECT_EQ(line.values(), std::vector<double>{7});
    LinEv(matrix, &a, &b, &error);
    EXPECT_EQ(matrix.values(), (std::vector<double>{4, 7}));
    Norm1(norm, &first, &second, &error);
    EXPECT_DOUBLE_EQ(first, std::sqrt(2.0 / 3)) << "Norm1 gives the standard deviation first";
    EXPECT_EQ(second, 2.0);
    Scale1DCIN(scaled, &first, &second, &error);
    EXPECT_EQ(scaled.values(), (std::vector<double>{-1, 0, 1}));
    EXPECT_EQ(error, 0);
}

// Outputs with something to empty, scalars to fill, one dimension of two
// empty; a call with every input empty is the sweep's (EmptyInputs: the code,
// emptied outputs, iDNaN scalars). A table, one entry per line:
// clang-format off
ORIN_CONTRACT_TABLE(ArrayEntryPoints) {
    static const double one = 1;
    static double x = 1, v;
    static int32_t i;
    return {
        ORIN_ROW(kErrEmptyArray, LinEv(c.output<DoubleMatrix>(0, 3, {}), &one, &one, e)),
        ORIN_ROW(kErrEmptyArray, PolyEv(c.output({1}), c.input(), e)),
        ORIN_ROW(kErrEmptyArray, PolyEv(c.output(), c.kept({1, 2}), e)),  // the coefficients are the caller's
        ORIN_ROW(kErrEmptyArray, EvPoly2D(c.output<DoubleMatrix>(2, 0, {}), c.input({1}), e)),
        ORIN_ROW(kErrEmptyArray, Scale(c.output<DoubleMatrix>(0, 2, {}), c.scalar(), c.scalar(), e)),
        ORIN_ROW(kErrArraySizeMismatch, RectToPolar1D_head(c.output({1, 2, 3}), c.output({1, 2, 3, 4}), e)),
        // The core routines called directly with one dimension empty.
        ORIN_CODE_ROW(kErrEmptyArray, LinEv2D(&x, 0, 3, 1, 1, &x)),
        ORIN_CODE_ROW(kErrEmptyArray, MaxMin2D(&x, 2, -1, &v, &i, &i, &v, &i, &i)),
    };
}
// clang-format on
