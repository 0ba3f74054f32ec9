// Failure codes and failure outputs of the time-domain entry points.
#include "support/prelude.h"

#include <orin/timedomain.h>

namespace {

const double kOne = 1, kZero = 0, kMinusOne = -1, kNaN = std::nan("");
const int32_t kNegative = -1, k0 = 0, k1 = 1, k2 = 2, k3 = 3, k4 = 4;
const uint8_t kAverage = 1;

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

}  // namespace

// Calls with every input empty and nothing else to check are the sweep's
// (EmptyInputs). A table, one entry per line:
// clang-format off
ORIN_CONTRACT_TABLE(TimeDomain) {
    return {
        ORIN_ROW(kErrEmptyArray, Integral(c.output(), &kOne, &kOne, &kZero, e)),  // empty before dt
        ORIN_ROW(kErrSamplingInterval, Integral(c.output({1, 2}), &kOne, &kOne, &kZero, e)),
        ORIN_ROW(kErrSamplingInterval, Integral(c.output({1, 2}), &kOne, &kOne, &kNaN, e)),
        ORIN_ROW(kErrSamplingInterval, Derivative(c.output(), &kOne, &kOne, &kMinusOne, e)),  // dt before empty
        ORIN_ROW(kErrInvalidSelector, NumerIntegration_head(c.input({1, 2}), &kOne, &kNegative, c.scalar(), e)),
        ORIN_ROW(kErrInvalidSelector, NumerIntegration_head(c.input({1, 2}), &kOne, &k4, c.scalar(), e)),
        ORIN_ROW(kErrBadArraySize, NumerIntegration_head(c.input({1, 2, 3, 4}), &kOne, &k3, c.scalar(), e)),  // Boole's rule on 4
        ORIN_ROW(kErrDecimatingFactor, DecimateCIN(c.output({1, 2}), &k3, &kAverage, e)),  // above n
        ORIN_ROW(kErrDecimatingFactor, DecimateCIN(c.output({1, 2}), &k0, &kAverage, e)),
        // The count of runs is set to 0 on failure.
        ORIN_ROW(kErrEmptyArray, PeakDetector(c.input(), &kZero, &k0, c.output<Int32Array>({1}), c.intOutput(0), e)),
        ORIN_ROW(kErrPeakWidth, PeakDetector(c.input({1, 2}), &kZero, &k2, c.output<Int32Array>({1}), c.intOutput(0), e)),  // width n
        ORIN_ROW(kErrPeakWidth, PeakDetector(c.input({1, 2}), &kZero, &k0, c.output<Int32Array>({1}), c.intOutput(0), e)),
        {"Triggerh short levels", kErrArraySizeMismatch, [](Contract &c) { return trigger(c, 0); }},
        {"Triggerh short previous", kErrArraySizeMismatch, [](Contract &c) { return trigger(c, 1); }},
        {"Triggerh short hysteresis", kErrArraySizeMismatch, [](Contract &c) { return trigger(c, 2); }},
        {"Triggerh short slopes", kErrArraySizeMismatch, [](Contract &c) { return trigger(c, 3); }},
        // 2 channels of 2^31 - 1 list places each: the list cannot be counted.
        {"Triggerh list beyond int32", kErrOutOfMemory, [](Contract &c) { return trigger(c, -1, INT32_MAX, kMgFullErr); }},
        ORIN_ROW(kErrEmptyArray, Convolution(c.input(), c.input({1}), c.output({7, 7}), &k0, e)),
        ORIN_ROW(kErrInvalidSelector, Convolution(c.input({1}), c.input({1}), c.output({7, 7}), &k2, e)),
        ORIN_ROW(kErrEmptyArray, Rxy(c.input({1}), c.input(), c.output({7, 7}), &k1, e)),
        ORIN_ROW(kErrInvalidSelector, Rxy(c.input({1}), c.input({1}), c.output({7, 7}), &kNegative, e)),
        // Lengths beyond int32 (the convolution) and beyond the largest FFT (2^30, the correlation).
        ORIN_ROW(kErrOutOfMemory, Convolution(claiming(c, INT32_MAX), c.input({1, 2}), c.output({7, 7}), &k0, e)),
        ORIN_ROW(kErrOutOfMemory, Rxy(claiming(c, 1 << 30), c.input({1, 2}), c.output({7, 7}), &k1, e)),
        ORIN_ROW(kErrTooManySamples, Deconvolution(c.output({1, 2}), c.input({1, 2, 3}), e)),  // kernel one longer
        ORIN_ROW(kErrBadArraySize, Deconvolution(c.output({1}), c.input({1, 2, 3}), e)),  // two longer
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
