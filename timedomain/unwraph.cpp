#include <orin/timedomain.h>

#include "../frame/kit.h"

int32_t UnWrap(DoubleArrayHdl pHandle, int32_t *error) {
    orin::DoubleArrayView p(pHandle);
    return orin::runEntry(error, {p}, [&]() -> orin::Outcome { return UnWrap1D(p.data(), p.size()); });
}
