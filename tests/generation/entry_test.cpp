// The handle entry points of the generators: the output sized to n and
// filled as by the core routine, the error output exactly 0 on success, and
// on every failure (a bad count, a core routine's refusal, a refused resize)
// the code, an emptied output and the caller's state left alone.
#include <orin/generation.h>
#include <orin/host.h>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "support/allocation_failure.h"
#include "support/handles.h"

using orintest::DoubleHandle;

namespace {

// A generator entry point with fixed valid parameters, and its core routine
// given the same parameters (and fresh copies of the same state).
struct Generator {
    std::string name;
    std::function<int32_t(DoubleArrayHdl, int32_t, int32_t *)> entry;
    std::function<int32_t(int32_t, double *)> core;
    int32_t shortCode = kErrEmptyArray;  // code for n = 0
};

const std::vector<double> &table() {
    static const std::vector<double> t = {0, 2, -1, 0.5};
    return t;
}

std::vector<Generator> generators() {
    return {
        {"SineWaveCIN",
         [](DoubleArrayHdl o, int32_t n, int32_t *e) { double a = 2, f = 0.07, p = 10; return SineWaveCIN(o, &n, &a, &f, &p, e); },
         [](int32_t n, double *x) { double p = 10; return SineWave(n, 2, 0.07, &p, x); }},
        {"SquareWaveCIN",
         [](DoubleArrayHdl o, int32_t n, int32_t *e) { double a = 2, f = 0.07, p = 10, d = 40; return SquareWaveCIN(o, &n, &a, &f, &p, &d, e); },
         [](int32_t n, double *x) { double p = 10; return SquareWave(n, 2, 0.07, &p, 40, x); }},
        {"TriangleWaveCIN",
         [](DoubleArrayHdl o, int32_t n, int32_t *e) { double a = 2, f = 0.07, p = 10; return TriangleWaveCIN(o, &n, &a, &f, &p, e); },
         [](int32_t n, double *x) { double p = 10; return TriangleWave(n, 2, 0.07, &p, x); }},
        {"SawtoothWaveCIN",
         [](DoubleArrayHdl o, int32_t n, int32_t *e) { double a = 2, f = 0.07, p = 10; return SawtoothWaveCIN(o, &n, &a, &f, &p, e); },
         [](int32_t n, double *x) { double p = 10; return SawtoothWave(n, 2, 0.07, &p, x); }},
        {"ArbitraryWaveCIN",
         [](DoubleArrayHdl o, int32_t n, int32_t *e) {
             DoubleHandle t(table());
             double a = 2, f = 0.07, p = 10;
             int32_t interp = 1;
             return ArbitraryWaveCIN(o, &n, &a, &f, &p, t, &interp, e);
         },
         [](int32_t n, double *x) { double p = 10; return ArbitraryWave(n, 2, 0.07, &p, table().data(), 4, 1, x); }},
        {"ImpulsePtrn",
         [](DoubleArrayHdl o, int32_t n, int32_t *e) { double a = 2; int32_t d = 1; return ImpulsePtrn(o, &n, &a, &d, e); },
         [](int32_t n, double *x) { return Impulse(n, 2, 1, x); }},
        {"PulsePtrn",
         [](DoubleArrayHdl o, int32_t n, int32_t *e) { double a = 2; int32_t d = 1, w = 2; return PulsePtrn(o, &n, &a, &d, &w, e); },
         [](int32_t n, double *x) { return Pulse(n, 2, 1, 2, x); }},
        {"RampPtrn",
         [](DoubleArrayHdl o, int32_t n, int32_t *e) { double a = -1, b = 4; return RampPtrn(o, &n, &a, &b, e); },
         [](int32_t n, double *x) { return Ramp(n, -1, 4, x); }, kErrTooFewSamples},
        {"SincWave",
         [](DoubleArrayHdl o, int32_t n, int32_t *e) { double a = 2, d = 1.5, dt = 0.5; return SincWave(o, &n, &a, &d, &dt, e); },
         [](int32_t n, double *x) { return Sinc(n, 2, 1.5, 0.5, x); }},
        {"SinePtrn",
         [](DoubleArrayHdl o, int32_t n, int32_t *e) { double a = 2, p = 45, c = 1.5; return SinePtrn(o, &n, &a, &p, &c, e); },
         [](int32_t n, double *x) { return SinePattern(n, 2, 45, 1.5, x); }},
        {"Square",
         [](DoubleArrayHdl o, int32_t n, int32_t *e) { double a = 2, d = 30, c = 2; return Square(o, &n, &a, &d, &c, e); },
         [](int32_t n, double *x) { int32_t e = 0; return GenSquareWave(n, 30, 2, 2, x, &e); }},
        {"ChirpCIN",
         [](DoubleArrayHdl o, int32_t n, int32_t *e) { double a = 2, f1 = 0.05, f2 = 0.3; return ChirpCIN(o, &n, &a, &f1, &f2, e); },
         [](int32_t n, double *x) { return Chirp(n, 2, 0.05, 0.3, x); }},
        {"White",
         [](DoubleArrayHdl o, int32_t n, int32_t *e) { double a = 2; int32_t seed = 5, s1 = 0, s2 = 0, s3 = 0; return White(o, &n, &a, &seed, e, &s1, &s2, &s3); },
         [](int32_t n, double *x) { int32_t s1 = 0, s2 = 0, s3 = 0; return WhiteNoise(n, 2, 5, x, &s1, &s2, &s3); }},
        {"Gauss",
         [](DoubleArrayHdl o, int32_t n, int32_t *e) {
             double sd = 2, spare = 0;
             int32_t seed = 5, s1 = 0, s2 = 0, s3 = 0, have = 0;
             return Gauss(o, &n, &sd, &seed, e, &s1, &s2, &s3, &have, &spare);
         },
         [](int32_t n, double *x) {
             double spare = 0;
             int32_t s1 = 0, s2 = 0, s3 = 0, have = 0;
             return GaussNoise(n, 2, 5, x, &s1, &s2, &s3, &have, &spare);
         }},
    };
}

Generator generatorNamed(const std::string &name) {
    for (const Generator &g : generators())
        if (g.name == name) return g;
    ADD_FAILURE() << "no generator " << name;
    return {};
}

// One resize is the entry point's only allocation: refused, it empties the
// output, reports -20001 and returns the host's status.
void checkRefusedResize(orintest::Injection &inj, const Generator &g) {
    DoubleHandle out({9, 9, 9});
    int32_t err = 3;
    const int32_t ret = inj.call([&] { return g.entry(out, 10, &err); });
    if (inj.failing()) {
        EXPECT_NE(ret, 0) << g.name;
        EXPECT_EQ(err, kErrOutOfMemory) << g.name;
        EXPECT_TRUE(out.emptied()) << g.name;
    } else {
        EXPECT_EQ(ret, 0) << g.name;
        EXPECT_EQ(err, 0) << g.name;
        EXPECT_EQ(out.size(), 10) << g.name;
    }
}

}  // namespace

TEST(GeneratorEntryPoints, FillLikeTheCoreWithErrorExactlyZero) {
    for (const Generator &g : generators()) {
        for (int32_t n : {4, 10, 37}) {
            DoubleHandle out({1, 2, 3}, orintest::Placement::kUnaligned);
            int32_t err = 123;
            ASSERT_EQ(g.entry(out, n, &err), 0) << g.name;
            EXPECT_EQ(err, 0) << g.name << " n=" << n;
            std::vector<double> expected(static_cast<size_t>(n));
            ASSERT_EQ(g.core(n, expected.data()), 0) << g.name;
            EXPECT_EQ(out.values(), expected) << g.name << " n=" << n;
        }
    }
}

TEST(GeneratorEntryPoints, ShortCountEmptiesOutput) {
    for (const Generator &g : generators()) {
        for (int32_t n : {0, -5}) {
            DoubleHandle out({1, 2, 3});
            int32_t err = 0;
            EXPECT_EQ(g.entry(out, n, &err), 0) << g.name;
            EXPECT_EQ(err, g.shortCode) << g.name << " n=" << n;
            EXPECT_TRUE(out.emptied()) << g.name << " n=" << n;
        }
    }
    // Ramp needs two samples even at the handle level.
    DoubleHandle out({1, 2, 3});
    int32_t err = 0, n = 1;
    double first = 0, last = 1;
    EXPECT_EQ(RampPtrn(out, &n, &first, &last, &err), 0);
    EXPECT_EQ(err, kErrTooFewSamples);
    EXPECT_TRUE(out.emptied());
}

TEST(GeneratorEntryPoints, CoreRefusalEmptiesOutput) {
    const int32_t n = 10;
    const double amp = 1;
    struct Case {
        const char *name;
        std::function<int32_t(DoubleArrayHdl, int32_t *)> call;
        int32_t code;
    };
    const Case cases[] = {
        {"ImpulsePtrn delay n", [&](DoubleArrayHdl o, int32_t *e) { int32_t d = 10; return ImpulsePtrn(o, &n, &amp, &d, e); }, kErrIndexOutOfRange},
        {"PulsePtrn past end", [&](DoubleArrayHdl o, int32_t *e) { int32_t d = 8, w = 3; return PulsePtrn(o, &n, &amp, &d, &w, e); }, kErrPulseDelayWidth},
        {"SincWave dt 0", [&](DoubleArrayHdl o, int32_t *e) { double d = 0, dt = 0; return SincWave(o, &n, &amp, &d, &dt, e); }, kErrSamplingInterval},
        {"SinePtrn cycles", [&](DoubleArrayHdl o, int32_t *e) { double p = 0, c = 10.5; return SinePtrn(o, &n, &amp, &p, &c, e); }, kErrCyclesOutOfRange},
        {"Square duty 0", [&](DoubleArrayHdl o, int32_t *e) { double d = 0, c = 2; return Square(o, &n, &amp, &d, &c, e); }, kErrDutyCycle},
        {"Square duty NaN", [&](DoubleArrayHdl o, int32_t *e) { double d = NAN, c = 2; return Square(o, &n, &amp, &d, &c, e); }, kErrDutyCycle},
        // Duty is checked before cycles; cycles must not exceed n/2 = 5.
        {"Square duty before cycles", [&](DoubleArrayHdl o, int32_t *e) { double d = -1, c = 6; return Square(o, &n, &amp, &d, &c, e); }, kErrDutyCycle},
        {"Square cycles 6", [&](DoubleArrayHdl o, int32_t *e) { double d = 50, c = 6; return Square(o, &n, &amp, &d, &c, e); }, kErrCyclesOutOfRange},
        {"Square cycles 0", [&](DoubleArrayHdl o, int32_t *e) { double d = 50, c = 0; return Square(o, &n, &amp, &d, &c, e); }, kErrCyclesOutOfRange},
        {"Square cycles NaN", [&](DoubleArrayHdl o, int32_t *e) { double d = 50, c = NAN; return Square(o, &n, &amp, &d, &c, e); }, kErrCyclesOutOfRange},
    };
    for (const Case &c : cases) {
        DoubleHandle out({1, 2, 3});
        int32_t err = 0;
        EXPECT_EQ(c.call(out, &err), 0) << c.name;
        EXPECT_EQ(err, c.code) << c.name;
        EXPECT_TRUE(out.emptied()) << c.name;
    }
    // The boundary n/2 itself is accepted: 5 periods of 2 samples.
    DoubleHandle out;
    int32_t err = 1;
    double d = 50, c = 5;
    ASSERT_EQ(Square(out, &n, &amp, &d, &c, &err), 0);
    EXPECT_EQ(err, 0);
    EXPECT_EQ(out.values(), (std::vector<double>{1, 0, 1, 0, 1, 0, 1, 0, 1, 0}));
}

TEST(GeneratorEntryPoints, PhaseCarriesOverAndSurvivesFailure) {
    DoubleHandle out;
    int32_t err = 0, n = 3;
    double amp = 1, f = 0.25, phase = 0;
    ASSERT_EQ(SineWaveCIN(out, &n, &amp, &f, &phase, &err), 0);
    EXPECT_EQ(phase, 270.0);
    n = 0;
    ASSERT_EQ(SineWaveCIN(out, &n, &amp, &f, &phase, &err), 0);
    EXPECT_EQ(err, kErrEmptyArray);
    EXPECT_EQ(phase, 270.0) << "the caller's phase is state, not a result to NaN";
    // An empty table handle: zeros, and the phase comes back 0.
    DoubleHandle none;
    int32_t interp = 1;
    n = 4;
    phase = 100;
    ASSERT_EQ(ArbitraryWaveCIN(out, &n, &amp, &f, &phase, none, &interp, &err), 0);
    EXPECT_EQ(err, 0);
    EXPECT_EQ(out.values(), std::vector<double>(4, 0.0));
    EXPECT_EQ(phase, 0.0);
}

#define GENERATOR_ALLOCATION_CASE(name) \
    ORIN_ALLOCATION_CASE(name, 1) { checkRefusedResize(inj, generatorNamed(#name)); }

GENERATOR_ALLOCATION_CASE(SineWaveCIN)
GENERATOR_ALLOCATION_CASE(SquareWaveCIN)
GENERATOR_ALLOCATION_CASE(TriangleWaveCIN)
GENERATOR_ALLOCATION_CASE(SawtoothWaveCIN)
GENERATOR_ALLOCATION_CASE(ImpulsePtrn)
GENERATOR_ALLOCATION_CASE(PulsePtrn)
GENERATOR_ALLOCATION_CASE(RampPtrn)
GENERATOR_ALLOCATION_CASE(SincWave)
GENERATOR_ALLOCATION_CASE(SinePtrn)
GENERATOR_ALLOCATION_CASE(Square)
GENERATOR_ALLOCATION_CASE(ChirpCIN)
GENERATOR_ALLOCATION_CASE(White)
GENERATOR_ALLOCATION_CASE(Gauss)

// The table handle of ArbitraryWaveCIN is made inside the entry lambda, so
// its allocation would count as a site: this row makes it outside.
ORIN_ALLOCATION_CASE(ArbitraryWaveCIN, 1) {
    DoubleHandle t(table());
    DoubleHandle out({9});
    int32_t err = 0, n = 6, interp = 0;
    double a = 1, f = 0.1, p = 30;
    const int32_t ret = inj.call([&] { return ArbitraryWaveCIN(out, &n, &a, &f, &p, t, &interp, &err); });
    if (inj.failing()) {
        EXPECT_NE(ret, 0);
        EXPECT_EQ(err, kErrOutOfMemory);
        EXPECT_TRUE(out.emptied());
        EXPECT_EQ(p, 30.0);
    } else {
        EXPECT_EQ(err, 0);
        EXPECT_EQ(out.size(), 6);
    }
}
