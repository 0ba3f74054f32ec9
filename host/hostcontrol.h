/*
 * Test controls of the stand-alone host layer (liborinhost only; a real host
 * process has none of these). All of them are thread-safe.
 */
#ifndef ORIN_HOSTCONTROL_H
#define ORIN_HOSTCONTROL_H

#include <orin/host.h>

/* Make the n-th allocation from now fail (1 = the next one); 0 disarms.
   Counted allocations: NumericArrayResize and DSSetHandleSize to a non-zero
   size, DSHandToHand, DSNewHandle, DSNewHClr, DSNewPtr, DSNewPClr, and the
   library's process-heap scratch. */
ORIN_API void OrinHostFailAllocation(int64_t n);
/* Make the n-th allocation from now and every later one fail, as a host that
   has run out of memory would (1 = all of them); 0 disarms. */
ORIN_API void OrinHostFailAllocationsFrom(int64_t n);
/* Refuse every counted allocation larger than bytes, as a host with that much
   memory left would; 0 lifts the limit. */
ORIN_API void OrinHostLimitAllocation(size_t bytes);
/* While on, allocations are neither counted nor failed (a test builds its
   own inputs so, without moving the failure it has armed). */
ORIN_API void OrinHostSuspendCounting(int32_t on);
/* Allocations attempted (failed ones included) since the last reset, which
   also disarms both kinds of failure. */
ORIN_API int64_t OrinHostAllocationCount(void);
ORIN_API void OrinHostResetAllocationCount(void);

/* Blocks alive now: handles, pointer blocks and scratch blocks. */
ORIN_API int64_t OrinHostLiveBlocks(void);
/* Host mutexes alive now. */
ORIN_API int64_t OrinHostLiveMutexes(void);

/* While capturing, DBPrintf appends to a buffer instead of writing to stderr.
   OrinHostDebugText returns the captured text (valid until the next call). */
ORIN_API void OrinHostCaptureDebug(int32_t on);
ORIN_API const char *OrinHostDebugText(void);
ORIN_API void OrinHostClearDebugText(void);

/* Hooks consulted by the library's process-heap scratch when this host layer
   is present: acquire returns non-zero to refuse an allocation. */
ORIN_API int32_t OrinHostScratchAcquire(size_t bytes);
ORIN_API void OrinHostScratchRelease(void);

#endif /* ORIN_HOSTCONTROL_H */
