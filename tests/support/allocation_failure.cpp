#include "allocation_failure.h"

#include "support/prelude.h"

namespace orintest {

namespace {

class AllocationFailureTest : public testing::Test {
public:
    AllocationFailureTest(int64_t sites, AllocationCaseBody body) : sites_(sites), body_(body) {}

    void TestBody() override {
        const int64_t live = OrinHostLiveBlocks();
        Injection counting(0);
        {
            SCOPED_TRACE("no allocation failing");
            body_(counting);
        }
        EXPECT_EQ(OrinHostLiveBlocks(), live) << "blocks leaked by the successful call";
        EXPECT_EQ(counting.attempts(), sites_) << "allocation sites reached by the call";
        for (int64_t site = 1; site <= counting.attempts(); ++site) {
            SCOPED_TRACE(testing::Message() << "allocation " << site << " of " << counting.attempts() << " failing");
            Injection failing(site);
            body_(failing);
            EXPECT_EQ(OrinHostLiveBlocks(), live) << "blocks leaked when allocation " << site << " failed";
        }
    }

private:
    int64_t sites_;
    AllocationCaseBody body_;
};

}  // namespace

bool registerAllocationCase(const char *name, int64_t sites, AllocationCaseBody body, const char *file, int line) {
    testing::RegisterTest("AllocationFailure", name, nullptr, nullptr, file, line,
                          [=]() -> testing::Test * { return new AllocationFailureTest(sites, body); });
    return true;
}

}  // namespace orintest
