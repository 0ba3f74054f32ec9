// The measurement engine driven by fuzzed programs of session operations.
//
// Each input is read as a sequence of operations on the engine's five entry
// points. A model beside the engine knows which sessions are alive, which
// ids are stale, and whether a session's caches belong to the record being
// fetched now (the engine assumes the same waveform between two clears, and
// forgets its caches by itself when the reference parameters change). The
// checks:
//   - every call returns a code its contract lists, and the interface's
//     checks come in their documented order;
//   - a success carries a finite value;
//   - in a session whose caches hold for the record fetched, the value has
//     the sign or range the quantity must have (durations not negative, duty
//     cycles within [0, 1], the minimum and maximum among the samples, means
//     between them), and the answer is the one a fresh one-shot session
//     gives; repeating a request gives the same answer;
//   - a refused allocation gives -20311 and leaves the session usable;
//   - when the program ends and its sessions are destroyed, the host's live
//     blocks and mutexes are back where they started.
#include "engine_fuzz.h"

#include <orin/measurement.h>

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "hostcontrol.h"
#include "support/allocation_failure.h"

namespace enginefuzz {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int kMaxOperations = 256;
constexpr size_t kMaxLiveSessions = 64;
constexpr size_t kMaxStaleIds = 32;
constexpr int32_t kMaxSamples = 4096;

// Reads the input front to back; an exhausted input reads as zeros.
class Bytes {
public:
    Bytes(const uint8_t *data, size_t size) : data_(data), size_(size) {}
    bool empty() const { return size_ == 0; }
    uint8_t u8() {
        if (size_ == 0) return 0;
        --size_;
        return *data_++;
    }
    uint32_t u16() {
        const uint32_t lo = u8();
        return lo | static_cast<uint32_t>(u8()) << 8;
    }
    uint32_t u32() {
        const uint32_t lo = u16();
        return lo | u16() << 16;
    }
    int32_t i32() { return static_cast<int32_t>(u32()); }
    double raw() {
        uint64_t bits = 0;
        for (int i = 0; i < 8; ++i) bits |= static_cast<uint64_t>(u8()) << (8 * i);
        return std::bit_cast<double>(bits);
    }
    template <class T, size_t N>
    T pick(const T (&table)[N]) {
        return table[u8() % N];
    }

private:
    const uint8_t *data_;
    size_t size_;
};

// Ordinary numbers first, then the values that break careless arithmetic.
// clang-format off
const double kValues[] = {0.0, 1.0, -1.0, 0.5, 2.0, 3.3, 5.0, 10.0, 50.0, 90.0, 100.0, -5.0, 1e-9, 1e9,
                          -0.0, std::numeric_limits<double>::denorm_min(), -std::numeric_limits<double>::denorm_min(),
                          DBL_MIN, 1e-300, 1e300, DBL_MAX, -DBL_MAX, kInf, -kInf, kNaN};
// clang-format on

double anyValue(Bytes &b) {
    const uint8_t k = b.u8();
    return k < 232 ? kValues[k % std::size(kValues)] : b.raw();
}

// Mostly the first fourteen (ordinary) values.
double ordinaryValue(Bytes &b) {
    const uint8_t k = b.u8();
    return k < 208 ? kValues[k % 14] : anyValue(b);
}

struct Waveform {
    std::vector<double> x{0.0, 1.0};
    uint64_t version = 0;
};

void makeWaveform(Bytes &b, Waveform &w) {
    static const int32_t kLengths[] = {1, 2, 3, 4, 5, 7, 13, 16, 64, 100, 101, 257, 1000, kMaxSamples};
    const uint8_t lk = b.u8();
    const int32_t n = lk < 224 ? kLengths[lk % std::size(kLengths)] : 1 + static_cast<int32_t>(b.u16() % kMaxSamples);
    const int shape = b.u8() % 6;
    const double lo = ordinaryValue(b), hi = ordinaryValue(b);
    const int32_t period = 2 + b.u8();
    const int32_t edge = b.u8() % (period / 2 + 1);
    std::vector<double> x(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
        const int32_t phase = i % period;
        double v = lo;
        switch (shape) {
            case 0: v = lo; break;
            case 1: v = phase < period / 2 ? lo : hi; break;
            case 2: {  // trapezoid: low, an edge of `edge` steps, high, a falling edge
                const int32_t half = period / 2;
                const int32_t at = phase < half ? phase : phase - half;
                const double frac = edge > 0 ? std::min(1.0, static_cast<double>(at + 1) / edge) : 1.0;
                v = phase < half ? lo + (hi - lo) * frac : hi - (hi - lo) * frac;
                break;
            }
            case 3: v = lo + hi * std::sin(2 * M_PI * i / period); break;
            case 4: v = lo + (hi - lo) * static_cast<int8_t>(b.u8()) / 127.0; break;
            default: {  // a ringing pulse: a step to hi at n/3 and back at 2n/3
                const int32_t up = n / 3, down = 2 * n / 3;
                const int32_t since = i >= down ? i - down : i - up;
                const double ring = 0.2 * (hi - lo) * std::exp(-since / 8.0) * std::cos(since * 0.9);
                v = i < up ? lo : i < down ? hi + ring : lo - ring;
                break;
            }
        }
        x[static_cast<size_t>(i)] = v;
    }
    w.x = std::move(x);
    ++w.version;
}

struct Params {
    double high, mid, low, hysteresis;
    int32_t units, method, bins;
    // The engine keeps its caches while these stay exactly equal (a NaN
    // never does); a change of the occurrence alone keeps them.
    bool operator==(const Params &) const = default;
};

// What the caches of a session were computed from.
struct Baseline {
    uint64_t version;
    int32_t count;
    uint64_t t0, dt;  // bit patterns
    bool operator==(const Baseline &) const = default;
};

uint64_t bitsOf(double x) { return std::bit_cast<uint64_t>(x); }

struct SessionModel {
    int32_t id = 0;
    bool consistent = true;    // the caches hold for the baseline record
    bool hasBaseline = false;  // false: the caches are empty
    Baseline baseline{};
    Params last{0, 0, 0, 0, 0, 0, 0};
    bool ambiguous = false;  // the engine's parameters are `last` or `maybe`
    Params maybe{};
    int32_t recordCount = 0;  // count of the record last fetched; kUnknownCount when not known
};

constexpr int32_t kUnknownCount = INT32_MIN;

struct Request {
    int32_t session = -1;
    int32_t measId = 0;
    tRefLevels levels{};
    tRefOptions options{};
    bool nullLevels = false, nullOptions = false, nullWaveform = false, nullResult = false, nullCursor = false;
    int32_t occurrence = 1;
    double t0 = 0, dt = 1;
    int32_t count = 0;
    uint64_t version = 0;
    std::vector<double> samples;  // the record as the engine is given it
};

struct Outcome {
    int32_t code = 0;
    double result = 0;
    tCursorStruct cursor{};
};

// A cursor value no measurement writes, to see which fields were left alone.
constexpr double kUntouched = -7.25e11;

Outcome call(const Request &q) {
    // An exact-size copy, so that reading past `count` is an overflow the
    // address sanitizer sees.
    const size_t n = q.count > 0 ? static_cast<size_t>(q.count) : 0;
    std::unique_ptr<double[]> copy(new double[n]);
    if (n) std::memcpy(copy.get(), q.samples.data(), n * sizeof(double));
    Outcome o;
    o.result = kUntouched;
    o.cursor = {kUntouched, kUntouched, kUntouched, kUntouched, kUntouched, kUntouched};
    o.code = measurements_fetch(q.session, q.measId, q.nullLevels ? nullptr : &q.levels,
                                q.nullOptions ? nullptr : &q.options, q.occurrence, q.t0, q.dt,
                                q.nullWaveform ? nullptr : copy.get(), q.count, q.nullResult ? nullptr : &o.result,
                                q.nullCursor ? nullptr : &o.cursor);
    return o;
}

bool sameOutcome(const Outcome &a, const Outcome &b) {
    if (a.code != b.code) return false;
    if (a.code != 0) return true;
    return bitsOf(a.result) == bitsOf(b.result) && std::memcmp(&a.cursor, &b.cursor, sizeof a.cursor) == 0;
}

std::string describe(const Request &q) {
    char line[400];
    std::snprintf(line, sizeof line,
                  "fetch session %d id %d levels %s(%.17g, %.17g, %.17g, units %d) options %s(method %d, bins %d) "
                  "occurrence %d t0 %.17g dt %.17g count %d waveform v%llu%s%s%s",
                  q.session, q.measId, q.nullLevels ? "null " : "", q.levels.highRef, q.levels.midRef, q.levels.lowRef,
                  q.levels.units, q.nullOptions ? "null " : "", q.options.method, q.options.histogramBins, q.occurrence,
                  q.t0, q.dt, q.count, static_cast<unsigned long long>(q.version),
                  q.nullWaveform ? " (null samples)" : "", q.nullResult ? " (null result)" : "",
                  q.nullCursor ? " (null cursor)" : "");
    return line;
}

std::string describe(const Outcome &o) {
    char line[300];
    std::snprintf(line, sizeof line, "code %d value %.17g cursor (%.17g, %.17g, %.17g)", o.code, o.result, o.cursor.x1,
                  o.cursor.x2, o.cursor.x3);
    return line;
}

class Program {
public:
    Program(const uint8_t *data, size_t size, Report &report) : b_(data, size), report_(report) {}

    void run() {
        const int64_t blocks = OrinHostLiveBlocks(), mutexes = OrinHostLiveMutexes();
        for (int op = 0; op < kMaxOperations && !b_.empty() && ok(); ++op) step();
        // Whatever happened, nothing may stay behind.
        for (const SessionModel &s : sessions_) {
            const int32_t code = measurements_destroy(s.id);
            if (code != 0 && ok())
                fail("destroying live session " + std::to_string(s.id) + " gave " + std::to_string(code));
        }
        sessions_.clear();
        const std::pair<const char *, int64_t> left[] = {{"blocks", OrinHostLiveBlocks() - blocks},
                                                         {"mutexes", OrinHostLiveMutexes() - mutexes}};
        for (const auto &[what, count] : left)
            if (count != 0) fail("host " + std::string(what) + " left alive by the program: " + std::to_string(count));
    }

private:
    bool ok() const { return report_.failure.empty(); }

    void fail(const std::string &what) {
        if (!ok()) return;
        std::string text = what + "\nafter:";
        for (const std::string &line : trace_) text += "\n  " + line;
        report_.failure = text;
    }

    void note(const std::string &line) {
        trace_.push_back(line);
        if (trace_.size() > 24) trace_.pop_front();
    }

    SessionModel *find(int32_t id) {
        for (SessionModel &s : sessions_)
            if (s.id == id) return &s;
        return nullptr;
    }

    bool isStale(int32_t id) const { return std::find(stale_.begin(), stale_.end(), id) != stale_.end(); }

    // Live ids most of the time, then stale, invented and reserved ones.
    int32_t chooseSession(bool allowOneShot) {
        const uint8_t k = b_.u8();
        switch (k % 16) {
            case 0: return allowOneShot ? -1 : b_.i32();
            case 1: return b_.i32();
            case 2: return stale_.empty() ? -1 : stale_[b_.u8() % stale_.size()];
            case 3: return 0;
            case 4: return 1112;
            default:
                if (sessions_.empty()) return allowOneShot ? -1 : 1111;
                return sessions_[b_.u8() % sessions_.size()].id;
        }
    }

    // Runs the call with the allocation failure asked for (if any) armed,
    // and tells whether the call reached the refused allocation.
    template <class F>
    auto armed(F &&call, bool &refused) {
        orintest::Injection inj(std::exchange(pendingFailure_, 0));
        auto result = inj.call(call);
        refused = inj.failing() && inj.attempts() >= inj.site();
        report_.failuresInjected += refused;
        return result;
    }

    void step() {
        const int kind = b_.u8() % kOperationKinds;
        ++report_.operations[kind];
        if (kind != kRepeatFetch && kind != kFailNextAllocation) haveLast_ = false;
        switch (kind) {
            case kCreate: create(); break;
            case kDestroy:
            case kClear: {
                const int32_t id = chooseSession(false);
                if (isStale(id)) ++report_.staleIdsUsed;
                destroyOrClear(id, kind == kDestroy);
                break;
            }
            case kFetch: fetch(false); break;
            case kNewWaveform:
                makeWaveform(b_, wave_);
                note("new waveform v" + std::to_string(wave_.version) + " of " + std::to_string(wave_.x.size()));
                break;
            case kPoke: poke(); break;
            case kFailNextAllocation:
                pendingFailure_ = 1 + b_.u8() % 48;
                note("refuse allocation " + std::to_string(pendingFailure_) + " of the next call");
                break;
            case kManySessions: {
                const int n = 1 + b_.u8() % 16;
                for (int i = 0; i < n && ok(); ++i) create();
                break;
            }
            case kDestroyAll:
                while (!sessions_.empty() && ok()) destroyOrClear(sessions_.back().id, true);
                break;
            case kRepeatFetch: fetch(true); break;
            default: break;
        }
    }

    void create() {
        if (b_.u8() == 255) {
            const int32_t code = measurements_create(nullptr);
            note("create(null) -> " + std::to_string(code));
            if (code != kErrNullResult) fail("create with a null id pointer gave " + std::to_string(code));
            return;
        }
        if (sessions_.size() >= kMaxLiveSessions) return;
        int32_t id = 0x5a5a5a5a;
        bool refused;
        const int32_t code = armed([&] { return measurements_create(&id); }, refused);
        note("create -> " + std::to_string(code) + " id " + std::to_string(id) + (refused ? " (refused)" : ""));
        if (code == 0) {
            if (id == 0 || id == -1 || find(id)) return fail("create handed out id " + std::to_string(id));
            sessions_.push_back(SessionModel{});
            sessions_.back().id = id;
            stale_.erase(std::remove(stale_.begin(), stale_.end(), id), stale_.end());
        } else if (!(refused && code == kErrEngineOutOfMemory)) {
            fail("create gave " + std::to_string(code) + (refused ? " with an allocation refused" : ""));
        }
    }

    // Destroys or clears a session, live, stale or invented: 0 for a live
    // one, -20321 for any other.
    void destroyOrClear(int32_t id, bool destroying) {
        SessionModel *s = find(id);
        const std::string what = destroying ? "destroy" : "clear";
        const int32_t code = (destroying ? measurements_destroy : measurements_clear)(id);
        note(what + " " + std::to_string(id) + " -> " + std::to_string(code));
        if (code != (s ? 0 : kErrUnknownSession))
            return fail(what + " of a " + (s ? "live" : "unknown") + " session gave " + std::to_string(code));
        if (s && !destroying) {
            s->consistent = true;
            s->hasBaseline = false;
        } else if (s) {
            sessions_.erase(sessions_.begin() + (s - sessions_.data()));
            if (stale_.size() >= kMaxStaleIds) stale_.erase(stale_.begin());
            stale_.push_back(id);
        }
    }

    void poke() {
        const int n = 1 + b_.u8() % 4;
        for (int i = 0; i < n; ++i) {
            const size_t at = b_.u16() % wave_.x.size();
            wave_.x[at] = anyValue(b_);
        }
        ++wave_.version;
        note("poke waveform -> v" + std::to_string(wave_.version));
    }

    Request decodeRequest() {
        Request q;
        q.session = chooseSession(true);
        const uint8_t m = b_.u8();
        static const int32_t kOddIds[] = {35, 49, 50, 51, 52, 53, 54, 99, -1, INT32_MAX, INT32_MIN};
        q.measId = m < 216 ? m % 35 : m < 248 ? b_.pick(kOddIds) : b_.i32();

        // Levels: ordered percentages most of the time.
        static const double kPercent[][3] = {{90, 50, 10}, {80, 50, 20}, {70, 50, 30}, {100, 50, 0}, {50, 50, 50}};
        const uint8_t lk = b_.u8() % 8;
        double h = 90, mid = 50, lo = 10;
        int32_t units = 1;
        if (lk < 3) {
            const double *p = kPercent[b_.u8() % std::size(kPercent)];
            h = p[0], mid = p[1], lo = p[2];
        } else if (lk < 6) {  // three values put in order, percent or absolute
            double v[3] = {lk == 5 ? anyValue(b_) : ordinaryValue(b_), ordinaryValue(b_), ordinaryValue(b_)};
            std::sort(v, v + 3, [](double a, double c) { return a > c; });
            h = v[0], mid = v[1], lo = v[2];
            units = lk == 3 ? 1 : 0;
        } else {  // anything, in any order
            h = anyValue(b_), mid = anyValue(b_), lo = anyValue(b_);
            units = b_.u8() % 2;
        }
        const uint8_t uk = b_.u8();
        if (uk >= 240) units = uk == 255 ? b_.i32() : static_cast<int32_t>(uk) - 245;
        q.levels = {h, mid, lo, units};

        static const int32_t kMethods[] = {0, 1, 2, 1, 1, 0, 3, -1};
        static const int32_t kBins[] = {100, 10, 1, 2, 3, 5, 50, 256, 1000, 0, -1, -100, 65536};
        q.options.method = b_.pick(kMethods);
        const uint8_t bk = b_.u8();
        q.options.histogramBins = bk < 240 ? kBins[bk % std::size(kBins)] : 1 + static_cast<int32_t>(b_.u16());

        const uint8_t nk = b_.u8();
        q.nullLevels = nk == 1, q.nullOptions = nk == 2, q.nullResult = nk == 3, q.nullCursor = nk == 4,
        q.nullWaveform = nk == 5;

        static const int32_t kOccurrences[] = {1, 1, 1, 1, 2, 2, 3, 4, 5, 10, 0, -1, 100, INT32_MAX, INT32_MIN};
        const uint8_t ok = b_.u8();
        q.occurrence = ok < 240 ? kOccurrences[ok % std::size(kOccurrences)] : ok < 250 ? b_.u8() : b_.i32();

        const uint8_t tk = b_.u8();
        q.t0 = tk < 160 ? 0.0 : anyValue(b_);
        const uint8_t dk = b_.u8();
        q.dt = dk < 128 ? 1.0 : dk < 160 ? 1e-9 : dk < 176 ? 1e-3 : anyValue(b_);

        const int32_t n = static_cast<int32_t>(wave_.x.size());
        const uint8_t ck = b_.u8();
        q.count = ck < 192   ? n
                  : ck < 224 ? 1 + static_cast<int32_t>(b_.u16() % n)
                  : ck < 240 ? 0
                  : ck < 248 ? -1
                             : INT32_MIN;
        q.samples.assign(wave_.x.begin(), wave_.x.begin() + std::max(0, q.count));
        q.version = wave_.version;
        return q;
    }

    // A new request, or the last one again: then, without a refused
    // allocation in either call, the answer must not change.
    void fetch(bool again) {
        if (again && !haveLast_) return;
        if (!again) last_ = decodeRequest();
        bool refused;
        const Outcome o = armed([&] { return call(last_); }, refused);
        note((again ? "again" : describe(last_)) + " -> " + describe(o) + (refused ? " (refused)" : ""));
        check(last_, o, refused);
        if (again && ok() && !refused && !lastRefused_ && !sameOutcome(o, lastOutcome_))
            fail("the same request twice: " + describe(lastOutcome_) + ", then " + describe(o));
        lastOutcome_ = o;
        lastRefused_ = refused;
        haveLast_ = true;
    }

    // Updates the model of a session whose caches this request reached.
    void touch(SessionModel &s, const Params &p, const Baseline &base) {
        const bool differsLast = p != s.last;
        const bool differsMaybe = s.ambiguous ? p != s.maybe : differsLast;
        if (s.hasBaseline) {
            if (differsLast && differsMaybe) {
                s.consistent = true;  // the engine forgot its caches
                s.hasBaseline = false;
            } else if (differsLast || s.ambiguous) {
                s.consistent = false;  // no telling whether it did
            }
        }
        s.last = p;
        s.ambiguous = false;
        // A record of another length is measured afresh.
        if (s.recordCount != kUnknownCount && base.count != s.recordCount) {
            s.consistent = true;
            s.hasBaseline = false;
        }
        s.recordCount = base.count;
        if (!s.hasBaseline) {
            s.baseline = base;
            s.hasBaseline = true;
        } else if (!(s.baseline == base)) {
            s.consistent = false;  // another record under the old caches
        }
    }

    void check(const Request &q, const Outcome &o, bool refused) {
        const auto expect = [&](int32_t want, const char *why) {
            if (o.code != want)
                fail(std::string(why) + ": want " + std::to_string(want) + ", got " + std::to_string(o.code));
        };
        if (q.nullLevels || q.nullOptions) return expect(kErrNullParameters, "null levels or options");
        const tRefLevels &l = q.levels;
        const double above = l.highRef - l.midRef, below = l.midRef - l.lowRef;
        const double h = above < below ? above : below;
        if (h < 0) return expect(kErrReferenceOrder, "levels out of order");
        const Params p{l.highRef, l.midRef, l.lowRef, h, l.units, q.options.method, q.options.histogramBins};
        SessionModel *s = find(q.session);
        // Levels with an infinity or a NaN may be refused as unordered, and an
        // id outside the table may be refused before the session is looked
        // at, or by the session.
        const bool nonFinite = !std::isfinite(l.highRef) || !std::isfinite(l.midRef) || !std::isfinite(l.lowRef);
        const bool oddId = q.measId < 0 || q.measId > kMeasNone;
        if ((nonFinite && o.code == kErrReferenceOrder) || (oddId && o.code == kErrUnknownMeasurement)) {
            // Whether the session saw this request is not known: the caches
            // may hold anything until the engine is known to have dropped them.
            if (s) {
                s->hasBaseline = true;
                s->consistent = false;
                s->ambiguous = true;
                s->maybe = p;
                s->recordCount = kUnknownCount;
            }
            return;
        }
        if (q.nullResult) return expect(kErrNullResult, "null result");
        if (q.nullCursor) return expect(kErrNullCursor, "null cursor");
        if (q.nullWaveform) return expect(kErrNoSamples, "null waveform");
        if (q.measId == kMeasNone) {
            expect(0, "id 34");
            if (ok() && o.result != 0.0) fail("id 34 left a result other than 0");
            return;
        }
        if (q.session != -1 && !s) {
            if (isStale(q.session)) ++report_.staleIdsUsed;
            return expect(kErrUnknownSession, "fetch on an unknown session");
        }
        if (q.session == -1 && refused && o.code == kErrEngineOutOfMemory) return;  // the one-shot session
        if (q.count < 1) return expect(kErrNoSamples, "no samples");
        if (q.dt <= 0) return expect(kErrEngineSamplingInterval, "sampling interval not positive");

        bool consistent = true;
        if (s) {
            touch(*s, p, Baseline{q.version, q.count, bitsOf(q.t0), bitsOf(q.dt)});
            consistent = s->consistent;
        }
        checkMeasurement(q, o, refused, consistent);
        if (!ok() || !s || !consistent || refused || (q.measId >= 50 && q.measId <= 53)) return;

        // The session's answer, cached or not, is a fresh session's answer.
        Request fresh = q;
        fresh.session = -1;
        const Outcome f = call(fresh);
        ++report_.fetchesCompared;
        if (!sameOutcome(o, f)) fail("session gave " + describe(o) + ", a fresh one-shot session " + describe(f));
    }

    void checkMeasurement(const Request &q, const Outcome &o, bool refused, bool consistent) {
        const int32_t id = q.measId;
        const bool known = id >= 0 && id < kMeasNone;
        const bool intermediate = id >= 50 && id <= 53;
        if (!known && !intermediate) {
            if (o.code != kErrUnknownMeasurement)
                fail("unknown measurement id gave " + std::to_string(o.code) + ", want -20325");
            return;
        }
        // The codes a measurement documents; the out-of-memory code only for
        // a refused allocation, the unknown-id code only for an unknown id.
        static const int32_t kCodes[] = {kErrEngineOutOfMemory, kErrUnknownMeasurement, kErrTooFewCrossings,
                                         kErrHistogramBinWidth, kErrTooFewEdges,        kErrReferenceOrder,
                                         kErrReferenceUnits,    kErrReferenceMethod,    kErrHistogramBins,
                                         kErrResultNotFinite,   kErrNoPeriod,           kErrEdgeCount,
                                         kErrZeroDuration};
        if (o.code == kErrEngineOutOfMemory && !refused) return fail("-20311 without a refused allocation");
        if (o.code == kErrUnknownMeasurement && known) return fail("a known measurement gave -20325");
        if (o.code != 0 && !std::count(std::begin(kCodes), std::end(kCodes), o.code))
            return fail("undocumented code " + std::to_string(o.code));
        if (o.code != 0 || intermediate) return;
        ++report_.fetchesSucceeded;
        const double r = o.result;
        if (!std::isfinite(r)) return fail("success with a value that is not finite");
        // Caches of another record (a caller that changed t0 or dt, or the
        // samples, without clearing) may mix two time axes in one list.
        if (!consistent) return;
        // Magnitudes, durations and slew rates are not negative, a frequency
        // is positive, a duty cycle a fraction.
        static const int32_t kNotNegative[] = {kMeasPeakToPeak,     kMeasAmplitude,      kMeasRms,
                                               kMeasRootSumSquares, kMeasCycleRms,       kMeasPeriod,
                                               kMeasFallTime,       kMeasRiseTime,       kMeasPositiveWidth,
                                               kMeasNegativeWidth,  kMeasRisingSlewRate, kMeasFallingSlewRate};
        if (std::count(std::begin(kNotNegative), std::end(kNotNegative), id) && !(r >= 0))
            return fail("measurement " + std::to_string(id) + " below 0");
        if (id == kMeasFrequency && !(r > 0)) return fail("frequency not positive");
        if ((id == kMeasPositiveDutyCycle || id == kMeasNegativeDutyCycle) && !(r >= 0 && r <= 1))
            return fail("duty cycle outside [0, 1]");
        // The record's own extremes (the finite r equal to one is a sample).
        double lowest = kInf, highest = -kInf;
        for (double v : q.samples) {
            if (std::isnan(v)) continue;
            lowest = std::min(lowest, v);
            highest = std::max(highest, v);
        }
        if (id == kMeasMinimum && r != lowest) fail("minimum is not the smallest sample");
        if (id == kMeasMaximum && r != highest) fail("maximum is not the largest sample");
        if ((id == kMeasMean || id == kMeasCycleMean) && !(r >= lowest && r <= highest))
            fail("mean outside the samples' range");
    }

    Bytes b_;
    Report &report_;
    Waveform wave_;
    std::vector<SessionModel> sessions_;
    std::vector<int32_t> stale_;
    std::deque<std::string> trace_;
    int64_t pendingFailure_ = 0;
    bool haveLast_ = false;
    Request last_;
    Outcome lastOutcome_;
    bool lastRefused_ = false;
};

}  // namespace

Report run(const uint8_t *data, size_t size) {
    Report report;
    Program(data, size, report).run();
    return report;
}

}  // namespace enginefuzz

int orinFuzzEngine(const uint8_t *data, size_t size) {
    const enginefuzz::Report report = enginefuzz::run(data, size);
    if (!report.failure.empty()) {
        std::fprintf(stderr, "engine invariant broken: %s\n", report.failure.c_str());
        std::abort();
    }
    return 0;
}
