#include "detail.h"

int32_t MedianFilterCIN(DoubleArrayHdl x, const int32_t *r, int32_t *error) {
    return orin::runEntry(error, {x}, [&]() -> orin::Outcome {
        const orin::DoubleArrayView a(x);
        return MedianFilter(a.data(), a.size(), *r, a.data());
    });
}
