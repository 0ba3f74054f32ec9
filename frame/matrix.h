// Non-owning row-major matrix views.
//
// Element (i, j) of a view lives at data[i * ld + j], where the leading
// dimension ld (the distance between the starts of two rows) is at least the
// column count; a view of a whole matrix has ld == cols, a view of a block
// inside a larger one keeps the parent's ld. Indices are not checked: the
// routines check shapes once, with the functions below, before they index.
#ifndef ORIN_FRAME_MATRIX_H
#define ORIN_FRAME_MATRIX_H

#include <orin/common.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>

#include "hostarray.h"

namespace orin {

template <class T>
class MatrixRef {
public:
    MatrixRef() = default;
    MatrixRef(T *data, int32_t rows, int32_t cols) : MatrixRef(data, rows, cols, cols) {}
    MatrixRef(T *data, int32_t rows, int32_t cols, int32_t ld) : data_(data), rows_(rows), cols_(cols), ld_(ld) {}
    // A view of mutable elements reads as a view of constant ones.
    template <class U, class = std::enable_if_t<std::is_same_v<T, const U>>>
    MatrixRef(const MatrixRef<U> &m) : MatrixRef(m.data(), m.rows(), m.cols(), m.ld()) {}

    T *data() const { return data_; }
    int32_t rows() const { return rows_; }
    int32_t cols() const { return cols_; }
    int32_t ld() const { return ld_; }
    bool isSquare() const { return rows_ == cols_; }

    T &operator()(int32_t i, int32_t j) const { return data_[static_cast<ptrdiff_t>(i) * ld_ + j]; }
    std::span<T> row(int32_t i) const { return {data_ + static_cast<ptrdiff_t>(i) * ld_, static_cast<size_t>(cols_)}; }
    // The rows x cols block whose top left element is (i, j).
    MatrixRef block(int32_t i, int32_t j, int32_t rows, int32_t cols) const {
        return {&(*this)(i, j), rows, cols, ld_};
    }

private:
    T *data_ = nullptr;
    int32_t rows_ = 0, cols_ = 0, ld_ = 0;
};

using Matrix = MatrixRef<double>;
using ConstMatrix = MatrixRef<const double>;
using CxMatrix = MatrixRef<complexnum>;
using ConstCxMatrix = MatrixRef<const complexnum>;

// The view of a 2D host array (empty when the handle or block is null).
template <class Block>
auto matrixOf(const HostArray<Block> &a) {
    static_assert(HostArray<Block>::kDims == 2, "a matrix view needs a 2D array");
    using Element = typename HostArray<Block>::Element;
    return MatrixRef<Element>(a.data(), a.data() ? a.rows() : 0, a.data() ? a.cols() : 0);
}

// ---- shape checks, in the library's codes --------------------------------

// -20003 when either dimension is below 1; -20001 when rows * cols elements
// of elemSize bytes cannot be represented (nothing that size can be held).
inline int32_t checkShape(int32_t rows, int32_t cols, size_t elemSize = sizeof(double)) {
    if (rows < 1 || cols < 1) return kErrEmptyArray;
    const int64_t count = static_cast<int64_t>(rows) * cols;
    if (count > INT32_MAX || static_cast<uint64_t>(count) > SIZE_MAX / elemSize) return kErrOutOfMemory;
    return kErrNone;
}

// -20040 unless the matrix is square.
inline int32_t requireSquare(int32_t rows, int32_t cols) { return rows == cols ? kErrNone : kErrNotSquare; }
template <class T>
int32_t requireSquare(const MatrixRef<T> &m) {
    return requireSquare(m.rows(), m.cols());
}

// -20039 unless the inner dimensions of a product agree (columns of the left
// operand against rows of the right one, or a vector's length).
inline int32_t requireConformable(int32_t leftCols, int32_t rightRows) {
    return leftCols == rightRows ? kErrNone : kErrDimensionMismatch;
}
template <class T, class U>
int32_t requireConformable(const MatrixRef<T> &a, const MatrixRef<U> &b) {
    return requireConformable(a.cols(), b.rows());
}

}  // namespace orin

#endif  // ORIN_FRAME_MATRIX_H
