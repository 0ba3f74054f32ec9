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

/* Resize a numeric array block; the element area of such a block is 8-byte
   aligned. The dimension words are left as they were: the caller writes them.
   typeCode  in      element type: 3 int32, 10 double, 13 complex double
   numDims   in      number of int32 dimension words before the elements, >= 1
   hdlp      in/out  address of the handle; a null *hdlp makes a new handle
                     (its dimension words 0)
   count     in      total number of elements (rows*cols for 2D)
   Returns kMgNoErr, kMgArgErr (null hdlp, bad type code or numDims), or
   kMgFullErr (size not representable or not allocatable; the block is then
   unchanged). */
ORIN_API MgErr NumericArrayResize(int32_t typeCode, int32_t numDims, UHandle *hdlp, size_t count);

/* Replace *hdlp by a new handle holding a copy of its block.
   hdlp  in/out  address of a non-null handle; the copy's handle on return
                 (the original handle stays valid and is still the caller's)
   Returns kMgNoErr, kMgArgErr (null handle), kMgFullErr (*hdlp unchanged). */
ORIN_API MgErr DSHandToHand(UHandle *hdlp);
/* New relocatable block of size bytes (Clr: zero-filled); null on failure. */
ORIN_API UHandle DSNewHandle(size_t size);
ORIN_API UHandle DSNewHClr(size_t size);
/* Grow or shrink a relocatable block, keeping its leading bytes.
   Returns kMgNoErr, kMgArgErr (null handle), kMgFullErr (h unchanged). */
ORIN_API MgErr DSSetHandleSize(UHandle h, size_t size);
/* Free a relocatable block and its handle. kMgArgErr for a null handle. */
ORIN_API MgErr DSDisposeHandle(UHandle h);

/* Non-relocatable blocks (Clr: zero-filled); null on failure. DSDisposePtr
   returns kMgArgErr for a null pointer. */
ORIN_API UPtr DSNewPtr(size_t size);
ORIN_API UPtr DSNewPClr(size_t size);
ORIN_API MgErr DSDisposePtr(UPtr p);

/* Copy n bytes from src to dst; correct for overlapping areas. */
ORIN_API void MoveBlock(const void *src, void *dst, size_t n);
/* Set n bytes at p to 0. */
ORIN_API void ClearMem(void *p, size_t n);

/* In-place sort by a caller comparison. liborinhost's sort stays within the
   array whatever the comparison returns (one that is not transitive, such as
   an ordering of doubles with NaN, included).
   base   in/out  count elements of size bytes
   count  in      number of elements; below 2 nothing is done
   size   in      bytes per element, >= 1
   cmp    in      negative, 0 or positive as the first element sorts before,
                  with or after the second */
ORIN_API void QSort(void *base, size_t count, size_t size, int (*cmp)(const void *, const void *));

/* Diagnostic text, printf-style; carries no behaviour. */
ORIN_API int32_t DBPrintf(const char *fmt, ...) __attribute__((format(printf, 1, 2)));

/* Mutexes. Each returns kMgNoErr, or a non-zero status (kMgArgErr for a
   handle that does not exist, kMgFullErr when no mutex can be made).
   m      out (create) / in (others)  the mutex handle; create stores a new
                                      non-zero handle through m
   flags  in                          0 */
ORIN_API MgErr ThMutexCreate(MutexRef *m, int32_t flags);
ORIN_API MgErr ThMutexAcquire(MutexRef m);
ORIN_API MgErr ThMutexRelease(MutexRef m);
ORIN_API MgErr ThMutexDestroy(MutexRef m);

#endif /* ORIN_HOST_H */
