// The table of every exported routine, as the reliability sweeps see it.
//
// Each row knows how to call one export with arguments of a chosen size n,
// every number taken from a ValueSource: valid random values, special values
// (NaN, infinities, subnormal and huge numbers, extreme integers) or the
// bytes of a fuzzer input. One table thus drives the allocation-failure
// sweep, the special-value sweep and the routine fuzz target.
//
// Rows of self-describing entry points (host handles, pointers to single
// scalars, scalars by value, an int32 error output) are generated from the
// public headers by generate_table.py; rows of core routines, whose length
// relations the declarations cannot tell, are written by hand in
// core_rows.cpp. Exports that have neither are in leftOut(), each with its
// reason.
//
// Nothing here uses GoogleTest: the fuzz target links these sources alone.
#ifndef ORIN_TESTS_SWEEP_TABLE_H
#define ORIN_TESTS_SWEEP_TABLE_H

#include <orin/orinanalysis.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace sweep {

// ---- where the numbers come from -------------------------------------------

class ValueSource {
public:
    virtual ~ValueSource() = default;
    // An element of an input array.
    virtual double element() = 0;
    // An int32 element of an input array; valid sources stay in [0, bound).
    virtual int32_t intElement(int32_t bound) = 0;
    // A double parameter whose typical valid value is given.
    virtual double real(double typical) = 0;
    // An int32 parameter whose typical valid value is given.
    virtual int32_t integer(int32_t typical) = 0;
    // A work budget the caller grants (restarts, iterations): time grows
    // with it by design, so sources keep it small.
    virtual int32_t budget(int32_t typical) { return typical; }
    // A Boolean parameter (one byte).
    virtual uint8_t flag(uint8_t typical) { return typical; }
    // The dimension words of a host array holding capacity elements, which
    // hold its true shape on entry: a fuzzer may claim any other shape the
    // host could produce for that block (non-negative, product within
    // capacity).
    virtual void shape(int32_t /*capacity*/, int32_t /*dims*/, int32_t * /*words*/) {}
    // The element count of an input array whose natural size is n.
    virtual int32_t length(int32_t n) { return n; }
};

// ---- one call's arguments ----------------------------------------------------

// Host array handles (1D and 2D: double, int32, complex), pointers to one
// scalar (double, int32, byte, complex) and scalars by value (double, int32).
enum class Kind { kD1, kI1, kC1, kD2, kI2, kC2, kPD, kPI, kPB, kPC, kVD, kVI };

struct Param {
    Kind kind;
    bool writable;  // a non-const pointer or a handle: the routine may write through it
    const char *name;
};

// Owns everything one call needs (host handles, scalars, plain buffers) and
// remembers the outputs, so that the sweeps can check them afterwards and
// free them before counting live blocks.
class Call {
public:
    Call(ValueSource &source, int32_t n, const char *routine) : source_(source), n_(n), routine_(routine) {}
    ~Call();
    Call(const Call &) = delete;
    Call &operator=(const Call &) = delete;

    int32_t n() const { return n_; }

    // ---- for generated rows: one slot per parameter ----
    void build(const std::vector<Param> &params);
    template <class T>
    T arg(size_t i) {
        Slot &s = slots_.at(i);
        if constexpr (std::is_same_v<T, double>) return s.value.d;
        else if constexpr (std::is_same_v<T, int32_t>) return s.value.i;
        else return reinterpret_cast<T>(s.pointer);
    }

    // ---- for hand-written rows ----
    // Plain buffers of exactly count elements (so that AddressSanitizer sees
    // any access past them), filled from the source or with zeros.
    double *doubles(int32_t count);
    double *zeros(int32_t count);
    int32_t *ints(int32_t count, int32_t bound);
    int32_t *intZeros(int32_t count);
    complexnum *complexes(int32_t count);
    complexnum *complexZeros(int32_t count);
    // Scalars the routine writes through a pointer.
    double *outDouble();
    int32_t *outInt();
    // Outputs the header promises iDNaN in after a failure: count doubles
    // (a complex output is two).
    double *outNaN(int32_t count = 1);
    complexnum *outNaNComplex() { return reinterpret_cast<complexnum *>(outNaN(2)); }
    // Data the routine works on in place that its header promises to leave
    // as they were when its scratch is refused: filled from the source like
    // doubles(). (The generator state of generated rows is held the same.)
    double *kept(int32_t count) { return keep(doubles(count), count); }
    complexnum *keptComplexes(int32_t count) { return keep(complexes(count), count); }
    // A selector or a size that picks a code path of its own (an algorithm,
    // a filter type, a prime length): the call's variant k takes choice k
    // (modulo their count). The allocation sweep runs every variant, the
    // other sweeps the first. Generated rows have twice their selectors'
    // variants: the odd ones give every handle after the first half the
    // call's n, so that outputs grow (their resizes allocate) and inputs of
    // unequal lengths meet.
    int32_t choose(const std::vector<int32_t> &choices) { return pick(choices, 1); }
    void setVariant(int32_t v) { variant_ = v; }
    int32_t variants() const { return variants_; }
    double real(double typical) { return source_.real(typical); }
    int32_t integer(int32_t typical) { return source_.integer(typical); }
    int32_t budget(int32_t typical) { return source_.budget(typical); }
    // A count that sizes a buffer the row allocates: from the source, but
    // never above typical, so that the buffer always holds what the count
    // claims (a core routine trusts its caller on that).
    int32_t count(int32_t typical) {
        const int32_t v = source_.integer(typical);
        return v > typical ? typical : v;
    }
    // The output of count elements that the routine's header allows to be
    // the input: the input itself in an aliased call, else a fresh buffer of
    // zeros. Either way the first `written` elements (those the routine
    // writes; all by default) after the call are in outputs().
    template <class T>
    T *outFor(T *input, int32_t count, int32_t written = -1);
    void setAliased(bool aliased) { aliased_ = aliased; }
    bool offersAlias() const { return !outputs_.empty(); }
    std::string outputs() const;
    // A host handle of bytes bytes (records of layouts without a type code),
    // freed with the call; its contents are the row's to write.
    UHandle rawHandle(size_t bytes);
    // A host handle of the kind (1D or 2D) holding count elements from the
    // source, its words from the source's shape().
    void *handle(Kind kind, int32_t count, int32_t rows = -1);

    // ---- what the sweeps check after the call ----
    // After a failure with this code: what of outNaN() is not iDNaN and,
    // after -20001, what of kept() changed; with `outputs`, every handle
    // written but not emptied and (with `scalars`) every double scalar
    // output not iDNaN (caller state: written but not iDNaN). An output left
    // half-written is what the failure path exists to prevent.
    std::string failureBreach(int32_t code, bool outputs, bool scalars) const;
    // The int32 error output (generated rows).
    int32_t *errorOutput = nullptr;

    // Every value the call could have written: the handles' claimed bytes,
    // the scalars and the plain buffers. Two calls with the same source and
    // the same outcome must agree on it bit for bit.
    std::string fingerprint() const;

private:
    union Value {
        double d;
        int32_t i;
        uint8_t b;
        complexnum c;
    };
    struct Slot {
        Value value{};
        void *pointer = nullptr;
    };
    // A handle as the caller holds it, with its dimension words and elements
    // before the call; a double scalar the routine may write, with its value.
    struct Watched {
        void *handle;
        Kind kind;
        std::string before;
    };
    struct WatchedScalar {
        double *where;
        double before;
        bool state;  // the caller's state, not an output: may stay as it was
    };
    ValueSource &source_;
    int32_t n_;
    const char *routine_;
    std::deque<Slot> slots_;
    std::vector<void *> handles_;
    // Plain buffers: new[] gives a distinct non-null pointer even for 0
    // elements (a caller never passes null), and AddressSanitizer flags any
    // access past the count.
    struct Buffer {
        std::unique_ptr<unsigned char[]> data;
        size_t bytes;
    };
    size_t bufferCount(int32_t count) const;
    int32_t pick(const std::vector<int32_t> &choices, int32_t stride);
    template <class T, class Fill>
    T *buffer(int32_t count, Fill fill);
    template <class Make>
    UHandle testHandle(Make make);
    template <class T>
    T *keep(T *where, int32_t count);
    std::deque<Buffer> buffers_;
    std::deque<double> doubleOuts_;
    std::deque<int32_t> intOuts_;
    std::vector<Watched> watched_;
    std::vector<WatchedScalar> scalars_;
    bool aliased_ = false;
    int32_t variant_ = 0, variants_ = 1;
    std::vector<std::pair<double *, int32_t>> nanOuts_;
    struct Kept {
        const void *where;
        std::string before;
    };
    std::vector<Kept> kept_;
    struct Output {
        const void *where;
        size_t bytes;
    };
    std::vector<Output> outputs_;
};

// Buffers of a call whose n is negative (a length the caller got wrong)
// hold at most this many elements: the routine should read none of them,
// and the row's size arithmetic on such an n means nothing.
constexpr int32_t kSmallArray = 64;

template <class T>
T *Call::keep(T *where, int32_t count) {
    kept_.push_back({where, std::string(reinterpret_cast<const char *>(where), bufferCount(count) * sizeof(T))});
    return where;
}

template <class T>
T *Call::outFor(T *input, int32_t count, int32_t written) {
    T *out = input;
    if (!aliased_) {
        if constexpr (std::is_same_v<T, complexnum>) out = complexZeros(count);
        else out = zeros(count);
    }
    outputs_.push_back({out, bufferCount(written >= 0 && written < count ? written : count) * sizeof(T)});
    return out;
}

// ---- the table ---------------------------------------------------------------

struct Row {
    const char *name;
    std::vector<Param> params;  // generated rows: the declaration; hand rows: empty
    int32_t error;              // parameter index of the error output, -1 when the code is returned
    int32_t (*call)(Call &);    // builds (hand rows) and calls; returns the export's return value
    bool generated() const { return !params.empty(); }
};

// Every row, generated rows first, in header order.
const std::vector<Row> &table();
// Hand-written rows (core_rows.cpp).
std::vector<Row> coreRows();
// Kernels that trust their caller's lengths (left out of the table), each
// called with c.n() as its lengths and small arrays: the special-value sweep
// gives them lengths below 1, for which they must read and write nothing.
std::vector<Row> kernelRows();

struct LeftOut {
    const char *name;
    const char *reason;
};
// Exports deliberately left out of the table, with the reason.
const std::vector<LeftOut> &leftOut();

// Runs one row: builds its arguments (generated rows) and calls it. The
// library's code is the error output, or the return value when there is none;
// after a failure, the breach of the failure contract (Call::failureBreach).
struct Outcome {
    int32_t returned = 0;
    int32_t code = 0;
    std::string breach;
};
// Support routines that return the memory manager's status (0, kMgArgErr,
// kMgFullErr) rather than a library code; their code counts as 0 and their
// status as the returned value.
bool returnsHostStatus(const Row &row);
// Entry points whose failure path keeps a written output on purpose, as
// their headers document: their handles and scalars are not held to the
// failure contract. Hand rows are held to it for their handles only: the
// scalars of core routines follow their own headers (outNaN, kept).
bool keepsOutputsOnFailure(const char *routine);
Outcome run(const Row &row, Call &call);

// True for 0 and every code of the library's table (read from
// include/orin/common.h by generate_table.py).
bool documentedCode(int32_t code);

// A watchdog that aborts the process, naming the routine, when a call runs
// longer than its limit (wall-clock), or, with cpuSeconds, when the calling
// thread spends more than that on it (which a loaded machine does not
// change).
class Watchdog {
public:
    explicit Watchdog(double seconds, double cpuSeconds = 0);
    ~Watchdog();
    void arm(const char *routine, int32_t n);
    void disarm();

private:
    struct State;
    State *state_;
};

// The code of a call whose inputs sized by n are all empty (n = 0): -20003,
// unless the row's routine documents another.
int32_t emptyCode(const char *routine);
// True for parameters that are a work budget (see ValueSource::budget).
bool isBudget(const char *routine, const char *param);
// Typical valid values of scalar parameters, by routine and parameter name.
// choicesFor: the values of a selector that picks code paths of their own
// (the variants of a generated row), or nullptr.
const std::vector<int32_t> *choicesFor(const char *routine, const char *param);
double typicalReal(const char *routine, const char *param);
int32_t typicalInteger(const char *routine, const char *param, int32_t n);

}  // namespace sweep

#endif  // ORIN_TESTS_SWEEP_TABLE_H
