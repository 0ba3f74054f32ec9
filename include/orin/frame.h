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

/* Read-only notice text, NUL-terminated: the library's name, version and
   copyright. Nothing in the library reads it. */
ORIN_API const char notice[];

/* Creates AnlysRandGenMutex with ThMutexCreate(&AnlysRandGenMutex, 0). Runs
   at load; a host may call it again, which makes another mutex and
   overwrites the handle (the first is then never destroyed).
   Returns the host's status of the create call unchanged (not checked). */
ORIN_API int32_t OrinAnalysisStart(void);

/* Destroys AnlysRandGenMutex and sets it to 0. Runs at unload.
   Returns the host's status of the destroy call unchanged (non-zero when the
   mutex did not exist). */
ORIN_API int32_t OrinAnalysisFinish(void);

#endif /* ORIN_FRAME_H */
