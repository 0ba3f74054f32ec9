// The engine's test builds, loaded beside the library: what the caches spare
// (counted computations and scanned samples), a registry whose construction
// failed, and a class list with a duplicate id.
#include <dlfcn.h>
#include "support/prelude.h"

#include "engine_support.h"
#include "hostcontrol.h"

namespace {

constexpr int32_t kMinAndMax = 50;  // the engine's one-pass extremes

// One test build, loaded privately; its entry points and counters.
class Probe {
public:
    explicit Probe(const char *path) : handle_(dlopen(path, RTLD_NOW | RTLD_LOCAL)) {
        if (!handle_) ADD_FAILURE() << dlerror();
    }
    ~Probe() {
        if (handle_) dlclose(handle_);
    }
    template <class T>
    T *symbol(const char *name) const {
        void *p = handle_ ? dlsym(handle_, name) : nullptr;
        if (!p) ADD_FAILURE() << "missing " << name;
        return reinterpret_cast<T *>(p);
    }
    explicit operator bool() const { return handle_ != nullptr; }

    int32_t create() const {
        int32_t id = 0;
        EXPECT_EQ(symbol<decltype(measurements_create)>("measurements_create")(&id), 0);
        return id;
    }
    Result fetch(int32_t session, int32_t id, const std::vector<double> &x, int32_t occurrence = 1,
                 int32_t bins = 100) const {
        const tRefLevels levels{90, 50, 10, 1};
        const tRefOptions options{1, bins};
        Result r;
        r.code = symbol<decltype(measurements_fetch)>("measurements_fetch")(
            session, id, &levels, &options, occurrence, 0, 1, x.data(), static_cast<int32_t>(x.size()), &r.value,
            &r.cursor);
        return r;
    }
    int32_t clear(int32_t s) const { return symbol<decltype(measurements_clear)>("measurements_clear")(s); }
    int32_t destroy(int32_t s) const { return symbol<decltype(measurements_destroy)>("measurements_destroy")(s); }
    int64_t computed(int32_t id) const { return symbol<int64_t(int32_t)>("probeComputed")(id); }
    int64_t scanned(int32_t id) const { return symbol<int64_t(int32_t)>("probeScanned")(id); }
    void reset() const { symbol<void()>("probeReset")(); }

private:
    void *handle_;
};

}  // namespace

TEST(EngineCaches, EveryIntermediateIsComputedOncePerWaveform) {
    Probe p(ORIN_ENGINE_PROBE_COUNTING);
    ASSERT_TRUE(p);
    const auto x = trapezoid(6);
    const int32_t s = p.create();
    p.reset();
    // The minimum's single pass also stores the maximum.
    ASSERT_EQ(p.fetch(s, kMeasMinimum, x).code, 0);
    ASSERT_EQ(p.fetch(s, kMeasMaximum, x).code, 0);
    EXPECT_EQ(p.computed(kMinAndMax), 1);
    EXPECT_EQ(p.computed(kMeasMaximum), 0) << "the maximum came from the shared pass";
    // Every measurement twice at one occurrence, then twice at another:
    // each intermediate once.
    for (int32_t occurrence : {1, 3})
        for (int pass = 0; pass < 2; ++pass)
            for (int32_t id = 0; id < kMeasNone; ++id) ASSERT_EQ(p.fetch(s, id, x, occurrence).code, 0) << "id " << id;
    EXPECT_EQ(p.computed(kMinAndMax), 1);
    EXPECT_EQ(p.computed(53), 1) << "histogram";
    for (int32_t id : {kMeasLow, kMeasHigh, kMeasAmplitude, kMeasLowReference, kMeasHighReference, kMeasRms})
        EXPECT_EQ(p.computed(id), 1) << "id " << id;
    // Results that select an occurrence are kept for the last one asked:
    // computed once per occurrence here.
    for (int32_t id : {kMeasPeriod, kMeasRiseTime, kMeasRisingOvershoot, kMeasNegativePulseCenter})
        EXPECT_EQ(p.computed(id), 2) << "id " << id;
    // A clear starts over, in the objects and lists already made.
    EXPECT_EQ(p.clear(s), 0);
    const int64_t allocations = OrinHostAllocationCount();
    for (int32_t id = 0; id < kMeasNone; ++id) ASSERT_EQ(p.fetch(s, id, x).code, 0) << "id " << id;
    EXPECT_EQ(OrinHostAllocationCount(), allocations);
    EXPECT_EQ(p.computed(kMinAndMax), 2);
    // So does another histogram size, though the waveform is the same.
    ASSERT_EQ(p.fetch(s, kMeasHigh, x, 1, 50).code, 0);
    EXPECT_EQ(p.computed(53), 3);
    p.destroy(s);
}

TEST(EngineCaches, ListsAreExtendedWithoutRescanning) {
    Probe p(ORIN_ENGINE_PROBE_COUNTING);
    ASSERT_TRUE(p);
    const auto x = trapezoid(8);
    // In steps: occurrence 1, then 2, then 5 (and 1 again, from the list).
    const int32_t stepwise = p.create();
    p.reset();
    for (int32_t occurrence : {1, 2, 5, 1}) {
        ASSERT_EQ(p.fetch(stepwise, kMeasRiseTime, x, occurrence).code, 0);
        ASSERT_EQ(p.fetch(stepwise, kMeasPositiveWidth, x, occurrence).code, 0);
    }
    const int64_t edgeSamples = p.scanned(52), crossingSamples = p.scanned(51);
    EXPECT_EQ(p.computed(52), 3) << "three extensions, the last request answered from the list";
    // At once, in a fresh session: the same samples read.
    const int32_t direct = p.create();
    p.reset();
    ASSERT_EQ(p.fetch(direct, kMeasRiseTime, x, 5).code, 0);
    ASSERT_EQ(p.fetch(direct, kMeasPositiveWidth, x, 5).code, 0);
    EXPECT_EQ(p.scanned(52), edgeSamples);
    EXPECT_EQ(p.scanned(51), crossingSamples);
    EXPECT_LT(edgeSamples, static_cast<int64_t>(x.size())) << "the scan stops at the edges asked for";
    p.destroy(stepwise);
    p.destroy(direct);
}

TEST(EngineCaches, EscapingExceptionsAreCaughtAtTheBoundary) {
    Probe p(ORIN_ENGINE_PROBE_COUNTING);
    ASSERT_TRUE(p);
    const auto x = trapezoid(2);
    const int64_t live = OrinHostLiveBlocks();
    const int32_t s = p.create();
    p.symbol<void(int32_t)>("probeThrowOn")(kMeasRiseTime);
    EXPECT_EQ(p.fetch(s, kMeasRiseTime, x).code, kErrEngineException);
    EXPECT_EQ(p.fetch(-1, kMeasRisingSlewRate, x).code, kErrEngineException);
    p.symbol<void(int32_t)>("probeThrowOn")(-1);
    // The session was released on the way out: usable, and destroyed with
    // everything it made (the one-shot session too).
    EXPECT_EQ(p.fetch(s, kMeasRiseTime, x).value, 8.0);
    EXPECT_EQ(p.destroy(s), 0);
    EXPECT_EQ(OrinHostLiveBlocks(), live);
}

TEST(EngineStartup, UnloadReleasesSessionsLeftOpenAndTheIdTable) {
    // Load order builds the registry (one host mutex), then the id table
    // (heap nodes); unloading destroys both, and the registry deletes the
    // sessions a host forgot to destroy, with their objects and lists.
    const int64_t blocks = OrinHostLiveBlocks(), mutexes = OrinHostLiveMutexes();
    {
        Probe p(ORIN_ENGINE_PROBE_COUNTING);
        ASSERT_TRUE(p);
        EXPECT_EQ(OrinHostLiveMutexes(), mutexes + 1) << "the registry's mutex";
        EXPECT_GT(OrinHostLiveBlocks(), blocks) << "the id table's nodes";
        const auto x = trapezoid(3);
        for (int i = 0; i < 2; ++i) {
            const int32_t s = p.create();
            for (int32_t id = 0; id < kMeasNone; ++id) ASSERT_EQ(p.fetch(s, id, x).code, 0) << "id " << id;
        }
        EXPECT_EQ(OrinHostLiveMutexes(), mutexes + 3);
    }
    EXPECT_EQ(OrinHostLiveBlocks(), blocks);
    EXPECT_EQ(OrinHostLiveMutexes(), mutexes);
}

TEST(EngineStartup, FailedRegistryMakesEveryEntryPointReturnItsStatus) {
    Probe p(ORIN_ENGINE_PROBE_FAILED_REGISTRY);
    ASSERT_TRUE(p);
    EXPECT_EQ(*p.symbol<int32_t>("initStatus"), kErrEngineConstruction);
    int32_t id = 77;
    EXPECT_EQ(p.symbol<decltype(measurements_create)>("measurements_create")(&id), kErrEngineConstruction);
    EXPECT_EQ(id, 77);
    EXPECT_EQ(p.clear(1112), kErrEngineConstruction);
    EXPECT_EQ(p.destroy(1112), kErrEngineConstruction);
    // Before any other check, even the null blocks and id 34.
    double r = 5;
    tCursorStruct c{};
    const double x[] = {1, 2};
    auto fetch = p.symbol<decltype(measurements_fetch)>("measurements_fetch");
    EXPECT_EQ(fetch(-1, kMeasNone, nullptr, nullptr, 1, 0, 1, x, 2, &r, &c), kErrEngineConstruction);
    EXPECT_EQ(r, 5.0);
    EXPECT_EQ(p.symbol<decltype(isCycleMeasurement)>("isCycleMeasurement")(15), 1);
}

TEST(EngineStartup, DuplicateIdLeavesEveryUncreatedMeasurementFailing) {
    Probe p(ORIN_ENGINE_PROBE_DUPLICATE);
    ASSERT_TRUE(p);
    EXPECT_EQ(*p.symbol<int32_t>("initStatus"), 0);
    const std::vector<double> x = {0, 1, 2};
    for (int32_t id : {0, 13, 14, 15, 99, 50})
        EXPECT_EQ(p.fetch(-1, id, x).code, kErrDuplicateMeasurement) << "id " << id;
    EXPECT_EQ(p.fetch(-1, kMeasNone, x).code, 0);
}

TEST(EngineStartup, RefusedAllocationWhileLoadingLeavesEveryMeasurementFailing) {
    // Loading builds the id table: a prototype of each class, then its map
    // node. The duplicate build registers a third class after the first two,
    // so its sites 1 to 6 are two prototypes and nodes, then the duplicate's.
    // Whichever is refused, the table reports -20311 (not the duplicate's
    // -20324), every fetch returns it, and unloading frees what was made.
    const std::vector<double> x = {0, 1, 2};
    const int64_t blocks = OrinHostLiveBlocks();
    for (int64_t site = 1; site <= 6; ++site) {
        OrinHostFailAllocation(site);
        {
            Probe p(ORIN_ENGINE_PROBE_DUPLICATE);
            OrinHostFailAllocation(0);
            ASSERT_TRUE(p);
            EXPECT_EQ(*p.symbol<int32_t>("initStatus"), 0) << "site " << site;
            for (int32_t id : {int32_t{kMeasMinimum}, int32_t{kMeasRms}, 99, 50})
                EXPECT_EQ(p.fetch(-1, id, x).code, kErrEngineOutOfMemory) << "site " << site << ", id " << id;
        }
        EXPECT_EQ(OrinHostLiveBlocks(), blocks) << "site " << site;
    }
}

TEST(EngineStartup, RefusedHostMutexesRefuseSessionsAndTheRegistry) {
    const std::vector<double> x = {0, 1, 2};
    const int64_t blocks = OrinHostLiveBlocks(), mutexes = OrinHostLiveMutexes();
    {
        // Every free host mutex taken, until the end of the scope.
        struct Taken {
            std::vector<MutexRef> refs;
            ~Taken() {
                for (MutexRef m : refs) ThMutexDestroy(m);
            }
        } taken;
        for (MutexRef m = 0; ThMutexCreate(&m, 0) == kMgNoErr; m = 0) taken.refs.push_back(m);
        ASSERT_FALSE(taken.refs.empty());
        // A session cannot be guarded, so it is not made, nor a one-shot one.
        int32_t id = 77;
        EXPECT_EQ(measurements_create(&id), kErrEngineOutOfMemory);
        EXPECT_EQ(id, 77);
        EXPECT_EQ(fetch(-1, kMeasMaximum, x).code, kErrEngineOutOfMemory);
        // A registry loaded now cannot guard its sessions: its construction
        // fails, and every entry point reports so.
        Probe p(ORIN_ENGINE_PROBE_COUNTING);
        ASSERT_TRUE(p);
        EXPECT_EQ(*p.symbol<int32_t>("initStatus"), kErrEngineConstruction);
        EXPECT_EQ(p.fetch(-1, kMeasMaximum, x).code, kErrEngineConstruction);
    }
    EXPECT_EQ(OrinHostLiveMutexes(), mutexes);
    EXPECT_EQ(OrinHostLiveBlocks(), blocks);
    EXPECT_EQ(fetch(-1, kMeasMaximum, x).value, 2.0) << "sessions are made again";
}
