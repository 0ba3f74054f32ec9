// The edge scan and the crossing scan.
//
// Both follow the signal through a band and record a crossing of a level on
// the sample pair (i, i + 1) whose distances to the level have a product that
// is not positive, the time interpolated linearly between the two samples.
//
// NaN samples are skipped: a pair joins the finite samples on either side of
// a run of NaNs, and the crossing is interpolated across the whole gap. The
// lists of a record with NaNs are then those of its finite samples on the
// original time axis, so the invariants of the NaN-free scan hold: edge
// times in order within an edge, slopes alternating along both lists.
#include "lists.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "probe.h"

namespace orin::meas {

namespace {

// The first finite sample after index i, or count when there is none.
inline int32_t nextFinite(const double *x, int32_t i, int32_t count) {
    int32_t next = i + 1;
    while (next < count && std::isnan(x[next])) ++next;
    return next;
}

// True when the level lies between x (at i) and y (at next), with the
// interpolated time of the crossing.
inline bool crosses(const tWaveform &w, int32_t i, int32_t next, double x, double y, double level, double *time) {
    if (!((x - level) * (y - level) <= 0)) return false;
    double d = x - y;
    if (d == 0) d = 1.0;
    *time = w.t0 + w.dt * (i + (next - i) * ((x - level) / d));
    return true;
}

enum class Trend { kUnknown, kRising, kFalling };

// Having been at or above upper, the next transition falls; at or below
// lower, it rises. True when sample x turns the trend (and records it).
bool turns(double x, double lower, double upper, Trend &trend) {
    if (x >= upper && trend != Trend::kFalling) {
        trend = Trend::kFalling;
        return true;
    }
    if (x <= lower && trend != Trend::kRising) {
        trend = Trend::kRising;
        return true;
    }
    return false;
}

}  // namespace

template <class Record>
int32_t tRecordList<Record>::grow(int32_t wanted, int32_t samples) {
    wanted = std::min(wanted, std::max(samples - 1, 1));
    if (wanted <= _capacity) return 0;
    Scratch<Record> larger(wanted);
    if (!larger) return kErrEngineOutOfMemory;
    if (_count > 0) std::memcpy(larger.data(), _records.data(), sizeof(Record) * static_cast<size_t>(_count));
    _records = std::move(larger);
    _capacity = wanted;
    return 0;
}

template struct tRecordList<tEdge>;
template struct tRecordList<tCrossPoint>;

int32_t tEdgeTimes::_edgeTimes(int32_t maxCross, const tParamStruct &params, const tWaveform &w,
                               const tEdge **edges, int32_t &found) {
    // A request for no edges is refused below whatever the list holds.
    if (_cacheValid && maxCross >= 1 && maxCross <= _count) {
        *edges = _records.data();
        found = maxCross;
        return 0;
    }
    if (!_cacheValid) _count = 0;
    double low = 0, high = 0;
    if (const int32_t code = _value(kMeasLowReference, params, w, &low)) return code;
    if (const int32_t code = _value(kMeasHighReference, params, w, &high)) return code;
    if (maxCross <= 0) return kErrEdgeCount;
    if (const int32_t code = grow(maxCross, w.count)) return code;
    _cacheValid = true;
    *edges = _records.data();
    if (low >= high) {
        found = _count;
        return kErrReferenceOrder;
    }

    probe::computed(_id);
    const double *x = w.samples;
    const int32_t wanted = std::min(maxCross, _capacity);
    int32_t j = _count;
    const int32_t start = j > 0 ? _records[j - 1].secondIndex : 0;
    int32_t i = start;
    Trend trend = Trend::kUnknown;
    // Bit 0: an edge is armed; bits 1 and 2: its low and high crossings found.
    unsigned flags = 0;
    tEdge edge{};
    while (i < w.count - 1 && j < wanted) {
        const double xi = x[i];
        if (std::isnan(xi)) {
            ++i;
            continue;
        }
        // Until the edge completes, a later crossing of a level replaces an
        // earlier one (the signal may re-cross it).
        if (turns(xi, low, high, trend)) flags |= 1;
        if (flags != 0) {
            const int32_t next = nextFinite(x, i, w.count);
            if (next >= w.count) break;
            const double y = x[next];
            if (crosses(w, i, next, xi, y, low, &edge.lowTime)) {
                edge.lowIndex = next;
                flags |= 2;
            }
            if (crosses(w, i, next, xi, y, high, &edge.highTime)) {
                edge.highIndex = next;
                flags |= 4;
            }
            if (flags == 7) {
                const bool rising = trend == Trend::kRising;
                edge.firstIndex = rising ? edge.lowIndex : edge.highIndex;
                edge.secondIndex = rising ? edge.highIndex : edge.lowIndex;
                edge.firstTime = rising ? edge.lowTime : edge.highTime;
                edge.secondTime = rising ? edge.highTime : edge.lowTime;
                edge.slope = rising ? 1 : 0;
                _records[j++] = edge;
                flags = 0;  // the trend stays: the next edge must reach the other level first
            }
        }
        ++i;
    }
    probe::scanned(_id, i - start);
    _count = j;
    found = _count;
    return 0;
}

int32_t tCrossPoints::fetchCrossPoints(int32_t maxCross, const tParamStruct &params, const tWaveform &w,
                                       const tCrossPoint **points, int32_t &found) {
    // A request for no crossings is refused below whatever the list holds.
    if (_cacheValid && maxCross >= 1 && maxCross <= _count) {
        *points = _records.data();
        found = maxCross;
        return 0;
    }
    if (!_cacheValid) _count = 0;
    if (maxCross <= 0) return kErrEdgeCount;
    if (const int32_t code = grow(maxCross, w.count)) return code;
    double mid = 0, h = 0;
    if (const int32_t code = _value(kMeasMidReference, params, w, &mid)) return code;
    if (const int32_t code = _value(kMeasHysteresis, params, w, &h)) return code;
    const double upper = mid + h, lower = mid - h;

    probe::computed(_id);
    const double *x = w.samples;
    const int32_t wanted = std::min(maxCross, _capacity);
    int32_t j = _count;
    const int32_t start = j > 0 ? _records[j - 1].index : 0;
    int32_t i = start;
    Trend trend = Trend::kUnknown;
    bool armed = false;
    // One crossing per excursion beyond the band: leaving it arms the scan,
    // the first crossing of the middle level disarms it.
    while (i < w.count - 1 && j < wanted) {
        const double xi = x[i];
        if (std::isnan(xi)) {
            ++i;
            continue;
        }
        if (turns(xi, lower, upper, trend)) armed = true;
        if (armed) {
            const int32_t next = nextFinite(x, i, w.count);
            if (next >= w.count) break;
            tCrossPoint &point = _records[j];
            if (crosses(w, i, next, xi, x[next], mid, &point.time)) {
                point.slope = trend == Trend::kRising ? 1 : 0;
                point.index = next;
                ++j;
                armed = false;
            }
        }
        ++i;
    }
    probe::scanned(_id, i - start);
    _count = j;
    _cacheValid = true;
    *points = _records.data();
    found = _count;
    return 0;
}

}  // namespace orin::meas
