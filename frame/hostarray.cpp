#include "hostarray.h"

#include "scratch.h"

namespace orin {

namespace {

size_t elementSize(int32_t typeCode) {
    switch (typeCode) {
        case kTypeInt32: return sizeof(int32_t);
        case kTypeDouble: return sizeof(double);
        case kTypeComplexDouble: return sizeof(complexnum);
        default: return 0;
    }
}

}  // namespace

Outcome resizeHandle(UHandle h, int32_t typeCode, int32_t numDims, int64_t count) {
    if (!h) return Outcome::refused(HostStatus(kMgArgErr));
    // The total byte size (dimension words included) must be representable
    // before the memory manager is asked: a 2D count of rows * columns or a
    // large count of 16-byte elements overflows size_t in the 32-bit build.
    size_t bytes = 0;
    if (!byteSize(count, elementSize(typeCode), &bytes) || bytes > SIZE_MAX - 4 * sizeof(int32_t) * 2)
        return Outcome::refused(HostStatus(kMgFullErr));
    const MgErr status = NumericArrayResize(typeCode, numDims, &h, static_cast<size_t>(count));
    return status == kMgNoErr ? Outcome() : Outcome::refused(HostStatus(status));
}

Outcome resizeHandle2D(UHandle h, int32_t typeCode, int32_t rows, int32_t cols) {
    if (rows < 0 || cols < 0) return Outcome::refused(HostStatus(kMgArgErr));
    return resizeHandle(h, typeCode, 2, static_cast<int64_t>(rows) * cols);
}

Outcome resizeRecords(UHandle h, size_t recordSize, int64_t count) {
    if (!h) return Outcome::refused(HostStatus(kMgArgErr));
    size_t bytes = 0;
    if (!byteSize(count, recordSize, &bytes) || bytes > SIZE_MAX - sizeof(int32_t))
        return Outcome::refused(HostStatus(kMgFullErr));
    const MgErr status = DSSetHandleSize(h, bytes + sizeof(int32_t));
    return status == kMgNoErr ? Outcome() : Outcome::refused(HostStatus(status));
}

void emptyRecords(UHandle h) {
    if (!h) return;
    DSSetHandleSize(h, sizeof(int32_t));
    if (*h) *reinterpret_cast<int32_t *>(*h) = 0;
}

void emptyHandle(UHandle h, int32_t typeCode, int32_t numDims) {
    if (!h) return;
    NumericArrayResize(typeCode, numDims, &h, 0);
    if (*h) {
        int32_t *dims = reinterpret_cast<int32_t *>(*h);
        for (int32_t d = 0; d < numDims; ++d) dims[d] = 0;
    }
}

}  // namespace orin
