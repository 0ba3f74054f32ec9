// Typed views of host array handles.
//
// A view holds a copy of the handle the host passed; resizing goes through the
// memory manager on that copy, which resizes the block behind the same handle,
// so the caller's handle holds the result. Views trust the dimension words (the
// host keeps them true) and treat a null handle or block as empty.
#ifndef ORIN_FRAME_HOSTARRAY_H
#define ORIN_FRAME_HOSTARRAY_H

#include <orin/common.h>
#include <orin/host.h>

#include <cstdint>
#include <type_traits>
#include <utility>

#include "outcome.h"

namespace orin {

template <class Block>
struct ArrayTraits;

template <>
struct ArrayTraits<DoubleArray> {
    using Element = double;
    static constexpr int32_t kType = kTypeDouble;
    static constexpr int32_t kDims = 1;
};
template <>
struct ArrayTraits<Int32Array> {
    using Element = int32_t;
    static constexpr int32_t kType = kTypeInt32;
    static constexpr int32_t kDims = 1;
};
template <>
struct ArrayTraits<ComplexArray> {
    using Element = complexnum;
    static constexpr int32_t kType = kTypeComplexDouble;
    static constexpr int32_t kDims = 1;
};
template <>
struct ArrayTraits<DoubleMatrix> {
    using Element = double;
    static constexpr int32_t kType = kTypeDouble;
    static constexpr int32_t kDims = 2;
};
template <>
struct ArrayTraits<Int32Matrix> {
    using Element = int32_t;
    static constexpr int32_t kType = kTypeInt32;
    static constexpr int32_t kDims = 2;
};
template <>
struct ArrayTraits<ComplexMatrix> {
    using Element = complexnum;
    static constexpr int32_t kType = kTypeComplexDouble;
    static constexpr int32_t kDims = 2;
};

// Resizes a raw handle to count elements of typeCode after numDims dimension
// words; refuses counts whose size cannot be represented. Does not write the
// dimension words.
Outcome resizeHandle(UHandle h, int32_t typeCode, int32_t numDims, int64_t count);
// The same for a 2D block of rows x cols; negative dimensions are refused,
// since their product could pass for a count.
Outcome resizeHandle2D(UHandle h, int32_t typeCode, int32_t rows, int32_t cols);
// Resizes to 0 elements and writes every dimension word 0 (the failure path).
void emptyHandle(UHandle h, int32_t typeCode, int32_t numDims);
// The same for a 1D block of fixed-size records, sized in bytes through the
// memory manager's handle resize (there is no type code for a record).
Outcome resizeRecords(UHandle h, size_t recordSize, int64_t count);
void emptyRecords(UHandle h);

template <class Block>
class HostArray {
    using Traits = ArrayTraits<Block>;

public:
    using Element = typename Traits::Element;
    static constexpr int32_t kDims = Traits::kDims;

    explicit HostArray(Block **handle) : handle_(handle) {}

    Block **handle() const { return handle_; }

    // 1D: the element count. 2D: rows times columns (0 when either is below 1).
    int32_t size() const {
        if constexpr (kDims == 1) {
            return block() ? block()->dimSize : 0;
        } else {
            const int64_t n = static_cast<int64_t>(rows()) * cols();
            return rows() < 1 || cols() < 1 || n > INT32_MAX ? 0 : static_cast<int32_t>(n);
        }
    }
    int32_t rows() const {
        static_assert(kDims == 2);
        return block() ? block()->dimSizes[0] : 0;
    }
    int32_t cols() const {
        static_assert(kDims == 2);
        return block() ? block()->dimSizes[1] : 0;
    }

    // The element area (header plus 4 bytes in 1D, plus 8 in 2D); null when
    // there is no block.
    Element *data() const {
        Block *b = block();
        return b ? reinterpret_cast<Element *>(reinterpret_cast<uint8_t *>(b) + 4 * kDims) : nullptr;
    }

    // Resizes and writes the dimension words. On a refused resize the array
    // is left as it was and the outcome carries -20001 and the host's status.
    Outcome resize(int32_t count) {
        static_assert(kDims == 1);
        Outcome r = resizeHandle(raw(), Traits::kType, 1, count);
        if (r.ok()) block()->dimSize = count;
        return r;
    }
    Outcome resize(int32_t rowCount, int32_t colCount) {
        static_assert(kDims == 2);
        Outcome r = resizeHandle2D(raw(), Traits::kType, rowCount, colCount);
        if (r.ok()) {
            block()->dimSizes[0] = rowCount;
            block()->dimSizes[1] = colCount;
        }
        return r;
    }

    void empty() { emptyHandle(raw(), Traits::kType, kDims); }

private:
    Block *block() const { return handle_ ? *handle_ : nullptr; }
    UHandle raw() const { return reinterpret_cast<UHandle>(handle_); }

    Block **handle_;
};

// A 1D host array of fixed-size records (an int32 count, then the records
// packed): the 20-byte histogram bin and the like.
template <class Block>
class RecordArrayView {
public:
    using Record = std::remove_reference_t<decltype(std::declval<Block>().elt[0])>;

    explicit RecordArrayView(Block **handle) : handle_(handle) {}

    Block **handle() const { return handle_; }
    int32_t size() const { return block() ? block()->dimSize : 0; }
    Record *data() const { return block() ? block()->elt : nullptr; }

    // Resizes and writes the count; a refused resize leaves the array as it was.
    Outcome resize(int32_t count) {
        Outcome r = resizeRecords(raw(), sizeof(Record), count);
        if (r.ok()) block()->dimSize = count;
        return r;
    }
    void empty() { emptyRecords(raw()); }

private:
    Block *block() const { return handle_ ? *handle_ : nullptr; }
    UHandle raw() const { return reinterpret_cast<UHandle>(handle_); }

    Block **handle_;
};

using DoubleArrayView = HostArray<DoubleArray>;
using Int32ArrayView = HostArray<Int32Array>;
using ComplexArrayView = HostArray<ComplexArray>;
using DoubleMatrixView = HostArray<DoubleMatrix>;
using Int32MatrixView = HostArray<Int32Matrix>;
using ComplexMatrixView = HostArray<ComplexMatrix>;

}  // namespace orin

#endif  // ORIN_FRAME_HOSTARRAY_H
