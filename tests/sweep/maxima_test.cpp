// The stated maximum lengths: each routine with one accepts its largest
// lengths with a correct result and refuses the next ones with its code,
// emptying its outputs. The limits are where index arithmetic and scratch
// sizes are at their largest, so an off-by-one or an overflow there shows.
#include <orin/generation.h>
#include <orin/timedomain.h>
#include <orin/transforms.h>

#include "support/prelude.h"

namespace {

// Millions of samples take minutes under emulation; the refusals still run
// there, the accepted maxima wherever the build runs natively, the i386 one
// included: its 32-bit size_t is where a byte count at these lengths would
// wrap first.
#if defined(ORIN_EMULATED)
constexpr bool kRunAccepted = false;
#else
constexpr bool kRunAccepted = true;
#endif

std::vector<double> cosine(int32_t n, int32_t bin) {
    std::vector<double> x(static_cast<size_t>(n));
    for (int32_t t = 0; t < n; ++t)
        x[t] = static_cast<double>(
            std::cos(2 * orintest::kPiL * static_cast<long double>(static_cast<int64_t>(bin) * t % n) / n));
    return x;
}

// |X[k]|^2/n^2 of a unit cosine at `bin`: 1/4 at bin and n-bin, else 0 (the
// leakage of rounding is ~(n eps)^2/n^2, far below the bound).
void expectCosinePower(const std::vector<double> &s, int32_t bin, const char *what) {
    const int32_t n = static_cast<int32_t>(s.size());
    double worstPeak = 0, worstRest = 0;
    for (int32_t k = 0; k < n; ++k) {
        if (k == bin || k == n - bin) worstPeak = std::max(worstPeak, std::abs(s[k] - 0.25));
        else worstRest = std::max(worstRest, std::abs(s[k]));
    }
    EXPECT_LT(worstPeak, 1e-12) << what;
    EXPECT_LT(worstRest, 1e-20) << what;
}

struct Limit {
    const char *name;
    std::vector<int32_t> accepted, refused;
    int32_t code;
    // Calls the routine at length n and writes *error. With `fill`, every
    // input sample is *fill, and only the code and the outputs are checked
    // (emptied after a refusal, else of their length); without, the routine
    // gets a signal of the test's own and its result is checked.
    std::function<void(int32_t n, int32_t *error, const double *fill)> run;
};

// The input of n samples: *fill everywhere, else the test's own signal.
std::vector<double> samples(int32_t n, const double *fill, const std::function<std::vector<double>()> &signal) {
    return fill ? std::vector<double>(static_cast<size_t>(n), *fill) : signal();
}

// After a refusal every output is emptied; else each holds `size` values.
void expectOutputs(int32_t error, std::initializer_list<const DoubleHandle *> outputs, int32_t size) {
    for (const DoubleHandle *h : outputs) {
        if (error) EXPECT_TRUE(h->emptied());
        else EXPECT_EQ(h->size(), size);
    }
}

void spectrum(int32_t n, int32_t *error, const double *fill) {
    DoubleHandle x(samples(n, fill, [&] { return cosine(n, 3); }));
    EXPECT_EQ(Spectrum(x, error), 0);
    expectOutputs(*error, {&x}, n);
    if (!*error && !fill) expectCosinePower(x.values(), 3, "Spectrum");
}

void crossPower(int32_t n, int32_t *error, const double *fill) {
    const std::vector<double> v = samples(n, fill, [&] { return cosine(n, 3); });
    DoubleHandle x(v), y(v);
    EXPECT_EQ(CrossPowerCIN(x, y, error), 0);
    expectOutputs(*error, {&x, &y}, n);
    if (!*error && !fill) expectCosinePower(x.values(), 3, "CrossPowerCIN real");
}

void autoCorrelation(int32_t n, int32_t *error, const double *fill) {
    DoubleHandle h(samples(n, fill, [&] { return std::vector<double>(static_cast<size_t>(n), 1.0); }));
    EXPECT_EQ(AutoCorrelation(h, error), 0);
    expectOutputs(*error, {&h}, 2 * n - 1);
    if (*error || fill) return;
    // Ones correlate to the triangle n - |lag|; the FFT's error is about
    // eps log2(N) n^2 / n per value, below 1e-12 n.
    const std::vector<double> r = h.values();
    ASSERT_EQ(r.size(), 2 * static_cast<size_t>(n) - 1);
    double worst = 0;
    for (size_t i = 0; i < r.size(); i += 4093)
        worst = std::max(worst, std::abs(r[i] - (n - std::abs(static_cast<double>(i) - (n - 1)))));
    worst = std::max(worst, std::abs(r.back() - 1));
    EXPECT_LT(worst, 1e-12 * n);
}

void deconvolution(int32_t n, int32_t *error, const double *fill) {
    const std::vector<double> v = samples(n, fill, [&] { return orintest::randomDoubles(static_cast<size_t>(n), 41); });
    DoubleHandle y(v), h(std::vector<double>{2.0});
    EXPECT_EQ(Deconvolution(y, h, error), 0);
    EXPECT_EQ(h.values(), std::vector<double>{2.0});
    expectOutputs(*error, {&y}, n);
    if (*error || fill) return;
    const std::vector<double> x = y.values();
    ASSERT_EQ(x.size(), v.size());
    double worst = 0;
    for (size_t i = 0; i < x.size(); ++i) worst = std::max(worst, std::abs(x[i] - v[i] / 2));
    EXPECT_LT(worst, 1e-12);
}

// Its only input is the length: no samples to fill.
void periodNoise(int32_t n, int32_t *error, const double *fill) {
    const double amp = 1.0;
    const int32_t seed = 7;
    int32_t s1 = 0, s2 = 0, s3 = 0;
    DoubleHandle out;
    EXPECT_EQ(PeriodNoise(&n, &amp, &seed, out, error, &s1, &s2, &s3), 0);
    expectOutputs(*error, {&out}, n);
    if (*error || fill) return;
    // K harmonics of amplitude amp: the mean square is K amp^2 / 2.
    long double sumSquares = 0;
    for (double v : out.values()) sumSquares += static_cast<long double>(v) * v;
    const int32_t K = n % 2 ? (n - 1) / 2 : n / 2 - 1;
    EXPECT_NEAR(static_cast<double>(sumSquares / n), K * amp * amp / 2, 1e-9 * K);
}

TEST(StatedMaxima, LargestLengthsWorkAndTheNextAreRefused) {
    const std::vector<Limit> limits = {
        {"Spectrum", {8388608, 4194303}, {4194305, 8388609, 16777216}, kErrTooManySamples, spectrum},
        {"CrossPowerCIN", {8388607}, {8388608}, kErrTooManySamples, crossPower},
        {"AutoCorrelation", {4194303}, {4194304}, kErrTooManySamples, autoCorrelation},
        {"Deconvolution", {8388607}, {8388608}, kErrTooManySamples, deconvolution},
        {"PeriodNoise", {8388608, 4194303}, {4194305, 16777216}, kErrNotPowerOfTwo, periodNoise},
    };
    for (const Limit &limit : limits) {
        for (int32_t n : limit.refused) {
            SCOPED_TRACE(testing::Message() << limit.name << " refuses " << n);
            int32_t error = 0;
            const double zero = 0;
            limit.run(n, &error, &zero);
            EXPECT_EQ(error, limit.code);
        }
        if (!kRunAccepted) continue;
        for (int32_t n : limit.accepted) {
            SCOPED_TRACE(testing::Message() << limit.name << " accepts " << n);
            int32_t error = -1;
            limit.run(n, &error, nullptr);
            EXPECT_EQ(error, 0);
        }
    }
}

}  // namespace
