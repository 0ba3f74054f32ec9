// Reading a recording for orin-measure: CSV text as oscilloscopes export it
// (header lines, units rows, any of the usual delimiters, decimal commas),
// NumPy .npy arrays, or raw little-endian doubles.
#ifndef ORIN_TOOLS_MEASURE_INPUT_H
#define ORIN_TOOLS_MEASURE_INPUT_H

#include <optional>
#include <string>
#include <vector>

namespace orin::tools {

struct InputOptions {
    std::optional<double> dt, t0;
    std::vector<int> columns;  // 1-based value columns; empty: column 2 of a table, column 1 of a single column
    bool allColumns = false;   // every column after the time column
    std::string format;        // "", "csv", "npy" or "raw"
};

// One measured column. A channel whose samples cannot be measured (a NaN, an
// infinity) carries its reason in error; the other channels are still good.
struct Channel {
    std::vector<double> samples;
    int column = 0;    // 1-based; 0 for raw samples, which have no columns
    std::string name;  // from the header line above the data, when there is one
    std::string error;
};

struct Recording {
    std::vector<Channel> channels;
    double dt = 0, t0 = 0;
};

// Reads path into rec. On failure returns false and sets message to one line
// naming the file (and the line, for text). Memory stays within a small
// multiple of the file's size whatever the file claims about itself.
bool readRecording(const std::string &path, const InputOptions &options, Recording &rec, std::string &message);

}  // namespace orin::tools

#endif
