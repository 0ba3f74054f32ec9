/*
 * orinanalysis: library lifecycle and exported data.
 *
 * Nothing needs initialising before a numerical routine is called. At load the
 * library runs OrinAnalysisStart after constructing the measurement engine's
 * session registry and function map; at unload it runs OrinAnalysisFinish
 * before destroying them.
 */
#ifndef ORIN_FRAME_H
#define ORIN_FRAME_H

#include <orin/common.h>
#include <orin/host.h>

/* Host mutex created at load for the random generator's callers; 0 when it
   does not exist. No routine of the library takes it. */
ORIN_API MutexRef AnlysRandGenMutex;

/* Read-only notice text: the library's name, version and copyright. */
ORIN_API const char notice[];

/* Creates AnlysRandGenMutex with ThMutexCreate(&AnlysRandGenMutex, 0) and
   returns the host's status unchanged. A second call makes another mutex. */
ORIN_API int32_t OrinAnalysisStart(void);

/* Destroys AnlysRandGenMutex, sets it to 0 and returns the host's status of
   the destroy call unchanged. */
ORIN_API int32_t OrinAnalysisFinish(void);

#endif /* ORIN_FRAME_H */
