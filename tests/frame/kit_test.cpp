// The shared kit: host array views, the one failure path, scratch owners.
#include <gtest/gtest.h>

#include "frame/kit.h"
#include "hostcontrol.h"
#include "support/handles.h"

using orintest::isIDNaN;

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
    EXPECT_EQ(reinterpret_cast<uintptr_t>(mv.data()) % 8, 0u);
}

TEST(HostArrayView, NullHandlesReadAsEmpty) {
    orin::DoubleArrayView none(nullptr);
    EXPECT_EQ(none.size(), 0);
    EXPECT_EQ(none.data(), nullptr);
    EXPECT_EQ(none.resize(3).code, kErrOutOfMemory);
    orin::DoubleMatrixView noMatrix(nullptr);
    EXPECT_EQ(noMatrix.rows(), 0);
    EXPECT_EQ(noMatrix.size(), 0);
}

TEST(HostArrayView, RefusedResizeReportsTheHostStatusAndKeepsTheArray) {
    orintest::DoubleHandle h({1, 2, 3});
    orin::DoubleArrayView v(h.get());
    OrinHostFailAllocation(1);
    const orin::Outcome r = v.resize(10);
    OrinHostFailAllocation(0);
    EXPECT_EQ(r.code, kErrOutOfMemory);
    EXPECT_EQ(r.status, kMgFullErr);
    EXPECT_EQ(h.values(), (std::vector<double>{1, 2, 3}));
}

TEST(HostArrayView, SizesThatCannotBeRepresentedAreRefusedBeforeTheHostIsAsked) {
    orintest::ComplexMatrixHandle m(0, 0, {});
    orin::ComplexMatrixView mv(m.get());
    const int64_t before = OrinHostAllocationCount();
    // 2^31-1 squared complex elements: beyond size_t in both builds.
    const orin::Outcome r = mv.resize(INT32_MAX, INT32_MAX);
    EXPECT_EQ(r.code, kErrOutOfMemory);
    EXPECT_NE(r.status, kMgNoErr);
    EXPECT_EQ(OrinHostAllocationCount(), before);
    EXPECT_EQ(m.rows(), 0);
    if (sizeof(size_t) == 4) {
        // 2^28 complex elements need 4 GiB: unrepresentable in a 32-bit build.
        orintest::ComplexHandle c;
        EXPECT_EQ(orin::ComplexArrayView(c.get()).resize(1 << 28).code, kErrOutOfMemory);
    }
}

TEST(RunEntry, FailureEmptiesEveryArrayAndNaNsEveryScalar) {
    orintest::DoubleHandle out1({1, 2, 3});
    orintest::Int32MatrixHandle out2(2, 2, {1, 2, 3, 4});
    double scalar = 7;
    int32_t error = 99;
    const MgErr ret = orin::runEntry(&error, {out1.get(), out2.get(), &scalar},
                                     [&]() -> orin::Outcome { return kErrEmptyArray; });
    EXPECT_EQ(ret, kMgNoErr);
    EXPECT_EQ(error, kErrEmptyArray);
    EXPECT_TRUE(out1.emptied());
    EXPECT_TRUE(out2.emptied());
    EXPECT_TRUE(isIDNaN(scalar));
}

TEST(RunEntry, SuccessLeavesOutputsAndSetsErrorZero) {
    orintest::DoubleHandle out({1, 2, 3});
    double scalar = 7;
    int32_t error = 99;
    EXPECT_EQ(orin::runEntry(&error, {out.get(), &scalar}, [&]() -> orin::Outcome { return kErrNone; }), kMgNoErr);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(out.size(), 3);
    EXPECT_EQ(scalar, 7);
}

TEST(RunEntry, RefusedResizeReturnsHostStatusWithOutOfMemory) {
    orintest::DoubleHandle out({1, 2, 3});
    double scalar = 7;
    int32_t error = 0;
    const MgErr ret = orin::runEntry(&error, {out.get(), &scalar}, [&]() -> orin::Outcome {
        orin::DoubleArrayView v(out.get());
        OrinHostFailAllocation(1);
        const orin::Outcome r = v.resize(50);
        OrinHostFailAllocation(0);
        ORIN_TRY(r);
        ADD_FAILURE() << "ORIN_TRY must return on a refused resize";
        return kErrNone;
    });
    EXPECT_EQ(ret, kMgFullErr);
    EXPECT_EQ(error, kErrOutOfMemory);
    EXPECT_TRUE(out.emptied());
    EXPECT_TRUE(isIDNaN(scalar));
}

TEST(Scratch, RefusesNegativeAndUnrepresentableCounts) {
    orin::Scratch<double> negative(-1);
    EXPECT_FALSE(negative);
    orin::Scratch<complexnum> huge(static_cast<int64_t>(SIZE_MAX / 8));
    EXPECT_FALSE(huge);
    orin::Scratch<double> none(0);
    EXPECT_TRUE(none) << "an empty request is still a valid block";
    EXPECT_EQ(none.size(), 0u);
}

TEST(Scratch, ZeroedFillAndReleaseAreCountedByTheHost) {
    const int64_t live = OrinHostLiveBlocks();
    {
        orin::Scratch<double> heap(100, orin::Fill::kZeroed);
        orin::HostScratch<int32_t> host(50, orin::Fill::kZeroed);
        ASSERT_TRUE(heap && host);
        for (double v : heap) EXPECT_EQ(v, 0.0);
        for (int32_t v : host) EXPECT_EQ(v, 0);
        EXPECT_EQ(OrinHostLiveBlocks(), live + 2);
        orin::Scratch<double> moved = std::move(heap);
        EXPECT_FALSE(heap);
        EXPECT_EQ(moved.size(), 100u);
    }
    EXPECT_EQ(OrinHostLiveBlocks(), live);
    OrinHostFailAllocation(1);
    orin::Scratch<double> refused(10);
    OrinHostFailAllocation(0);
    EXPECT_FALSE(refused);
    EXPECT_EQ(OrinHostLiveBlocks(), live);
}
