// Waveform files for orin-measure; see measure_input.h.
#include "measure_input.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

namespace orin::tools {
namespace {

constexpr size_t kMaxSamples = static_cast<size_t>(std::numeric_limits<int32_t>::max());

std::string trim(const std::string &s) {
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    std::string t = s.substr(b, e - b);
    if (t.size() >= 2 && t.front() == '"' && t.back() == '"') t = t.substr(1, t.size() - 2);
    return t;
}

// A whole field as a double ("nan" and "inf" included); false otherwise.
bool parseNumber(const std::string &field, double &value) {
    if (field.empty()) return false;
    const char *begin = field.c_str();
    char *end = nullptr;
    errno = 0;
    value = std::strtod(begin, &end);
    if (end == begin || *end != '\0') return false;
    // Overflow to infinity is a bad number; underflow to 0 is harmless.
    return !(errno == ERANGE && std::isinf(value));
}

// Fields separated by commas, semicolons or tabs; a line with none of them is
// split on blanks.
std::vector<std::string> splitFields(const std::string &line) {
    std::vector<std::string> fields;
    const bool delimited = line.find_first_of(",;\t") != std::string::npos;
    if (delimited) {
        std::string field;
        for (char c : line) {
            if (c == ',' || c == ';' || c == '\t') {
                fields.push_back(trim(field));
                field.clear();
            } else {
                field += c;
            }
        }
        fields.push_back(trim(field));
    } else {
        std::istringstream words(line);
        for (std::string w; words >> w;) fields.push_back(trim(w));
    }
    return fields;
}

bool looksBinary(const std::string &bytes) {
    for (unsigned char c : bytes.substr(0, 4096))
        if (c == 0 || (c < 0x20 && c != '\n' && c != '\r' && c != '\t' && c != '\f' && c != '\v')) return true;
    return false;
}

bool readRaw(const std::string &path, const std::string &bytes, const InputOptions &options, Waveform &wave,
             std::string &message) {
    if (bytes.size() % 8 != 0) {
        message = path + ": truncated: " + std::to_string(bytes.size()) +
                  " bytes is not a whole number of 8-byte samples";
        return false;
    }
    if (!options.dt) {
        message = path + ": raw samples carry no time: give --dt";
        return false;
    }
    const size_t n = bytes.size() / 8;
    if (n > kMaxSamples) {
        message = path + ": more than " + std::to_string(kMaxSamples) + " samples";
        return false;
    }
    wave.samples.resize(n);
    for (size_t i = 0; i < n; ++i) {
        uint64_t bits = 0;
        for (int k = 7; k >= 0; --k) bits = bits << 8 | static_cast<unsigned char>(bytes[8 * i + k]);
        std::memcpy(&wave.samples[i], &bits, 8);
    }
    return true;
}

bool readCsv(const std::string &path, const std::string &text, const InputOptions &options, Waveform &wave,
             std::string &message) {
    std::istringstream in(text);
    std::string line;
    size_t lineNo = 0, columns = 0;
    bool sawData = false, sawHeader = false;
    std::vector<double> times;
    auto fail = [&](const std::string &what) {
        message = path + ":" + std::to_string(lineNo) + ": " + what;
        return false;
    };
    while (std::getline(in, line)) {
        ++lineNo;
        if (lineNo == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3); // UTF-8 byte-order mark
        const std::string t = trim(line);
        if (t.empty() || t[0] == '#') continue;
        const std::vector<std::string> fields = splitFields(t);
        std::vector<double> values(fields.size());
        bool numeric = true;
        for (size_t i = 0; i < fields.size() && numeric; ++i) numeric = parseNumber(fields[i], values[i]);
        if (!sawData && !sawHeader && !numeric) {
            // One header line of column names is allowed before the data.
            bool anyNumber = false;
            double ignored;
            for (const auto &f : fields) anyNumber |= parseNumber(f, ignored);
            if (!anyNumber) {
                sawHeader = true;
                continue;
            }
        }
        if (!numeric) {
            for (const auto &f : fields) {
                double ignored;
                if (!parseNumber(f, ignored)) return fail("'" + f + "' is not a number");
            }
        }
        if (!sawData) {
            columns = fields.size();
            const int want = options.column.value_or(columns == 1 ? 1 : 2);
            if (want < 1 || static_cast<size_t>(want) > columns)
                return fail("no column " + std::to_string(want) + " (the line has " + std::to_string(columns) + ")");
            sawData = true;
        } else if (fields.size() != columns) {
            return fail(std::to_string(fields.size()) + " columns where the first data line has " +
                        std::to_string(columns));
        }
        if (wave.samples.size() == kMaxSamples) return fail("more than " + std::to_string(kMaxSamples) + " samples");
        wave.samples.push_back(values[options.column.value_or(columns == 1 ? 1 : 2) - 1]);
        if (columns >= 2) {
            if (!std::isfinite(values[0])) return fail("time '" + fields[0] + "' is not finite");
            times.push_back(values[0]);
        }
    }
    if (in.bad()) {
        message = path + ": read error";
        return false;
    }
    if (wave.samples.empty()) {
        message = path + ": no samples";
        return false;
    }
    if (columns < 2) {
        if (!options.dt) {
            message = path + ": one column of samples carries no time: give --dt";
            return false;
        }
        return true;
    }
    if (times.size() >= 2 && !options.dt) {
        // Uniform sampling: every step within 1e-6 of the mean step, which
        // allows times printed with about 7 significant digits.
        const double step = (times.back() - times.front()) / static_cast<double>(times.size() - 1);
        if (!(step > 0) || !std::isfinite(step)) {
            message = path + ": the time column does not increase";
            return false;
        }
        for (size_t i = 1; i < times.size(); ++i) {
            if (std::fabs(times[i] - times[i - 1] - step) > 1e-6 * std::fabs(step) + 1e-9 * std::fabs(times[i])) {
                message = path + ": the time step between samples " + std::to_string(i) + " and " +
                          std::to_string(i + 1) + " is not uniform (give --dt to override)";
                return false;
            }
        }
        wave.dt = step;
    } else if (!options.dt) {
        message = path + ": one sample carries no time step: give --dt";
        return false;
    }
    wave.t0 = times.front();
    return true;
}

} // namespace

bool readWaveform(const std::string &path, const InputOptions &options, Waveform &wave, std::string &message) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        message = path + ": is a directory";
        return false;
    }
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        message = path + ": cannot open: " + std::strerror(errno);
        return false;
    }
    std::ostringstream content;
    content << f.rdbuf();
    if (f.bad()) {
        message = path + ": read error";
        return false;
    }
    const std::string bytes = content.str();
    if (bytes.empty()) {
        message = path + ": empty file";
        return false;
    }
    wave = Waveform{};
    const bool raw = options.format == "raw" || (options.format.empty() && looksBinary(bytes));
    const bool ok = raw ? readRaw(path, bytes, options, wave, message) : readCsv(path, bytes, options, wave, message);
    if (!ok) return false;
    if (options.dt) wave.dt = *options.dt;
    if (options.t0) wave.t0 = *options.t0;
    return true;
}

} // namespace orin::tools
