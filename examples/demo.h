/* The demo's shared pieces: each scene gets the loaded library. */
#ifndef ORIN_DEMO_H
#define ORIN_DEMO_H

#include <orin/orinanalysis.h>

/* Resolves an exported routine by name from the loaded library, typed from
   its declaration, the way a host binds a call node to a library function. */
void *demo_symbol(const char *name);
#define DEMO_SYM(name) ((__typeof__(&name))demo_symbol(#name))

/* Host arrays as the host passes them: made and freed by its memory manager. */
DoubleArrayHdl demo_doubles(const double *values, int32_t n);
void demo_free(void *handle);

void demo_heading(const char *title);

void scene_statistics(void);

#endif
