#include <orin/timedomain.h>

#include <algorithm>

#include "../frame/kit.h"

using orin::DoubleArrayView;
using orin::Int32ArrayView;
using orin::Outcome;

int32_t Triggerh(DoubleMatrixHdl dataHandle, DoubleArrayHdl levelsHandle, DoubleArrayHdl previousHandle,
                 DoubleArrayHdl hysteresisHandle, Int32ArrayHdl slopesHandle, int32_t maxTriggers,
                 Int32ArrayHdl indicesHandle, Int32ArrayHdl countsHandle, Int32ArrayHdl triggeredHandle,
                 DoubleArrayHdl lastValuesHandle, int32_t *error) {
    Int32ArrayView indices(indicesHandle), counts(countsHandle), triggered(triggeredHandle);
    DoubleArrayView lastValues(lastValuesHandle);
    return orin::runEntry(error, {indices, counts, triggered, lastValues}, [&]() -> Outcome {
        const orin::DoubleMatrixView data(dataHandle);
        const DoubleArrayView levels(levelsHandle), previous(previousHandle), hysteresis(hysteresisHandle);
        const Int32ArrayView slopes(slopesHandle);
        const int32_t channels = std::max(data.rows(), 0);
        const int32_t samples = std::max(data.cols(), 0);
        // Every per-channel input must cover every channel: a short array
        // would be read past its end.
        if (levels.size() < channels || previous.size() < channels || hysteresis.size() < channels ||
            slopes.size() < channels)
            return kErrArraySizeMismatch;
        const int64_t listSize = static_cast<int64_t>(std::max(maxTriggers, 0)) * channels;
        if (listSize > INT32_MAX) return Outcome::refused(orin::HostStatus(kMgFullErr));
        ORIN_TRY(indices.resize(static_cast<int32_t>(listSize)));
        ORIN_TRY(counts.resize(channels));
        ORIN_TRY(triggered.resize(channels));
        ORIN_TRY(lastValues.resize(channels));
        // The counts and flags describe this block alone, and list positions
        // past the triggers found hold 0 rather than stale memory.
        std::fill_n(indices.data(), indices.size(), 0);
        std::fill_n(counts.data(), channels, 0);
        std::fill_n(triggered.data(), channels, 0);
        return qaTriggerDetection(data.data(), samples, channels, levels.data(), previous.data(), hysteresis.data(),
                                  slopes.data(), maxTriggers, indices.data(), counts.data(), triggered.data(),
                                  lastValues.data());
    });
}
