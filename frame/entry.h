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
// in the error output, and then empties every listed output array (dimension
// words 0) and writes iDNaN into every listed scalar output. It returns the
// memory manager's status of a refused resize, else 0.
#ifndef ORIN_FRAME_ENTRY_H
#define ORIN_FRAME_ENTRY_H

#include <initializer_list>

#include "hostarray.h"
#include "numeric.h"
#include "outcome.h"

namespace orin {

// One output of an entry point, as the failure path sees it.
class Output {
public:
    Output(double *scalar) : scalar_(scalar) {}
    template <class Block>
    Output(Block **handle)
        : handle_(reinterpret_cast<UHandle>(handle)),
          type_(ArrayTraits<Block>::kType),
          dims_(ArrayTraits<Block>::kDims) {}
    template <class Block>
    Output(const HostArray<Block> &view) : Output(view.handle()) {}

    void fail() const {
        if (scalar_) writeNaN(scalar_);
        if (handle_) emptyHandle(handle_, type_, dims_);
    }

private:
    double *scalar_ = nullptr;
    UHandle handle_ = nullptr;
    int32_t type_ = 0;
    int32_t dims_ = 0;
};

// Empties every array and NaNs every scalar of the list.
inline void failOutputs(std::initializer_list<Output> outputs) {
    for (const Output &o : outputs) o.fail();
}

template <class Body>
MgErr runEntry(int32_t *error, std::initializer_list<Output> outputs, Body &&body) {
    *error = 0;
    const Outcome r = body();
    if (r.code != 0) {
        *error = r.code;
        failOutputs(outputs);
    }
    return r.status;
}

}  // namespace orin

#endif  // ORIN_FRAME_ENTRY_H
