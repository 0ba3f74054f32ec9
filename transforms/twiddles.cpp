// Twiddle tables of the power-of-two stages, shared by every transform.
//
// Stage L (8 <= L <= 2^kTableBits) holds cos t, sin t, cos 3t, sin 3t for
// t = 2 pi j / L, j = 0 .. L/4 - 1: L doubles, so the stages together take
// 2^(kTableBits+1) doubles (1 MB). The block is taken from the heap when the
// library is loaded and released when it is unloaded; each stage is filled
// on first use by the one thread that claims it (the others wait for it)
// and published with a release store, after which it is only read. If the
// block could not be had, the kernels use the recurrences for good, so a
// given length always gives the same bits within a process.
//
// The values are the long-double cosine and sine of the long-double angle,
// rounded once to double: correctly rounded except within about 2^-11 ulp
// of a tie, where a recurrence drifts by several ulp over a long stage.
#include <sched.h>

#include <atomic>

#include "detail.h"

namespace orin::tf {

namespace {

constexpr long double kTwoPiL = 6.283185307179586476925286766559005768L;

constexpr int64_t stageOffset(int64_t L) { return L - 8; }

enum : int32_t { kEmpty = 0, kBuilding = 1, kReady = 2 };

class Tables {
public:
    Tables() { block_ = static_cast<double *>(heapAllocate(sizeof(double) * stageOffset(int64_t{2} << kTableBits))); }
    ~Tables() {
        heapRelease(block_);
        block_ = nullptr;
    }
    Tables(const Tables &) = delete;
    Tables &operator=(const Tables &) = delete;

    bool stage(int32_t k, StageTwiddles *out) {
        if (!block_ || k < 3 || k > kTableBits) return false;
        std::atomic<int32_t> &state = state_[k];
        int32_t s = state.load(std::memory_order_acquire);
        if (s != kReady) {
            if (s == kEmpty && state.compare_exchange_strong(s, kBuilding, std::memory_order_acquire)) {
                fill(k);
                state.store(kReady, std::memory_order_release);
            } else {
                // Another thread is filling this stage: wait for it rather
                // than take the recurrences, so that a transform gives the
                // same bits whichever thread happened to come first. The
                // fill is a bounded loop of arithmetic, done once per stage.
                while (state.load(std::memory_order_acquire) != kReady) sched_yield();
            }
        }
        const int64_t L = int64_t{1} << k, L4 = L / 4;
        double *base = block_ + stageOffset(L);
        *out = {base, base + L4, base + 2 * L4, base + 3 * L4};
        return true;
    }

private:
    void fill(int32_t k) {
        const int64_t L = int64_t{1} << k, L4 = L / 4;
        double *c1 = block_ + stageOffset(L), *s1 = c1 + L4, *c3 = s1 + L4, *s3 = c3 + L4;
        // The angles 2 pi j / L and 2 pi 3j / L are formed from exact integer
        // numerators, so no angle error accumulates along the stage.
        for (int64_t j = 0; j < L4; ++j) {
            const long double t = kTwoPiL * static_cast<long double>(j) / static_cast<long double>(L);
            const long double t3 = kTwoPiL * static_cast<long double>(3 * j) / static_cast<long double>(L);
            c1[j] = static_cast<double>(std::cos(t));
            s1[j] = static_cast<double>(std::sin(t));
            c3[j] = static_cast<double>(std::cos(t3));
            s3[j] = static_cast<double>(std::sin(t3));
        }
    }

    double *block_ = nullptr;
    std::atomic<int32_t> state_[kTableBits + 1] = {};
};

Tables gTables;

}  // namespace

bool stageTwiddles(int64_t L, StageTwiddles *out) {
    if (L < 8 || L > (int64_t{1} << kTableBits)) return false;
    return gTables.stage(__builtin_ctzll(static_cast<unsigned long long>(L)), out);
}

}  // namespace orin::tf
