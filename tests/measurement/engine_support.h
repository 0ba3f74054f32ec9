// Helpers of the measurement engine's suite: sessions owned by the test,
// fetches with the usual blocks, and waveforms whose measurements are known
// in closed form.
#ifndef ORIN_TESTS_MEASUREMENT_ENGINE_SUPPORT_H
#define ORIN_TESTS_MEASUREMENT_ENGINE_SUPPORT_H

#include <orin/measurement.h>

#include "support/prelude.h"

namespace enginetest {

constexpr double kSkip = std::numeric_limits<double>::quiet_NaN();

struct Levels {
    double high = 90, mid = 50, low = 10;
    int32_t units = 1;   // percent
    int32_t method = 1;  // of minimum to maximum
    int32_t bins = 100;
};

struct Result {
    int32_t code = 0;
    double value = 0;
    tCursorStruct cursor{};
};

// Fetches one measurement with the given levels.
inline Result fetch(int32_t session, int32_t id, const std::vector<double> &x, const Levels &l = {},
                    int32_t occurrence = 1, double t0 = 0, double dt = 1) {
    const tRefLevels levels{l.high, l.mid, l.low, l.units};
    const tRefOptions options{l.method, l.bins};
    Result r;
    r.code = measurements_fetch(session, id, &levels, &options, occurrence, t0, dt, x.data(),
                                static_cast<int32_t>(x.size()), &r.value, &r.cursor);
    return r;
}

// A session created for the test and destroyed with it.
class Session {
public:
    Session() { EXPECT_EQ(measurements_create(&id_), 0); }
    ~Session() { measurements_destroy(id_); }
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;
    int32_t id() const { return id_; }
    Result fetch(int32_t measId, const std::vector<double> &x, const Levels &l = {}, int32_t occurrence = 1,
                 double t0 = 0, double dt = 1) const {
        return enginetest::fetch(id_, measId, x, l, occurrence, t0, dt);
    }
    void clear() const { EXPECT_EQ(measurements_clear(id_), 0); }

private:
    int32_t id_ = 0;
};

// Levels in signal units.
inline Levels absolute(double high, double mid, double low) {
    Levels l;
    l.units = 0;
    l.high = high, l.mid = mid, l.low = low;
    return l;
}

// Checks a cursor's fields; NaN marks a field left unchecked. Exact unless a
// tolerance is given.
inline void expectCursor(const Result &r, const std::string &what, std::vector<double> want, double tol = 0) {
    const double got[6] = {r.cursor.x1, r.cursor.x2, r.cursor.x3, r.cursor.y1, r.cursor.y2, r.cursor.y3};
    const char *names[6] = {"x1", "x2", "x3", "y1", "y2", "y3"};
    for (size_t i = 0; i < want.size() && i < 6; ++i)
        if (!std::isnan(want[i])) {
            EXPECT_NEAR(got[i], want[i], tol) << what << " " << names[i];
        }
}

// A periodic trapezoid between lo and hi: each period is `flat` samples at
// lo, an edge of `edge` equal steps ending on hi, `flat` at hi and a falling
// edge alike (flat 40, edge 10: 100 samples; edge 0: a square wave).
// startHigh rotates by half.
inline std::vector<double> trapezoid(int periods, int flat = 40, int edge = 10, double lo = 0, double hi = 10,
                                     bool startHigh = false) {
    std::vector<double> one;
    const double step = (hi - lo) / edge;
    for (int i = 0; i < flat; ++i) one.push_back(lo);
    for (int i = 0; i < edge; ++i) one.push_back(lo + step * (i + 1));
    for (int i = 0; i < flat; ++i) one.push_back(hi);
    for (int i = 0; i < edge; ++i) one.push_back(hi - step * (i + 1));
    std::vector<double> x;
    for (int p = 0; p < periods; ++p) x.insert(x.end(), one.begin(), one.end());
    if (startHigh) std::rotate(x.begin(), x.begin() + static_cast<long>(one.size() / 2), x.end());
    return x;
}

// n samples of a * sin(2 pi i / samplesPerPeriod + phase).
inline std::vector<double> sine(int n, double samplesPerPeriod, double a = 1, double phase = 0) {
    std::vector<double> x(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) x[static_cast<size_t>(i)] = a * std::sin(2 * M_PI * i / samplesPerPeriod + phase);
    return x;
}

}  // namespace enginetest

using namespace enginetest;  // NOLINT: test code only, as the prelude's orintest

#endif  // ORIN_TESTS_MEASUREMENT_ENGINE_SUPPORT_H
