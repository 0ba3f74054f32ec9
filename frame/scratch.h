// Scratch memory that reports failure instead of throwing.
//
// Every routine takes its working space through these owners so that it is
// released on every path and so that tests can make any allocation fail. A
// count whose byte size cannot be represented (n * sizeof(T) beyond size_t in
// the 32-bit build, or a negative count) is refused like a failed allocation.
#ifndef ORIN_FRAME_SCRATCH_H
#define ORIN_FRAME_SCRATCH_H

#include <orin/host.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>

namespace orin {

// Process heap (malloc/free), observed by the stand-alone host's test controls.
void *heapAllocate(size_t bytes);
void heapRelease(void *p);

// Byte size of count elements of elemSize bytes; false when it cannot be
// represented in size_t or the count is negative.
inline bool byteSize(int64_t count, size_t elemSize, size_t *bytes) {
    if (count < 0 || static_cast<uint64_t>(count) > SIZE_MAX / elemSize) return false;
    *bytes = static_cast<size_t>(count) * elemSize;
    return true;
}

struct HeapPolicy {
    static void *allocate(size_t bytes, bool clear) {
        void *p = heapAllocate(bytes);
        if (p && clear) std::memset(p, 0, bytes);
        return p;
    }
    static void release(void *p) { heapRelease(p); }
};

// The host's non-relocatable pointer blocks, for routines that must use them.
struct HostPtrPolicy {
    static void *allocate(size_t bytes, bool clear) { return clear ? DSNewPClr(bytes) : DSNewPtr(bytes); }
    static void release(void *p) { DSDisposePtr(static_cast<UPtr>(p)); }
};

enum class Fill { kUninitialised, kZeroed };

template <class T, class Policy>
class BasicScratch {
    static_assert(std::is_trivially_copyable_v<T>, "scratch holds plain numbers");

public:
    BasicScratch() = default;
    explicit BasicScratch(int64_t count, Fill fill = Fill::kUninitialised) { allocate(count, fill); }
    BasicScratch(const BasicScratch &) = delete;
    BasicScratch &operator=(const BasicScratch &) = delete;
    BasicScratch(BasicScratch &&other) noexcept
        : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}
    BasicScratch &operator=(BasicScratch &&other) noexcept {
        if (this != &other) {
            release();
            data_ = std::exchange(other.data_, nullptr);
            size_ = std::exchange(other.size_, 0);
        }
        return *this;
    }
    ~BasicScratch() { release(); }

    // Replaces any previous block; false (and empty) when refused.
    bool allocate(int64_t count, Fill fill = Fill::kUninitialised) {
        release();
        size_t bytes = 0;
        if (!byteSize(count, sizeof(T), &bytes)) return false;
        // A zero-length request still yields a valid block, so "allocated"
        // and "empty" stay distinguishable.
        data_ = static_cast<T *>(Policy::allocate(bytes ? bytes : 1, fill == Fill::kZeroed));
        size_ = data_ ? static_cast<size_t>(count) : 0;
        return data_ != nullptr;
    }

    void release() {
        if (data_) Policy::release(data_);
        data_ = nullptr;
        size_ = 0;
    }

    explicit operator bool() const { return data_ != nullptr; }
    T *data() const { return data_; }
    size_t size() const { return size_; }
    T &operator[](size_t i) const { return data_[i]; }
    T *begin() const { return data_; }
    T *end() const { return data_ + size_; }

private:
    T *data_ = nullptr;
    size_t size_ = 0;
};

template <class T>
using Scratch = BasicScratch<T, HeapPolicy>;
template <class T>
using HostScratch = BasicScratch<T, HostPtrPolicy>;

}  // namespace orin

#endif  // ORIN_FRAME_SCRATCH_H
