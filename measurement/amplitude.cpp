// Sums run in index order in extended precision and are rounded once.
#include "amplitude.h"

#include <cmath>

#include "frame/numeric.h"

namespace orin::meas {

namespace {

extended sumOf(const double *x, int32_t n) {
    extended s = 0;
    for (int32_t i = 0; i < n; ++i) s += x[i];
    return s;
}

extended sumOfSquares(const double *x, int32_t n) {
    extended s = 0;
    for (int32_t i = 0; i < n; ++i) s += static_cast<extended>(x[i]) * x[i];
    return s;
}

double rootMeanSquare(const double *x, int32_t n) {
    return static_cast<double>(std::sqrt(sumOfSquares(x, n) / n));
}

double mean(const double *x, int32_t n) { return static_cast<double>(sumOf(x, n) / n); }

// Whole-record cursor: the record span with the given ordinates.
int32_t wholeRecord(const tWaveform &w, double value, double y1, double y2, double y3, double *result,
                    tCursorStruct *cursor) {
    *result = value;
    w.span(*cursor);
    cursor->y1 = y1;
    cursor->y2 = y2;
    cursor->y3 = y3;
    return 0;
}

}  // namespace

int32_t tRms::_algorithm(const tParamStruct &, const tWaveform &w, double *result, tCursorStruct *cursor) {
    if (w.count < 1) return kErrNoSamples;
    const double r = rootMeanSquare(w.samples, w.count);
    return wholeRecord(w, r, -r, -r, r, result, cursor);
}

int32_t tAverage::_algorithm(const tParamStruct &, const tWaveform &w, double *result, tCursorStruct *cursor) {
    if (w.count < 1) return kErrNoSamples;
    const double m = mean(w.samples, w.count);
    return wholeRecord(w, m, -m, 0, m, result, cursor);
}

int32_t tRootSumSquares::_algorithm(const tParamStruct &, const tWaveform &w, double *result,
                                    tCursorStruct *cursor) {
    if (w.count < 1) return kErrNoSamples;
    const double r = static_cast<double>(std::sqrt(sumOfSquares(w.samples, w.count)));
    return wholeRecord(w, r, -r, -r, r, result, cursor);
}

template <class Derived, int32_t kId>
int32_t tCycleStatistic<Derived, kId>::_algorithm(const tParamStruct &params, const tWaveform &w, double *result,
                                                  tCursorStruct *cursor) {
    double period = 0;
    tCursorStruct cycle;
    if (const int32_t code = this->_mediary->fetchDependency(kMeasPeriod, params, w, &period, &cycle)) return code;
    // Samples in one period and the sample nearest the cycle's start, both
    // rounded half up. The window is kept inside the record: moved back to
    // end at the last sample, and never longer than the record.
    const double samples = std::trunc(period / w.dt + 0.5);
    double start = std::trunc((cycle.x1 - w.t0) / w.dt + 0.5);
    if (!(samples >= 1)) return kErrNoPeriod;  // no whole sample (or no number at all)
    const int32_t n = samples < w.count ? static_cast<int32_t>(samples) : w.count;
    if (!(start >= 0)) start = 0;
    const int32_t s = start + n > w.count ? w.count - n : static_cast<int32_t>(start);
    *result = _statistic(w.samples + s, n);
    cursor->x1 = cycle.x1;
    cursor->x2 = cursor->x3 = cycle.x3;
    cursor->y1 = -*result;
    cursor->y2 = 0;
    cursor->y3 = *result;
    return 0;
}

double tCycleRms::_statistic(const double *x, int32_t n) const { return rootMeanSquare(x, n); }
double tCycleAverage::_statistic(const double *x, int32_t n) const { return mean(x, n); }

template class tCycleStatistic<tCycleRms, 17>;
template class tCycleStatistic<tCycleAverage, 18>;

}  // namespace orin::meas
