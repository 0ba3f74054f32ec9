// Truncated-ideal FIR taps against the closed form in long double, and the
// median filter against a brute-force sort of every window.
#include "support/prelude.h"

#include <orin/filters.h>

namespace {

// The ideal band response sampled at t = k - (N-1)/2, in long double.
long double idealTap(int type, long double w1, long double w2, int N, int k) {
    const long double t = k - (N - 1) / 2.0L;
    if (t == 0) {
        const long double pass[] = {w1 / kPiL, 1 - w1 / kPiL, (w2 - w1) / kPiL, 1 - (w2 - w1) / kPiL};
        return pass[type];
    }
    const long double s1 = std::sin(w1 * t) / (kPiL * t), s2 = std::sin(w2 * t) / (kPiL * t);
    const long double off[] = {s1, -s1, s2 - s1, s1 - s2};
    return off[type];
}

TEST(TruncatedIdeal, TapsMatchTheClosedForm) {
    const double fs = 1000, fl = 123.4, fh = 321.9;
    for (int type = 0; type < 4; ++type) {
        for (int N : {1, 8, 63, 1001}) {
            if ((type == 1 || type == 3) && N % 2 == 0) continue;
            SCOPED_TRACE(testing::Message() << "type " << type << " N " << N);
            std::vector<double> h(N);
            ASSERT_EQ(FIR_Coef(type, fs, fl, fh, N, h.data()), 0);
            const long double w1 = 2 * kPiL * fl / fs;
            const long double w2 = 2 * kPiL * (type <= 1 ? (fs / 2 + fl) / 2 : fh) / fs;
            // One rounding of a sine argument of size up to w N/2 and of the
            // quotient: a few eps times (1 + |w t|) on a tap of size <= 1.
            for (int k = 0; k < N; ++k) {
                EXPECT_NEAR(h[k], static_cast<double>(idealTap(type, w1, w2, N, k)), 8 * kEps * (1 + N)) << k;
                EXPECT_EQ(h[k], h[N - 1 - k]) << k;
            }
        }
    }
}

TEST(TruncatedIdeal, ChecksInOrder) {
    double h[8];
    const double nan = std::nan("");
    // (A count of 0, a lowpass edge past fs/2 and an even highpass: the
    // FIRCoefs rows of the contract table, through the entry point.)
    EXPECT_EQ(FIR_Coef(4, 1000, 100, 200, 0, h), kErrInvalidSelector);
    EXPECT_EQ(FIR_Coef(2, 1000, 100, 600, 7, h), kErrNyquist);
    EXPECT_EQ(FIR_Coef(0, 1000, 0, 200, 7, h), kErrCutoffFrequency);
    EXPECT_EQ(FIR_Coef(2, 1000, 300, 200, 7, h), kErrCutoffFrequency);
    EXPECT_EQ(FIR_Coef(3, 1000, 100, 200, 8, h), kErrEvenTaps);
    // Non-finite frequencies are refused, never turned into NaN taps.
    EXPECT_EQ(FIR_Coef(0, nan, 100, 0, 7, h), kErrCutoffFrequency);
    EXPECT_EQ(FIR_Coef(2, 1000, 100, nan, 7, h), kErrCutoffFrequency);
    EXPECT_EQ(FIR_Coef(0, INFINITY, 100, 0, 7, h), kErrCutoffFrequency);
}

TEST(TruncatedIdeal, HandleClampsAndWritesBackTheType) {
    const double fs = 1000, fl = 100, fh = 200;
    const int32_t N = 7;
    DoubleHandle h;
    int32_t type = 7, error = -1;
    EXPECT_EQ(FIRCoefs(&fs, &fl, &fh, &N, h, &type, &error), 0);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(type, 3);
    std::vector<double> want(7);
    ASSERT_EQ(FIR_Coef(3, fs, fl, fh, N, want.data()), 0);
    EXPECT_EQ(h.values(), want);
    type = -5;
    EXPECT_TRUE(FIRCoefs(&fs, &fl, &fh, &N, h, &type, &error) == 0 && type == 0);
}

int32_t callFIRCoefs(orintest::Contract &c, int32_t N, int32_t type, double fl, int32_t *error) {
    const double fs = 1000, fh = 200;
    return FIRCoefs(&fs, &fl, &fh, &N, c.output({1}), &type, error);
}

// A table, one entry per line:
// clang-format off
ORIN_CONTRACT_TABLE(FIRCoefs) {
    static const int32_t rank = -1;
    return {
        ORIN_ROW(kErrOrderNotPositive, callFIRCoefs(c, 0, 0, 100, e)),
        ORIN_ROW(kErrNyquist, callFIRCoefs(c, 7, 0, 600, e)),
        ORIN_ROW(kErrEvenTaps, callFIRCoefs(c, 8, 1, 100, e)),
        ORIN_ROW(kErrMedianRank, MedianFilterCIN(c.output({1, 2, 3}), &rank, e)),
    };
}
// clang-format on

// ---- median filter ----------------------------------------------------------

std::vector<double> bruteMedian(const std::vector<double> &x, int r) {
    const int n = static_cast<int>(x.size());
    std::vector<double> y(n), w;
    for (int i = 0; i < n; ++i) {
        w.clear();
        for (int k = i - r; k <= i + r; ++k) w.push_back(k < 0 || k >= n ? 0.0 : x[k]);
        std::sort(w.begin(), w.end());
        y[i] = w[r];
    }
    return y;
}

TEST(MedianFilter, MatchesASortOfEveryWindow) {
    std::mt19937_64 gen(10);
    for (int trial = 0; trial < 200; ++trial) {
        const int n = 1 + static_cast<int>(gen() % 300);
        const int r = static_cast<int>(gen() % n);
        // Small integers give runs of equal values and ties with the padding.
        std::vector<double> x(n);
        for (double &v : x)
            v = trial % 2 ? static_cast<double>(static_cast<int>(gen() % 7) - 3)
                          : std::ldexp(1.0 * (gen() % 1000), -9) - 1;
        SCOPED_TRACE(testing::Message() << "n " << n << " r " << r);
        const std::vector<double> want = bruteMedian(x, r);
        std::vector<double> y(n, 99);
        ASSERT_EQ(MedianFilter(x.data(), n, r, y.data()), 0);
        EXPECT_EQ(y, want);
    }
}

TEST(MedianFilter, CodesNaNAndTheHandle) {
    std::vector<double> x = {1, 5, 2}, y(3, 0);
    EXPECT_EQ(MedianFilter(x.data(), 3, 3, y.data()), kErrBadArraySize);
    EXPECT_EQ(MedianFilter(x.data(), 0, -1, y.data()), kErrMedianRank);
    // NaN ranks above every number, so the window stays ordered.
    std::vector<double> withNaN = {3, NAN, 1, 2, NAN, NAN, 5}, m(7);
    ASSERT_EQ(MedianFilter(withNaN.data(), 7, 1, m.data()), 0);
    EXPECT_TRUE(m[0] == 3 && m[2] == 2 && std::isnan(m[4]));  // m[0] of {0, 3, NaN}
    DoubleHandle h(x);
    const int32_t r = 1;
    int32_t error = -1;
    EXPECT_EQ(MedianFilterCIN(h, &r, &error), 0);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(h.values(), (std::vector<double>{1, 2, 2}));
}

}  // namespace
