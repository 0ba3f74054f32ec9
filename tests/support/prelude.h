// What every suite starts from: GoogleTest, the standard headers the suites
// use throughout, and the shared support (independent references, host
// handles, allocation-failure injection, contract rows) with its namespace in
// scope. A suite includes this first and adds only what is its own.
#ifndef ORIN_TESTS_PRELUDE_H
#define ORIN_TESTS_PRELUDE_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "support/allocation_failure.h"
#include "support/contract.h"
#include "support/handles.h"
#include "support/reference.h"

using namespace orintest;  // NOLINT: test code only

#endif
