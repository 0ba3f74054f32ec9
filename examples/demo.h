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

/* Where a scene's picture goes: name inside the directory given by the
   environment variable ORIN_DEMO_PICTURES (default: the current directory).
   demo_picture_saved reports the result of svg_plot_save beside the text. */
const char *demo_picture_path(const char *name);
void demo_picture_saved(const char *path, int status);

/* Each scene file registers itself; the demo runs them in increasing order.
   Orders: 10 statistics, 20 transforms, 30 windows and generation, 40 filters,
   50 pulse measurements. */
void demo_register_scene(int order, void (*scene)(void));
#define DEMO_SCENE(order, fn)                                                                        \
    static void fn(void);                                                                            \
    __attribute__((constructor)) static void fn##_register(void) { demo_register_scene(order, fn); } \
    static void fn(void)

#endif
