// Signal levels: minimum and maximum, the value histogram, the histogram's
// low and high levels, base and top, their differences, and the reference
// levels and hysteresis in signal units.
#ifndef ORIN_MEASUREMENT_LEVELS_H
#define ORIN_MEASUREMENT_LEVELS_H

#include "engine.h"

namespace orin::meas {

// Minimum and maximum in one pass, stored into ids 0 and 1; its own value is
// never used.
class tVoltageMinAndMax : public tMeasure<tVoltageMinAndMax, 50> {
protected:
    int32_t _algorithm(const tParamStruct &params, const tWaveform &w, double *result, tCursorStruct *cursor) override;
};

// A value that another measurement (kSource) computes and stores here.
template <int32_t kId, int32_t kSource>
class tDepend : public tMeasure<tDepend<kId, kSource>, kId> {
protected:
    int32_t _algorithm(const tParamStruct &params, const tWaveform &w, double *result, tCursorStruct *cursor) override {
        double unused = 0;
        const int32_t code = this->_value(kSource, params, w, &unused);
        *result = this->_cachedResult;
        *cursor = this->_cachedCursor;
        return code;
    }
};

// value(kA) - value(kB).
template <int32_t kId, int32_t kA, int32_t kB>
class tDifference : public tMeasure<tDifference<kId, kA, kB>, kId> {
protected:
    int32_t _algorithm(const tParamStruct &params, const tWaveform &w, double *result, tCursorStruct *cursor) override {
        double a = 0, b = 0;
        if (const int32_t code = this->_value(kB, params, w, &b)) return code;
        if (const int32_t code = this->_value(kA, params, w, &a)) return code;
        *result = a - b;
        w.span(*cursor);
        cursor->y1 = cursor->y2 = b;
        cursor->y3 = a;
        return 0;
    }
};

// Storage of the value histogram, filled by tMediary::fetchHistogram.
class tHistogram : public tIntermediate<tHistogram, kMeasHistogram> {
private:
    friend class tMediary;
    Scratch<int32_t> _bins;  // the counts, then (up to 2^16 bins) room for three more sets while counting
    int64_t _capacity = 0;   // int32 cells allocated
    double _firstBinCenter = 0;
    double _binWidth = 0;
};

// The low (kUpper false) or high level: the centre of the fullest histogram
// bin in the lower or upper 40 % of the bins. A mode holding more than 5 % of
// the samples also becomes base (id 7) or top (id 6).
template <class Derived, int32_t kId, bool kUpper>
class tHistogramLevel : public tMeasure<Derived, kId> {
protected:
    int32_t _algorithm(const tParamStruct &params, const tWaveform &w, double *result, tCursorStruct *cursor) override;
};

class tVoltageLow : public tHistogramLevel<tVoltageLow, 3, false> {};
class tVoltageHigh : public tHistogramLevel<tVoltageHigh, 4, true> {};

// Top (base): the high (low) level when its mode was strong enough to store
// itself here, else the maximum (minimum).
template <int32_t kId, int32_t kFallback, int32_t kHist>
class tVoltageBaseTop : public tMeasure<tVoltageBaseTop<kId, kFallback, kHist>, kId> {
protected:
    int32_t _algorithm(const tParamStruct &params, const tWaveform &w, double *result, tCursorStruct *cursor) override {
        double level = 0;
        tCursorStruct levelCursor;
        if (const int32_t code = this->_mediary->fetchDependency(kHist, params, w, &level, &levelCursor)) return code;
        if (this->_cacheValid) {
            *result = this->_cachedResult;
            *cursor = this->_cachedCursor;
            return 0;
        }
        return this->_mediary->fetchDependency(kFallback, params, w, result, cursor);
    }
};

// The range and base that percent levels refer to, by refMethod: 0 low to
// high, 1 minimum to maximum, 2 base to top. The range is fetched first;
// base may be null.
int32_t referenceRange(tMediary &mediary, const tParamStruct &params, const tWaveform &w, double *range, double *base);

// The low (9), middle (10) or high (11) reference level in signal units.
template <int32_t kId>
class tRefVolts : public tMeasure<tRefVolts<kId>, kId> {
    static_assert(kId == kMeasLowReference || kId == kMeasMidReference || kId == kMeasHighReference,
                  "a reference level is the low, middle or high one");

protected:
    int32_t _algorithm(const tParamStruct &params, const tWaveform &w, double *result, tCursorStruct *cursor) override {
        const double level = kId == kMeasLowReference   ? params.lowRef
                             : kId == kMeasMidReference ? params.midRef
                                                        : params.highRef;
        double base = level, range = 0;
        if (params.refUnits == 0) {
            *result = level;
        } else if (params.refUnits == 1) {
            if (const int32_t code = referenceRange(*this->_mediary, params, w, &range, &base)) return code;
            *result = level * 0.01 * range + base;
        } else {
            return kErrReferenceUnits;
        }
        w.span(*cursor);
        cursor->y1 = base;
        cursor->y2 = *result;
        cursor->y3 = base + range;
        return 0;
    }
};

// Hysteresis in signal units.
class tHystVolts : public tMeasure<tHystVolts, 12> {
protected:
    int32_t _algorithm(const tParamStruct &params, const tWaveform &w, double *result, tCursorStruct *cursor) override;
};

}  // namespace orin::meas

#endif  // ORIN_MEASUREMENT_LEVELS_H
