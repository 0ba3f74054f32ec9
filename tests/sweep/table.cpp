#include "table.h"

#include "hostcontrol.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <pthread.h>
#include <thread>

namespace sweep {

// ---- Call ----------------------------------------------------------------------

namespace {

bool isHandle(Kind k) { return k <= Kind::kC2; }
// Dimensions, element bytes and type code of the handle kinds, in the
// order of Kind.
struct Layout {
    int32_t dims;
    size_t bytes;
    int32_t type;
};
Layout layoutOf(Kind k) {
    static const Layout kLayouts[] = {{1, 8, kTypeDouble}, {1, 4, kTypeInt32}, {1, 16, kTypeComplexDouble},
                                      {2, 8, kTypeDouble}, {2, 4, kTypeInt32}, {2, 16, kTypeComplexDouble}};
    return kLayouts[static_cast<int>(k)];
}

// Elements the dimension words claim, or -1 when they claim a negative count
// or more than int32 can hold.
int64_t claimed(void *handle, Kind kind) {
    const int32_t *words = reinterpret_cast<const int32_t *>(*static_cast<UHandle>(handle));
    int64_t count = 1;
    for (int32_t d = 0; d < layoutOf(kind).dims; ++d) {
        if (words[d] < 0) return -1;
        count *= words[d];
    }
    return count;
}

// Bytes of the handle's block that its dimension words claim.
std::string contents(void *handle, Kind kind) {
    const int64_t count = claimed(handle, kind);
    const Layout l = layoutOf(kind);
    const size_t bytes = 4 * static_cast<size_t>(l.dims) + (count > 0 ? static_cast<size_t>(count) * l.bytes : 0);
    return std::string(reinterpret_cast<const char *>(*static_cast<UHandle>(handle)), bytes);
}

bool emptied(void *handle, Kind kind) {
    const int32_t *words = reinterpret_cast<const int32_t *>(*static_cast<UHandle>(handle));
    for (int32_t d = 0; d < layoutOf(kind).dims; ++d)
        if (words[d] != 0) return false;
    return true;
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

Call::~Call() {
    for (void *h : handles_) DSDisposeHandle(static_cast<UHandle>(h));
}

std::string Call::fingerprint() const {
    std::string f;
    for (const Watched &w : watched_) f += contents(w.handle, w.kind);
    for (const Slot &s : slots_) f.append(reinterpret_cast<const char *>(&s.value), sizeof s.value);
    for (const Buffer &b : buffers_) f.append(reinterpret_cast<const char *>(b.data.get()), b.bytes);
    for (double d : doubleOuts_) f.append(reinterpret_cast<const char *>(&d), sizeof d);
    for (int32_t i : intOuts_) f.append(reinterpret_cast<const char *>(&i), sizeof i);
    return f;
}

void *Call::handle(Kind kind, int32_t count, int32_t rows) {
    const Layout l = layoutOf(kind);
    if (count < 0) count = 0;
    UHandle h = testHandle([&] {
        UHandle made = nullptr;
        return NumericArrayResize(l.type, l.dims, &made, static_cast<size_t>(count)) == 0 ? made : nullptr;
    });
    // The true shape first; a fuzzing source may claim another.
    int32_t *words = reinterpret_cast<int32_t *>(*h);
    words[0] = count;
    if (l.dims == 2) {
        words[0] = rows > 0 ? rows : (count > 0 ? 1 : 0);
        words[1] = words[0] > 0 ? count / words[0] : 0;
    }
    source_.shape(count, l.dims, words);
    // Elements from the source: an int32, a double, or a complex number's
    // two parts, real first.
    uint8_t *element = reinterpret_cast<uint8_t *>(*h) + 4 * l.dims;
    for (int32_t i = 0; i < count; ++i) {
        if (l.bytes == 4) {
            const int32_t v = source_.intElement(count);
            std::memcpy(element, &v, 4);
            element += 4;
        }
        for (size_t part = 0; l.bytes != 4 && part < l.bytes / 8; ++part, element += 8) {
            const double v = source_.element();
            std::memcpy(element, &v, 8);
        }
    }
    // The caller's handle variable lives in a slot so that &handle is stable.
    Slot &slot = slots_.emplace_back();
    slot.pointer = h;
    watched_.push_back({h, kind, contents(h, kind)});
    return h;
}

UHandle Call::rawHandle(size_t bytes) {
    return testHandle([&] { return DSNewHClr(bytes); });
}

// A handle the call owns, made without counting it as an allocation of the
// routine (so never refused for it); a host that refuses it ends the run.
template <class Make>
UHandle Call::testHandle(Make make) {
    OrinHostSuspendCounting(1);
    UHandle h = make();
    OrinHostSuspendCounting(0);
    if (!h) {
        std::fprintf(stderr, "sweep: the host refused a test handle for %s\n", routine_);
        std::abort();
    }
    handles_.push_back(h);
    return h;
}

size_t Call::bufferCount(int32_t count) const {
    if (count < 0) return 0;
    return static_cast<size_t>(n_ < 0 && count > kSmallArray ? kSmallArray : count);
}

// A zeroed buffer of count elements, each then set by fill() when given.
template <class T, class Fill>
T *Call::buffer(int32_t count, Fill fill) {
    const size_t bytes = bufferCount(count) * sizeof(T);
    Buffer &b = buffers_.emplace_back(Buffer{std::unique_ptr<unsigned char[]>(new unsigned char[bytes]()), bytes});
    T *p = reinterpret_cast<T *>(b.data.get());
    if constexpr (!std::is_same_v<Fill, std::nullptr_t>)
        for (size_t i = 0; i < bufferCount(count); ++i) p[i] = fill();
    return p;
}

double *Call::doubles(int32_t count) {
    return buffer<double>(count, [&] { return source_.element(); });
}
double *Call::zeros(int32_t count) { return buffer<double>(count, nullptr); }
int32_t *Call::ints(int32_t count, int32_t bound) {
    return buffer<int32_t>(count, [&] { return source_.intElement(bound); });
}
int32_t *Call::intZeros(int32_t count) { return buffer<int32_t>(count, nullptr); }
complexnum *Call::complexes(int32_t count) {
    return buffer<complexnum>(count, [&] { return complexnum{source_.element(), source_.element()}; });
}
complexnum *Call::complexZeros(int32_t count) { return buffer<complexnum>(count, nullptr); }
std::string Call::outputs() const {
    std::string bytes;
    for (const Output &o : outputs_) bytes.append(static_cast<const char *>(o.where), o.bytes);
    return bytes;
}

double *Call::outDouble() {
    double *p = &doubleOuts_.emplace_back(0.0);
    scalars_.push_back({p, *p, false});
    return p;
}
int32_t *Call::outInt() { return &intOuts_.emplace_back(0); }

double *Call::outNaN(int32_t count) {
    double *p = zeros(count);
    nanOuts_.emplace_back(p, static_cast<int32_t>(bufferCount(count)));
    return p;
}
int32_t Call::pick(const std::vector<int32_t> &choices, int32_t stride) {
    variants_ = std::max(variants_, stride * static_cast<int32_t>(choices.size()));
    return choices[static_cast<size_t>(variant_ / stride) % choices.size()];
}

std::string Call::failureBreach(int32_t code, bool outputs, bool scalars) const {
    std::string out;
    for (const auto &[where, count] : nanOuts_)
        for (int32_t i = 0; i < count; ++i) {
            if (std::memcmp(where + i, &iDNaN, sizeof iDNaN) != 0) {
                out += " an output promised iDNaN on failure holds " + std::to_string(where[i]) + ";";
                break;
            }
        }
    for (const Kept &k : kept_)
        if (code == kErrOutOfMemory && std::memcmp(k.where, k.before.data(), k.before.size()) != 0)
            out += " data promised untouched on failure changed;";
    for (size_t i = 0; outputs && i < watched_.size(); ++i)
        if (!emptied(watched_[i].handle, watched_[i].kind) &&
            contents(watched_[i].handle, watched_[i].kind) != watched_[i].before)
            out += " array " + std::to_string(i) + " written but not emptied;";
    for (size_t i = 0; outputs && scalars && i < scalars_.size(); ++i)
        if ((!scalars_[i].state || !sameBits(*scalars_[i].where, scalars_[i].before)) &&
            std::memcmp(scalars_[i].where, &iDNaN, sizeof iDNaN) != 0)
            out += " scalar " + std::to_string(i) + " holds " + std::to_string(*scalars_[i].where) + ", not iDNaN;";
    return out;
}

void Call::build(const std::vector<Param> &params) {
    variants_ = std::max(variants_, 2);
    bool first = true;
    for (const Param &p : params) {
        if (isHandle(p.kind)) {
            // 1D arrays hold n elements, matrices n x n (a side of 13 for
            // n above 16: the matrix methods are cubic); int32 arrays hold
            // indices below their count (permutations, levels, counts).
            // In odd variants the handles after the first hold half as many.
            int32_t len = std::max(source_.length(n_), 0);
            if (!first && variant_ % 2 != 0) len /= 2;
            first = false;
            if (layoutOf(p.kind).dims == 2) {
                const int32_t side = len <= 16 ? len : 13;
                handle(p.kind, side * side, side);
            } else {
                handle(p.kind, len);
            }
            // handle() pushed a slot holding the handle; the parameter is the
            // handle itself, which arg<> reads from slot.pointer.
            continue;
        }
        // The generators' state is the caller's: a refused resize keeps it
        // (PeriodNoise draws its phases first, as its header says).
        static const char *const kState[] = {"s1", "s2", "s3", "haveSpare", "spare", "phase"};
        const bool state = p.writable && std::any_of(std::begin(kState), std::end(kState),
                                                     [&](const char *name) { return std::strcmp(p.name, name) == 0; });
        Slot &s = slots_.emplace_back();
        switch (p.kind) {
            case Kind::kPD:
            case Kind::kVD:
                s.value.d = source_.real(typicalReal(routine_, p.name));
                if (p.kind == Kind::kPD && p.writable) scalars_.push_back({&s.value.d, s.value.d, state});
                break;
            case Kind::kPI:
            case Kind::kVI:
                if (const std::vector<int32_t> *choices = choicesFor(routine_, p.name))
                    s.value.i = source_.integer(pick(*choices, 2));
                else
                    s.value.i = isBudget(routine_, p.name) ? source_.budget(typicalInteger(routine_, p.name, n_))
                                                           : source_.integer(typicalInteger(routine_, p.name, n_));
                if (p.kind == Kind::kPI && std::strcmp(p.name, "error") == 0) {
                    s.value.i = -1;  // must come back 0 on success
                    errorOutput = &s.value.i;
                }
                break;
            case Kind::kPB: s.value.b = source_.flag(0); break;
            case Kind::kPC: s.value.c = {source_.real(1.0), source_.real(0.0)}; break;
            default: break;
        }
        s.pointer = &s.value;
        if (state && std::strcmp(routine_, "PeriodNoise") != 0) keep(&s.value, 1);
    }
}

// ---- running a row ---------------------------------------------------------

Outcome run(const Row &row, Call &call) {
    if (row.generated()) call.build(row.params);
    Outcome out;
    out.returned = row.call(call);
    out.code = call.errorOutput ? *call.errorOutput : returnsHostStatus(row) ? 0 : out.returned;
    if (out.code != 0) out.breach = call.failureBreach(out.code, !keepsOutputsOnFailure(row.name), row.generated());
    return out;
}

bool documentedCode(int32_t code) {
    static const int32_t codes[] = {
#include "sweep_codes.inc"
    };
    for (int32_t c : codes)
        if (c == code) return true;
    return false;
}

// ---- the table -------------------------------------------------------------

const std::vector<Row> &table() {
    static const std::vector<Row> rows = [] {
        std::vector<Row> all = {
#include "sweep_generated.inc"
        };
        for (Row &r : coreRows()) all.push_back(std::move(r));
        return all;
    }();
    return rows;
}

// ---- watchdog ----------------------------------------------------------------

struct Watchdog::State {
    std::mutex lock;
    const char *routine = nullptr;  // the armed call, nullptr when none is
    int32_t n = 0;
    clockid_t cpuClock{};  // the armed thread's CPU clock
    double wallStart = 0, cpuStart = 0;
    bool stop = false;
    double seconds, cpuSeconds;
    std::thread thread;
};

namespace {

double secondsOf(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

}  // namespace

Watchdog::Watchdog(double seconds, double cpuSeconds) : state_(new State) {
    state_->seconds = seconds;
    state_->cpuSeconds = cpuSeconds;
    // Looks at the armed call every 50 ms.
    state_->thread = std::thread([s = state_] {
        for (;;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            std::lock_guard<std::mutex> lock(s->lock);
            if (s->stop) return;
            if (!s->routine) continue;
            const bool cpu = s->cpuSeconds > 0 && secondsOf(s->cpuClock) - s->cpuStart > s->cpuSeconds;
            if (cpu || secondsOf(CLOCK_MONOTONIC) - s->wallStart > s->seconds) {
                std::fprintf(stderr, "sweep: %s (n = %d) ran longer than %.1f s%s\n", s->routine, s->n,
                             cpu ? s->cpuSeconds : s->seconds, cpu ? " of CPU" : "");
                std::abort();
            }
        }
    });
}

Watchdog::~Watchdog() {
    {
        std::lock_guard<std::mutex> lock(state_->lock);
        state_->stop = true;
    }
    state_->thread.join();
    delete state_;
}

void Watchdog::arm(const char *routine, int32_t n) {
    // ORIN_SWEEP_TRACE=1 names each call before it runs, to find the one
    // behind a crash that no check reports.
    static const bool trace = std::getenv("ORIN_SWEEP_TRACE") != nullptr;
    if (trace) std::fprintf(stderr, "sweep: %s n = %d\n", routine, n);
    std::lock_guard<std::mutex> lock(state_->lock);
    if (state_->cpuSeconds > 0) {
        pthread_getcpuclockid(pthread_self(), &state_->cpuClock);
        state_->cpuStart = secondsOf(state_->cpuClock);
    }
    state_->routine = routine;
    state_->n = n;
    state_->wallStart = secondsOf(CLOCK_MONOTONIC);
}

void Watchdog::disarm() {
    std::lock_guard<std::mutex> lock(state_->lock);
    state_->routine = nullptr;
}

}  // namespace sweep
