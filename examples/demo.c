/*
 * orinanalysis demo: loads the library at run time as the host does, binds
 * routines by name, and walks through what it computes.
 */
#define _GNU_SOURCE
#include "demo.h"

#include <dlfcn.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static void *library;

void *demo_symbol(const char *name) {
    void *sym = dlsym(library, name);
    if (!sym) {
        fprintf(stderr, "the library does not export %s\n", name);
        exit(1);
    }
    return sym;
}

DoubleArrayHdl demo_doubles(const double *values, int32_t n) {
    UHandle h = NULL;
    if (NumericArrayResize(kTypeDouble, 1, &h, (size_t)n) != kMgNoErr) {
        fprintf(stderr, "out of memory\n");
        exit(1);
    }
    DoubleArrayHdl a = (DoubleArrayHdl)h;
    (*a)->dimSize = n;
    if (n > 0) memcpy((*a)->elt, values, (size_t)n * sizeof(double));
    return a;
}

void demo_free(void *handle) { DSDisposeHandle((UHandle)handle); }

void demo_heading(const char *title) { printf("\n== %s\n\n", title); }

const char *demo_picture_path(const char *name) {
    static char path[4096];
    const char *dir = getenv("ORIN_DEMO_PICTURES");
    if (!dir || !*dir) dir = ".";
    snprintf(path, sizeof path, "%s/%s", dir, name);
    return path;
}

void demo_picture_saved(const char *path, int status) {
    if (status == 0) printf("  picture: %s\n", path);
    else printf("  picture %s not written: %s\n", path, strerror(errno));
}

enum { kMaxScenes = 32 };
static struct {
    int order;
    void (*run)(void);
} scenes[kMaxScenes];
static int sceneCount;

void demo_register_scene(int order, void (*scene)(void)) {
    if (sceneCount < kMaxScenes) {
        scenes[sceneCount].order = order;
        scenes[sceneCount].run = scene;
        ++sceneCount;
    }
}

static int byOrder(const void *a, const void *b) { return *(const int *)a - *(const int *)b; }

int main(int argc, char **argv) {
    const char *path = argc > 1 ? argv[1] : "liborinanalysis.so." ORIN_SOVERSION;
    library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        fprintf(stderr, "cannot load %s: %s\n", path, dlerror());
        return 1;
    }
    const char *text = (const char *)demo_symbol("notice");
    printf("%s\n", text);
    printf("Loaded %s; the load-time start created host mutex %u.\n", path,
           (unsigned)*(const MutexRef *)demo_symbol("AnlysRandGenMutex"));

    qsort(scenes, (size_t)sceneCount, sizeof scenes[0], byOrder);
    for (int i = 0; i < sceneCount; ++i) scenes[i].run();

    dlclose(library);
    printf("\nUnloaded the library.\n");
    return 0;
}
