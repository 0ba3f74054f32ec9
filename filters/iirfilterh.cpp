#include "detail.h"

namespace {

using orin::DoubleArrayView;
using orin::Outcome;

// Brings a state array to count values. A resize clears the filter's memory
// (reset); a refused one leaves the state empty.
Outcome fitState(DoubleArrayView &state, int32_t count, bool &reset) {
    if (state.size() == count) return {};
    reset = true;
    const Outcome r = state.resize(count);
    if (!r.ok()) state.empty();
    return r;
}

void clear(const DoubleArrayView &state) {
    double *s = state.data();
    for (int32_t i = 0; i < state.size(); ++i) s[i] = 0;
}

}  // namespace

// The samples are emptied after a coefficient or structure error and kept
// after a missing signal, a bad section kind or a refused state (a refused
// state array is itself left empty by fitState).
int32_t IIR_Filter(DoubleArrayHdl xHandle, DoubleArrayHdl aHandle, DoubleArrayHdl bHandle, DoubleArrayHdl bStateHandle,
                   DoubleArrayHdl aStateHandle, const uint8_t *continueFlag, int32_t *error) {
    const orin::Output samples = orin::Output(xHandle).keepOn({kErrEmptyArray, kErrOutOfMemory});
    return orin::runEntry(error, {samples}, [&]() -> Outcome {
        DoubleArrayView x(xHandle), a(aHandle), b(bHandle), bState(bStateHandle), aState(aStateHandle);
        const int32_t n = x.size(), na = a.size(), nb = b.size();
        if (n < 1) return kErrEmptyArray;
        bool reset = *continueFlag != 1;
        if (na < 1 && nb < 1) return kErrNone;
        if (nb < 1) return kErrBadArraySize;
        const bool recursive = na > 0;
        ORIN_TRY(fitState(bState, nb - 1, reset));
        if (recursive) ORIN_TRY(fitState(aState, na - 1, reset));
        if (reset) {
            clear(bState);
            clear(aState);
        }
        return IIR_Filtering(x.data(), n, a.data(), aState.data(), recursive ? na : 0, b.data(), bState.data(), nb,
                             x.data());
    });
}

int32_t IIR_Filter2(DoubleArrayHdl xHandle, const int32_t *sectionKind, DoubleArrayHdl aHandle, DoubleArrayHdl bHandle,
                    DoubleArrayHdl stateHandle, const uint8_t *continueFlag, int32_t *error) {
    const orin::Output samples = orin::Output(xHandle).keepOn({kErrEmptyArray, kErrInvalidSelector, kErrOutOfMemory});
    return orin::runEntry(error, {samples}, [&]() -> Outcome {
        DoubleArrayView x(xHandle), a(aHandle), b(bHandle), state(stateHandle);
        const int32_t n = x.size(), na = a.size(), nb = b.size();
        if (n < 1) return kErrEmptyArray;
        if (*sectionKind != 0 && *sectionKind != 1) return kErrInvalidSelector;
        const int32_t m = *sectionKind == 0 ? 2 : 4;
        if (na < 1 && nb < 1) return kErrNone;
        if (na < 1 || nb < 1) return kErrBadArraySize;
        bool reset = *continueFlag != 1;
        ORIN_TRY(fitState(state, na / m * m, reset));
        IIRFilterInfo info{};
        info.type = m == 2 ? orin::iir::kLowpass : orin::iir::kBandpass;
        info.order = m == 2 ? na : na / 2;
        info.init = reset ? 1 : 0;
        info.aCount = na;
        info.a = a.data();
        info.bCount = nb;
        info.b = b.data();
        info.stateCount = state.size();
        info.state = state.data();
        return IIR_Filtering2(x.data(), n, &info, x.data());
    });
}
