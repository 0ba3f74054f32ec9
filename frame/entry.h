// The one shape of a handle (or CIN) entry point.
//
//   int32_t Median_head(DoubleArrayHdl x, double *median, int32_t *error) {
//       return orin::runEntry(error, {median}, [&]() -> orin::Outcome {
//           const orin::DoubleArrayView in(x);
//           if (in.size() < 1) return kErrEmptyArray;
//           return Median(in.data(), in.size(), median);
//       });
//   }
//
// runEntry sets the error output to 0, runs the body, stores a non-zero code
// in the error output, and then fails every listed output: arrays are emptied
// (dimension words 0), double scalars get iDNaN, complex scalars iDNaN in both
// parts, int32 scalars 0. It returns the memory manager's status of a refused
// resize, else 0. Entry points that return the code itself (no error output)
// use runCodeEntry.
//
// Some entry points keep an output for particular causes (the samples of a
// filter survive a refused state array, say). They say so once, in the list:
//   runEntry(error, {Output(x).keepOn({kErrOutOfMemory}), state}, body)
#ifndef ORIN_FRAME_ENTRY_H
#define ORIN_FRAME_ENTRY_H

#include <algorithm>
#include <array>
#include <initializer_list>

#include "hostarray.h"
#include "numeric.h"
#include "outcome.h"

namespace orin {

// One output of an entry point, as the failure path sees it.
class Output {
public:
    Output(double *scalar) : kind_(Kind::kDouble), target_(scalar) {}
    Output(complexnum *scalar) : kind_(Kind::kComplex), target_(scalar) {}
    Output(int32_t *scalar) : kind_(Kind::kInt32), target_(scalar) {}
    template <class Block, class = decltype(ArrayTraits<Block>::kType)>
    Output(Block **handle)
        : kind_(Kind::kNumeric), target_(handle), type_(ArrayTraits<Block>::kType), dims_(ArrayTraits<Block>::kDims) {}
    template <class Block>
    Output(const HostArray<Block> &view) : Output(view.handle()) {}
    template <class Block>
    Output(const RecordArrayView<Block> &view) : kind_(Kind::kRecords), target_(view.handle()) {}

    // This output is left as it is when the code is one of these.
    Output keepOn(std::initializer_list<int32_t> codes) const {
        Output o = *this;
        o.kept_ = 0;
        for (int32_t c : codes) {
            if (o.kept_ < o.keep_.size()) o.keep_[o.kept_++] = c;
        }
        return o;
    }

    void fail(int32_t code) const {
        if (!target_ || std::find(keep_.begin(), keep_.begin() + kept_, code) != keep_.begin() + kept_) return;
        switch (kind_) {
            case Kind::kDouble: writeNaN(static_cast<double *>(target_)); break;
            case Kind::kComplex: {
                auto *z = static_cast<complexnum *>(target_);
                writeNaN(&z->re);
                writeNaN(&z->im);
                break;
            }
            case Kind::kInt32: *static_cast<int32_t *>(target_) = 0; break;
            case Kind::kNumeric: emptyHandle(static_cast<UHandle>(target_), type_, dims_); break;
            case Kind::kRecords: emptyRecords(static_cast<UHandle>(target_)); break;
        }
    }

private:
    enum class Kind { kDouble, kComplex, kInt32, kNumeric, kRecords };
    Kind kind_;
    void *target_;
    int32_t type_ = 0, dims_ = 0;
    std::array<int32_t, 4> keep_{};
    size_t kept_ = 0;
};

// Fails every output of the list for the code.
inline void failOutputs(int32_t code, std::initializer_list<Output> outputs) {
    for (const Output &o : outputs) o.fail(code);
}

template <class Body>
MgErr runEntry(int32_t *error, std::initializer_list<Output> outputs, Body &&body) {
    *error = 0;
    const Outcome r = body();
    if (r.code != 0) {
        *error = r.code;
        failOutputs(r.code, outputs);
    }
    return r.status.value;
}

// For entry points whose return value is the library's code.
template <class Body>
int32_t runCodeEntry(std::initializer_list<Output> outputs, Body &&body) {
    const Outcome r = body();
    if (r.code != 0) failOutputs(r.code, outputs);
    return r.code;
}

}  // namespace orin

#endif  // ORIN_FRAME_ENTRY_H
