#include <orin/timedomain.h>

#include <cstring>

#include "../frame/kit.h"

namespace {

// The internal block belongs to this series when it is there and was made
// for the state's width, which is the width the caller still asks for; the
// caller-held counters must be ones a series can have reached (the history
// fill indexes the block by them).
int32_t checkSeries(const PeakCINControl *control, const PeakCINState *state, UHandle block) {
    if (!block || !*block || state->width != control->width) return kErrNoState;
    if (state->historyCount < 0 || state->historyCount > state->width || state->fitsDone < 0) return kErrNoState;
    int32_t doubles = 0;
    std::memcpy(&doubles, *block, sizeof doubles);
    if (static_cast<int64_t>(doubles) * 8 != InternalPeakDataSize(state->width)) return kErrNoState;
    return kErrNone;
}

void releaseSeries(PeakCINState *state, UHandle *stateHandle) {
    DisposePeakCINData(stateHandle);
    state->rows = nullptr;
    state->window = state->history = state->prevCoeffs = nullptr;
    state->current = nullptr;
}

}  // namespace

int32_t PeakD(PeakCINControl *control, PeakCINState *state, UHandle *stateHandle, int32_t *error) {
    // On failure the three outputs are emptied and count is 0.
    const MgErr status = orin::runEntry(
        error, {control->locations, control->amplitudes, control->secondDerivatives, &control->count},
        [&]() -> orin::Outcome {
            if (control->width <= 2) return kErrInvalidSelector;
            if (control->control & kPeakFirstCall) {
                ORIN_TRY(AllocPeakCINData(control->width, stateHandle));
                state->width = control->width;
            } else {
                ORIN_TRY(checkSeries(control, state, *stateHandle));
            }
            // The block may have moved since the last call: the state's
            // pointers are derived from the handle every time.
            SetInternalPeakPointers(state, **stateHandle);
            ORIN_TRY(dPeakAnalysis(control, state));
            for (DoubleArrayHdl h : {control->locations, control->amplitudes, control->secondDerivatives})
                ORIN_TRY(orin::DoubleArrayView(h).resize(control->count));
            return kErrNone;
        });
    if (*error || (control->control & kPeakLastCall)) releaseSeries(state, stateHandle);
    // Any failure for memory, a refused resize or not, returns kMgFullErr.
    return *error == kErrOutOfMemory ? kMgFullErr : status;
}
