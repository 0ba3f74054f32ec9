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

// A trigger call on two channels, with one of the four per-channel inputs
// (0 levels, 1 previous values, 2 hysteresis, 3 slopes; -1 none) one entry
// short, and the status the call must return.
int32_t trigger(Contract &c, int shortInput, int32_t maxTriggers = 3, MgErr status = kMgNoErr) {
    std::vector<double> channel[3] = {{0, 0}, {0, 0}, {1, 1}};
    std::vector<int32_t> sv{1, 1};
    if (shortInput == 3) sv.pop_back();
    else if (shortInput >= 0) channel[shortInput].pop_back();
    int32_t error = 0;
    EXPECT_EQ(Triggerh(c.input<DoubleMatrix>(2, 3, std::vector<double>(6, 0.0)), c.input<DoubleArray>(channel[0]),
                       c.input<DoubleArray>(channel[1]), c.input<DoubleArray>(channel[2]), c.input<Int32Array>(sv),
                       maxTriggers, c.output<Int32Array>(std::vector<int32_t>{1}),
                       c.output<Int32Array>(std::vector<int32_t>{1}), c.output<Int32Array>(std::vector<int32_t>{1}),
                       c.output<DoubleArray>(std::vector<double>{1}), &error),
              status);
    return error;
}

// A host handle whose dimension word claims more elements than its block
// holds: the routines must refuse the length before reading an element.
DoubleArrayHdl claiming(Contract &c, int32_t count) {
    DoubleArrayHdl h = c.input<DoubleArray>({0});
    (*h)->dimSize = count;
    return h;
}

// Convolution or correlation of x with y.
int32_t linear(Contract &c, bool corr, DoubleArrayHdl x, std::vector<double> y, int32_t selector) {
    int32_t error = 0;
    EXPECT_EQ((corr ? Rxy : Convolution)(x, c.input<DoubleArray>(y), c.output<DoubleArray>(std::vector<double>{7, 7}),
                                         &selector, &error),
              kMgNoErr);
    return error;
}

int32_t deconvolution(Contract &c, std::vector<double> y, std::vector<double> h) {
    int32_t error = 0;
    Deconvolution(c.output<DoubleArray>(y), c.input<DoubleArray>(h), &error);
    return error;
}

}  // namespace

// Calls with every input empty and nothing else to check are the sweep's
// (EmptyInputs). A table, one entry per line:
// clang-format off
ORIN_CONTRACT_TABLE(TimeDomain) {
    const double nan = std::nan("");
    return {
        {"Integral empty before dt", kErrEmptyArray, [](Contract &c) { return calculus(c, true, {}, 0); }},
        {"Integral dt 0", kErrSamplingInterval, [](Contract &c) { return calculus(c, true, {1, 2}, 0); }},
        {"Integral dt NaN", kErrSamplingInterval, [nan](Contract &c) { return calculus(c, true, {1, 2}, nan); }},
        {"Derivative dt before empty", kErrSamplingInterval, [](Contract &c) { return calculus(c, false, {}, -1); }},
        {"NumerIntegration_head method -1", kErrInvalidSelector, [](Contract &c) { return numer(c, {1, 2}, -1); }},
        {"NumerIntegration_head method 4", kErrInvalidSelector, [](Contract &c) { return numer(c, {1, 2}, 4); }},
        {"NumerIntegration_head Boole n 4", kErrBadArraySize, [](Contract &c) { return numer(c, {1, 2, 3, 4}, 3); }},
        {"DecimateCIN factor above n", kErrDecimatingFactor, [](Contract &c) { return decimate(c, {1, 2}, 3); }},
        {"DecimateCIN factor 0", kErrDecimatingFactor, [](Contract &c) { return decimate(c, {1, 2}, 0); }},
        {"PeakDetector empty", kErrEmptyArray, [](Contract &c) { return peakRuns(c, {}, 0); }},
        {"PeakDetector width n", kErrPeakWidth, [](Contract &c) { return peakRuns(c, {1, 2}, 2); }},
        {"PeakDetector width 0", kErrPeakWidth, [](Contract &c) { return peakRuns(c, {1, 2}, 0); }},
        {"Triggerh short levels", kErrArraySizeMismatch, [](Contract &c) { return trigger(c, 0); }},
        {"Triggerh short previous", kErrArraySizeMismatch, [](Contract &c) { return trigger(c, 1); }},
        {"Triggerh short hysteresis", kErrArraySizeMismatch, [](Contract &c) { return trigger(c, 2); }},
        {"Triggerh short slopes", kErrArraySizeMismatch, [](Contract &c) { return trigger(c, 3); }},
        // 2 channels of 2^31 - 1 list places each: the list cannot be counted.
        {"Triggerh list beyond int32", kErrOutOfMemory, [](Contract &c) { return trigger(c, -1, INT32_MAX, kMgFullErr); }},
        {"Convolution empty x", kErrEmptyArray, [](Contract &c) { return linear(c, false, c.input<DoubleArray>(), {1}, 0); }},
        {"Convolution selector 2", kErrInvalidSelector, [](Contract &c) { return linear(c, false, c.input<DoubleArray>({1}), {1}, 2); }},
        {"Rxy empty y", kErrEmptyArray, [](Contract &c) { return linear(c, true, c.input<DoubleArray>({1}), {}, 1); }},
        {"Rxy selector -1", kErrInvalidSelector, [](Contract &c) { return linear(c, true, c.input<DoubleArray>({1}), {1}, -1); }},
        {"Convolution length beyond int32", kErrOutOfMemory, [](Contract &c) { return linear(c, false, claiming(c, INT32_MAX), {1, 2}, 0); }},
        {"Rxy FFT length beyond 2^30", kErrOutOfMemory, [](Contract &c) { return linear(c, true, claiming(c, 1 << 30), {1, 2}, 1); }},
        {"Deconvolution kernel one longer", kErrTooManySamples, [](Contract &c) { return deconvolution(c, {1, 2}, {1, 2, 3}); }},
        {"Deconvolution kernel two longer", kErrBadArraySize, [](Contract &c) { return deconvolution(c, {1}, {1, 2, 3}); }},
        {"Deconvolve empty", kMgArgErr, [](Contract &c) { return Deconvolve(c.input<DoubleArray>(), c.input<DoubleArray>({1})); }},
        {"dPeakAnalysis first call width 2", kErrInvalidSelector, [](Contract &c) {
             PeakCINControl control{c.input<DoubleArray>({1, 2}), 0, 2, 0, nullptr, nullptr, nullptr, 0, kPeakFirstCall};
             PeakCINState state{};
             state.width = 2;
             return dPeakAnalysis(&control, &state);
         }},
        // Growing by 500 would pass 2^31 - 1 elements; nothing is resized.
        {"AddRoom beyond int32", kMgFullErr, [](Contract &c) {
             DoubleArrayHdl amp = c.input<DoubleArray>({4}), d2 = c.input<DoubleArray>({5});
             PeakCINControl control{nullptr, 0, 3, 0, claiming(c, INT32_MAX - 10), amp, d2, 0, 0};
             const MgErr status = AddRoom(&control);
             return (*amp)->dimSize == 1 && (*d2)->dimSize == 1 ? status : kMgNoErr;
         }},
    };
}
// clang-format on
