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
// interpolated time of the crossing. The distances to the level are compared
// by sign, not by the sign of their product: the product underflows to 0
// when both are below about 1e-154 (a crossing reported where there is none,
// interpolated to a time before the pair) and is NaN when one distance is 0
// and the other infinite. A difference of doubles is 0 only when they are
// equal, so its sign is exact.
inline bool crosses(const tWaveform &w, int32_t i, int32_t next, double x, double y, double level, double *time) {
    const double a = x - level, b = y - level;
    if (!((a <= 0 && b >= 0) || (a >= 0 && b <= 0))) return false;
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

// The prologue both lists share: a request within a valid list is answered
// from it (a request for no records is refused below whatever the list
// holds); an invalid list starts again from its first record.
template <class Record>
bool answeredFromList(tRecordList<Record> &list, bool cacheValid, int32_t maxCross, const Record **out,
                      int32_t &found) {
    if (cacheValid && maxCross >= 1 && maxCross <= list._count) {
        *out = list._records.data();
        found = maxCross;
        return true;
    }
    if (!cacheValid) list._count = 0;
    return false;
}

// The scan both lists share. From sample `resume` (0, or the sample after
// the last record), a sample beyond the band [lower, upper] arms the scan;
// while armed, every pair of finite samples (i, next) goes to `record`,
// which returns true when it has completed the record in the slot it is
// given, and the scan disarms.
//
// A continued list resumes with the trend its last record left, as the scan
// would have gone on had it not stopped there: starting unknown, a sample
// lying exactly on the middle level with no hysteresis would arm the
// crossing scan at once and record a crossing that the uninterrupted scan
// does not, so the list would depend on the order of the requests.
template <class Record, class Step>
void extendList(tRecordList<Record> &list, int32_t id, int32_t resume, int32_t maxCross, const tWaveform &w,
                double lower, double upper, Step record) {
    probe::computed(id);
    const double *x = w.samples;
    const int32_t wanted = std::min(maxCross, list._capacity);
    int32_t j = list._count, i = resume;
    Trend trend = j == 0 ? Trend::kUnknown : list._records[j - 1].slope == 1 ? Trend::kRising : Trend::kFalling;
    bool armed = false;
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
            if (record(i, next, xi, x[next], trend, list._records[j])) {
                ++j;
                armed = false;
            }
        }
        ++i;
    }
    probe::scanned(id, i - resume);
    list._count = j;
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

int32_t tEdgeTimes::_edgeTimes(int32_t maxCross, const tParamStruct &params, const tWaveform &w, const tEdge **edges,
                               int32_t &found) {
    if (answeredFromList(*this, _cacheValid, maxCross, edges, found)) return 0;
    double low = 0, high = 0;
    if (const int32_t code = _value(kMeasLowReference, params, w, &low)) return code;
    if (const int32_t code = _value(kMeasHighReference, params, w, &high)) return code;
    if (maxCross <= 0) return kErrEdgeCount;
    if (const int32_t code = grow(maxCross, w.count)) return code;
    // Levels out of order leave the list valid with the records it had.
    _cacheValid = true;
    *edges = _records.data();
    if (low >= high) {
        found = _count;
        return kErrReferenceOrder;
    }

    // Until the edge completes, a later crossing of a level replaces an
    // earlier one (the signal may re-cross it). Bits 0 and 1 of `crossed`:
    // the low and the high crossing found.
    tEdge edge{};
    unsigned crossed = 0;
    const int32_t resume = _count > 0 ? _records[_count - 1].secondIndex : 0;
    extendList(*this, _id, resume, maxCross, w, low, high,
               [&](int32_t i, int32_t next, double xi, double y, Trend trend, tEdge &slot) {
                   if (crosses(w, i, next, xi, y, low, &edge.lowTime)) {
                       edge.lowIndex = next;
                       crossed |= 1;
                   }
                   if (crosses(w, i, next, xi, y, high, &edge.highTime)) {
                       edge.highIndex = next;
                       crossed |= 2;
                   }
                   if (crossed != 3) return false;
                   // The trend stays: the next edge must reach the other level first.
                   const bool rising = trend == Trend::kRising;
                   edge.firstIndex = rising ? edge.lowIndex : edge.highIndex;
                   edge.secondIndex = rising ? edge.highIndex : edge.lowIndex;
                   edge.firstTime = rising ? edge.lowTime : edge.highTime;
                   edge.secondTime = rising ? edge.highTime : edge.lowTime;
                   edge.slope = rising ? 1 : 0;
                   slot = edge;
                   crossed = 0;
                   return true;
               });
    found = _count;
    return 0;
}

// Every caller has refused occurrences below 1, so at least three records
// are asked for (a request for none would find none).
int32_t tCrossPoints::fetchCrossPoints(int32_t maxCross, double mid, double h, const tWaveform &w,
                                       const tCrossPoint **points, int32_t &found) {
    if (answeredFromList(*this, _cacheValid, maxCross, points, found)) return 0;
    if (const int32_t code = grow(maxCross, w.count)) return code;

    // One crossing per excursion beyond the band: leaving it arms the scan,
    // the first crossing of the middle level disarms it.
    const int32_t resume = _count > 0 ? _records[_count - 1].index : 0;
    extendList(*this, _id, resume, maxCross, w, mid - h, mid + h,
               [&](int32_t i, int32_t next, double xi, double y, Trend trend, tCrossPoint &slot) {
                   if (!crosses(w, i, next, xi, y, mid, &slot.time)) return false;
                   slot.slope = trend == Trend::kRising ? 1 : 0;
                   slot.index = next;
                   return true;
               });
    _cacheValid = true;
    *points = _records.data();
    found = _count;
    return 0;
}

}  // namespace orin::meas
