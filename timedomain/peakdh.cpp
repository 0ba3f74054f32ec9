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
    *error = kErrNone;
    int32_t code = kErrNone;
    MgErr status = kMgNoErr;
    if (control->width <= 2) {
        code = kErrInvalidSelector;
    } else if (control->control & kPeakFirstCall) {
        code = AllocPeakCINData(control->width, stateHandle);
        if (!code) state->width = control->width;
    } else {
        code = checkSeries(control, state, *stateHandle);
    }
    // The block may have moved since the last call: the state's pointers
    // are derived from the handle every time.
    if (!code) SetInternalPeakPointers(state, **stateHandle);
    if (!code) code = dPeakAnalysis(control, state);
    if (!code) {
        for (DoubleArrayHdl h : {control->locations, control->amplitudes, control->secondDerivatives}) {
            status = dResize1D(h, control->count);
            if (status != kMgNoErr) {
                code = kErrOutOfMemory;
                break;
            }
        }
    }
    if (code) {
        *error = code;
        control->count = 0;
        for (DoubleArrayHdl h : {control->locations, control->amplitudes, control->secondDerivatives})
            orin::DoubleArrayView(h).empty();
    }
    if (code || (control->control & kPeakLastCall)) releaseSeries(state, stateHandle);
    return code == kErrOutOfMemory ? kMgFullErr : status;
}
