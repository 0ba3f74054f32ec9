// The generators' handle entry points: the output filled as by the core
// routine with the error exactly 0, or on a core refusal the code and an
// emptied output.
#include <orin/generation.h>
#include <orin/host.h>

#include "support/prelude.h"

namespace {

// Fixed valid parameters, and fresh caller state (phase, seeds, spare), for
// every generator.
struct P {
    double a = 2, f = 0.07, phase = 10, duty = 30, cycles = 2, first = -1, last = 4, delay = 1.5, dt = 0.5, f2 = 0.3,
           spare = 0.25;
    int32_t d = 1, w = 2, interp = 1, seed = 5, s1 = 0, s2 = 0, s3 = 0, have = 1, err = 0;
    const std::vector<double> table = {0, 2, -1, 0.5};
};

// An entry point and its core routine given the same parameters; t is a
// table handle holding P::table.
struct Generator {
    std::string name;
    std::function<int32_t(DoubleArrayHdl, int32_t, int32_t *, DoubleArrayHdl, P &)> entry;
    std::function<int32_t(int32_t, double *, P &)> core;
};

#define GEN(name, entryCall, coreCall)                                                              \
    Generator {                                                                                     \
#name, [](DoubleArrayHdl o, int32_t n, int32_t * e, [[maybe_unused]] DoubleArrayHdl t,      \
                  P & p) { return entryCall; }, [](int32_t n, double *x, P &p) { return coreCall; } \
    }

std::vector<Generator> generators() {
    return {
        GEN(SineWaveCIN, SineWaveCIN(o, &n, &p.a, &p.f, &p.phase, e), SineWave(n, p.a, p.f, &p.phase, x)),
        GEN(SquareWaveCIN, SquareWaveCIN(o, &n, &p.a, &p.f, &p.phase, &p.duty, e),
            SquareWave(n, p.a, p.f, &p.phase, p.duty, x)),
        GEN(TriangleWaveCIN, TriangleWaveCIN(o, &n, &p.a, &p.f, &p.phase, e), TriangleWave(n, p.a, p.f, &p.phase, x)),
        GEN(SawtoothWaveCIN, SawtoothWaveCIN(o, &n, &p.a, &p.f, &p.phase, e), SawtoothWave(n, p.a, p.f, &p.phase, x)),
        GEN(ArbitraryWaveCIN, ArbitraryWaveCIN(o, &n, &p.a, &p.f, &p.phase, t, &p.interp, e),
            ArbitraryWave(n, p.a, p.f, &p.phase, p.table.data(), 4, p.interp, x)),
        GEN(ImpulsePtrn, ImpulsePtrn(o, &n, &p.a, &p.d, e), Impulse(n, p.a, p.d, x)),
        GEN(PulsePtrn, PulsePtrn(o, &n, &p.a, &p.d, &p.w, e), Pulse(n, p.a, p.d, p.w, x)),
        GEN(RampPtrn, RampPtrn(o, &n, &p.first, &p.last, e), Ramp(n, p.first, p.last, x)),
        GEN(SincWave, SincWave(o, &n, &p.a, &p.delay, &p.dt, e), Sinc(n, p.a, p.delay, p.dt, x)),
        GEN(SinePtrn, SinePtrn(o, &n, &p.a, &p.phase, &p.cycles, e), SinePattern(n, p.a, p.phase, p.cycles, x)),
        GEN(Square, Square(o, &n, &p.a, &p.duty, &p.cycles, e), GenSquareWave(n, p.duty, p.cycles, p.a, x, &p.err)),
        GEN(ChirpCIN, ChirpCIN(o, &n, &p.a, &p.f, &p.f2, e), Chirp(n, p.a, p.f, p.f2, x)),
        GEN(White, White(o, &n, &p.a, &p.seed, e, &p.s1, &p.s2, &p.s3),
            WhiteNoise(n, p.a, p.seed, x, &p.s1, &p.s2, &p.s3)),
        GEN(Gauss, Gauss(o, &n, &p.a, &p.seed, e, &p.s1, &p.s2, &p.s3, &p.have, &p.spare),
            GaussNoise(n, p.a, p.seed, x, &p.s1, &p.s2, &p.s3, &p.have, &p.spare)),
    };
}

}  // namespace

// A count below the minimum (the code, the output emptied, the caller's
// state kept) is the sweep's: EmptyInputs at 0, SpecialValues below.
TEST(GeneratorEntryPoints, FillLikeTheCore) {
    DoubleHandle table(P().table);
    for (const Generator &g : generators()) {
        const int32_t n = 37;
        DoubleHandle out({1, 2, 3}, orintest::Placement::kUnaligned);
        int32_t err = 123;
        P p, q;
        ASSERT_EQ(g.entry(out, n, &err, table, p), 0) << g.name;
        EXPECT_EQ(err, 0) << g.name;
        std::vector<double> expected(static_cast<size_t>(n));
        ASSERT_EQ(g.core(n, expected.data(), q), 0) << g.name;
        EXPECT_EQ(out.values(), expected) << g.name;
        EXPECT_TRUE(p.phase == q.phase && p.s1 == q.s1 && p.s3 == q.s3 && p.have == q.have && p.spare == q.spare)
            << g.name << ": caller state carried over like the core's";
    }
    // An empty table handle gives zeros and phase 0.
    DoubleHandle out, none;
    int32_t err = 1, n = 4, interp = 1;
    double amp = 1, f = 0.25, phase = 100;
    ASSERT_EQ(ArbitraryWaveCIN(out, &n, &amp, &f, &phase, none, &interp, &err), 0);
    EXPECT_TRUE(err == 0 && phase == 0.0 && out.values() == std::vector<double>(4, 0.0));
    // Square accepts half the count as cycles: 5 periods of 2 samples.
    const double fifty = 50, five = 5;
    n = 10;
    ASSERT_EQ(Square(out, &n, &amp, &fifty, &five, &err), 0);
    EXPECT_TRUE(err == 0 && out.values() == (std::vector<double>{1, 0, 1, 0, 1, 0, 1, 0, 1, 0}));
}

// A core refusal: the code in the error output, the output emptied, return
// value 0. Square checks duty before cycles, and cycles must not exceed n/2.
// A table, one entry per line:
// clang-format off
ORIN_CONTRACT_TABLE(GeneratorEntryPoints) {
    static const int32_t n = 10, one = 1, delay = 10, late = 8, wide = 3;
    static const double amp = 1, zero = 0, fifty = 50, over = 10.5, six = 6, nan = NAN;
    return {
        ORIN_ROW(kErrTooFewSamples, RampPtrn(c.output({1, 2, 3}), &one, &zero, &amp, e)),
        ORIN_ROW(kErrIndexOutOfRange, ImpulsePtrn(c.output({1, 2, 3}), &n, &amp, &delay, e)),
        ORIN_ROW(kErrPulseDelayWidth, PulsePtrn(c.output({1, 2, 3}), &n, &amp, &late, &wide, e)),
        ORIN_ROW(kErrSamplingInterval, SincWave(c.output({1, 2, 3}), &n, &amp, &zero, &zero, e)),
        ORIN_ROW(kErrCyclesOutOfRange, SinePtrn(c.output({1, 2, 3}), &n, &amp, &zero, &over, e)),
        ORIN_ROW(kErrDutyCycle, Square(c.output({1, 2, 3}), &n, &amp, &nan, &six, e)),
        ORIN_ROW(kErrDutyCycle, Square(c.output({1, 2, 3}), &n, &amp, &zero, &six, e)),
        ORIN_ROW(kErrCyclesOutOfRange, Square(c.output({1, 2, 3}), &n, &amp, &fifty, &six, e)),
        ORIN_ROW(kErrCyclesOutOfRange, Square(c.output({1, 2, 3}), &n, &amp, &fifty, &nan, e)),
    };
}
// clang-format on
