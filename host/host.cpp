// Stand-alone host layer: memory manager, sort, debug text and mutexes with the
// contracts the host process promises, plus the test controls of hostcontrol.h.
//
// A handle is a master pointer to a block. Each block is carved from a larger
// raw allocation so that its placement can be chosen: blocks sized by
// NumericArrayResize put their element area on an 8-byte boundary (a 1D block
// starts 4 bytes past one), blocks made by DSNewHandle start on a 16-byte
// boundary, so a 1D double array built in them has misaligned elements.

#include "hostcontrol.h"

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>

namespace {

// ---- allocation accounting and failure injection --------------------------

std::atomic<int64_t> gAttempts{0};
std::atomic<int64_t> gFailAt{0};
std::atomic<int64_t> gFailFrom{0};
std::atomic<size_t> gByteLimit{0};
std::atomic<int32_t> gSuspended{0};
std::atomic<int64_t> gLiveBlocks{0};

// Counts one allocation attempt of the given size; false when this attempt
// is the one to fail, lies in the failing run, or exceeds the size limit.
bool allocationAllowed(size_t bytes) {
    if (gSuspended.load() != 0) return true;
    const int64_t n = gAttempts.fetch_add(1) + 1;
    int64_t target = gFailAt.load();
    if (target != 0 && n == target) {
        gFailAt.compare_exchange_strong(target, 0);
        return false;
    }
    const int64_t from = gFailFrom.load();
    if (from != 0 && n >= from) return false;
    const size_t limit = gByteLimit.load();
    return limit == 0 || bytes <= limit;
}

// ---- blocks ---------------------------------------------------------------

struct BlockInfo {
    void *raw;
    size_t size;
    size_t shift;  // offset of the block from a 16-byte boundary: 0 or 4
};

constexpr size_t kAlign = 16;
constexpr size_t kInfoRoom = 32;  // room for BlockInfo before the block, kept 16-aligned

BlockInfo infoOf(UPtr block) {
    BlockInfo info;
    std::memcpy(&info, block - sizeof(BlockInfo), sizeof info);
    return info;
}

// The shift that puts the element area behind numDims int32 words on an
// 8-byte boundary.
size_t shiftForDims(int32_t numDims) { return (numDims % 2) ? 4 : 0; }

UPtr newBlock(size_t size, size_t shift, bool clear) {
    if (size > SIZE_MAX - kInfoRoom - kAlign) return nullptr;
    void *raw = nullptr;
    if (posix_memalign(&raw, kAlign, kInfoRoom + shift + size + 1) != 0) return nullptr;
    UPtr block = static_cast<UPtr>(raw) + kInfoRoom + shift;
    const BlockInfo info{raw, size, shift};
    std::memcpy(block - sizeof(BlockInfo), &info, sizeof info);
    if (clear) std::memset(block, 0, size);
    return block;
}

void freeBlock(UPtr block) {
    if (block) std::free(infoOf(block).raw);
}

// A new block of newSize bytes placed at shift, holding the old block's
// leading bytes; the old block is released only on success.
UPtr moveBlock(UPtr old, size_t newSize, size_t shift) {
    UPtr block = newBlock(newSize, shift, false);
    if (!block) return nullptr;
    if (old) {
        const size_t keep = std::min(infoOf(old).size, newSize);
        std::memcpy(block, old, keep);
        freeBlock(old);
    }
    return block;
}

UHandle newHandle(size_t size, size_t shift, bool clear) {
    UPtr block = newBlock(size, shift, clear);
    if (!block) return nullptr;
    auto master = static_cast<UHandle>(std::malloc(sizeof(UPtr)));
    if (!master) {
        freeBlock(block);
        return nullptr;
    }
    *master = block;
    ++gLiveBlocks;
    return master;
}

size_t elementSize(int32_t typeCode) {
    switch (typeCode) {
        case kTypeInt32: return 4;
        case kTypeDouble: return 8;
        case kTypeComplexDouble: return 16;
        default: return 0;
    }
}

// ---- debug text -----------------------------------------------------------

std::mutex gDebugLock;
bool gCapture = false;
std::string gDebugText;
std::string gDebugSnapshot;

// ---- mutexes --------------------------------------------------------------

// Handles are indices into this table (0 is never used), so a handle is one
// 32-bit word whatever the pointer size.
constexpr uint32_t kMaxMutexes = 1u << 16;
std::atomic<std::mutex *> gMutexes[kMaxMutexes];
std::mutex gMutexTableLock;
uint32_t gNextMutex = 1;
std::atomic<int64_t> gLiveMutexes{0};

std::mutex *mutexOf(MutexRef m) { return (m == 0 || m >= kMaxMutexes) ? nullptr : gMutexes[m].load(); }

}  // namespace

// ---- memory manager -------------------------------------------------------

MgErr NumericArrayResize(int32_t typeCode, int32_t numDims, UHandle *hdlp, size_t count) {
    const size_t elem = elementSize(typeCode);
    if (!hdlp || elem == 0 || numDims < 1 || numDims > 8) return kMgArgErr;
    const size_t header = 4 * static_cast<size_t>(numDims);
    if (count > (SIZE_MAX - header - kInfoRoom - kAlign) / elem) return kMgFullErr;
    const size_t bytes = header + count * elem;
    const size_t shift = shiftForDims(numDims);
    if (count != 0 && !allocationAllowed(bytes)) return kMgFullErr;

    if (!*hdlp) {
        UHandle h = newHandle(bytes, shift, false);
        if (!h) return kMgFullErr;
        std::memset(*h, 0, header);  // a new array starts empty
        *hdlp = h;
        return kMgNoErr;
    }
    UPtr block = moveBlock(**hdlp, bytes, shift);
    if (!block) return kMgFullErr;
    **hdlp = block;
    return kMgNoErr;
}

MgErr DSHandToHand(UHandle *hdlp) {
    if (!hdlp || !*hdlp || !**hdlp) return kMgArgErr;
    const BlockInfo info = infoOf(**hdlp);
    if (!allocationAllowed(info.size)) return kMgFullErr;
    UHandle copy = newHandle(info.size, info.shift, false);
    if (!copy) return kMgFullErr;
    std::memcpy(*copy, **hdlp, info.size);
    *hdlp = copy;
    return kMgNoErr;
}

UHandle DSNewHandle(size_t size) { return allocationAllowed(size) ? newHandle(size, 0, false) : nullptr; }

UHandle DSNewHClr(size_t size) { return allocationAllowed(size) ? newHandle(size, 0, true) : nullptr; }

MgErr DSSetHandleSize(UHandle h, size_t size) {
    if (!h || !*h) return kMgArgErr;
    if (size != 0 && !allocationAllowed(size)) return kMgFullErr;
    UPtr block = moveBlock(*h, size, infoOf(*h).shift);
    if (!block) return kMgFullErr;
    *h = block;
    return kMgNoErr;
}

MgErr DSDisposeHandle(UHandle h) {
    if (!h) return kMgArgErr;
    freeBlock(*h);
    std::free(h);
    --gLiveBlocks;
    return kMgNoErr;
}

UPtr DSNewPtr(size_t size) {
    if (!allocationAllowed(size)) return nullptr;
    UPtr p = newBlock(size, 0, false);
    if (p) ++gLiveBlocks;
    return p;
}

UPtr DSNewPClr(size_t size) {
    if (!allocationAllowed(size)) return nullptr;
    UPtr p = newBlock(size, 0, true);
    if (p) ++gLiveBlocks;
    return p;
}

MgErr DSDisposePtr(UPtr p) {
    if (!p) return kMgArgErr;
    freeBlock(p);
    --gLiveBlocks;
    return kMgNoErr;
}

void MoveBlock(const void *src, void *dst, size_t n) {
    if (n) std::memmove(dst, src, n);
}

void ClearMem(void *p, size_t n) {
    if (n) std::memset(p, 0, n);
}

// A merge sort whose every index comes from the loop structure, never from
// the comparison's answers, so it stays inside the array whatever the
// comparison does: one that is not transitive (the NaN rule of a sort, say)
// only yields some order of the same elements. Some C libraries' qsort read
// and write outside the array with such a comparison. When memory for the
// merge cannot be had, a heap sort (also bounded by its loops) sorts in place.
namespace {

using Compare = int (*)(const void *, const void *);

struct Elements {
    uint8_t *base;
    size_t size;
    uint8_t *at(size_t i) const { return base + i * size; }
};

void insertionSort(Elements a, size_t lo, size_t hi, Compare cmp, uint8_t *tmp) {
    for (size_t i = lo + 1; i < hi; ++i) {
        std::memcpy(tmp, a.at(i), a.size);
        size_t j = i;
        for (; j > lo && cmp(a.at(j - 1), tmp) > 0; --j) std::memcpy(a.at(j), a.at(j - 1), a.size);
        std::memcpy(a.at(j), tmp, a.size);
    }
}

void mergeSort(Elements a, size_t count, Compare cmp, uint8_t *buffer, uint8_t *tmp) {
    constexpr size_t kRun = 16;
    for (size_t lo = 0; lo < count; lo += kRun) insertionSort(a, lo, std::min(lo + kRun, count), cmp, tmp);
    for (size_t width = kRun; width < count; width *= 2) {
        for (size_t lo = 0; lo + width < count; lo += 2 * width) {
            const size_t mid = lo + width, hi = std::min(lo + 2 * width, count);
            // Merge [lo, mid) and [mid, hi) through the buffer.
            std::memcpy(buffer, a.at(lo), (hi - lo) * a.size);
            size_t i = 0, j = mid - lo, k = lo;
            const size_t iEnd = mid - lo, jEnd = hi - lo;
            while (i < iEnd && j < jEnd) {
                const bool right = cmp(buffer + i * a.size, buffer + j * a.size) > 0;
                std::memcpy(a.at(k++), buffer + (right ? j++ : i++) * a.size, a.size);
            }
            if (i < iEnd) std::memcpy(a.at(k), buffer + i * a.size, (iEnd - i) * a.size);
            else if (j < jEnd) std::memcpy(a.at(k), buffer + j * a.size, (jEnd - j) * a.size);
        }
        if (width > SIZE_MAX / 4) break;
    }
}

// Exchanges two elements byte by byte: the heap sort needs no buffer at all.
void swapElements(uint8_t *a, uint8_t *b, size_t size) {
    for (size_t i = 0; i < size; ++i) std::swap(a[i], b[i]);
}

void siftDown(Elements a, size_t root, size_t count, Compare cmp) {
    for (size_t child; (child = 2 * root + 1) < count; root = child) {
        if (child + 1 < count && cmp(a.at(child), a.at(child + 1)) < 0) ++child;
        if (cmp(a.at(root), a.at(child)) >= 0) return;
        swapElements(a.at(root), a.at(child), a.size);
    }
}

void heapSort(Elements a, size_t count, Compare cmp) {
    for (size_t i = count / 2; i-- > 0;) siftDown(a, i, count, cmp);
    for (size_t end = count; end-- > 1;) {
        swapElements(a.at(0), a.at(end), a.size);
        siftDown(a, 0, end, cmp);
    }
}

}  // namespace

void QSort(void *base, size_t count, size_t size, int (*cmp)(const void *, const void *)) {
    if (count < 2 || size == 0 || count > SIZE_MAX / size) return;
    const Elements a{static_cast<uint8_t *>(base), size};
    // The merge sort needs one element of room and a buffer of the array's
    // size; without either, the heap sort sorts in place. Sorting never fails.
    alignas(16) uint8_t small[64];
    uint8_t *tmp = size <= sizeof small ? small : static_cast<uint8_t *>(std::malloc(size));
    uint8_t *buffer = tmp ? static_cast<uint8_t *>(std::malloc(count * size)) : nullptr;
    if (buffer) mergeSort(a, count, cmp, buffer, tmp);
    else heapSort(a, count, cmp);
    std::free(buffer);
    if (tmp != small) std::free(tmp);
}

int32_t DBPrintf(const char *fmt, ...) {
    va_list args;
    va_start(args, fmt);
    char small[512];
    va_list copy;
    va_copy(copy, args);
    const int len = std::vsnprintf(small, sizeof small, fmt, copy);
    va_end(copy);
    std::string text;
    if (len >= 0 && static_cast<size_t>(len) < sizeof small) {
        text.assign(small, static_cast<size_t>(len));
    } else if (len >= 0) {
        text.resize(static_cast<size_t>(len) + 1);
        std::vsnprintf(text.data(), text.size(), fmt, args);
        text.resize(static_cast<size_t>(len));
    }
    va_end(args);
    std::lock_guard<std::mutex> lock(gDebugLock);
    if (gCapture) gDebugText += text;
    else std::fputs(text.c_str(), stderr);
    return len;
}

MgErr ThMutexCreate(MutexRef *m, int32_t /*flags*/) {
    if (!m) return kMgArgErr;
    std::lock_guard<std::mutex> lock(gMutexTableLock);
    for (uint32_t tried = 1; tried < kMaxMutexes; ++tried) {
        const uint32_t slot = gNextMutex;
        gNextMutex = gNextMutex + 1 < kMaxMutexes ? gNextMutex + 1 : 1;
        if (gMutexes[slot].load()) continue;
        auto *mutex = new (std::nothrow) std::mutex;
        if (!mutex) return kMgFullErr;
        gMutexes[slot].store(mutex);
        ++gLiveMutexes;
        *m = slot;
        return kMgNoErr;
    }
    return kMgFullErr;
}

MgErr ThMutexAcquire(MutexRef m) {
    std::mutex *mutex = mutexOf(m);
    if (!mutex) return kMgArgErr;
    mutex->lock();
    return kMgNoErr;
}

MgErr ThMutexRelease(MutexRef m) {
    std::mutex *mutex = mutexOf(m);
    if (!mutex) return kMgArgErr;
    mutex->unlock();
    return kMgNoErr;
}

MgErr ThMutexDestroy(MutexRef m) {
    std::lock_guard<std::mutex> lock(gMutexTableLock);
    std::mutex *mutex = mutexOf(m);
    if (!mutex) return kMgArgErr;
    gMutexes[m].store(nullptr);
    delete mutex;
    --gLiveMutexes;
    return kMgNoErr;
}

// ---- test controls --------------------------------------------------------

void OrinHostFailAllocation(int64_t n) { gFailAt.store(n > 0 ? gAttempts.load() + n : 0); }
int64_t OrinHostAllocationCount(void) { return gAttempts.load(); }
void OrinHostFailAllocationsFrom(int64_t n) { gFailFrom.store(n > 0 ? gAttempts.load() + n : 0); }
void OrinHostLimitAllocation(size_t bytes) { gByteLimit.store(bytes); }
void OrinHostSuspendCounting(int32_t on) { gSuspended.store(on != 0 ? 1 : 0); }
void OrinHostResetAllocationCount(void) {
    gAttempts.store(0);
    gFailAt.store(0);
    gFailFrom.store(0);
}
int64_t OrinHostLiveBlocks(void) { return gLiveBlocks.load(); }
int64_t OrinHostLiveMutexes(void) { return gLiveMutexes.load(); }

void OrinHostCaptureDebug(int32_t on) {
    std::lock_guard<std::mutex> lock(gDebugLock);
    gCapture = on != 0;
}

const char *OrinHostDebugText(void) {
    std::lock_guard<std::mutex> lock(gDebugLock);
    gDebugSnapshot = gDebugText;
    return gDebugSnapshot.c_str();
}

void OrinHostClearDebugText(void) {
    std::lock_guard<std::mutex> lock(gDebugLock);
    gDebugText.clear();
}

int32_t OrinHostScratchAcquire(size_t bytes) {
    if (!allocationAllowed(bytes)) return 1;
    ++gLiveBlocks;
    return 0;
}

void OrinHostScratchRelease(void) { --gLiveBlocks; }
