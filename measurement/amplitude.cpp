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

double rootMeanSquare(const double *x, int32_t n) { return static_cast<double>(std::sqrt(sumOfSquares(x, n) / n)); }

double mean(const double *x, int32_t n) { return static_cast<double>(sumOf(x, n) / n); }

// Stores a whole-record result: the record span with the given ordinates.
int32_t store(tMediary &mediary, int32_t id, const tWaveform &w, double value, double y1, double y2, double y3) {
    tCursorStruct c;
    w.span(c);
    c.y1 = y1;
    c.y2 = y2;
    c.y3 = y3;
    return mediary.setResult(id, value, c);
}

}  // namespace

template <class Derived, int32_t kId>
int32_t tRecordStatistic<Derived, kId>::_algorithm(const tParamStruct &, const tWaveform &w, double *result,
                                                   tCursorStruct *cursor) {
    // count >= 1: the session refuses an empty record before any measurement.
    // The two sums are independent chains, so one loop costs about as much
    // as either alone.
    extended sum = 0, squares = 0;
    for (int32_t i = 0; i < w.count; ++i) {
        const extended x = w.samples[i];
        sum += x;
        squares += x * x;
    }
    const double rms = static_cast<double>(std::sqrt(squares / w.count));
    const double average = static_cast<double>(sum / w.count);
    const double rss = static_cast<double>(std::sqrt(squares));
    tMediary &m = *this->_mediary;
    if (const int32_t code = store(m, kMeasRms, w, rms, -rms, -rms, rms)) return code;
    if (const int32_t code = store(m, kMeasMean, w, average, -average, 0, average)) return code;
    if (const int32_t code = store(m, kMeasRootSumSquares, w, rss, -rss, -rss, rss)) return code;
    *result = this->_cachedResult;
    *cursor = this->_cachedCursor;
    return 0;
}

template class tRecordStatistic<tRms, 13>;
template class tRecordStatistic<tAverage, 14>;
template class tRecordStatistic<tRootSumSquares, 21>;

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
