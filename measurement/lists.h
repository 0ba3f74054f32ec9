// The shared edge and mid-level crossing lists, computed as far as a request
// needs and extended by later, larger requests without rescanning.
#ifndef ORIN_MEASUREMENT_LISTS_H
#define ORIN_MEASUREMENT_LISTS_H

#include "engine.h"

namespace orin::meas {

// Storage of a list: _count records computed, _capacity allocated. The array
// survives invalidation, so the next waveform reuses it.
template <class Record>
struct tRecordList {
    Scratch<Record> _records;
    int32_t _count = 0;
    int32_t _capacity = 0;

    // Makes room for `wanted` records, keeping those computed. A record of n
    // samples holds at most n - 1 edges or crossings (one per sample pair),
    // so a request beyond that allocates no more than the record can fill.
    int32_t grow(int32_t wanted, int32_t samples);
};

// Edges between the low and high references (id 52).
class tEdgeTimes : public tIntermediate<tEdgeTimes, kMeasEdgeTimes>, private tRecordList<tEdge> {
private:
    friend class tMediary;
    int32_t _edgeTimes(int32_t maxCross, const tParamStruct &params, const tWaveform &w, const tEdge **edges,
                       int32_t &found);
};

// Crossings of the middle reference with hysteresis (id 51).
class tCrossPoints : public tIntermediate<tCrossPoints, kMeasCrossPoints>, private tRecordList<tCrossPoint> {
public:
    // The band is the middle reference mid and hysteresis h, which every
    // caller has fetched for its cursor before asking for the list.
    virtual int32_t fetchCrossPoints(int32_t maxCross, double mid, double h, const tWaveform &w,
                                     const tCrossPoint **points, int32_t &found);
};

}  // namespace orin::meas

#endif  // ORIN_MEASUREMENT_LISTS_H
