// orin-measure: pulse measurements of a waveform file, as an oscilloscope
// reports them, with an optional JSON record and SVG picture.
#include <orin/measurement.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "measure_input.h"
#include "svgplot.h"

namespace {

using orin::tools::InputOptions;
using orin::tools::Waveform;

// How a value is shown: kind decides the unit and scaling.
enum class Kind { Level, Time, Frequency, Fraction, Percent, Slew };

struct Row {
    int32_t id;
    const char *label; // text table
    const char *key;   // JSON (snake_case, SI units)
    Kind kind;
};

const Row kRows[] = {
    {kMeasMinimum, "minimum", "minimum", Kind::Level},
    {kMeasMaximum, "maximum", "maximum", Kind::Level},
    {kMeasPeakToPeak, "peak to peak", "peak_to_peak", Kind::Level},
    {kMeasLow, "low", "low", Kind::Level},
    {kMeasHigh, "high", "high", Kind::Level},
    {kMeasAmplitude, "amplitude", "amplitude", Kind::Level},
    {kMeasBase, "base", "base", Kind::Level},
    {kMeasTop, "top", "top", Kind::Level},
    {kMeasMean, "mean", "mean", Kind::Level},
    {kMeasRms, "rms", "rms", Kind::Level},
    {kMeasLowReference, "low reference", "low_reference", Kind::Level},
    {kMeasMidReference, "mid reference", "mid_reference", Kind::Level},
    {kMeasHighReference, "high reference", "high_reference", Kind::Level},
    {kMeasRiseTime, "rise time", "rise_time", Kind::Time},
    {kMeasFallTime, "fall time", "fall_time", Kind::Time},
    {kMeasPositiveWidth, "positive width", "positive_width", Kind::Time},
    {kMeasNegativeWidth, "negative width", "negative_width", Kind::Time},
    {kMeasPeriod, "period", "period", Kind::Time},
    {kMeasFrequency, "frequency", "frequency", Kind::Frequency},
    {kMeasPositiveDutyCycle, "duty cycle", "duty_cycle", Kind::Fraction},
    {kMeasNegativeDutyCycle, "negative duty cycle", "negative_duty_cycle", Kind::Fraction},
    {kMeasRisingOvershoot, "overshoot", "overshoot", Kind::Percent},
    {kMeasRisingPreshoot, "preshoot", "preshoot", Kind::Percent},
    {kMeasFallingOvershoot, "falling overshoot", "falling_overshoot", Kind::Percent},
    {kMeasFallingPreshoot, "falling preshoot", "falling_preshoot", Kind::Percent},
    {kMeasRisingSlewRate, "rising slew rate", "rising_slew_rate", Kind::Slew},
    {kMeasFallingSlewRate, "falling slew rate", "falling_slew_rate", Kind::Slew},
};
constexpr size_t kRowCount = sizeof kRows / sizeof kRows[0];

struct Result {
    bool ok = false;
    int32_t code = 0;
    double value = 0;
    tCursorStruct cursor{};
};

// Codes that mean the waveform has no such feature (a flat line has no edge,
// one edge no period): the measurement does not apply.
const char *notApplicable(int32_t code) {
    switch (code) {
    case kErrTooFewCrossings: return "too few crossings";
    case kErrTooFewEdges: return "too few edges";
    case kErrHistogramBinWidth: return "flat signal";
    case kErrNoPeriod: return "no period";
    case kErrZeroDuration: return "zero duration";
    case kErrResultNotFinite: return "not finite";
    default: return nullptr;
    }
}

struct Options {
    std::string file;
    InputOptions input;
    double levels[3] = {10, 50, 90};
    std::string svg;
    bool json = false;
};

void usage(FILE *out) {
    std::fputs("usage: orin-measure FILE [--dt SECONDS] [--t0 SECONDS] [--column N] [--levels LOW,MID,HIGH]\n"
               "                    [--svg OUT.svg] [--json] [--format csv|raw]\n"
               "Measures the pulses of the waveform in FILE: a CSV of one column of samples (needs --dt) or of\n"
               "time and value columns (dt and t0 follow from the times; --column N picks the value column,\n"
               "counting from 1, default 2), or raw little-endian doubles (needs --dt). Reference levels are in\n"
               "percent of the low-to-high range of the value histogram (default 10,50,90). --json prints one\n"
               "JSON object, values in SI units (seconds, hertz, ratios: 0.5 is 50 %), null where a measurement\n"
               "does not apply. --svg draws the waveform with its reference levels and edge cursors.\n"
               "Exit status: 0, 1 when the engine fails, 2 for a bad file or option.\n",
               out);
}

[[noreturn]] void die(const std::string &message, int status = 2) {
    std::fprintf(stderr, "orin-measure: %s\n", message.c_str());
    std::exit(status);
}

double number(const std::string &option, const char *text) {
    char *end = nullptr;
    errno = 0;
    const double v = std::strtod(text, &end);
    if (end == text || *end != '\0' || errno == ERANGE || !std::isfinite(v))
        die(option + ": '" + text + "' is not a finite number");
    return v;
}

Options parse(int argc, char **argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string value;
        bool inlineValue = false;
        if (arg.rfind("--", 0) == 0 && arg.find('=') != std::string::npos) {
            value = arg.substr(arg.find('=') + 1);
            arg = arg.substr(0, arg.find('='));
            inlineValue = true;
        }
        auto next = [&]() -> std::string {
            if (inlineValue) return value;
            if (i + 1 >= argc) die(arg + ": missing value");
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") {
            usage(stdout);
            std::exit(0);
        } else if (arg == "--dt") {
            const double dt = number(arg, next().c_str());
            if (!(dt > 0)) die("--dt: the sampling interval must be positive");
            o.input.dt = dt;
        } else if (arg == "--t0") {
            o.input.t0 = number(arg, next().c_str());
        } else if (arg == "--column") {
            const std::string v = next();
            char *end = nullptr;
            errno = 0;
            const long c = std::strtol(v.c_str(), &end, 10);
            if (v.empty() || *end != '\0' || errno || c < 1 || c > 1000000)
                die("--column: '" + v + "' is not a column number (1, 2, ...)");
            o.input.column = static_cast<int>(c);
        } else if (arg == "--levels") {
            const std::string v = next();
            std::vector<std::string> parts;
            size_t start = 0;
            for (size_t comma; (comma = v.find(',', start)) != std::string::npos; start = comma + 1)
                parts.push_back(v.substr(start, comma - start));
            parts.push_back(v.substr(start));
            if (parts.size() != 3) die("--levels: give three percentages LOW,MID,HIGH, not '" + v + "'");
            for (int k = 0; k < 3; ++k) o.levels[k] = number("--levels", parts[k].c_str());
            if (!(o.levels[0] <= o.levels[1] && o.levels[1] <= o.levels[2]))
                die("--levels: need LOW <= MID <= HIGH, got '" + v + "'");
        } else if (arg == "--svg") {
            o.svg = next();
            if (o.svg.empty()) die("--svg: missing file name");
        } else if (arg == "--json") {
            if (inlineValue) die("--json takes no value");
            o.json = true;
        } else if (arg == "--format") {
            o.input.format = next();
            if (o.input.format != "csv" && o.input.format != "raw")
                die("--format: '" + o.input.format + "' is not csv or raw");
        } else if (arg.size() > 1 && arg[0] == '-') {
            die("unknown option '" + arg + "' (see --help)");
        } else if (o.file.empty()) {
            o.file = arg;
        } else {
            die("more than one file: '" + o.file + "' and '" + arg + "'");
        }
    }
    if (o.file.empty()) {
        usage(stderr);
        std::exit(2);
    }
    return o;
}

// value in engineering notation with 4 significant digits and an SI prefix
// (micro as "u" for terminals, as the micro sign in pictures).
std::string engineering(double value, const char *unit, bool micro = false) {
    if (value == 0) return std::string("0 ") + unit;
    const char *prefix = "";
    // The prefix of the value rounded to 4 digits, so 999.99e-6 reads
    // 1.000 m, not 1000.0 u.
    char rounded[32];
    std::snprintf(rounded, sizeof rounded, "%.3e", std::fabs(value));
    const double scale = svg_engineering_scale(std::strtod(rounded, nullptr), &prefix);
    if (micro && !std::strcmp(prefix, "u")) prefix = "\u00b5";
    char buf[64];
    const double v = value * scale;
    const double shown = std::strtod(rounded, nullptr) * scale;
    const int decimals = shown >= 99.995 ? 1 : shown >= 9.9995 ? 2 : 3;
    std::snprintf(buf, sizeof buf, "%.*f %s%s", decimals, v, prefix, unit);
    return buf;
}

std::string display(const Row &row, double v, bool micro = false) {
    char buf[64];
    switch (row.kind) {
    case Kind::Level: std::snprintf(buf, sizeof buf, "%.6g", v); return buf;
    case Kind::Time: return engineering(v, "s", micro);
    case Kind::Frequency: return engineering(v, "Hz", micro);
    case Kind::Fraction: std::snprintf(buf, sizeof buf, "%.2f %%", 100 * v); return buf;
    case Kind::Percent: std::snprintf(buf, sizeof buf, "%.2f %%", v); return buf;
    case Kind::Slew: return engineering(v, "/s", micro);
    }
    return "";
}

// JSON values: ratios as fractions, all else as the engine gives them (SI
// when dt is in seconds).
double jsonValue(const Row &row, double v) { return row.kind == Kind::Percent ? v / 100 : v; }

void jsonString(const std::string &s) {
    std::putchar('"');
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') std::printf("\\%c", c);
        else if (c < 0x20) std::printf("\\u%04x", c);
        else std::putchar(c);
    }
    std::putchar('"');
}

void drawSvg(const Options &o, const Waveform &w, const Result *results) {
    const size_t n = w.samples.size();
    const double span = w.dt * static_cast<double>(n > 1 ? n - 1 : 1);
    const char *prefix = "";
    const double scale = svg_engineering_scale(std::fmax(std::fabs(w.t0), std::fabs(w.t0 + span)), &prefix);
    std::vector<double> t(n);
    double lo = INFINITY, hi = -INFINITY;
    for (size_t i = 0; i < n; ++i) {
        t[i] = (w.t0 + static_cast<double>(i) * w.dt) * scale;
        if (std::isfinite(w.samples[i])) lo = std::fmin(lo, w.samples[i]), hi = std::fmax(hi, w.samples[i]);
    }
    const std::string xlabel = std::string("time (") + (std::strcmp(prefix, "u") ? prefix : "\u00b5") + "s)";
    std::string base = o.file.substr(o.file.find_last_of('/') + 1);
    SvgPlot *plot = svg_plot_new(("orin-measure: " + base).c_str(), xlabel.c_str(), "signal level", t.front(),
                                 t.back(), lo, hi);
    if (!plot) die("out of memory drawing the picture", 1);
    svg_plot_line(plot, t.data(), w.samples.data(), static_cast<long>(n), "#1f5fa8", "waveform");
    auto find = [&](int32_t id) -> const Result & {
        for (size_t k = 0; k < kRowCount; ++k)
            if (kRows[k].id == id) return results[k];
        return results[0];
    };
    const int32_t refs[3] = {kMeasLowReference, kMeasMidReference, kMeasHighReference};
    const char *names[3] = {"low", "mid", "high"};
    for (int k = 0; k < 3; ++k) {
        const Result &r = find(refs[k]);
        if (!r.ok) continue;
        char label[64];
        std::snprintf(label, sizeof label, "%s %g %%", names[k], o.levels[k]);
        svg_plot_hline(plot, r.value, "#888888", label);
    }
    struct Edge {
        int32_t id;
        const char *color, *name;
    } edges[2] = {{kMeasRiseTime, "#1a8a3a", "rise"}, {kMeasFallTime, "#c0392b", "fall"}};
    for (const Edge &e : edges) {
        const Result &r = find(e.id);
        if (!r.ok) continue;
        const std::string text = std::string(e.name) + " " + engineering(r.value, "s", true);
        svg_plot_vline(plot, r.cursor.x1 * scale, e.color, nullptr);
        svg_plot_vline(plot, r.cursor.x3 * scale, e.color, nullptr);
        svg_plot_marker(plot, r.cursor.x1 * scale, r.cursor.y1, e.color, nullptr);
        svg_plot_marker(plot, r.cursor.x3 * scale, r.cursor.y3, e.color, nullptr);
        svg_plot_legend(plot, e.color, text.c_str());
    }
    const int32_t extras[3] = {kMeasPeriod, kMeasPositiveDutyCycle, kMeasRisingOvershoot};
    for (int32_t id : extras) {
        const Result &r = find(id);
        if (!r.ok) continue;
        for (const Row &row : kRows)
            if (row.id == id)
                svg_plot_legend(plot, "#ffffff", (std::string(row.label) + " " + display(row, r.value, true)).c_str());
    }
    if (svg_plot_save(plot, o.svg.c_str()) != 0) die(o.svg + ": cannot write: " + std::strerror(errno));
}

} // namespace

int main(int argc, char **argv) {
    const Options o = parse(argc, argv);
    Waveform w;
    std::string message;
    if (!orin::tools::readWaveform(o.file, o.input, w, message)) die(message);
    if (!(w.dt > 0) || !std::isfinite(w.dt)) die(o.file + ": the sampling interval is not positive");

    const tRefLevels levels = {o.levels[2], o.levels[1], o.levels[0], 1};
    const tRefOptions options = {0, 256};
    int32_t session = 0;
    int32_t code = measurements_create(&session);
    if (code) die("cannot start a measurement session: code " + std::to_string(code), 1);
    Result results[kRowCount];
    const int32_t count = static_cast<int32_t>(w.samples.size());
    for (size_t k = 0; k < kRowCount; ++k) {
        Result &r = results[k];
        r.code = measurements_fetch(session, kRows[k].id, &levels, &options, 1, w.t0, w.dt, w.samples.data(), count,
                                    &r.value, &r.cursor);
        r.ok = r.code == 0;
        if (!r.ok && !notApplicable(r.code)) {
            measurements_destroy(session);
            die(o.file + ": measuring the " + kRows[k].label + " failed with code " + std::to_string(r.code), 1);
        }
    }
    measurements_destroy(session);

    if (o.json) {
        std::printf("{\"file\": ");
        jsonString(o.file);
        std::printf(", \"samples\": %d, \"dt\": %.17g, \"t0\": %.17g, \"levels_percent\": [%.17g, %.17g, %.17g]",
                    static_cast<int>(count), w.dt, w.t0, o.levels[0], o.levels[1], o.levels[2]);
        for (size_t k = 0; k < kRowCount; ++k) {
            std::printf(", \"%s\": ", kRows[k].key);
            if (results[k].ok) std::printf("%.17g", jsonValue(kRows[k], results[k].value));
            else std::printf("null");
        }
        std::printf("}\n");
    } else {
        std::printf("%s: %d samples, dt %s, t0 %s, reference levels %g/%g/%g %%\n", o.file.c_str(),
                    static_cast<int>(count), engineering(w.dt, "s").c_str(), engineering(w.t0, "s").c_str(),
                    o.levels[0], o.levels[1], o.levels[2]);
        for (size_t k = 0; k < kRowCount; ++k) {
            const Result &r = results[k];
            const std::string v = r.ok ? display(kRows[k], r.value) : std::string("--  (") + notApplicable(r.code) + ")";
            std::printf("  %-20s %s\n", kRows[k].label, v.c_str());
        }
    }
    if (!o.svg.empty()) drawSvg(o, w, results);
    if (std::fflush(stdout) != 0) return 1;
    return 0;
}
