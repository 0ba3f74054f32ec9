// Reading a waveform for orin-measure: CSV text (one column of samples, or
// time and value columns) or raw little-endian doubles.
#ifndef ORIN_TOOLS_MEASURE_INPUT_H
#define ORIN_TOOLS_MEASURE_INPUT_H

#include <optional>
#include <string>
#include <vector>

namespace orin::tools {

struct InputOptions {
    std::optional<double> dt, t0;
    std::optional<int> column; // 1-based value column
    std::string format;        // "", "csv" or "raw"
};

struct Waveform {
    std::vector<double> samples;
    double dt = 0, t0 = 0;
};

// Reads path into wave. On failure returns false and sets message to one line
// naming the file (and the line, for text).
bool readWaveform(const std::string &path, const InputOptions &options, Waveform &wave, std::string &message);

} // namespace orin::tools

#endif
