// Sessions used from many threads at once: a shared session fetched, cleared
// and destroyed under its users while another thread makes, measures and
// destroys sessions of its own and one-shot ones. Every successful fetch must
// return exactly the single-threaded answer. Run under ThreadSanitizer too.
#include "support/prelude.h"

#include <atomic>
#include <thread>

#include "engine_support.h"

namespace {

const std::vector<double> &record() {
    static const std::vector<double> x = trapezoid(8);
    return x;
}

// Single-threaded answers for ids 0..33 at occurrences 1 and 3.
struct Expected {
    double value[2][kMeasNone];
    Expected() {
        for (int o = 0; o < 2; ++o)
            for (int32_t id = 0; id < kMeasNone; ++id) {
                const Result r = fetch(-1, id, record(), {}, o ? 3 : 1);
                EXPECT_EQ(r.code, 0) << "id " << id;
                value[o][id] = r.value;
            }
    }
};

// Fetches every id at both occurrences; counts mismatches. Codes other than
// 0 are accepted only as listed (a session destroyed under the caller).
int fetchAll(int32_t session, const Expected &e, bool mayVanish) {
    int wrong = 0;
    for (int o = 0; o < 2; ++o)
        for (int32_t id = 0; id < kMeasNone; ++id) {
            const Result r = fetch(session, id, record(), {}, o ? 3 : 1);
            if (r.code == kErrUnknownSession && mayVanish) return wrong;
            if (r.code != 0 || r.value != e.value[o][id]) ++wrong;
        }
    return wrong;
}

}  // namespace

TEST(ConcurrencySessions, SharedSessionClearedAndDestroyedUnderItsUsers) {
    const Expected expected;
    for (int round = 0; round < 10; ++round) {
        int32_t shared = 0;
        ASSERT_EQ(measurements_create(&shared), 0);
        std::atomic<int> wrong{0};
        std::atomic<bool> stop{false};
        std::vector<std::thread> fetchers;
        for (int t = 0; t < 4; ++t)
            fetchers.emplace_back([&] {
                while (!stop.load()) {
                    wrong += fetchAll(shared, expected, true);
                    if (fetch(shared, 0, record()).code == kErrUnknownSession) break;
                }
            });
        // Clears race with the fetches; a clear waits for a fetch in progress.
        std::thread clearer([&] {
            for (int i = 0; i < 50; ++i)
                if (measurements_clear(shared) != 0) ++wrong;
        });
        // Meanwhile other sessions come, are measured whole and go, and now
        // and then every id is measured in one-shot sessions.
        std::thread churner([&] {
            for (int i = 0; i < 50; ++i) {
                int32_t id = 0;
                if (measurements_create(&id) != 0) ++wrong;
                wrong += fetchAll(id, expected, false);
                if (measurements_destroy(id) != 0) ++wrong;
                if (i % 10 == 0) wrong += fetchAll(-1, expected, false);
            }
        });
        clearer.join();
        churner.join();
        // Destroy while the fetchers are still at work.
        EXPECT_EQ(measurements_destroy(shared), 0);
        stop = true;
        for (auto &t : fetchers) t.join();
        EXPECT_EQ(wrong.load(), 0) << "round " << round;
        EXPECT_EQ(measurements_clear(shared), kErrUnknownSession);
    }
}
