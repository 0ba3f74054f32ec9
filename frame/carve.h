// One scratch allocation carved into several typed arrays.
//
// A routine that needs a handful of work arrays takes them in one block, so
// there is one allocation to fail and one to release:
//
//   ScratchLayout layout;
//   const auto re = layout.add<double>(n), im = layout.add<double>(n);
//   const auto idx = layout.add<int32_t>(k);
//   CarvedScratch scratch(layout);
//   if (!scratch) return kErrOutOfMemory;
//   double *r = scratch.get(re);
//
// Every part starts on a 16-byte boundary within the block (the heap gives at
// least that), so any element type is aligned. A layout whose total cannot be
// represented, or any negative count, makes the allocation fail.
#ifndef ORIN_FRAME_CARVE_H
#define ORIN_FRAME_CARVE_H

#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>

#include "scratch.h"

namespace orin {

// Where one typed part lies in the block.
template <class T>
struct Part {
    size_t offset = 0;
    size_t count = 0;
};

class ScratchLayout {
public:
    static constexpr size_t kAlign = 16;

    template <class T>
    Part<T> add(int64_t count) {
        static_assert(std::is_trivially_copyable_v<T> && alignof(T) <= kAlign, "scratch holds plain numbers");
        size_t bytes = 0;
        const size_t start = (total_ + kAlign - 1) / kAlign * kAlign;
        if (!byteSize(count, sizeof(T), &bytes) || start < total_ || bytes > SIZE_MAX - start - kAlign) {
            valid_ = false;
            return {};
        }
        total_ = start + bytes;
        return {start, static_cast<size_t>(count)};
    }

    bool valid() const { return valid_; }
    size_t bytes() const { return total_; }

private:
    size_t total_ = 0;
    bool valid_ = true;
};

class CarvedScratch {
public:
    explicit CarvedScratch(const ScratchLayout &layout, Fill fill = Fill::kUninitialised) {
        if (layout.valid()) block_.allocate(static_cast<int64_t>(layout.bytes()), fill);
    }

    explicit operator bool() const { return static_cast<bool>(block_); }

    template <class T>
    T *get(Part<T> part) const {
        return reinterpret_cast<T *>(block_.data() + part.offset);
    }
    template <class T>
    std::span<T> span(Part<T> part) const {
        return {get(part), part.count};
    }

private:
    // The heap's blocks start on 16-byte boundaries in both builds (glibc).
    BasicScratch<unsigned char, HeapPolicy> block_;
};

}  // namespace orin

#endif  // ORIN_FRAME_CARVE_H
