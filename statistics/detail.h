// What the statistics routines share: the kit (its extended-precision sums
// serve every family here).
#ifndef ORIN_STATISTICS_DETAIL_H
#define ORIN_STATISTICS_DETAIL_H

#include "../frame/kit.h"

#endif  // ORIN_STATISTICS_DETAIL_H
