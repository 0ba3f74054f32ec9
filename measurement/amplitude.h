// Amplitude statistics of the whole record and of one cycle.
#ifndef ORIN_MEASUREMENT_AMPLITUDE_H
#define ORIN_MEASUREMENT_AMPLITUDE_H

#include "engine.h"

namespace orin::meas {

// RMS (13), mean (14) and root sum of squares (21) of the whole record. One
// pass forms the sum and the sum of squares and stores all three results, so
// whichever is asked first serves the other two.
template <class Derived, int32_t kId>
class tRecordStatistic : public tMeasure<Derived, kId> {
protected:
    int32_t _algorithm(const tParamStruct &params, const tWaveform &w, double *result, tCursorStruct *cursor) override;
};

class tRms : public tRecordStatistic<tRms, 13> {};
class tAverage : public tRecordStatistic<tAverage, 14> {};
class tRootSumSquares : public tRecordStatistic<tRootSumSquares, 21> {};

// RMS or mean over the samples of one period (id 15), starting at the sample
// nearest the crossing that begins the cycle.
template <class Derived, int32_t kId>
class tCycleStatistic : public tMeasure<Derived, kId, true> {
protected:
    int32_t _algorithm(const tParamStruct &params, const tWaveform &w, double *result, tCursorStruct *cursor) override;
    // The statistic of x[0..n-1], n >= 1.
    virtual double _statistic(const double *x, int32_t n) const = 0;
};

class tCycleRms : public tCycleStatistic<tCycleRms, 17> {
protected:
    double _statistic(const double *x, int32_t n) const override;
};

class tCycleAverage : public tCycleStatistic<tCycleAverage, 18> {
protected:
    double _statistic(const double *x, int32_t n) const override;
};

}  // namespace orin::meas

#endif  // ORIN_MEASUREMENT_AMPLITUDE_H
