// The routine fuzz target: the input's bytes choose a row of the table, the
// size, and every argument (array elements, scalars, the dimension words of
// host arrays within their blocks). A call must return a documented code
// and leave no host block behind; AddressSanitizer and
// UndefinedBehaviorSanitizer watch the rest. Any violation aborts, naming
// the routine.
//
// Input layout: three bytes row key (big-endian), one byte size n (0..63),
// then the values as the row asks for them.
//
// A row owns the keys from its own key up to the next row's (see rowKey), so
// the corpus keeps its routines when rows are added: only the keys just below
// a new row's move to it.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "fuzz_routines.h"
#include "hostcontrol.h"
#include "sources.h"

namespace sweep {

namespace {

// The 24-bit key an input names a row by.
uint32_t rowKey(const char *name) {
    // FNV-1a, folded to 24 bits.
    uint32_t h = 2166136261u;
    for (const char c : std::string_view(name)) h = (h ^ static_cast<uint8_t>(c)) * 16777619u;
    return (h ^ (h >> 24)) & 0xFFFFFFu;
}

// The rows by key; a key equal to an earlier row's moves up by one, so that
// every row owns at least its own key.
std::vector<std::pair<uint32_t, const Row *>> rowsByKey() {
    std::vector<std::pair<uint32_t, const Row *>> keyed;
    for (const Row &row : table()) keyed.emplace_back(rowKey(row.name), &row);
    std::sort(keyed.begin(), keyed.end(), [](const auto &a, const auto &b) {
        return a.first != b.first ? a.first < b.first : std::string_view(a.second->name) < b.second->name;
    });
    for (size_t i = 1; i < keyed.size(); ++i) keyed[i].first = std::max(keyed[i].first, keyed[i - 1].first + 1);
    return keyed;
}

// The row owning a key.
const Row &rowOfKey(uint32_t key) {
    static const std::vector<std::pair<uint32_t, const Row *>> keyed = rowsByKey();
    auto next = std::upper_bound(keyed.begin(), keyed.end(), key,
                                 [](uint32_t k, const std::pair<uint32_t, const Row *> &e) { return k < e.first; });
    // Keys below the first row's wrap round to the last row.
    return *(next == keyed.begin() ? keyed.back() : *(next - 1)).second;
}

}  // namespace

}  // namespace sweep

int orinFuzzRoutines(const uint8_t *data, size_t size) {
    sweep::ByteSource source(data, size);
    uint32_t key = 0;
    for (int i = 0; i < 3; ++i) key = (key << 8) | source.byte();
    const sweep::Row &row = sweep::rowOfKey(key);
    const int32_t n = source.byte() % 64;

    // A host with little to spare: counts from the input may ask for more.
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
