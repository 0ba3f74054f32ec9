// The engine fuzz target's seed corpus, replayed in every build: each kept
// input runs through the same checks as under libFuzzer, and together the
// inputs must go on exercising every kind of operation.
#include "support/prelude.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine_fuzz.h"

namespace {

std::vector<std::filesystem::path> corpus(const char *name) {
    std::vector<std::filesystem::path> files;
    const std::filesystem::path dir = std::filesystem::path(ORIN_SOURCE_DIR) / "tests/fuzz/corpus" / name;
    if (std::filesystem::is_directory(dir))
        for (const auto &entry : std::filesystem::directory_iterator(dir))
            if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<uint8_t> contents(const std::filesystem::path &file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

TEST(EngineFuzzCorpus, EveryInputKeepsTheInvariants) {
    const auto files = corpus("engine");
    ASSERT_GE(files.size(), 20u) << "the seed corpus is missing";
    enginefuzz::Report total;
    for (const auto &file : files) {
        const std::vector<uint8_t> bytes = contents(file);
        const enginefuzz::Report r = enginefuzz::run(bytes.data(), bytes.size());
        EXPECT_EQ(r.failure, "") << file.filename();
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
