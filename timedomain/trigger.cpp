#include <orin/timedomain.h>

#include <cstdint>

#include "../frame/kit.h"

namespace {

// The index list is shared by all channels and holds this many entries.
constexpr int32_t kMaxListedTriggers = 50;

// Hysteresis states: 0 below the band, 1 risen into it from below, 2 above
// the band, 3 fallen into it from above (also "unknown": inside the band or
// NaN at the start).
enum State : int32_t { kBelow = 0, kRisen = 1, kAbove = 2, kFallen = 3 };

}  // namespace

int32_t qaTriggerDetection(const double *data, int32_t nSamples, int32_t nChannels, const double *levels,
                           const double *previous, const double *hysteresis, const int32_t *slopes, int32_t maxTriggers,
                           int32_t *triggerIndices, int32_t *triggerCounts, int32_t *triggered, double *lastValues) {
    int32_t listed = 0;
    for (int32_t k = 0; k < nChannels; ++k) {
        const double lower = levels[k] - 0.5 * hysteresis[k];
        const double upper = levels[k] + 0.5 * hysteresis[k];
        const bool rising = slopes[k] != 0;
        const double *x = data + static_cast<int64_t>(k) * (nSamples > 0 ? nSamples : 0);
        State state = previous[k] < lower ? kBelow : previous[k] > upper ? kAbove : kFallen;
        int32_t taken = 0;
        // One transition per sample at most; NaN compares false everywhere,
        // so a NaN sample leaves the state as it is.
        for (int32_t j = 0; j < nSamples && taken < maxTriggers; ++j) {
            bool fire = false;
            switch (state) {
                case kBelow:
                    if (x[j] >= lower) {
                        fire = rising;
                        state = kRisen;
                    }
                    break;
                case kRisen:
                    if (x[j] >= upper) state = kAbove;
                    break;
                case kAbove:
                    if (x[j] <= upper) {
                        fire = !rising;
                        state = kFallen;
                    }
                    break;
                case kFallen:
                    if (x[j] <= lower) state = kBelow;
                    break;
            }
            if (fire) {
                ++taken;
                triggered[k] = 1;
                // The counts run on across calls: they stop at INT32_MAX
                // rather than wrap to a negative count.
                if (triggerCounts[k] < INT32_MAX) ++triggerCounts[k];
                if (listed < kMaxListedTriggers) triggerIndices[listed++] = j;
            }
        }
        // An empty block carries the previous value forward.
        lastValues[k] = nSamples > 0 ? x[nSamples - 1] : previous[k];
    }
    return kErrNone;
}
