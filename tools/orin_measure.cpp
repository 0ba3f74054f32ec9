// orin-measure: pulse measurements of waveform files, as an oscilloscope
// reports them: a table or JSON lines, one per file and channel, and an
// optional SVG picture of each.
#include <orin/measurement.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "measure_input.h"
#include "svgplot.h"

namespace {

using orin::tools::Channel;
using orin::tools::InputOptions;
using orin::tools::Recording;

// How a value is shown: kind decides the unit and scaling.
enum class Kind { Level, Time, Frequency, Fraction, Percent, Slew };

struct Row {
    int32_t id;
    const char *label;  // text table
    const char *key;    // JSON (snake_case, SI units)
    Kind kind;
};

constexpr Row kRows[] = {
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

constexpr int kDefaultBins = 256;
constexpr long kMaxBins = 1L << 24;  // 64 MiB of counts

struct Options {
    std::vector<std::string> files;
    InputOptions input;
    double levels[3] = {10, 50, 90};
    int bins = kDefaultBins;
    std::string svg;
    bool json = false;
};

void usage(FILE *out) {
    std::fputs(
        "usage: orin-measure FILE... [--dt SECONDS] [--t0 SECONDS] [--column N[,N...]|all]\n"
        "                    [--levels LOW,MID,HIGH] [--bins N] [--svg OUT.svg] [--json] [--format csv|npy|raw]\n"
        "Measures the pulses of the waveform in each FILE:\n"
        "  CSV   as oscilloscopes export it: any number of header lines (names, units, settings) before\n"
        "        the first all-numeric line; comma, semicolon, tab or blank delimiters; decimal commas\n"
        "        with semicolons or tabs; CRLF or LF. One column of samples needs --dt; with two or more\n"
        "        columns the first is time (dt and t0 follow from it) and --column picks the value\n"
        "        columns, counting from 1 (default 2; 'all' for every channel).\n"
        "  .npy  NumPy arrays of float64, float32 or integers: shape (N,) samples (needs --dt), or (N, C)\n"
        "        rows of time and C-1 channels, as CSV columns.\n"
        "  raw   little-endian doubles (needs --dt).\n"
        "Reference levels are percent of the low-to-high range (default 10,50,90). Low and high are the\n"
        "modes of a histogram of the values in --bins bins (default 256), taken at bin centres, so they\n"
        "sit half a bin inside flat levels: with 256 bins a linear 10-90 % rise of 16 ns reads 15.94 ns\n"
        "(the range is short by 1/N) and an ideal square wave shows 0.20 % overshoot (1/(2N-2)).\n"
        "Choose N near peak-to-peak / noise rms, so that a bin is about as wide as the noise: 4096 or\n"
        "more for clean or computed records, where the bin-centre bias is the only error; 256 or fewer\n"
        "for captures with 0.5 % noise or more, where narrower bins let the levels wander with the noise.\n"
        "One file and one channel print a list; several print one table row per file and channel.\n"
        "--json prints one JSON line per file and channel instead, values in SI units (seconds, hertz,\n"
        "ratios: 0.5 is 50 %), null where a measurement does not apply; a file that cannot be read\n"
        "gives {\"file\": ..., \"error\": ...}. --svg draws the waveform with its reference levels and\n"
        "edge cursors, with a zoomed panel of each measured edge when the record is long (several\n"
        "files or channels: OUT-1.svg, OUT-2.svg, ... in the order of the rows).\n"
        "Exit status: 0; 2 when an option or any file is bad (the other files are still measured);\n"
        "1 when the engine fails on a file that was read.\n",
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

long integer(const std::string &option, const std::string &text, long lo, long hi, const char *what) {
    char *end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno || v < lo || v > hi) die(option + ": '" + text + "' is not " + what);
    return v;
}

std::vector<std::string> splitCommas(const std::string &v) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t comma; (comma = v.find(',', start)) != std::string::npos; start = comma + 1)
        parts.push_back(v.substr(start, comma - start));
    parts.push_back(v.substr(start));
    return parts;
}

Options parse(int argc, char **argv) {
    Options o;
    bool onlyFiles = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (onlyFiles || arg == "-" || arg.empty() || arg[0] != '-') {
            o.files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            onlyFiles = true;
            continue;
        }
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
            o.input.columns.clear();
            o.input.allColumns = v == "all";
            if (!o.input.allColumns) {
                for (const std::string &c : splitCommas(v)) {
                    const int n = static_cast<int>(integer(arg, c, 1, 1000000, "a column number (1, 2, ...)"));
                    bool seen = false;
                    for (int m : o.input.columns) seen |= m == n;
                    if (!seen) o.input.columns.push_back(n);
                }
            }
        } else if (arg == "--bins") {
            o.bins = static_cast<int>(integer(arg, next(), 2, kMaxBins, "a number of bins from 2 to 16777216"));
        } else if (arg == "--levels") {
            const std::string v = next();
            const std::vector<std::string> parts = splitCommas(v);
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
            if (o.input.format != "csv" && o.input.format != "npy" && o.input.format != "raw")
                die("--format: '" + o.input.format + "' is not csv, npy or raw");
        } else {
            die("unknown option '" + arg + "' (see --help)");
        }
    }
    if (o.files.empty()) {
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

std::string jsonString(const std::string &s) {
    std::string j = "\"";
    for (unsigned char c : s) {
        char buf[8];
        if (c == '"' || c == '\\') j += '\\', j += static_cast<char>(c);
        else if (c < 0x20) std::snprintf(buf, sizeof buf, "\\u%04x", c), j += buf;
        else j += static_cast<char>(c);
    }
    return j + "\"";
}

// One row of the output: the measurements of one channel of one file, or
// why there are none.
struct Report {
    std::string file, channel, svg;
    int column = 0;  // 0: the file has no columns
    int32_t samples = 0;
    double dt = 0, t0 = 0;
    Result results[kRowCount];
    std::string error;  // non-empty: no results
    int status = 0;     // the exit status this row asks for
};

// The index of measurement id in kRows; kRowCount when it has no row.
constexpr size_t rowOf(int32_t id) {
    size_t at = kRowCount;
    for (size_t k = 0; k < kRowCount; ++k)
        if (kRows[k].id == id) {
            if (at != kRowCount) return kRowCount + 1;  // listed twice: ambiguous
            at = k;
        }
    return at;
}
// Every measurement the pictures look up has exactly one row.
constexpr bool hasOneRow(std::initializer_list<int32_t> ids) {
    for (int32_t id : ids)
        if (rowOf(id) >= kRowCount) return false;
    return true;
}
static_assert(hasOneRow({kMeasRiseTime, kMeasFallTime, kMeasLowReference, kMeasMidReference, kMeasHighReference,
                         kMeasPeriod, kMeasPositiveDutyCycle, kMeasRisingOvershoot}),
              "each measurement drawn in the picture needs exactly one row in kRows");

// The result of measurement id; an id without exactly one row reads as not
// measured (never as another row's value).
const Result &find(const Result *results, int32_t id) {
    static const Result kNotMeasured{};
    const size_t k = rowOf(id);
    return k < kRowCount ? results[k] : kNotMeasured;
}

// ---- pictures ----------------------------------------------------------------

// A round origin for a time axis zoomed to `width` seconds around x: x with
// as few digits as keep it within width/1000, and its text.
double zoomOrigin(double x, double width, std::string &text) {
    const char *prefix = "";
    const double scale = svg_engineering_scale(std::fabs(x), &prefix);
    const double step = width * scale / 1000;
    const int decimals = step >= 1 ? 0 : static_cast<int>(std::fmin(15, std::ceil(-std::log10(step))));
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, x * scale);
    if (std::strchr(buf, '.')) {  // 5.10200 reads 5.102
        size_t len = std::strlen(buf);
        while (buf[len - 1] == '0') buf[--len] = '\0';
        if (buf[len - 1] == '.') buf[--len] = '\0';
    }
    text = std::string(buf) + " " + (std::strcmp(prefix, "u") ? prefix : "\u00b5") + "s";
    return std::strtod(buf, nullptr) / scale;
}

struct Edge {
    int32_t id;
    const char *color, *name;
};
const Edge kEdges[2] = {{kMeasRiseTime, "#1a8a3a", "rise"}, {kMeasFallTime, "#c0392b", "fall"}};

// The reference levels, cursors and markers of the measured edges, in the
// panel drawn last, with times multiplied by scale after origin is taken off.
void drawMarks(SvgPlot *plot, const Report &r, const double levels[3], double origin, double scale, bool labels) {
    const int32_t refs[3] = {kMeasLowReference, kMeasMidReference, kMeasHighReference};
    const char *names[3] = {"low", "mid", "high"};
    for (int k = 0; k < 3; ++k) {
        const Result &ref = find(r.results, refs[k]);
        if (!ref.ok) continue;
        char label[64];
        std::snprintf(label, sizeof label, "%s %g %%", names[k], levels[k]);
        svg_plot_hline(plot, ref.value, "#888888", labels ? label : nullptr);
    }
    for (const Edge &e : kEdges) {
        const Result &m = find(r.results, e.id);
        if (!m.ok) continue;
        const double x1 = (m.cursor.x1 - origin) * scale, x3 = (m.cursor.x3 - origin) * scale;
        svg_plot_vline(plot, x1, e.color, nullptr);
        svg_plot_vline(plot, x3, e.color, nullptr);
        // The cursor gives the low reference in y1 and the high in y3 for
        // both slopes; a falling edge crosses the high one first.
        const bool falling = e.id == kMeasFallTime;
        svg_plot_marker(plot, x1, falling ? m.cursor.y3 : m.cursor.y1, e.color, nullptr);
        svg_plot_marker(plot, x3, falling ? m.cursor.y1 : m.cursor.y3, e.color, nullptr);
    }
}

// The whole record, and below it a zoomed panel of each measured edge when
// the edge would be narrower than 40 pixels of the whole record's 626.
bool drawSvg(const Report &r, const Channel &ch, const Recording &rec, const double levels[3], std::string &error) {
    const std::vector<double> &v = ch.samples;
    const size_t n = v.size();
    const double span = rec.dt * static_cast<double>(n > 1 ? n - 1 : 1);
    const char *prefix = "";
    const double scale = svg_engineering_scale(std::fmax(std::fabs(rec.t0), std::fabs(rec.t0 + span)), &prefix);
    std::vector<double> t(n);
    double lo = INFINITY, hi = -INFINITY;
    for (size_t i = 0; i < n; ++i) {
        t[i] = (rec.t0 + static_cast<double>(i) * rec.dt) * scale;
        lo = std::fmin(lo, v[i]), hi = std::fmax(hi, v[i]);
    }
    struct Zoom {
        const Edge *edge;
        size_t first, last;  // samples drawn
        double a, b;         // the window, seconds
    };
    std::vector<Zoom> zooms;
    for (const Edge &e : kEdges) {
        const Result &m = find(r.results, e.id);
        const double d = std::fmax(m.cursor.x3 - m.cursor.x1, rec.dt);
        if (!m.ok || !(d < span * 40 / 626)) continue;
        // The edge takes a sixth of its window (at least 24 samples wide),
        // with more room after it than before for the settling.
        const double w = std::fmin(span, std::fmax(6 * d, 24 * rec.dt));
        double a = (m.cursor.x1 + m.cursor.x3) / 2 - 0.35 * w;
        a = std::fmax(rec.t0, std::fmin(a, rec.t0 + span - w));
        const double fa = std::floor((a - rec.t0) / rec.dt), fb = std::ceil((a + w - rec.t0) / rec.dt);
        const size_t first = fa > 0 ? static_cast<size_t>(fa) : 0;
        const size_t last = fb < static_cast<double>(n - 1) ? static_cast<size_t>(fb) : n - 1;
        zooms.push_back({&e, first, last, a, a + w});
    }
    const std::string xlabel = std::string("time (") + (std::strcmp(prefix, "u") ? prefix : "\u00b5") + "s)";
    const std::string title = "orin-measure: " + r.file.substr(r.file.find_last_of('/') + 1) +
                              (r.column >= 2 ? ", column " + std::to_string(r.column) : "") +
                              (r.channel.empty() ? "" : " (" + r.channel + ")");
    SvgPlot *plot = svg_figure_new(title.c_str(), 860, zooms.empty() ? 480 : 720);
    if (!plot || svg_plot_panel(plot, 84, 46, 626, zooms.empty() ? 372 : 250, zooms.empty() ? nullptr : "whole record",
                                xlabel.c_str(), "signal level", t.front(), t.back(), lo, hi) != 0) {
        svg_plot_free(plot);
        error = "out of memory drawing the picture";
        return false;
    }
    for (const Zoom &z : zooms) svg_plot_span(plot, z.a * scale, z.b * scale, z.edge->color);
    svg_plot_line(plot, t.data(), v.data(), static_cast<long>(n), "#1f5fa8", "waveform");
    drawMarks(plot, r, levels, 0, scale, true);
    for (const Edge &e : kEdges) {
        const Result &m = find(r.results, e.id);
        if (m.ok) svg_plot_legend(plot, e.color, (std::string(e.name) + " " + engineering(m.value, "s", true)).c_str());
    }
    for (int32_t id : {kMeasPeriod, kMeasPositiveDutyCycle, kMeasRisingOvershoot}) {
        const Result &m = find(r.results, id);
        if (m.ok) {
            const Row &row = kRows[rowOf(id)];
            svg_plot_legend(plot, "#ffffff", (std::string(row.label) + " " + display(row, m.value, true)).c_str());
        }
    }
    // The zoomed panels share the width below the whole record.
    const double gap = 84, width = (756 - gap * static_cast<double>(zooms.size() - (zooms.empty() ? 0 : 1))) /
                                   static_cast<double>(zooms.empty() ? 1 : zooms.size());
    for (size_t k = 0; k < zooms.size(); ++k) {
        const Zoom &z = zooms[k];
        const Result &m = find(r.results, z.edge->id);
        std::string originText;
        const double origin = zoomOrigin(m.cursor.x1, z.b - z.a, originText);
        const char *zp = "";
        const double zs = svg_engineering_scale(z.b - z.a, &zp);
        std::vector<double> zt, zv;
        double zlo = INFINITY, zhi = -INFINITY;
        for (size_t i = z.first; i <= z.last; ++i) {
            zt.push_back((rec.t0 + static_cast<double>(i) * rec.dt - origin) * zs);
            zv.push_back(v[i]);
            zlo = std::fmin(zlo, v[i]), zhi = std::fmax(zhi, v[i]);
        }
        for (int32_t id : {kMeasLowReference, kMeasHighReference}) {
            const Result &ref = find(r.results, id);
            if (ref.ok) zlo = std::fmin(zlo, ref.value), zhi = std::fmax(zhi, ref.value);
        }
        const std::string zlabel = "time \u2212 " + originText + " (" + (std::strcmp(zp, "u") ? zp : "\u00b5") + "s)";
        const std::string ztitle = std::string(z.edge->name) + " " + engineering(m.value, "s", true);
        if (svg_plot_panel(plot, 84 + static_cast<double>(k) * (width + gap), 386, width, 250, ztitle.c_str(),
                           zlabel.c_str(), "signal level", (z.a - origin) * zs, (z.b - origin) * zs, zlo, zhi) != 0)
            break;
        svg_plot_line(plot, zt.data(), zv.data(), static_cast<long>(zt.size()), "#1f5fa8", nullptr);
        drawMarks(plot, r, levels, origin, zs, false);
    }
    if (svg_plot_save(plot, r.svg.c_str()) != 0) {
        error = r.svg + ": cannot write: " + std::strerror(errno);
        return false;
    }
    return true;
}

// ---- measuring ------------------------------------------------------------------

// Every measurement of one channel into r; false when the engine fails.
bool measure(const Options &o, const Channel &ch, const Recording &rec, Report &r) {
    const tRefLevels levels = {o.levels[2], o.levels[1], o.levels[0], 1};
    const tRefOptions options = {0, o.bins};
    int32_t session = 0;
    const int32_t code = measurements_create(&session);
    if (code) {
        r.error = "cannot start a measurement session: code " + std::to_string(code);
        return false;
    }
    r.samples = static_cast<int32_t>(ch.samples.size());
    for (size_t k = 0; k < kRowCount; ++k) {
        Result &m = r.results[k];
        m.code = measurements_fetch(session, kRows[k].id, &levels, &options, 1, rec.t0, rec.dt, ch.samples.data(),
                                    r.samples, &m.value, &m.cursor);
        m.ok = m.code == 0;
        if (!m.ok && !notApplicable(m.code)) {
            r.error = r.file + ": measuring the " + kRows[k].label + " failed with code " + std::to_string(m.code);
            break;
        }
    }
    measurements_destroy(session);
    return r.error.empty();
}

// The SVG name of the row-th row (1-based): the name given when there is one
// row, else OUT-row.svg.
std::string svgName(const std::string &svg, size_t row) {
    const size_t slash = svg.find_last_of('/');
    size_t dot = svg.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) dot = svg.size();
    return svg.substr(0, dot) + "-" + std::to_string(row) + svg.substr(dot);
}

// ---- output ---------------------------------------------------------------------

void printJson(const Report &r, const Options &o) {
    std::string line = "{\"file\": " + jsonString(r.file);
    char buf[256];
    if (r.column) line += ", \"column\": " + std::to_string(r.column);
    if (!r.channel.empty()) line += ", \"channel\": " + jsonString(r.channel);
    if (!r.error.empty()) {
        std::printf("%s, \"error\": %s}\n", line.c_str(), jsonString(r.error).c_str());
        return;
    }
    std::snprintf(buf, sizeof buf,
                  ", \"samples\": %d, \"dt\": %.17g, \"t0\": %.17g, \"levels_percent\": [%.17g, %.17g, %.17g], "
                  "\"bins\": %d",
                  static_cast<int>(r.samples), r.dt, r.t0, o.levels[0], o.levels[1], o.levels[2], o.bins);
    line += buf;
    for (size_t k = 0; k < kRowCount; ++k) {
        line += ", \"" + std::string(kRows[k].key) + "\": ";
        if (r.results[k].ok) std::snprintf(buf, sizeof buf, "%.17g", jsonValue(kRows[k], r.results[k].value));
        else std::snprintf(buf, sizeof buf, "null");
        line += buf;
    }
    if (!r.svg.empty()) line += ", \"svg\": " + jsonString(r.svg);
    std::printf("%s}\n", line.c_str());
}

std::string cell(const Report &r, size_t k) {
    const Result &m = r.results[k];
    return m.ok ? display(kRows[k], m.value) : std::string("--");
}

void printList(const Report &r, const Options &o) {
    std::string where = r.file;
    if (r.column >= 2) where += ", column " + std::to_string(r.column);
    if (!r.channel.empty()) where += " (" + r.channel + ")";
    std::printf("%s: %d samples, dt %s, t0 %s, reference levels %g/%g/%g %%, %d bins\n", where.c_str(),
                static_cast<int>(r.samples), engineering(r.dt, "s").c_str(), engineering(r.t0, "s").c_str(),
                o.levels[0], o.levels[1], o.levels[2], o.bins);
    for (size_t k = 0; k < kRowCount; ++k) {
        const Result &m = r.results[k];
        const std::string v = m.ok ? cell(r, k) : std::string("--  (") + notApplicable(m.code) + ")";
        std::printf("  %-20s %s\n", kRows[k].label, v.c_str());
    }
}

// One row per report, columns as wide as their widest cell; "--" where a
// measurement does not apply, the message where a file failed.
void printTable(const std::vector<Report> &reports) {
    std::vector<size_t> width(kRowCount + 3);
    const char *fixed[3] = {"file", "column", "samples"};
    for (int c = 0; c < 3; ++c) width[c] = std::strlen(fixed[c]);
    for (size_t k = 0; k < kRowCount; ++k) width[k + 3] = std::strlen(kRows[k].key);
    for (const Report &r : reports) {
        width[0] = std::max(width[0], r.file.size());
        if (!r.error.empty()) continue;
        width[2] = std::max(width[2], std::to_string(r.samples).size());
        for (size_t k = 0; k < kRowCount; ++k) width[k + 3] = std::max(width[k + 3], cell(r, k).size());
    }
    std::string line;
    auto put = [&](size_t c, const std::string &text, bool right) {
        if (c) line += "  ";
        const std::string pad(width[c] > text.size() ? width[c] - text.size() : 0, ' ');
        line += right ? pad + text : text + pad;
    };
    for (int c = 0; c < 3; ++c) put(c, fixed[c], c > 0);
    for (size_t k = 0; k < kRowCount; ++k) put(k + 3, kRows[k].key, true);
    std::printf("%s\n", line.c_str());
    for (const Report &r : reports) {
        line.clear();
        put(0, r.file, false);
        put(1, r.column ? std::to_string(r.column) : "-", true);
        if (!r.error.empty()) {
            line += "  error: " + r.error;
        } else {
            put(2, std::to_string(r.samples), true);
            for (size_t k = 0; k < kRowCount; ++k) put(k + 3, cell(r, k), true);
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        std::printf("%s\n", line.c_str());
    }
}

}  // namespace

int main(int argc, char **argv) {
    const Options o = parse(argc, argv);
    std::vector<Report> reports;  // kept for the table; JSON lines go out at once
    bool table = o.files.size() > 1;
    size_t rows = 0;
    int status = 0;
    auto emit = [&](Report &&r) {
        status = std::max(status, r.status);
        if (!r.error.empty() && (table || o.json)) std::fprintf(stderr, "orin-measure: %s\n", r.error.c_str());
        if (o.json) {
            printJson(r, o);
            std::fflush(stdout);
        } else if (table) {
            reports.push_back(std::move(r));
        } else if (!r.error.empty()) {
            std::fprintf(stderr, "orin-measure: %s\n", r.error.c_str());
        } else {
            printList(r, o);
        }
    };
    for (const std::string &file : o.files) {
        Report base;
        base.file = file;
        try {
            Recording rec;
            std::string message;
            if (!orin::tools::readRecording(file, o.input, rec, message)) {
                base.error = message;
                base.status = 2;
                ++rows;
                emit(std::move(base));
                continue;
            }
            table = table || rec.channels.size() > 1;
            for (const Channel &ch : rec.channels) {
                Report r = base;
                r.column = ch.column;
                r.channel = ch.name;
                r.dt = rec.dt;
                r.t0 = rec.t0;
                r.samples = static_cast<int32_t>(ch.samples.size());
                ++rows;
                if (!ch.error.empty()) {
                    r.error = ch.error;
                    r.status = 2;
                } else if (!measure(o, ch, rec, r)) {
                    r.status = 1;
                } else if (!o.svg.empty()) {
                    r.svg = table ? svgName(o.svg, rows) : o.svg;
                    std::string error;
                    if (!drawSvg(r, ch, rec, o.levels, error)) {
                        std::fprintf(stderr, "orin-measure: %s\n", error.c_str());
                        r.svg.clear();
                        r.status = 2;
                    }
                }
                emit(std::move(r));
            }
        } catch (const std::bad_alloc &) {
            base.error = file + ": out of memory";
            base.status = 2;
            ++rows;
            emit(std::move(base));
        }
    }
    if (!reports.empty()) printTable(reports);
    if (std::fflush(stdout) != 0) return 1;
    return status;
}
