// The streaming least-squares peak detector: its internal data block, the
// history of the last window, and the analysis of one block.
#include <orin/timedomain.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "../frame/kit.h"

namespace {

constexpr int32_t kOrder = 3;       // c0 + c1 t + c2 t^2
constexpr int32_t kRoomStep = 500;  // output elements added at a time

// Offsets within the internal data, which follows the block's int32 size
// word: three fit rows, the window, the history (width doubles each), the
// previous coefficients, then the three row pointers; end is its size. In
// 64 bits, so that the size of any width can be checked.
struct InternalLayout {
    int64_t window, history, prevCoeffs, rowPointers, end;
    explicit InternalLayout(int32_t width) {
        const int64_t w = static_cast<int64_t>(width) * static_cast<int64_t>(sizeof(double));
        window = kOrder * w;
        history = window + w;
        prevCoeffs = history + w;
        rowPointers = prevCoeffs + kOrder * static_cast<int64_t>(sizeof(double));
        end = rowPointers + kOrder * static_cast<int64_t>(sizeof(double *));
    }
};

// The internal data's size, rounded up to whole doubles.
int64_t internalBytes(int32_t width) { return (InternalLayout(width).end + 7) & ~static_cast<int64_t>(7); }

// The vertex of c0 + c1 t + c2 t^2: position relative to the window centre,
// value, and second derivative 2 c2 (0 when the fit is a line).
struct Vertex {
    double x, y, a;
};
Vertex vertexOf(const double *c) {
    const double a = 2.0 * c[2];
    if (a == 0) return {0, 0, 0};
    const double x = -c[1] / a;
    return {x, (c[1] + c[2] * x) * x + c[0], a};
}

// dCheckPeak, telling also whether the previous window's vertex was taken.
int32_t checkPeak(const PeakCINControl *control, const PeakCINState *state, const double *coeffs, double *peak,
                  bool *usedPrevious) {
    *usedPrevious = false;
    const double half = 0.5 * (state->width - 1);
    Vertex v = vertexOf(coeffs);
    if (v.a == 0) return 0;
    int32_t f = state->fitsDone;
    // A vertex in the first half of the window, or outside it, may be
    // better described by the previous window, whose centre lies one sample
    // earlier, unless that window's own vertex has been reported already.
    if (f > 0 && (v.x < -0.5 || std::fabs(v.x) > half) && !state->lastReported) {
        const Vertex p = vertexOf(state->prevCoeffs);
        if (p.a == 0) return 0;
        if (std::fabs(v.x) > std::fabs(p.x)) {
            v = p;
            f -= 1;
            *usedPrevious = true;
        }
    }
    peak[0] = v.x + half + f;
    peak[1] = v.y;
    peak[2] = v.a;
    if (!(std::fabs(v.x) <= half)) return 0;
    if (control->polarity == 0) return v.a < 0 && v.y > control->threshold;
    return v.a > 0 && v.y < control->threshold;
}

int32_t sizeOf(DoubleArrayHdl h) { return orin::DoubleArrayView(h).size(); }

}  // namespace

int32_t InternalPeakDataSize(int32_t width) {
    if (width < 1) return 0;
    const int64_t bytes = internalBytes(width);
    return bytes > INT32_MAX - 8 ? 0 : static_cast<int32_t>(bytes);
}

int32_t AllocPeakCINData(int32_t width, UHandle *stateHandle) {
    const int32_t bytes = InternalPeakDataSize(width);
    if (bytes == 0) return kErrOutOfMemory;
    const size_t total = sizeof(int32_t) + static_cast<size_t>(bytes);
    if (*stateHandle) {
        if (DSSetHandleSize(*stateHandle, total) != kMgNoErr) return kErrOutOfMemory;
    } else {
        *stateHandle = DSNewHandle(total);
        if (!*stateHandle) return kErrOutOfMemory;
    }
    const int32_t doubles = bytes / static_cast<int32_t>(sizeof(double));
    std::memcpy(**stateHandle, &doubles, sizeof doubles);
    return kErrNone;
}

void DisposePeakCINData(UHandle *stateHandle) {
    if (*stateHandle) DSDisposeHandle(*stateHandle);
    *stateHandle = nullptr;
}

void SetInternalPeakPointers(PeakCINState *state, void *base) {
    uint8_t *data = static_cast<uint8_t *>(base) + sizeof(int32_t);
    const InternalLayout at(state->width);
    double **rows = reinterpret_cast<double **>(data + at.rowPointers);
    for (int32_t k = 0; k < kOrder; ++k)
        rows[k] = reinterpret_cast<double *>(data) + static_cast<size_t>(k) * state->width;
    state->rows = rows;
    state->window = reinterpret_cast<double *>(data + at.window);
    state->history = reinterpret_cast<double *>(data + at.history);
    state->prevCoeffs = reinterpret_cast<double *>(data + at.prevCoeffs);
}

MgErr dResize1D(DoubleArrayHdl h, int32_t count) {
    orin::DoubleArrayView view(h);
    return view.resize(count).status.value;
}

MgErr PeakDataResize(DoubleArrayHdl h, int32_t count) {
    orin::DoubleArrayView view(h);
    const int32_t old = std::max(view.size(), 0);
    const MgErr status = dResize1D(h, count);
    if (status == kMgNoErr && count > old) std::fill(view.data() + old, view.data() + count, 0.0);
    return status;
}

MgErr AddRoom(PeakCINControl *control) {
    DoubleArrayHdl outputs[] = {control->locations, control->amplitudes, control->secondDerivatives};
    for (DoubleArrayHdl h : outputs) {
        // Grown from the larger of its size and the peaks stored, so that
        // every array has room for the next peak.
        const int64_t target = static_cast<int64_t>(std::max({sizeOf(h), control->count, 0})) + kRoomStep;
        if (target > INT32_MAX) return kMgFullErr;
        const MgErr status = PeakDataResize(h, static_cast<int32_t>(target));
        if (status != kMgNoErr) return status;
    }
    return kMgNoErr;
}

int32_t dSavePeak(PeakCINControl *control, const double *peak, int32_t *error) {
    *error = kErrNone;
    const int32_t c = control->count;
    // Any of the three arrays being short means growing: they are written
    // at the same index.
    if (sizeOf(control->locations) <= c || sizeOf(control->amplitudes) <= c ||
        sizeOf(control->secondDerivatives) <= c) {
        if (AddRoom(control) != kMgNoErr) {
            *error = kErrOutOfMemory;
            return 0;
        }
    }
    orin::DoubleArrayView(control->locations).data()[c] = peak[0];
    orin::DoubleArrayView(control->amplitudes).data()[c] = peak[1];
    orin::DoubleArrayView(control->secondDerivatives).data()[c] = peak[2];
    return 1;
}

int32_t dCheckPeak(const PeakCINControl *control, const PeakCINState *state, const double *coeffs, double *peak) {
    bool usedPrevious = false;
    return checkPeak(control, state, coeffs, peak, &usedPrevious);
}

const double *GetDataBuffer(const PeakCINState *state, int32_t position, double *buffer) {
    const int32_t w = state->width;
    if (position >= w) return state->current + (position - w);
    if (position == 0) return state->history;
    const size_t fromHistory = static_cast<size_t>(w - position);
    std::memcpy(buffer, state->history + position, fromHistory * sizeof(double));
    std::memcpy(buffer + fromHistory, state->current, static_cast<size_t>(position) * sizeof(double));
    return buffer;
}

int32_t IsHistoryBufferFilled(const PeakCINControl *control, PeakCINState *state) {
    const orin::DoubleArrayView block(control->data);
    const int32_t n = std::max(block.size(), 0);
    const int32_t w = state->width;
    int32_t used = 0;
    if (state->historyCount < w) {
        used = std::min(w - state->historyCount, n);
        std::memcpy(state->history + state->historyCount, block.data(), static_cast<size_t>(used) * sizeof(double));
        state->historyCount += used;
    }
    state->current = block.data() + used;
    state->available = n - used;
    return state->historyCount >= w;
}

void SaveHistoryData(PeakCINState *state) {
    const int32_t w = state->width;
    const int32_t a = state->available;
    if (a >= w) {
        std::memcpy(state->history, state->current + (a - w), static_cast<size_t>(w) * sizeof(double));
    } else if (a > 0) {
        std::memmove(state->history, state->history + a, static_cast<size_t>(w - a) * sizeof(double));
        std::memcpy(state->history + (w - a), state->current, static_cast<size_t>(a) * sizeof(double));
    }
}

int32_t _dPeakAnalysis(PeakCINControl *control, PeakCINState *state) {
    const int32_t w = state->width;
    // The last window of a block starts the next block (as its position 0),
    // except on the last call, which takes it here.
    const int32_t positions = state->available + ((control->control & kPeakLastCall) ? 1 : 0);
    // fitsDone numbers the windows of the whole series: a series longer than
    // an int32 can number is refused, not numbered wrongly.
    if (static_cast<int64_t>(state->fitsDone) + positions > INT32_MAX) return kErrTooManySamples;
    double coeffs[kOrder];
    double peak[kOrder];
    for (int32_t p = 0; p < positions; ++p) {
        const double *window = GetDataBuffer(state, p, state->window);
        dComputeLSQFitCoeff(window, w, state->rows, coeffs, kOrder);
        const int32_t r = coeffs[1] >= 0;
        if (state->fitsDone == 0) state->rising = r;
        bool reportedOwn = false;
        bool usedPrevious = false;
        if (r != state->rising && checkPeak(control, state, coeffs, peak, &usedPrevious)) {
            int32_t code = kErrNone;
            if (!dSavePeak(control, peak, &code)) return code;
            ++control->count;
            reportedOwn = !usedPrevious;
        }
        state->lastReported = reportedOwn;
        state->rising = r;
        std::memcpy(state->prevCoeffs, coeffs, sizeof coeffs);
        ++state->fitsDone;
    }
    return kErrNone;
}

int32_t dPeakAnalysis(PeakCINControl *control, PeakCINState *state) {
    const int32_t w = state->width;
    if (orin::DoubleArrayView(control->data).size() < w) return kErrPeakWidth;
    if (control->control & kPeakFirstCall) {
        if (w < 3) return kErrInvalidSelector;
        state->historyCount = 0;
        state->fitsDone = 0;
        state->rising = 0;
        state->lastReported = 0;
        const int32_t code = dUnifPolyRinvQt(state->rows, kOrder, w);
        if (code) return code;
    }
    control->count = 0;
    if (!IsHistoryBufferFilled(control, state)) return kErrNone;
    const int32_t code = _dPeakAnalysis(control, state);
    if (code) return code;
    SaveHistoryData(state);
    return kErrNone;
}
