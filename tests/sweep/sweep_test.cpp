// The reliability sweeps over the table of every export: allocation failures
// at every site (once and from there on), special values at chosen sizes,
// and the replay of the routine fuzz corpus. Each call is held to the
// library's contract: a documented code, no host block left alive, and after
// a failure every array it wrote emptied and every double scalar it wrote
// iDNaN (handle entry points).
#include "support/prelude.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>

#include "fuzz_routines.h"
#include "hostcontrol.h"
#include "sources.h"
#include "support/corpus.h"

namespace {

using sweep::Call;
using sweep::Row;

// Limits for one call: ORIN_SWEEP_CALL_SECONDS sets them for builds slower
// than these defaults allow (the -O0 coverage build, a loaded machine);
// emulated i386 and sanitizer builds get the larger defaults.
double callSeconds(double normal, double reduced) {
    const char *given = std::getenv("ORIN_SWEEP_CALL_SECONDS");
    const double seconds = given ? std::atof(given) : 0;
    return seconds > 0 ? seconds : orintest::kReducedSuite ? reduced : normal;
}
// Wall-clock time of one call.
const double kCallSeconds = callSeconds(10, 60);
// A call given an extreme int32 must return at once (a documented code, or
// a loop that does not run): at most a second of the thread's CPU time, so
// that a shared machine's load does not count.
const double kIntegerCpuSeconds = callSeconds(1, 5);

// ORIN_SWEEP_ONLY=name sweeps that row alone (to look at one finding).
bool skipped(const Row &row) {
    static const char *only = std::getenv("ORIN_SWEEP_ONLY");
    return only && std::strcmp(only, row.name) != 0;
}

// How a row is called: its variant, its outputs aliased to its inputs, and
// an allocation made to fail (failAt > 0), alone or with every later one.
struct Setup {
    int32_t variant = 0;
    bool aliased = false;
    int64_t failAt = 0;
    bool persistent = false;
};

// One call and what the sweeps look at afterwards.
struct CallResult {
    sweep::Outcome outcome;
    int64_t attempts = 0, leaked = 0;
    std::string fingerprint, outputs;
    int32_t variants = 1;
    bool offersAlias = false;
};

CallResult callRow(const Row &row, sweep::ValueSource &source, int32_t n, sweep::Watchdog &watchdog,
                   const Setup &setup = {}) {
    CallResult r;
    const int64_t live = OrinHostLiveBlocks();
    {
        Call call(source, n, row.name);
        call.setVariant(setup.variant);
        call.setAliased(setup.aliased);
        const int64_t before = OrinHostAllocationCount();
        if (setup.failAt > 0) (setup.persistent ? OrinHostFailAllocationsFrom : OrinHostFailAllocation)(setup.failAt);
        watchdog.arm(row.name, n);
        r.outcome = sweep::run(row, call);
        watchdog.disarm();
        OrinHostFailAllocation(0);
        OrinHostFailAllocationsFrom(0);
        r.attempts = OrinHostAllocationCount() - before;
        r.fingerprint = call.fingerprint();
        r.outputs = call.outputs();
        r.variants = call.variants();
        r.offersAlias = call.offersAlias();
    }
    r.leaked = OrinHostLiveBlocks() - live;
    return r;
}

// Where a header lets an output be an input, the call with them the same
// array must give what the call with a separate output gives: the code and,
// after a success, the outputs. (A refused call leaves a separate output as
// it was, zeros, and an aliased one as the input was.)
void expectSameAsSeparate(const CallResult &aliased, const CallResult &separate) {
    EXPECT_EQ(aliased.outcome.code, separate.outcome.code) << "the aliased call's code";
    EXPECT_EQ(aliased.leaked, 0) << "blocks leaked by the aliased call";
    if (separate.outcome.code == 0) {
        EXPECT_TRUE(aliased.outputs == separate.outputs)
            << "the aliased call's outputs differ from the separate call's";
    }
}

// ---- the table covers every export ----------------------------------------

TEST(SweepTable, EveryExportIsARowOrLeftOutWithAReason) {
    // Every name of every exports.txt, with its directory (generate_table.py).
    static const std::pair<const char *, const char *> kExports[] = {
#include "sweep_exports.inc"
    };
    const std::map<std::string, std::string> exported(std::begin(kExports), std::end(kExports));
    ASSERT_GT(exported.size(), 300u) << "the export lists were not found";

    std::set<std::string> rows, left;
    for (const Row &r : sweep::table()) {
        EXPECT_TRUE(rows.insert(r.name).second) << r.name << " has two rows";
        EXPECT_TRUE(exported.count(r.name)) << r.name << " has a row but is not exported";
    }
    for (const sweep::LeftOut &l : sweep::leftOut()) {
        EXPECT_TRUE(left.insert(l.name).second) << l.name << " is left out twice";
        EXPECT_FALSE(rows.count(l.name)) << l.name << " is both a row and left out";
        EXPECT_TRUE(exported.count(l.name)) << l.name << " is left out but not exported";
        EXPECT_GT(std::strlen(l.reason), 10u) << l.name << " is left out without a reason";
    }
    for (const auto &[name, directory] : exported)
        EXPECT_TRUE(rows.count(name) || left.count(name))
            << name << " (" << directory << ") is neither a row of the sweep table nor left out with a reason";
    std::printf("[ sweep    ] table: %zu rows (%zu generated), %zu exports, %zu left out\n", rows.size(),
                static_cast<size_t>(std::count_if(sweep::table().begin(), sweep::table().end(),
                                                  [](const Row &r) { return r.generated(); })),
                exported.size(), left.size());
}

// ---- allocation failures ------------------------------------------------------

// The design traces of two routines go to DBPrintf; the sweeps keep them
// out of the test log.
struct QuietDebugText {
    QuietDebugText() { OrinHostCaptureDebug(1); }
    ~QuietDebugText() {
        OrinHostCaptureDebug(0);
        OrinHostClearDebugText();
    }
};

struct AllocationTally {
    int64_t routines = 0, sites = 0, runs = 0, fallbacks = 0, variants = 0;
};

// One call (a row at size n in one of its variants, its outputs separate or
// aliased) without failures, then with each of its allocations failing alone
// and with every later one; an aliased call also against the separate one.
// Returns the call without failures.
CallResult sweepSites(const Row &row, int32_t n, Setup setup, const CallResult *separate, sweep::Watchdog &watchdog,
                      AllocationTally &tally) {
    const auto once = [&] {
        sweep::ValidSource source(1000 + static_cast<uint64_t>(n));
        return callRow(row, source, n, watchdog, setup);
    };
    const CallResult ok = once();
    if (setup.aliased && !ok.offersAlias) return ok;
    SCOPED_TRACE(testing::Message() << row.name << " n = " << n << ", variant " << setup.variant
                                    << (setup.aliased ? ", aliased" : ""));
    EXPECT_TRUE(sweep::documentedCode(ok.outcome.code)) << "code " << ok.outcome.code;
    EXPECT_EQ(ok.leaked, 0) << "blocks leaked by the call without failures";
    if (setup.aliased) expectSameAsSeparate(ok, *separate);
    tally.sites += ok.attempts;
    for (int64_t site = 1; site <= ok.attempts; ++site) {
        for (bool persistent : {false, true}) {
            SCOPED_TRACE(testing::Message() << "allocation " << site << " of " << ok.attempts
                                            << (persistent ? " and every later one" : " alone") << " failing");
            setup.failAt = site;
            setup.persistent = persistent;
            const CallResult r = once();
            ++tally.runs;
            const int32_t code = r.outcome.code;
            // The documented answer to a refused allocation is -20001 (the
            // engine's -20311); a call whose valid run already failed may
            // report its own code instead, and an entry point may hand back
            // the memory manager's status alone.
            const bool reported =
                code == kErrOutOfMemory || code == kErrEngineOutOfMemory ||
                (ok.outcome.code != 0 && code == ok.outcome.code) ||
                (code == 0 && r.outcome.returned != 0 && (row.error >= 0 || sweep::returnsHostStatus(row)));
            // A routine may also do without the allocation (a slower path
            // without a scratch row): then it must produce exactly what the
            // call without failures produced.
            const bool fellBack = code == 0 && r.outcome.returned == ok.outcome.returned && ok.outcome.code == 0;
            if (fellBack) {
                ++tally.fallbacks;
                EXPECT_TRUE(r.fingerprint == ok.fingerprint)
                    << "reported success without the allocation, but its results differ from the call without failures";
            } else {
                EXPECT_TRUE(reported) << "code " << code << ", returned " << r.outcome.returned
                                      << " (the call without failures gave " << ok.outcome.code << ")";
            }
            EXPECT_TRUE(r.outcome.breach.empty()) << r.outcome.breach;
            EXPECT_EQ(r.leaked, 0) << "blocks leaked";
        }
    }
    return ok;
}

// Every row at two sizes, in each of its variants, with its outputs
// separate and (where its header allows) aliased to its inputs.
TEST(AllocationSweep, EverySiteFailsCleanlyOnceAndFromThereOn) {
    sweep::Watchdog watchdog(kCallSeconds);
    QuietDebugText quiet;
    AllocationTally tally;
    for (const Row &row : sweep::table()) {
        if (skipped(row)) continue;
        bool allocates = false;
        for (int32_t n : {9, 16}) {
            std::vector<CallResult> separate;  // by variant
            for (bool aliased : {false, true}) {
                for (int32_t variant = 0, count = 1; variant < count; ++variant) {
                    const CallResult ok = sweepSites(row, n, {.variant = variant, .aliased = aliased},
                                                     aliased ? &separate[variant] : nullptr, watchdog, tally);
                    if (aliased && !ok.offersAlias) break;
                    if (!aliased) separate.push_back(ok);
                    count = ok.variants;
                    tally.variants += variant > 0 || aliased;
                    allocates = allocates || ok.attempts > 0;
                }
            }
        }
        tally.routines += allocates;
    }
    std::printf(
        "[ sweep    ] allocation failures: %lld allocating rows, %lld sites, %lld sites x modes "
        "(%lld runs did without the allocation, with identical results), %lld variant and aliased calls\n",
        static_cast<long long>(tally.routines), static_cast<long long>(tally.sites), static_cast<long long>(tally.runs),
        static_cast<long long>(tally.fallbacks), static_cast<long long>(tally.variants));
    if (!std::getenv("ORIN_SWEEP_ONLY")) {
        EXPECT_GT(tally.routines, 50);
    }
}

// One rule for the empty call instead of a row per routine: every input a
// row sizes by n empty gives -20003 unless the routine documents another code,
// with its outputs emptied and its scalars iDNaN as after any failure (what a
// contract row checks; leaks at n = 0 are SpecialValues').
TEST(EmptyInputs, GiveTheEmptyArrayCodeUnlessTheRowSaysOtherwise) {
    QuietDebugText quiet;
    for (const Row &row : sweep::table()) {
        sweep::ValidSource source(5);
        Call call(source, 0, row.name);
        const sweep::Outcome outcome = sweep::run(row, call);
        EXPECT_EQ(outcome.code, sweep::emptyCode(row.name)) << row.name;
        EXPECT_TRUE(outcome.breach.empty()) << row.name << ":" << outcome.breach;
    }
}

// ---- special values -------------------------------------------------------------

constexpr int32_t kMin = std::numeric_limits<int32_t>::min(), kMax = std::numeric_limits<int32_t>::max();

struct SpecialCase {
    const char *name;
    sweep::SpecialSource::Target target;
    double value;
    int32_t integer;
};

std::vector<SpecialCase> specialCases() {
    using T = sweep::SpecialSource::Target;
    const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        const char *name;
        double value;
    } values[] = {{"NaN", nan},    {"+Inf", inf},     {"-Inf", -inf}, {"subnormal", 4.9406564584124654e-324},
                  {"huge", 1e308}, {"-huge", -1e308}, {"zero", 0.0}};
    std::vector<SpecialCase> cases;
    for (const auto &v : values)
        for (T target : {T::kElements, T::kFirstElement, T::kScalars}) cases.push_back({v.name, target, v.value, 0});
    for (int32_t i : {0, -1, kMin, kMax, kMax - 1, 1 << 20}) cases.push_back({"integer", T::kIntegers, 0.0, i});
    for (int32_t i : {-1, kMin, kMax, kMax - 1}) cases.push_back({"integer", T::kIntElements, 0.0, i});
    return cases;
}

bool integerCase(const SpecialCase &sc) { return sc.target >= sweep::SpecialSource::Target::kIntegers; }

// Where a case puts its value, in the order of SpecialSource::Target.
const char *targetName(sweep::SpecialSource::Target t) {
    static const char *const kNames[] = {"in every element", "in the first element", "in every double parameter",
                                         "in every int32 parameter", "in every int32 array element"};
    return kNames[static_cast<int>(t)];
}

// Runs and counts the cases of the special-value sweep; where the row lets
// an output be an input, also with them the same array.
struct SpecialRun {
    int64_t count = 0, integers = 0, aliased = 0;
    sweep::Watchdog &watchdog, &integerWatchdog;
    void run(const Row &row, int32_t n, const SpecialCase &sc) {
        if (skipped(row)) return;
        SCOPED_TRACE(testing::Message() << row.name << " n = " << n << ", " << sc.name << " " << targetName(sc.target)
                                        << (integerCase(sc) ? " = " + std::to_string(sc.integer) : std::string()));
        sweep::Watchdog &dog = integerCase(sc) ? integerWatchdog : watchdog;
        sweep::SpecialSource source(77 + static_cast<uint64_t>(n), sc.target, sc.value, sc.integer);
        const CallResult r = callRow(row, source, n, dog);
        if (r.offersAlias) {
            sweep::SpecialSource again(77 + static_cast<uint64_t>(n), sc.target, sc.value, sc.integer);
            expectSameAsSeparate(callRow(row, again, n, dog, {.aliased = true}), r);
            ++aliased;
        }
        ++count;
        integers += integerCase(sc);
        EXPECT_TRUE(sweep::documentedCode(r.outcome.code)) << "code " << r.outcome.code;
        EXPECT_TRUE(r.outcome.breach.empty()) << r.outcome.breach;
        EXPECT_EQ(r.leaked, 0) << "blocks leaked";
    }
};

// Every row at sizes 0 to 7 (and 1009) with every special value; at the
// negative sizes a caller may pass for a length (-1, INT32_MIN) with the
// int32 extremes; and the kernels that trust their lengths at lengths 0,
// -1 and INT32_MIN, where they must touch nothing.
TEST(SpecialValues, EveryRowReturnsADocumentedCodeWithinItsTimeLimit) {
    sweep::Watchdog watchdog(kCallSeconds), integerWatchdog(kCallSeconds, kIntegerCpuSeconds);
    QuietDebugText quiet;
    std::vector<int32_t> sizes = {0, 1, 2, 7};
    if (!orintest::kReducedSuite) sizes.push_back(1009);
    const std::vector<SpecialCase> cases = specialCases();
    OrinHostLimitAllocation(sweep::kFuzzByteLimit);
    SpecialRun r{.watchdog = watchdog, .integerWatchdog = integerWatchdog};
    int64_t negative = 0, kernels = 0, aliasingRows = 0;
    for (const Row &row : sweep::table()) {
        const int64_t aliasedBefore = r.aliased;
        for (int32_t n : sizes)
            for (const SpecialCase &sc : cases) r.run(row, n, sc);
        for (int32_t n : {-1, kMin})
            for (const SpecialCase &sc : cases)
                if (integerCase(sc)) r.run(row, n, sc), ++negative;
        aliasingRows += r.aliased > aliasedBefore;
    }
    for (const Row &row : sweep::kernelRows())
        for (int32_t n : {0, -1, kMin})
            for (const SpecialCase &sc : cases)
                if (integerCase(sc)) r.run(row, n, sc), ++kernels;
    OrinHostLimitAllocation(0);
    std::printf(
        "[ sweep    ] special values: %lld cases run, %lld of them int32 extremes (%zu rows x %zu sizes x %zu values, "
        "%lld at negative sizes, %lld of %zu trusting kernels), %lld also aliased (%lld rows)\n",
        static_cast<long long>(r.count), static_cast<long long>(r.integers), sweep::table().size(), sizes.size(),
        cases.size(), static_cast<long long>(negative), static_cast<long long>(kernels), sweep::kernelRows().size(),
        static_cast<long long>(r.aliased), static_cast<long long>(aliasingRows));
    if (!std::getenv("ORIN_SWEEP_ONLY")) {
        EXPECT_GE(aliasingRows, 20);
    }
}

// ---- the fuzz corpus ----------------------------------------------------------------

TEST(FuzzRoutines, SeedCorpusReplays) {
    sweep::Watchdog watchdog(kCallSeconds);
    QuietDebugText quiet;
    const auto inputs = orintest::corpusInputs("routines");
    for (const auto &[file, bytes] : inputs) {
        watchdog.arm(file.c_str(), static_cast<int32_t>(bytes.size()));
        orinFuzzRoutines(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
        watchdog.disarm();
    }
    EXPECT_GE(inputs.size(), 24u) << "seed corpus";
    std::printf("[ sweep    ] fuzz corpus: %zu inputs replayed\n", inputs.size());
}

}  // namespace
