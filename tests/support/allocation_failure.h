// The allocation-failure harness.
//
// Each routine family adds rows. A row sets up its inputs, calls the routine
// through Injection::call, and checks the outputs for the success case and
// for the failure case. The harness runs a row once to count the allocations
// the call makes (which must equal the row's declared number of sites), then
// once more for each site with exactly that allocation failing, and checks
// after every run that no block is left alive.
//
//   ORIN_ALLOCATION_CASE(Median, 1) {
//       double median = 0;
//       const int32_t code = inj.call([&] { return Median(x, 3, &median); });
//       if (inj.failing()) EXPECT_EQ(code, kErrOutOfMemory);
//       else EXPECT_EQ(median, 2.0);
//   }
#ifndef ORIN_TESTS_ALLOCATION_FAILURE_H
#define ORIN_TESTS_ALLOCATION_FAILURE_H

#include <cstdint>
#include <functional>

#include "hostcontrol.h"

namespace orintest {

class Injection {
public:
    explicit Injection(int64_t failSite) : failSite_(failSite) {}

    // Runs the routine under test with the chosen allocation failing (none in
    // the counting run) and records how many allocations it attempted.
    template <class F>
    auto call(F &&routine) {
        const int64_t before = OrinHostAllocationCount();
        if (failSite_ > 0) OrinHostFailAllocation(failSite_);
        struct Disarm {
            const int64_t before;
            Injection &self;
            ~Disarm() {
                OrinHostFailAllocation(0);
                self.attempts_ += OrinHostAllocationCount() - before;
            }
        } disarm{before, *this};
        return routine();
    }

    // True in the runs where one allocation was made to fail.
    bool failing() const { return failSite_ > 0; }
    // The allocation (1-based) made to fail; 0 in the counting run.
    int64_t site() const { return failSite_; }
    int64_t attempts() const { return attempts_; }

private:
    int64_t failSite_;
    int64_t attempts_ = 0;
};

using AllocationCaseBody = void (*)(Injection &);

// Registers a row as the GoogleTest test AllocationFailure.<name>.
bool registerAllocationCase(const char *name, int64_t sites, AllocationCaseBody body, const char *file, int line);

}  // namespace orintest

#define ORIN_ALLOCATION_CASE(name, sites)                                                                 \
    static void orinAllocationCase_##name(::orintest::Injection &inj);                                    \
    [[maybe_unused]] static const bool orinAllocationRegistered_##name =                                  \
        ::orintest::registerAllocationCase(#name, sites, &orinAllocationCase_##name, __FILE__, __LINE__); \
    static void orinAllocationCase_##name([[maybe_unused]] ::orintest::Injection &inj)

#endif  // ORIN_TESTS_ALLOCATION_FAILURE_H
