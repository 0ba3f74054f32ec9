// Load-time construction order of the library's long-lived objects.
//
// Static objects of the shared object are constructed in increasing priority
// and destroyed in the reverse order: the measurement engine's session
// registry, then its function map, then the lifecycle guard that runs
// OrinAnalysisStart (and, at unload, OrinAnalysisFinish before the other two
// are destroyed). Use these with __attribute__((init_priority(...))).
#ifndef ORIN_FRAME_LIFECYCLE_H
#define ORIN_FRAME_LIFECYCLE_H

#define ORIN_INIT_PRIORITY_REGISTRY 201
#define ORIN_INIT_PRIORITY_FUNCMAP 202
#define ORIN_INIT_PRIORITY_LIFECYCLE 203

#endif  // ORIN_FRAME_LIFECYCLE_H
