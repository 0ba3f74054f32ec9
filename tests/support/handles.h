// Host handles for tests: made by the memory manager the library uses, freed
// when the owner goes out of scope.
#ifndef ORIN_TESTS_HANDLES_H
#define ORIN_TESTS_HANDLES_H

#include <orin/common.h>
#include <orin/host.h>

#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

namespace orintest {

// A block's element type, dimension count and type code, read off its
// layout (common.h): one dimension word or two, then the elements.
template <class Block>
struct BlockInfo {
    using Element = std::remove_extent_t<decltype(Block::elt)>;
    static constexpr int32_t kDims = (requires { Block::dimSizes; }) ? 2 : 1;
    static constexpr int32_t kType = std::is_same_v<Element, double>    ? kTypeDouble
                                     : std::is_same_v<Element, int32_t> ? kTypeInt32
                                                                        : kTypeComplexDouble;
};

// Owns one host handle. Made through NumericArrayResize (element area 8-byte
// aligned), or, with Placement::kUnaligned, through DSNewHandle, which makes
// no alignment promise (1D doubles then sit 4 bytes off an 8-byte boundary).
enum class Placement { kAligned, kUnaligned };

template <class Block>
class Handle {
    using Info = BlockInfo<Block>;

public:
    using Element = typename Info::Element;

    Handle() : Handle(std::vector<Element>{}) {}
    explicit Handle(const std::vector<Element> &values, Placement placement = Placement::kAligned) {
        static_assert(Info::kDims == 1);
        make(values.size(), placement);
        (*h_)->dimSize = static_cast<int32_t>(values.size());
        if (!values.empty()) std::memcpy(data(), values.data(), values.size() * sizeof(Element));
    }
    Handle(int32_t rows, int32_t cols, const std::vector<Element> &values) {
        static_assert(Info::kDims == 2);
        make(values.size(), Placement::kAligned);
        (*h_)->dimSizes[0] = rows;
        (*h_)->dimSizes[1] = cols;
        if (!values.empty()) std::memcpy(data(), values.data(), values.size() * sizeof(Element));
    }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    ~Handle() {
        if (h_) DSDisposeHandle(reinterpret_cast<UHandle>(h_));
    }

    Block **get() const { return h_; }
    operator Block **() const { return h_; }

    int32_t size() const {
        if constexpr (Info::kDims == 1) return (*h_)->dimSize;
        else return (*h_)->dimSizes[0] * (*h_)->dimSizes[1];
    }
    int32_t rows() const { return (*h_)->dimSizes[0]; }
    int32_t cols() const { return (*h_)->dimSizes[1]; }
    Element *data() const { return reinterpret_cast<Element *>(reinterpret_cast<uint8_t *>(*h_) + 4 * Info::kDims); }
    std::vector<Element> values() const {
        std::vector<Element> v(static_cast<size_t>(size() > 0 ? size() : 0));
        if (!v.empty()) std::memcpy(v.data(), data(), v.size() * sizeof(Element));
        return v;
    }
    // True when every dimension word is 0 (the emptied state after a failure).
    bool emptied() const {
        const int32_t *dims = reinterpret_cast<const int32_t *>(*h_);
        for (int32_t d = 0; d < Info::kDims; ++d)
            if (dims[d] != 0) return false;
        return true;
    }

private:
    void make(size_t count, Placement placement) {
        UHandle raw = nullptr;
        if (placement == Placement::kAligned) {
            NumericArrayResize(Info::kType, Info::kDims, &raw, count);
        } else {
            raw = DSNewHandle(4 * Info::kDims + count * sizeof(Element));
        }
        h_ = reinterpret_cast<Block **>(raw);
    }

    Block **h_ = nullptr;
};

using DoubleHandle = Handle<DoubleArray>;
using Int32Handle = Handle<Int32Array>;
using ComplexHandle = Handle<ComplexArray>;
using DoubleMatrixHandle = Handle<DoubleMatrix>;
using Int32MatrixHandle = Handle<Int32Matrix>;
using ComplexMatrixHandle = Handle<ComplexMatrix>;

// True when x carries the bit pattern of iDNaN (ff ff ff 7f ff ff ff ff).
inline bool isIDNaN(double x) {
    uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits == 0xFFFFFFFF7FFFFFFFull;
}

}  // namespace orintest

#endif  // ORIN_TESTS_HANDLES_H
