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
/* Allocations attempted (failed ones included) since the last reset. */
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
