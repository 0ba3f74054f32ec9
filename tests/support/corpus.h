// The seed corpora of the fuzz targets (tests/fuzz/corpus/<name>), which
// every build replays through the targets' entry functions.
#ifndef ORIN_TESTS_CORPUS_H
#define ORIN_TESTS_CORPUS_H

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace orintest {

// Each input's file name and bytes, in name order; none when the corpus is
// missing.
inline std::vector<std::pair<std::string, std::string>> corpusInputs(const char *name) {
    std::vector<std::pair<std::string, std::string>> inputs;
    const std::filesystem::path dir = std::filesystem::path(ORIN_SOURCE_DIR) / "tests/fuzz/corpus" / name;
    if (!std::filesystem::is_directory(dir)) return inputs;
    for (const auto &entry : std::filesystem::directory_iterator(dir)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        inputs.emplace_back(entry.path().filename().string(), std::string(std::istreambuf_iterator<char>(in), {}));
    }
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

}  // namespace orintest

#endif  // ORIN_TESTS_CORPUS_H
