// Lengths whose only prime factors are 2, 3 and 5, in radix-2, 3, 4 and 5
// passes of Stockham's self-sorting scheme (T. G. Stockham, 1966, as set
// out by Cochran et al., "What is the fast Fourier transform?", Proc. IEEE
// 55, 1967; the pass layout is that of Swarztrauber's FFTPACK, "Vectorizing
// the FFTs", Parallel Computations, 1982): each pass reads one array and
// writes the other in order, so no permutation pass is needed, and every
// inner loop runs over consecutive elements.
//
// Pass with factor p after the factors whose product is l1, ido = n/(l1 p):
//   CC(i, m, k) = in[i + ido (m + p k)],  CH(i, k, m) = out[i + ido (k + l1 m)],
//   CH(i, k, .) = the p-point DFT of CC(i, ., k), output m rotated by
//   w^(m l1 i), w = e^(-2 pi i/n).
//
// The rotations of a length are its plan. Plans are kept in a block taken
// when the library is loaded (kArenaBytes: 8 MB of address space, touched
// only as plans are made), one plan per length for the first kSlots lengths
// that fit (other tables made once per length, such as Rader's, share it
// under negative keys); a slot is claimed by one thread, filled, and published with a
// release store, after which it is only read and never freed before the
// library is unloaded. A length that finds no room (or its slot still being
// filled) makes its plan in the caller's scratch by the same code, so a
// length gives the same bits whether its plan was cached or not. The real
// power-of-two kernels, which allocate nothing, take the passes only from a
// cached plan (waiting for one being filled) and otherwise keep to the
// split-radix kernel, for good: a length's path is decided once.
#include <sched.h>

#include <atomic>
#include <cstring>

#include "detail.h"
#include "simd.h"

namespace orin::tf {

namespace {

// -i z
inline v2d minusI(v2d z) { return v2d{z[1], -z[0]}; }
// z e^(-i t) = (a c + b s, b c - a s) = z (c, c) + (b, a) (s, -s), the
// rotation stored as the four doubles (c, c, s, -s) at wp.
inline v2d rotate(v2d z, const double *wp) {
    const v2d sw = {z[1], z[0]};
    return z * load2(wp) + sw * load2(wp + 2);
}

// cos and sin of 2 pi/3, 2 pi/5 and 4 pi/5, correctly rounded.
constexpr double kS3 = 0.86602540378443865;
constexpr double kC51 = 0.30901699437494742, kS51 = 0.95105651629515357;
constexpr double kC52 = -0.80901699437494742, kS52 = 0.58778525229247313;

template <int P>
inline void dft(v2d *z) {
    if constexpr (P == 2) {
        const v2d a = z[0];
        z[0] = a + z[1];
        z[1] = a - z[1];
    } else if constexpr (P == 3) {
        const v2d t1 = z[1] + z[2], t2 = z[1] - z[2];
        const v2d ca = z[0] - 0.5 * t1, cb = kS3 * minusI(t2);
        z[0] = z[0] + t1;
        z[1] = ca + cb;
        z[2] = ca - cb;
    } else if constexpr (P == 4) {
        const v2d a = z[0] + z[2], b = z[0] - z[2], c = z[1] + z[3], d = minusI(z[1] - z[3]);
        z[0] = a + c;
        z[2] = a - c;
        z[1] = b + d;
        z[3] = b - d;
    } else {
        static_assert(P == 5);
        const v2d t1 = z[1] + z[4], t4 = z[1] - z[4], t2 = z[2] + z[3], t3 = z[2] - z[3];
        const v2d x0 = z[0];
        z[0] = x0 + t1 + t2;
        const v2d ca1 = x0 + kC51 * t1 + kC52 * t2, cb1 = minusI(kS51 * t4 + kS52 * t3);
        const v2d ca2 = x0 + kC52 * t1 + kC51 * t2, cb2 = minusI(kS52 * t4 - kS51 * t3);
        z[1] = ca1 + cb1;
        z[4] = ca1 - cb1;
        z[2] = ca2 + cb2;
        z[3] = ca2 - cb2;
    }
}

// One pass; cc and ch hold interleaved complex values. The rotation of
// output m at i >= 1 is entry (m-1)(ido-1) + i-1 of wa (four doubles each).
template <int P>
void pass(int64_t ido, int64_t l1, const double *cc, double *ch, const double *wa) {
    const int64_t in = 2 * ido, out = 2 * ido * l1;  // strides of m in cc and ch
    for (int64_t k = 0; k < l1; ++k) {
        const double *c = cc + 2 * ido * P * k;
        double *h = ch + 2 * ido * k;
        // The loops over m unrolled, so that z lives in registers.
        v2d z[P];
#pragma GCC unroll 5
        for (int m = 0; m < P; ++m) z[m] = load2(c + m * in);
        dft<P>(z);
#pragma GCC unroll 5
        for (int m = 0; m < P; ++m) store2(h + m * out, z[m]);
        for (int64_t i = 1; i < ido; ++i) {
#pragma GCC unroll 5
            for (int m = 0; m < P; ++m) z[m] = load2(c + 2 * i + m * in);
            dft<P>(z);
            store2(h + 2 * i, z[0]);
#pragma GCC unroll 5
            for (int m = 1; m < P; ++m)
                store2(h + 2 * i + m * out, rotate(z[m], wa + 4 * ((m - 1) * (ido - 1) + i - 1)));
        }
    }
}

// The twiddle doubles of a plan with these factors.
int64_t twiddleDoubles(int32_t n, const int32_t *f, int32_t count) {
    int64_t total = 0, l1 = 1;
    for (int32_t i = 0; i < count; ++i) {
        const int64_t ido = n / (l1 * f[i]);
        total += 4 * (f[i] - 1) * (ido - 1);
        l1 *= f[i];
    }
    return total + 2 * (n / 2);  // and the real transforms' twiddles
}

// Rotations w^(m l1 i), m < p, 1 <= i < ido, of every pass, each run of i
// from the two-level twiddle run of its step (about 1.5 ulp); then the
// twiddles of the real transforms of length 2n.
void fillTwiddles(SmoothPlan &plan, double *tw) {
    int64_t l1 = 1, at = 0;
    for (int32_t s = 0; s < plan.count; ++s) {
        const int32_t p = plan.factors[s];
        const int64_t ido = plan.n / (l1 * p);
        plan.twiddles[s] = tw + at;
        for (int32_t m = 1; m < p && ido > 1; ++m) {
            TwiddleRun run(static_cast<extended>(kTwoPi) * (m * l1) / plan.n, ido);
            constexpr int64_t kRun = 256;
            double c[kRun], sn[kRun];
            for (int64_t i0 = 1; i0 < ido; i0 += kRun) {
                const int64_t i1 = std::min(ido, i0 + kRun);
                run.fill(i0, i1 - i0, c, sn);
                for (int64_t i = i0; i < i1; ++i, at += 4) {
                    tw[at] = tw[at + 1] = c[i - i0];
                    tw[at + 2] = sn[i - i0];
                    tw[at + 3] = -sn[i - i0];
                }
            }
        }
        l1 *= p;
    }
    double *even = tw + at;
    plan.even = even;
    forEvenTwiddles(2 * plan.n, [&](int64_t k, double c, double sn) {
        even[2 * k - 2] = c;
        even[2 * k - 1] = sn;
    });
}

constexpr size_t kArenaBytes = size_t{8} << 20;
constexpr int32_t kSlots = 64;

enum : int32_t { kBuilding = 0, kReady = 1, kRefused = 2 };

struct Slot {
    std::atomic<int32_t> key{0};
    std::atomic<int32_t> state{kBuilding};  // settled once by the thread that claimed key
    const void *entry = nullptr;            // written before state's release store
};

class PlanCache {
public:
    PlanCache() { arena_ = static_cast<unsigned char *>(heapAllocate(kArenaBytes)); }
    ~PlanCache() {
        heapRelease(arena_);
        arena_ = nullptr;
    }
    PlanCache(const PlanCache &) = delete;
    PlanCache &operator=(const PlanCache &) = delete;

    // The entry of key, made by fill(at) in bytes of the arena if this
    // thread claims its slot and the arena has room; null otherwise. With
    // wait, a slot still being filled by another thread is waited for (the
    // fill is a bounded loop of arithmetic), so that null means no entry
    // for good.
    template <class Fill>
    const void *claim(int32_t key, size_t bytes, Fill &&fill, bool wait) {
        if (!arena_) return nullptr;
        for (Slot &slot : slots_) {
            int32_t k = slot.key.load(std::memory_order_acquire);
            if (k == 0 && slot.key.compare_exchange_strong(k, key, std::memory_order_acq_rel)) {
                void *at = reserve(bytes);
                if (at) fill(at);
                slot.entry = at;
                slot.state.store(at ? kReady : kRefused, std::memory_order_release);
                return at;
            }
            if (k == key) return settled(slot, wait);
        }
        return nullptr;
    }

    // The slot already claimed for key, if any: found without making the
    // entry's shape.
    Slot *slotOf(int32_t key) {
        if (!arena_) return nullptr;
        for (Slot &slot : slots_) {
            const int32_t k = slot.key.load(std::memory_order_acquire);
            if (k == key) return &slot;
            if (k == 0) break;  // slots are claimed in order
        }
        return nullptr;
    }

    static const void *settled(Slot &slot, bool wait) {
        int32_t state = slot.state.load(std::memory_order_acquire);
        while (wait && state == kBuilding) {
            sched_yield();
            state = slot.state.load(std::memory_order_acquire);
        }
        return state == kReady ? slot.entry : nullptr;
    }

private:
    void *reserve(size_t bytes) {
        bytes = (bytes + 15) & ~size_t{15};
        size_t used = used_.load(std::memory_order_relaxed);
        do {
            if (bytes > kArenaBytes - used) return nullptr;
        } while (!used_.compare_exchange_weak(used, used + bytes, std::memory_order_relaxed));
        return arena_ + used;
    }

    unsigned char *arena_ = nullptr;
    std::atomic<size_t> used_{0};
    Slot slots_[kSlots];
};

PlanCache gPlans;

// The cached plan of the length shape.n, as PlanCache::claim.
const SmoothPlan *findPlan(const SmoothPlan &shape, int64_t doubles, bool wait) {
    const size_t bytes = sizeof(SmoothPlan) + sizeof(double) * static_cast<size_t>(doubles);
    return static_cast<const SmoothPlan *>(gPlans.claim(
        shape.n, bytes,
        [&](void *at) {
            auto *plan = ::new (at) SmoothPlan(shape);
            fillTwiddles(*plan, reinterpret_cast<double *>(plan + 1));
        },
        wait));
}

}  // namespace

bool smoothLength(int32_t n) {
    if (n < 2) return false;
    for (int32_t p : {2, 3, 5})
        while (n % p == 0) n /= p;
    return n == 1;
}

SmoothPlan::SmoothPlan(int32_t length) : n(length) {
    // Fours, threes and fives, the longest passes first, over the longest
    // runs of consecutive elements; a lone two goes ahead of the fours,
    // where its rows are longest: last, with one element a row, it would
    // be a whole sweep for the least arithmetic.
    int32_t rest = n;
    if (rest > 0 && __builtin_ctz(static_cast<uint32_t>(rest)) % 2 == 1) {
        factors[count++] = 2;
        rest /= 2;
    }
    for (int32_t p : {4, 3, 5})
        while (rest % p == 0) {
            factors[count++] = p;
            rest /= p;
        }
}

int64_t SmoothTransform::find(int32_t n) {
    if (Slot *slot = gPlans.slotOf(n)) {
        plan_ = static_cast<const SmoothPlan *>(PlanCache::settled(*slot, false));
        if (plan_) return 0;
    }
    local_.emplace(n);
    const int64_t doubles = twiddleDoubles(n, local_->factors, local_->count);
    plan_ = findPlan(*local_, doubles, false);
    return plan_ ? 0 : doubles;
}

const SmoothPlan *sharedPlan(int32_t n) {
    if (Slot *slot = gPlans.slotOf(n)) return static_cast<const SmoothPlan *>(PlanCache::settled(*slot, true));
    const SmoothPlan shape(n);
    return findPlan(shape, twiddleDoubles(n, shape.factors, shape.count), true);
}

const void *cachedEntry(int32_t key) {
    Slot *slot = gPlans.slotOf(key);
    return slot ? PlanCache::settled(*slot, false) : nullptr;
}

void publishEntry(int32_t key, const void *data, size_t bytes) {
    gPlans.claim(
        key, bytes, [&](void *at) { std::memcpy(at, data, bytes); }, false);
}

void SmoothTransform::makeLocal(double *scratch) {
    fillTwiddles(*local_, scratch);
    plan_ = &*local_;
}

double *SmoothTransform::run(double *a, double *b) const { return runPasses(*plan_, a, b); }

void dft8(const double *in, double *out) {
    // Two 4-point DFTs, of the even and the odd samples, joined by w^m,
    // w = e^(-i pi/4): w = sqrt(1/2) (1 - i), w^2 = -i, w^3 = -sqrt(1/2) (1 + i).
    v2d e[4], o[4];
#pragma GCC unroll 4
    for (int m = 0; m < 4; ++m) e[m] = load2(in + 4 * m), o[m] = load2(in + 4 * m + 2);
    dft<4>(e);
    dft<4>(o);
    o[1] = kSqrtHalf * (o[1] + minusI(o[1]));
    o[2] = minusI(o[2]);
    o[3] = kSqrtHalf * (minusI(o[3]) - o[3]);
#pragma GCC unroll 4
    for (int m = 0; m < 4; ++m) {
        store2(out + 2 * m, e[m] + o[m]);
        store2(out + 2 * m + 8, e[m] - o[m]);
    }
}

double *runPasses(const SmoothPlan &plan, double *a, double *b, const double *in) {
    const bool avx = simdAvx();
    int64_t l1 = 1;
    for (int32_t s = 0; s < plan.count; ++s) {
        const int32_t p = plan.factors[s];
        const int64_t ido = plan.n / (l1 * p);
        const double *w = plan.twiddles[s];
        const double *from = s == 0 && in ? in : a;
        if (avx) avxPass(p, ido, l1, from, b, w);
        else switch (p) {
                case 2: pass<2>(ido, l1, from, b, w); break;
                case 3: pass<3>(ido, l1, from, b, w); break;
                case 4: pass<4>(ido, l1, from, b, w); break;
                default: pass<5>(ido, l1, from, b, w); break;
            }
        std::swap(a, b);
        l1 *= p;
    }
    return a;
}

}  // namespace orin::tf
