/*
 * orinanalysis: the host platform functions the library imports by name.
 *
 * The host process provides these; liborinhost is a stand-alone provider with
 * the same contracts for programs and tests that run without the host.
 * Memory-manager functions return 0 (kMgNoErr) on success and a non-zero
 * status otherwise; allocators return a null handle or pointer on failure.
 */
#ifndef ORIN_HOST_H
#define ORIN_HOST_H

#include <orin/common.h>

typedef int32_t MgErr;
enum { kMgNoErr = 0, kMgArgErr = 1, kMgFullErr = 2 };

typedef uint8_t *UPtr;
typedef uint8_t **UHandle;

/* A host mutex handle: one 32-bit word in every build, never 0 once created. */
typedef uint32_t MutexRef;

/* Resize the block behind *hdlp to hold count elements of typeCode (3, 10 or
   13) after numDims int32 dimension words; a null *hdlp makes a new handle.
   The dimension words are left as they were: the caller writes them. The
   element area of such a block is 8-byte aligned. Returns kMgFullErr when the
   size cannot be represented or allocated, kMgArgErr for a bad type code. */
ORIN_API MgErr NumericArrayResize(int32_t typeCode, int32_t numDims, UHandle *hdlp, size_t count);

/* Replace *hdlp by a new handle holding a copy of its block. */
ORIN_API MgErr DSHandToHand(UHandle *hdlp);
/* New relocatable block of size bytes (Clr: zero-filled); null on failure. */
ORIN_API UHandle DSNewHandle(size_t size);
ORIN_API UHandle DSNewHClr(size_t size);
/* Grow or shrink a relocatable block, keeping its leading bytes. */
ORIN_API MgErr DSSetHandleSize(UHandle h, size_t size);
ORIN_API MgErr DSDisposeHandle(UHandle h);

/* Non-relocatable blocks (Clr: zero-filled); null on failure. */
ORIN_API UPtr DSNewPtr(size_t size);
ORIN_API UPtr DSNewPClr(size_t size);
ORIN_API MgErr DSDisposePtr(UPtr p);

/* Copy n bytes from src to dst; correct for overlapping areas. */
ORIN_API void MoveBlock(const void *src, void *dst, size_t n);
ORIN_API void ClearMem(void *p, size_t n);

/* In-place sort of count elements of size bytes by cmp (negative, 0, positive). */
ORIN_API void QSort(void *base, size_t count, size_t size, int (*cmp)(const void *, const void *));

/* Diagnostic text; carries no behaviour. */
ORIN_API int32_t DBPrintf(const char *fmt, ...) __attribute__((format(printf, 1, 2)));

/* Mutexes: create stores a new non-zero handle through m (flags: 0). */
ORIN_API MgErr ThMutexCreate(MutexRef *m, int32_t flags);
ORIN_API MgErr ThMutexAcquire(MutexRef m);
ORIN_API MgErr ThMutexRelease(MutexRef m);
ORIN_API MgErr ThMutexDestroy(MutexRef m);

#endif /* ORIN_HOST_H */
