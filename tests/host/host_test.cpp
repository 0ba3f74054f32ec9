// The stand-alone host layer's contracts: the library relies on exactly these.
#include <orin/host.h>

#include "support/prelude.h"

#include <random>

#include <atomic>
#include <thread>

#include "hostcontrol.h"

namespace {

uintptr_t address(const void *p) { return reinterpret_cast<uintptr_t>(p); }

}  // namespace

TEST(NumericArrayResize, NullHandleCreatesEmptyAlignedArray) {
    const int64_t live = OrinHostLiveBlocks();
    for (int32_t dims : {1, 2}) {
        for (int32_t type : {kTypeInt32, kTypeDouble, kTypeComplexDouble}) {
            UHandle h = nullptr;
            ASSERT_EQ(NumericArrayResize(type, dims, &h, 5), kMgNoErr);
            ASSERT_NE(h, nullptr);
            const int32_t *words = reinterpret_cast<const int32_t *>(*h);
            for (int32_t d = 0; d < dims; ++d) EXPECT_EQ(words[d], 0) << "dims " << dims;
            // Element areas start on an 8-byte boundary in both builds.
            EXPECT_EQ(address(*h + 4 * dims) % 8, 0u) << "type " << type << " dims " << dims;
            EXPECT_EQ(DSDisposeHandle(h), kMgNoErr);
        }
    }
    EXPECT_EQ(OrinHostLiveBlocks(), live);
}

TEST(NumericArrayResize, KeepsContentsAndDimensionWordsAcrossResizes) {
    UHandle h = nullptr;
    ASSERT_EQ(NumericArrayResize(kTypeDouble, 1, &h, 3), kMgNoErr);
    const UHandle same = h;
    auto *a = reinterpret_cast<DoubleArray *>(*h);
    a->dimSize = 3;
    a->elt[0] = 1.5, a->elt[1] = 2.5, a->elt[2] = 3.5;
    ASSERT_EQ(NumericArrayResize(kTypeDouble, 1, &h, 100000), kMgNoErr);
    EXPECT_EQ(h, same) << "the block is resized behind the same handle";
    a = reinterpret_cast<DoubleArray *>(*h);
    EXPECT_EQ(a->dimSize, 3) << "the dimension word is the caller's to write";
    EXPECT_EQ(a->elt[2], 3.5);
    ASSERT_EQ(NumericArrayResize(kTypeDouble, 1, &h, 2), kMgNoErr);
    a = reinterpret_cast<DoubleArray *>(*h);
    EXPECT_EQ(a->elt[1], 2.5);
    EXPECT_EQ(address(a->elt) % 8, 0u);
    DSDisposeHandle(h);
}

TEST(NumericArrayResize, RefusesUnrepresentableSizesAndBadArguments) {
    UHandle h = nullptr;
    ASSERT_EQ(NumericArrayResize(kTypeDouble, 1, &h, 1), kMgNoErr);
    EXPECT_EQ(NumericArrayResize(kTypeComplexDouble, 1, &h, SIZE_MAX / 8), kMgFullErr);
    EXPECT_EQ(NumericArrayResize(kTypeDouble, 2, &h, SIZE_MAX), kMgFullErr);
    EXPECT_EQ(NumericArrayResize(99, 1, &h, 1), kMgArgErr);
    EXPECT_EQ(NumericArrayResize(kTypeDouble, 0, &h, 1), kMgArgErr);
    EXPECT_EQ(NumericArrayResize(kTypeDouble, 1, nullptr, 1), kMgArgErr);
    DSDisposeHandle(h);
}

TEST(HandlesAndPointers, NewClearSetSizeCopyAndDispose) {
    const int64_t live = OrinHostLiveBlocks();
    UHandle h = DSNewHClr(64);
    ASSERT_NE(h, nullptr);
    for (int i = 0; i < 64; ++i) ASSERT_EQ((*h)[i], 0) << "byte " << i;
    std::memcpy(*h, "orinanalysis", 13);
    ASSERT_EQ(DSSetHandleSize(h, 1 << 20), kMgNoErr);
    EXPECT_STREQ(reinterpret_cast<const char *>(*h), "orinanalysis");
    UHandle copy = h;
    ASSERT_EQ(DSHandToHand(&copy), kMgNoErr);
    ASSERT_NE(copy, h);
    ASSERT_NE(*copy, *h);
    EXPECT_STREQ(reinterpret_cast<const char *>(*copy), "orinanalysis");
    EXPECT_EQ(OrinHostLiveBlocks(), live + 2);
    // DSNewHandle makes no alignment promise: its blocks start 16-aligned, so
    // a 1D double array built in one has its elements 4 bytes off.
    UHandle plain = DSNewHandle(4 + 8 * 4);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(address(*plain + 4) % 8, 4u);
    EXPECT_EQ(DSDisposeHandle(plain), kMgNoErr);
    EXPECT_EQ(DSDisposeHandle(copy), kMgNoErr);
    EXPECT_EQ(DSDisposeHandle(h), kMgNoErr);
    EXPECT_EQ(DSDisposeHandle(nullptr), kMgArgErr);
    // Pointers alike.
    UPtr p = DSNewPClr(1000), q = DSNewPtr(8);
    ASSERT_TRUE(p && q);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(p[i], 0);
    EXPECT_EQ(OrinHostLiveBlocks(), live + 2);
    EXPECT_EQ(DSDisposePtr(p), kMgNoErr);
    EXPECT_EQ(DSDisposePtr(q), kMgNoErr);
    EXPECT_EQ(OrinHostLiveBlocks(), live);
    EXPECT_EQ(DSDisposePtr(nullptr), kMgArgErr);
}

TEST(MoveBlockAndClearMem, CopyOverlappingAreasCorrectly) {
    char up[] = "abcdefgh";
    MoveBlock(up, up + 2, 5);  // forward overlap
    EXPECT_STREQ(up, "ababcdeh");
    char down[] = "abcdefgh";
    MoveBlock(down + 2, down, 5);  // backward overlap
    EXPECT_STREQ(down, "cdefgfgh");
    ClearMem(down, 3);
    EXPECT_EQ(std::memcmp(down, "\0\0\0fgfgh", 8), 0);
}

TEST(QSort, SortsByTheComparisonAtEverySize) {
    const auto cmp = [](const void *a, const void *b) {
        const int x = *static_cast<const int *>(a), y = *static_cast<const int *>(b);
        return (x > y) - (x < y);
    };
    std::mt19937 gen(7);
    for (size_t n : {0, 1, 2, 15, 16, 17, 100, 1000, 4099}) {
        std::vector<int> v(n);
        for (int &x : v) x = static_cast<int>(gen() % 50) - 25;
        std::vector<int> want = v;
        std::sort(want.begin(), want.end());
        QSort(v.data(), v.size(), sizeof(int), cmp);
        EXPECT_EQ(v, want) << "n = " << n;
    }
    // Records wider than a word move whole.
    struct Rec {
        int32_t key;
        char tag[16];
    };
    std::vector<Rec> r(300);
    for (size_t i = 0; i < r.size(); ++i)
        r[i] = {static_cast<int32_t>((i * 7919) % 300), {}}, r[i].tag[15] = static_cast<char>(r[i].key);
    QSort(r.data(), r.size(), sizeof(Rec), cmp);
    for (size_t i = 0; i < r.size(); ++i) {
        EXPECT_EQ(r[i].key, static_cast<int32_t>(i));
        EXPECT_EQ(r[i].tag[15], static_cast<char>(i));
    }
}

// A comparison that is not transitive (random answers; NaN compared as
// equal to everything) must leave the same elements inside the array and
// touch nothing beside it.
TEST(QSort, StaysInBoundsWithAComparisonThatIsNotTransitive) {
    static std::mt19937 gen(11);
    const auto random = [](const void *, const void *) { return static_cast<int>(gen() % 3) - 1; };
    const auto nanRule = [](const void *a, const void *b) {
        const double x = *static_cast<const double *>(a), y = *static_cast<const double *>(b);
        return x < y ? -1 : (x > y ? 1 : 0);
    };
    for (size_t n : {3, 17, 64, 1000, 5000}) {
        std::vector<double> guarded(n + 2, -12345.0);
        double *v = guarded.data() + 1;
        for (size_t i = 0; i < n; ++i) v[i] = i % 3 == 0 ? NAN : static_cast<double>((i * 31) % 97);
        const auto multiset = [&] {
            std::vector<double> s;
            for (size_t i = 0; i < n; ++i) s.push_back(std::isnan(v[i]) ? 1e300 : v[i]);
            std::sort(s.begin(), s.end());
            return s;
        };
        const std::vector<double> before = multiset();
        for (auto cmp : {+random, +nanRule}) {
            QSort(v, n, sizeof(double), cmp);
            EXPECT_EQ(guarded.front(), -12345.0) << "n = " << n;
            EXPECT_EQ(guarded.back(), -12345.0) << "n = " << n;
            EXPECT_EQ(multiset(), before) << "n = " << n;
        }
    }
}

TEST(DBPrintf, CapturedTextIsFormatted) {
    OrinHostCaptureDebug(1);
    OrinHostClearDebugText();
    EXPECT_EQ(DBPrintf("step %d: %.2f %s\n", 3, 0.125, "done"), 18);
    const std::string long_text(2000, 'x');
    DBPrintf("%s", long_text.c_str());
    EXPECT_EQ(std::string(OrinHostDebugText()), "step 3: 0.12 done\n" + long_text);
    OrinHostClearDebugText();
    OrinHostCaptureDebug(0);
}

TEST(AllocationFailure, TheChosenAllocationFailsOnceAndIsCounted) {
    const int64_t start = OrinHostAllocationCount();
    OrinHostFailAllocation(2);
    UPtr first = DSNewPtr(8);
    UHandle second = DSNewHandle(8);
    UPtr third = DSNewPtr(8);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(second, nullptr);
    EXPECT_NE(third, nullptr);
    EXPECT_EQ(OrinHostAllocationCount() - start, 3);
    // Shrinking to nothing is not an allocation and cannot be refused (a
    // refused growth gives kMgFullErr: the kit test of a refused resize).
    UHandle h = nullptr;
    ASSERT_EQ(NumericArrayResize(kTypeDouble, 1, &h, 4), kMgNoErr);
    OrinHostFailAllocation(1);
    EXPECT_EQ(NumericArrayResize(kTypeDouble, 1, &h, 0), kMgNoErr);
    OrinHostFailAllocation(0);
    DSDisposeHandle(h);
    DSDisposePtr(first);
    DSDisposePtr(third);
}

// Handles made from eight threads at once are distinct non-zero words (one
// word in both builds: headers_c.c), and one of them excludes four threads
// from each other's increments; destroyed, they are refused.
TEST(Mutexes, ConcurrentlyMadeHandlesAreDistinctNonZeroAndExclude) {
    const int64_t live = OrinHostLiveMutexes();
    std::vector<MutexRef> made(8 * 200);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 200; ++i) ThMutexCreate(&made[static_cast<size_t>(t * 200 + i)], 0);
        });
    }
    for (auto &t : threads) t.join();
    std::vector<MutexRef> sorted = made;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
    EXPECT_NE(sorted.front(), 0u);
    EXPECT_EQ(OrinHostLiveMutexes(), live + 1600);
    const MutexRef m = made[0];
    int64_t counter = 0;
    threads.clear();
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 20000; ++i) {
                ThMutexAcquire(m);
                counter = counter + 1;
                ThMutexRelease(m);
            }
        });
    }
    for (auto &t : threads) t.join();
    EXPECT_EQ(counter, 80000);
    for (MutexRef r : made) EXPECT_EQ(ThMutexDestroy(r), kMgNoErr);
    EXPECT_EQ(OrinHostLiveMutexes(), live);
    EXPECT_EQ(ThMutexAcquire(m), kMgArgErr) << "a destroyed handle is refused";
    EXPECT_EQ(ThMutexDestroy(0), kMgArgErr);
}
