// The shared kit: host array views, the one failure path, scratch owners.
#include "support/prelude.h"

#include "frame/kit.h"
#include "hostcontrol.h"
#include <orin/statistics.h>

extern "C" int orin_c_view(double *nan, double *second);

TEST(HeadersAsC, SeeTheSameLayoutAndData) {
    double nan = 0, second = 0;
    ASSERT_EQ(orin_c_view(&nan, &second), 0);
    EXPECT_TRUE(isIDNaN(nan));
    EXPECT_EQ(second, -2.5) << "the second double of a 1D block lies 12 bytes in";
}

TEST(HostArrayView, ResizeWritesDimensionWordsAndReadsBack) {
    orintest::DoubleHandle h({1, 2, 3});
    orin::DoubleArrayView v(h.get());
    EXPECT_EQ(v.size(), 3);
    EXPECT_EQ(v.data()[2], 3.0);
    ASSERT_TRUE(v.resize(1000).ok());
    EXPECT_EQ(h.size(), 1000);
    EXPECT_EQ(v.data()[1], 2.0) << "contents kept";

    orintest::ComplexMatrixHandle m(0, 0, {});
    orin::ComplexMatrixView mv(m.get());
    ASSERT_TRUE(mv.resize(3, 4).ok());
    EXPECT_EQ(m.rows(), 3);
    EXPECT_EQ(m.cols(), 4);
    EXPECT_EQ(mv.size(), 12);
    // No rows (or no columns) is a valid shape, not a refusal.
    ASSERT_TRUE(mv.resize(0, 4).ok());
    EXPECT_EQ(m.rows(), 0);
    EXPECT_EQ(m.cols(), 4);
    ASSERT_TRUE(mv.resize(2, 0).ok());
    EXPECT_EQ(m.cols(), 0);
}

TEST(HostArrayView, NullNegativeAndUnrepresentableSizesAreRefusedBeforeTheHostIsAsked) {
    orin::DoubleArrayView none(nullptr);
    EXPECT_EQ(none.size(), 0);
    EXPECT_EQ(none.data(), nullptr);
    EXPECT_EQ(none.resize(3).code, kErrOutOfMemory);
    EXPECT_EQ(orin::DoubleMatrixView(nullptr).size(), 0);
    // resize(-2, -3) must not become 6 elements.
    orintest::DoubleMatrixHandle one(1, 1, {5});
    EXPECT_EQ(orin::DoubleMatrixView(one.get()).resize(-2, -3).code, kErrOutOfMemory);
    EXPECT_EQ(one.rows(), 1);
    EXPECT_EQ(one.values(), std::vector<double>{5});
    orintest::ComplexMatrixHandle m(0, 0, {});
    orin::ComplexMatrixView mv(m.get());
    const int64_t before = OrinHostAllocationCount();
    // 2^31-1 squared complex elements: beyond size_t in both builds.
    const orin::Outcome r = mv.resize(INT32_MAX, INT32_MAX);
    EXPECT_EQ(r.code, kErrOutOfMemory);
    EXPECT_NE(r.status.value, kMgNoErr);
    EXPECT_EQ(OrinHostAllocationCount(), before);
    EXPECT_EQ(m.rows(), 0);
    if (sizeof(size_t) == 4) {
        // 2^28 complex elements need 4 GiB: unrepresentable in a 32-bit build.
        orintest::ComplexHandle c;
        EXPECT_EQ(orin::ComplexArrayView(c.get()).resize(1 << 28).code, kErrOutOfMemory);
    }
}

// A refused resize keeps the array and carries the host's status, which
// the entry point hands back beside -20001 once it has emptied its outputs.
TEST(RunEntry, RefusedResizeKeepsTheArrayAndReturnsHostStatusWithOutOfMemory) {
    orintest::DoubleHandle out({1, 2, 3});
    double scalar = 7;
    int32_t error = 0;
    const MgErr ret = orin::runEntry(&error, {out.get(), &scalar}, [&]() -> orin::Outcome {
        orin::DoubleArrayView v(out.get());
        OrinHostFailAllocation(1);
        const orin::Outcome r = v.resize(50);
        OrinHostFailAllocation(0);
        EXPECT_EQ(r.code, kErrOutOfMemory);
        EXPECT_EQ(r.status.value, kMgFullErr);
        EXPECT_EQ(out.values(), (std::vector<double>{1, 2, 3}));
        ORIN_TRY(r);
        ADD_FAILURE() << "ORIN_TRY must return on a refused resize";
        return kErrNone;
    });
    EXPECT_EQ(ret, kMgFullErr);
    EXPECT_EQ(error, kErrOutOfMemory);
    EXPECT_TRUE(out.emptied());
    EXPECT_TRUE(isIDNaN(scalar));
}

TEST(RecordArrayView, ResizesByRecordsAndEmptiesOnFailure) {
    auto *h = reinterpret_cast<HistogramBinArray **>(DSNewHClr(sizeof(int32_t)));
    orin::RecordArrayView<HistogramBinArray> bins(h);
    ASSERT_TRUE(bins.resize(3).ok());
    EXPECT_EQ((*h)->dimSize, 3);
    bins.data()[2] = {1.5, 2.5, 3};
    ASSERT_TRUE(bins.resize(5).ok());
    EXPECT_EQ(bins.data()[2].inclusion, 3) << "records kept across a resize";
    OrinHostFailAllocation(1);
    EXPECT_EQ(bins.resize(100).code, kErrOutOfMemory);
    OrinHostFailAllocation(0);
    EXPECT_EQ(bins.size(), 5) << "a refused resize leaves the records";
    if (sizeof(size_t) == 4) {
        EXPECT_EQ(bins.resize(INT32_MAX).code, kErrOutOfMemory) << "40 GB of records";
    }
    EXPECT_EQ(bins.resize(-1).code, kErrOutOfMemory);
    EXPECT_EQ(bins.size(), 5);
    EXPECT_EQ(orin::RecordArrayView<HistogramBinArray>(nullptr).resize(1).code, kErrOutOfMemory);

    int32_t error = 0;
    orin::runEntry(&error, {bins}, [] { return orin::Outcome(kErrBadArraySize); });
    EXPECT_EQ(bins.size(), 0);
    DSDisposeHandle(reinterpret_cast<UHandle>(h));
}

TEST(RunEntry, EachOutputKindFailsItsOwnWayAndKeptOutputsSurviveTheirCodes) {
    orintest::DoubleHandle kept({1, 2}), lost({3, 4});
    complexnum z{1, 2};
    int32_t count = 7, error = 0;
    const auto fail = [&](int32_t code) {
        return orin::runEntry(&error, {orin::Output(kept.get()).keepOn({kErrOutOfMemory}), lost.get(), &z, &count},
                              [&] { return orin::Outcome(code); });
    };
    fail(kErrOutOfMemory);
    EXPECT_EQ(kept.size(), 2);
    EXPECT_TRUE(lost.emptied());
    EXPECT_TRUE(isIDNaN(z.re) && isIDNaN(z.im));
    EXPECT_EQ(count, 0);
    fail(kErrEmptyArray);
    EXPECT_TRUE(kept.emptied());

    orintest::ComplexHandle out({{1, 1}});
    EXPECT_EQ(orin::runCodeEntry({out.get()}, [] { return orin::Outcome(kErrNotPowerOfTwo); }), kErrNotPowerOfTwo);
    EXPECT_TRUE(out.emptied());
}

// The three owners zero what they are asked to, are counted by the host
// while alive and release on leaving scope; a carved block's parts are
// aligned, disjoint and refused together. (Every routine's refused scratch
// is the sweep's: -20001, nothing leaked.)
TEST(Scratch, OwnersZeroCountReleaseAndCarveAlignedDisjointParts) {
    orin::ScratchLayout layout;
    const auto a = layout.add<double>(3);
    const auto b = layout.add<int32_t>(5);
    const auto c = layout.add<complexnum>(2);
    const int64_t live = OrinHostLiveBlocks();
    {
        orin::Scratch<double> heap(100, orin::Fill::kZeroed);
        orin::HostScratch<int32_t> host(50, orin::Fill::kZeroed);
        orin::CarvedScratch s(layout, orin::Fill::kZeroed);
        ASSERT_TRUE(heap && host && s);
        for (double v : heap) EXPECT_EQ(v, 0.0);
        for (int32_t v : host) EXPECT_EQ(v, 0);
        for (int32_t v : s.span(b)) EXPECT_EQ(v, 0);
        EXPECT_EQ(OrinHostLiveBlocks(), live + 3) << "one block each, one for every carved part";
        orin::Scratch<double> moved = std::move(heap);
        EXPECT_FALSE(heap);
        EXPECT_EQ(moved.size(), 100u);
        for (const void *p :
             {static_cast<void *>(s.get(a)), static_cast<void *>(s.get(b)), static_cast<void *>(s.get(c))})
            EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 16, 0u);
        EXPECT_GE(reinterpret_cast<char *>(s.get(b)), reinterpret_cast<char *>(s.get(a) + 3));
        EXPECT_GE(reinterpret_cast<char *>(s.get(c)), reinterpret_cast<char *>(s.get(b) + 5));
        EXPECT_EQ(s.span(c).size(), 2u);
    }
    EXPECT_EQ(OrinHostLiveBlocks(), live);
    OrinHostFailAllocation(1);
    EXPECT_FALSE(orin::CarvedScratch(layout));
    OrinHostFailAllocation(0);
    orin::ScratchLayout huge;
    huge.add<double>(-1);
    EXPECT_FALSE(orin::CarvedScratch(huge));
    // Bytes beyond size_t are refused too; no elements is still a valid block.
    EXPECT_FALSE(orin::Scratch<complexnum>(static_cast<int64_t>(SIZE_MAX / 8)));
    EXPECT_TRUE(orin::Scratch<double>(0));
    EXPECT_EQ(orin::Scratch<double>(0).size(), 0u);
    EXPECT_EQ(OrinHostLiveBlocks(), live);
}

TEST(Complex, SmithDivisionAvoidsSpuriousOverflowAndUnderflow) {
    const complexnum q = complexnum{1e300, 1e300} / complexnum{1e300, 1e300};
    EXPECT_DOUBLE_EQ(q.re, 1.0);
    EXPECT_DOUBLE_EQ(q.im, 0.0);
    const complexnum t = complexnum{1e-300, 2e-300} / complexnum{0, 1e-300};
    EXPECT_DOUBLE_EQ(t.re, 2.0);
    EXPECT_DOUBLE_EQ(t.im, -1.0);
    EXPECT_DOUBLE_EQ(orin::abs(complexnum{3e200, 4e200}), 5e200);
    const complexnum p = complexnum{1, 2} * complexnum{3, -1};
    EXPECT_TRUE(p == (complexnum{5, 5}));
}
