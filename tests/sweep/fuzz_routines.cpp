// The routine fuzz target: the input's bytes choose a row of the table, the
// size, and every argument (array elements, scalars, the dimension words of
// host arrays within their blocks). A call must return a documented code
// and leave no host block behind; AddressSanitizer and
// UndefinedBehaviorSanitizer watch the rest. Any violation aborts, naming
// the routine.
//
// Input layout: two bytes row index (big-endian, modulo the table size),
// one byte size n (0..63), then the values as the row asks for them.
#include <cstdio>
#include <cstdlib>

#include "fuzz_routines.h"
#include "hostcontrol.h"
#include "sources.h"

int orinFuzzRoutines(const uint8_t *data, size_t size) {
    const std::vector<sweep::Row> &rows = sweep::table();
    sweep::ByteSource source(data, size);
    const uint32_t index = (static_cast<uint32_t>(source.byte()) << 8) | source.byte();
    const sweep::Row &row = rows[index % rows.size()];
    const int32_t n = source.byte() % 64;

    // A host with 64 MiB to spare: counts from the input may ask for more.
    OrinHostLimitAllocation(sweep::kFuzzByteLimit);
    OrinHostCaptureDebug(1);
    const int64_t live = OrinHostLiveBlocks();
    sweep::Outcome outcome;
    {
        sweep::Call call(source, n, row.name);
        outcome = sweep::run(row, call);
    }
    OrinHostLimitAllocation(0);
    OrinHostCaptureDebug(0);
    OrinHostClearDebugText();
    if (!sweep::documentedCode(outcome.code)) {
        std::fprintf(stderr, "fuzz: %s (n = %d) returned the undocumented code %d\n", row.name, n, outcome.code);
        std::abort();
    }
    if (OrinHostLiveBlocks() != live) {
        std::fprintf(stderr, "fuzz: %s (n = %d) left %lld host blocks alive\n", row.name, n,
                     static_cast<long long>(OrinHostLiveBlocks() - live));
        std::abort();
    }
    return 0;
}
