// The engine fuzz target's seed corpus, replayed in every build: each kept
// input runs through the same checks as under libFuzzer, and together the
// inputs must go on exercising every kind of operation.
#include "support/prelude.h"

#include "engine_fuzz.h"
#include "support/corpus.h"

TEST(EngineFuzzCorpus, EveryInputKeepsTheInvariants) {
    const auto inputs = orintest::corpusInputs("engine");
    ASSERT_GE(inputs.size(), 20u) << "the seed corpus is missing";
    enginefuzz::Report total;
    for (const auto &[file, bytes] : inputs) {
        const enginefuzz::Report r = enginefuzz::run(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
        EXPECT_EQ(r.failure, "") << file;
        for (int k = 0; k < enginefuzz::kOperationKinds; ++k) total.operations[k] += r.operations[k];
        total.fetchesSucceeded += r.fetchesSucceeded;
        total.fetchesCompared += r.fetchesCompared;
        total.staleIdsUsed += r.staleIdsUsed;
        total.failuresInjected += r.failuresInjected;
    }
    // A corpus that has lost its reach would pass the loop above without
    // testing much: every operation, and each kind of check, must still run.
    for (int k = 0; k < enginefuzz::kOperationKinds; ++k) EXPECT_GT(total.operations[k], 0) << "operation " << k;
    EXPECT_GT(total.fetchesSucceeded, 100);
    EXPECT_GT(total.fetchesCompared, 20);
    EXPECT_GT(total.staleIdsUsed, 0);
    EXPECT_GT(total.failuresInjected, 0);
}
