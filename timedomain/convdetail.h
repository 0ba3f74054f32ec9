// The linear convolution engine shared by the convolution, correlation and
// narrow-band filter routines: a direct sum kept in extended precision, or a
// product of real FFTs at a power-of-two length, chosen by cost.
#ifndef ORIN_TIMEDOMAIN_CONVDETAIL_H
#define ORIN_TIMEDOMAIN_CONVDETAIL_H

#include <orin/timedomain.h>

#include <cstdint>

#include "../frame/kit.h"

namespace orin::conv {

enum class Path { kAuto, kDirect, kFFT };

// out[k] = sum_i u[i] y[k - i], k = 0 .. nx + ny - 2, where u = x, or x
// reversed when reverseX is set (the cross-correlation). out must not overlap
// the inputs. kAuto takes the FFT when its operation count is well below the
// direct one. Returns 0, -20003 (nx or ny below 1), -20001 (FFT scratch
// refused, or a length the FFT cannot reach).
int32_t linear(const double *x, int32_t nx, const double *y, int32_t ny, bool reverseX, double *out, Path path);

// The code linear() would give for these lengths before doing any work: 0,
// -20003 (nx or ny below 1) or -20001 (an FFT length beyond 2^30). Entry
// points ask first, so that no output is sized for a call bound to fail.
int32_t checkLengths(int64_t nx, int64_t ny, Path path);

// Whether kAuto takes the FFT for these lengths.
bool prefersFFT(int64_t nx, int64_t ny);

}  // namespace orin::conv

#endif  // ORIN_TIMEDOMAIN_CONVDETAIL_H
