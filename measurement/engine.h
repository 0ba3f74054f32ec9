// The pulse measurement engine's core classes: the measurement base class
// with its one-result cache, the id table (tFuncMap), the per-session set of
// measurement objects (tMeasBundle), the broker through which measurements
// reach one another (tMediary), sessions and the session registry.
//
// Every object of the engine, and every node of its maps, comes from the
// process heap through orin::heapAllocate, so the host layer's test controls
// see (and can fail) each allocation. Allocation failures become -20311.
#ifndef ORIN_MEASUREMENT_ENGINE_H
#define ORIN_MEASUREMENT_ENGINE_H

#include <orin/host.h>
#include <orin/measurement.h>

#include <cstdint>
#include <functional>
#include <map>
#include <new>

#include "frame/scratch.h"

namespace orin::meas {

// The intermediates: fetched only through the mediary, never as results.
enum : int32_t { kMeasMinAndMax = 50, kMeasCrossPoints = 51, kMeasEdgeTimes = 52, kMeasHistogram = 53 };

// Parameters of a fetch, built by measurements_fetch from the caller's blocks.
struct tParamStruct {
    double hysteresis;  // half-width of the band round the middle level
    double lowRef;
    double midRef;
    double highRef;
    int32_t hystUnits;  // 0 absolute, 1 percent of the reference range
    int32_t histogramBins;
    int32_t refMethod;   // range of percent levels: 0 low/high, 1 min/max, 2 base/top
    int32_t refUnits;    // 0 absolute, 1 percent
    int32_t occurrence;  // 1-based pulse, edge or mid-level crossing
};

// The record being measured: samples[i] taken at t0 + i * dt.
struct tWaveform {
    double t0;
    double dt;
    const double *samples;
    int32_t count;

    double timeAt(int64_t index) const { return t0 + dt * static_cast<double>(index); }
    // Cursor abscissae spanning the whole record.
    void span(tCursorStruct &c) const {
        c.x1 = c.x2 = t0;
        c.x3 = timeAt(count);
    }
};

// One transition between the low and the high reference level. first is the
// crossing the edge starts at (low for rising, high for falling).
struct tEdge {
    int32_t lowIndex;  // sample just after the low-level crossing
    int32_t highIndex;
    int32_t firstIndex;
    int32_t secondIndex;
    double lowTime;  // interpolated crossing times
    double highTime;
    double firstTime;
    double secondTime;
    int32_t slope;  // 1 rising, 0 falling
};

// One crossing of the middle reference level.
struct tCrossPoint {
    double time;
    int32_t slope;  // 1 upward, 0 downward
    int32_t index;  // sample just after the crossing
};

// Heap placement of every object the engine news. Only the nothrow form
// exists, so each such allocation is written `new (std::nothrow)` and checked.
struct tHeapObject {
    static void *operator new(std::size_t bytes, const std::nothrow_t &) noexcept { return heapAllocate(bytes); }
    static void operator delete(void *p) noexcept { heapRelease(p); }
    // Frees the block should a constructor throw.
    static void operator delete(void *p, const std::nothrow_t &) noexcept { heapRelease(p); }
};

// Allocator of the engine's map nodes, over the same heap.
template <class T>
struct tHeapAllocator {
    using value_type = T;
    tHeapAllocator() = default;
    template <class U>
    tHeapAllocator(const tHeapAllocator<U> &) {}
    T *allocate(std::size_t n) {
        size_t bytes = 0;
        if (!byteSize(static_cast<int64_t>(n), sizeof(T), &bytes)) throw std::bad_alloc();
        if (void *p = heapAllocate(bytes)) return static_cast<T *>(p);
        throw std::bad_alloc();
    }
    void deallocate(T *p, std::size_t) noexcept { heapRelease(p); }
    friend bool operator==(const tHeapAllocator &, const tHeapAllocator &) { return true; }
};

template <class V>
using tIdMap = std::map<int32_t, V, std::less<int32_t>, tHeapAllocator<std::pair<const int32_t, V>>>;

// Holds a host mutex for the enclosing scope.
class tHostLock {
public:
    explicit tHostLock(MutexRef m) : m_(m) { ThMutexAcquire(m_); }
    ~tHostLock() { ThMutexRelease(m_); }
    tHostLock(const tHostLock &) = delete;
    tHostLock &operator=(const tHostLock &) = delete;

private:
    MutexRef m_;
};

class tMediary;
class tBaseMeas;
using tCreateFunction = tBaseMeas *(*)();

// A measurement: an id, a way to compute it (_algorithm) and a cache of its
// last result. Results of measurements that select a pulse, edge or cycle are
// cached for the occurrence they were computed for only.
class tBaseMeas : public tHeapObject {
public:
    virtual ~tBaseMeas() = default;
    virtual tCreateFunction getCreateFunction() const = 0;
    virtual int32_t getId() const { return _id; }
    virtual int32_t initialize(tMediary *mediary) {
        _mediary = mediary;
        return 0;
    }
    // Answers from the cache when it holds this request's result; otherwise
    // runs _algorithm and caches a success.
    virtual int32_t fetch(const tParamStruct &params, const tWaveform &w, double *result, tCursorStruct *cursor);

protected:
    tBaseMeas(int32_t id, bool perOccurrence) : _id(id), _perOccurrence(perOccurrence) {}
    virtual int32_t _algorithm(const tParamStruct &params, const tWaveform &w, double *result,
                               tCursorStruct *cursor) = 0;
    // The value of another measurement (its cursor is not wanted).
    int32_t _value(int32_t id, const tParamStruct &params, const tWaveform &w, double *value) const;

    tMediary *_mediary = nullptr;
    bool _cacheValid = false;
    double _cachedResult = 0.0;
    tCursorStruct _cachedCursor{};
    int32_t _id;

private:
    friend class tMediary;
    friend class tMeasBundle;
    bool _perOccurrence;
    int32_t _cachedOccurrence = 0;
};

// Common frame of the concrete measurements: the id, and the create
// function that makes one.
template <class Derived, int32_t kId, bool kPerOccurrence = false>
class tMeasure : public tBaseMeas {
public:
    static constexpr int32_t kMeasId = kId;
    static tBaseMeas *staticCreate() { return new (std::nothrow) Derived(); }
    tCreateFunction getCreateFunction() const override { return &staticCreate; }

protected:
    tMeasure() : tBaseMeas(kId, kPerOccurrence) {}
};

// An intermediate (ids 51 to 53): storage that the mediary fills for the
// session's measurements, never a result itself.
template <class Derived, int32_t kId>
class tIntermediate : public tMeasure<Derived, kId> {
protected:
    // Kept against a caller that fetches the object as a measurement: the
    // session refuses these ids before they reach the bundle.
    int32_t _algorithm(const tParamStruct &, const tWaveform &, double *, tCursorStruct *) override {
        return kErrUnknownMeasurement;
    }
};

// Maps every measurement id to the function that creates its object.
class tFuncMap {
public:
    tFuncMap();
    tCreateFunction find(int32_t id, int32_t &error) const;
    int32_t status() const { return _status; }
    auto begin() const { return _map.begin(); }
    auto end() const { return _map.end(); }

private:
    int32_t _addCreateFunctionToMap(tBaseMeas *prototype);
    tIdMap<tCreateFunction> _map;
    int32_t _status = 0;
};

// The measurement objects of one session, each made at its first use.
class tMeasBundle {
public:
    tMeasBundle() = default;
    ~tMeasBundle();
    tMeasBundle(const tMeasBundle &) = delete;
    tMeasBundle &operator=(const tMeasBundle &) = delete;

    int32_t find(int32_t id, tBaseMeas **measure);
    // What find returns for an id the map does not know.
    static int32_t unknownId() {
        if (const int32_t status = _funcMap.status()) return status;
        return kErrUnknownMeasurement;
    }
    int32_t invalidateAllCaches();
    void initialize(tMediary *mediary) { _mediary = mediary; }

    static tFuncMap _funcMap;

private:
    tIdMap<tBaseMeas *> _measures;
    tMediary *_mediary = nullptr;
};

// Broker between the measurements of one session: dependencies, results
// stored on behalf of others, and the shared intermediates.
class tMediary {
public:
    void initialize(tMeasBundle *bundle) { _bundle = bundle; }
    int32_t setResult(int32_t id, double value, const tCursorStruct &cursor);
    int32_t fetchDependency(int32_t id, const tParamStruct &params, const tWaveform &w, double *result,
                            tCursorStruct *cursor);
    // The crossings of mid with hysteresis h, the band the caller has fetched.
    int32_t fetchCrossPoints(int32_t maxCross, double mid, double h, const tWaveform &w, const tCrossPoint **points,
                             int32_t &found);
    int32_t fetchEdgeTimes(int32_t maxCross, const tParamStruct &params, const tWaveform &w, const tEdge **edges,
                           int32_t &found);
    int32_t fetchHistogram(const tParamStruct &params, const tWaveform &w, const int32_t **bins, double &firstBinCenter,
                           double &binWidth);

private:
    // The object of an intermediate class, found under the class's id.
    template <class T>
    int32_t _findAs(T **object);
    tMeasBundle *_bundle = nullptr;
};

// One waveform's measurements and caches, used by one thread at a time.
class tSession : public tHeapObject {
public:
    explicit tSession(int32_t &status);
    virtual ~tSession();
    tSession(const tSession &) = delete;
    tSession &operator=(const tSession &) = delete;

    void initialize();
    int32_t clear();
    int32_t fetch(int32_t measId, tParamStruct params, const tWaveform &w, double *result, tCursorStruct *cursor);

private:
    friend class tLibrary;
    int32_t _checkSomeErrors(const tWaveform &w) const;
    int32_t _updateCacheValidity(const tParamStruct &params);
    int32_t _clearLocked();

    bool _dirty = false;
    tMeasBundle _bundle;
    tParamStruct _params{};
    // Samples in the record the caches were computed from.
    int32_t _recordCount = 0;
    tMediary _mediary;
    MutexRef _mutex = 0;
    // Registry bookkeeping, guarded by the registry's mutex: calls working
    // on the session now, and whether it was destroyed meanwhile.
    int32_t _users = 0;
    bool _destroyed = false;
};

// The process-wide session registry.
class tLibrary {
public:
    explicit tLibrary(int32_t &status);
    virtual ~tLibrary();
    tLibrary(const tLibrary &) = delete;
    tLibrary &operator=(const tLibrary &) = delete;

    int32_t create(int32_t *sessionId);
    int32_t clear(int32_t sessionId);
    int32_t destroy(int32_t sessionId);
    int32_t fetch(int32_t sessionId, int32_t measId, tParamStruct params, const tWaveform &w, double *result,
                  tCursorStruct *cursor);

private:
    // Finds a session and holds it for the length of one call (_release ends
    // the hold), so that a concurrent destroy only unlinks it and the last
    // holder deletes it.
    int32_t _findSession(int32_t sessionId, tSession **session);
    void _release(tSession *session);
    class tHold;
    int32_t _getNextSessionId();

    int32_t _lastSessionId = 1111;
    tIdMap<tSession *> _sessions;
    MutexRef _mutex = 0;
};

}  // namespace orin::meas

#endif  // ORIN_MEASUREMENT_ENGINE_H
