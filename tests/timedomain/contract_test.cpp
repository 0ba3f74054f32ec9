// Failure codes and failure outputs of the time-domain entry points.
#include <orin/timedomain.h>

#include <cmath>

#include "support/contract.h"

using orintest::Contract;

namespace {

const double kOne = 1, kZero = 0;

int32_t calculus(Contract &c, bool integral, std::vector<double> x, double dt) {
    int32_t error = 0;
    DoubleArrayHdl h = c.output<DoubleArray>(x);
    (integral ? Integral : Derivative)(h, &kOne, &kOne, &dt, &error);
    return error;
}

int32_t numer(Contract &c, std::vector<double> x, int32_t method) {
    int32_t error = 0;
    NumerIntegration_head(c.input<DoubleArray>(x), &kOne, &method, c.scalar(), &error);
    return error;
}

int32_t decimate(Contract &c, std::vector<double> x, int32_t factor) {
    int32_t error = 0;
    const uint8_t average = 1;
    DecimateCIN(c.output<DoubleArray>(x), &factor, &average, &error);
    return error;
}

int32_t peakRuns(Contract &c, std::vector<double> x, int32_t width) {
    int32_t error = 0, count = 5;
    PeakDetector(c.input<DoubleArray>(x), &kZero, &width, c.output<Int32Array>(std::vector<int32_t>{1}), &count,
                 &error);
    return count == 0 ? error : 1;
}

// A trigger call with one of the four per-channel inputs one entry short.
int32_t shortChannelInput(Contract &c, int which) {
    std::vector<double> lv{0, 0}, pv{0, 0}, hv{1, 1};
    std::vector<int32_t> sv{1, 1};
    (which == 0 ? lv : which == 1 ? pv : hv).resize(which < 3 ? 1 : 2);
    if (which == 3) sv.pop_back();
    int32_t error = 0;
    Triggerh(c.input<DoubleMatrix>(2, 3, std::vector<double>(6, 0.0)), c.input<DoubleArray>(lv),
             c.input<DoubleArray>(pv), c.input<DoubleArray>(hv), c.input<Int32Array>(sv), 3,
             c.output<Int32Array>(std::vector<int32_t>{1}), c.output<Int32Array>(std::vector<int32_t>{1}),
             c.output<Int32Array>(std::vector<int32_t>{1}), c.output<DoubleArray>(std::vector<double>{1}), &error);
    return error;
}

}  // namespace

ORIN_CONTRACT_TABLE(TimeDomain) {
    const double nan = std::nan("");
    return {
        {"Integral empty before dt", kErrEmptyArray, [](Contract &c) { return calculus(c, true, {}, 0); }},
        {"Integral dt 0", kErrSamplingInterval, [](Contract &c) { return calculus(c, true, {1, 2}, 0); }},
        {"Integral dt NaN", kErrSamplingInterval, [nan](Contract &c) { return calculus(c, true, {1, 2}, nan); }},
        {"Derivative dt before empty", kErrSamplingInterval, [](Contract &c) { return calculus(c, false, {}, -1); }},
        {"Derivative empty", kErrEmptyArray, [](Contract &c) { return calculus(c, false, {}, 1); }},
        {"NumerIntegration_head empty", kErrEmptyArray, [](Contract &c) { return numer(c, {}, 0); }},
        {"NumerIntegration_head method -1", kErrInvalidSelector, [](Contract &c) { return numer(c, {1, 2}, -1); }},
        {"NumerIntegration_head method 4", kErrInvalidSelector, [](Contract &c) { return numer(c, {1, 2}, 4); }},
        {"NumerIntegration_head Boole n 4", kErrBadArraySize, [](Contract &c) { return numer(c, {1, 2, 3, 4}, 3); }},
        {"DecimateCIN empty", kErrEmptyArray, [](Contract &c) { return decimate(c, {}, 1); }},
        {"DecimateCIN factor above n", kErrDecimatingFactor, [](Contract &c) { return decimate(c, {1, 2}, 3); }},
        {"DecimateCIN factor 0", kErrDecimatingFactor, [](Contract &c) { return decimate(c, {1, 2}, 0); }},
        {"UnWrap empty", kErrEmptyArray, [](Contract &c) {
             int32_t error = 0;
             UnWrap(c.output<DoubleArray>(), &error);
             return error;
         }},
        {"PeakDetector empty", kErrEmptyArray, [](Contract &c) { return peakRuns(c, {}, 0); }},
        {"PeakDetector width n", kErrPeakWidth, [](Contract &c) { return peakRuns(c, {1, 2}, 2); }},
        {"PeakDetector width 0", kErrPeakWidth, [](Contract &c) { return peakRuns(c, {1, 2}, 0); }},
        {"Triggerh short levels", kErrArraySizeMismatch, [](Contract &c) { return shortChannelInput(c, 0); }},
        {"Triggerh short previous", kErrArraySizeMismatch, [](Contract &c) { return shortChannelInput(c, 1); }},
        {"Triggerh short hysteresis", kErrArraySizeMismatch, [](Contract &c) { return shortChannelInput(c, 2); }},
        {"Triggerh short slopes", kErrArraySizeMismatch, [](Contract &c) { return shortChannelInput(c, 3); }},
    };
}
