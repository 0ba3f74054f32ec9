// Handle wrappers of the Hartley transform.
#include "detail.h"

using namespace orin;

int32_t FHTH(DoubleArrayHdl x) {
    const DoubleArrayView a(x);
    return FHT(a.data(), a.size());
}

int32_t InvFHTH(DoubleArrayHdl x) {
    const DoubleArrayView a(x);
    return InvFHT(a.data(), a.size());
}
