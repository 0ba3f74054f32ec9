// orin-measure run as a user runs it: files in, exit status, one-line
// messages, JSON and SVG out.
#include "support/prelude.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

namespace {

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string slurp(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

std::string quote(const std::string &s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

class MeasureCommand : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::string(ORIN_MEASURE_PATH).empty()) GTEST_SKIP() << "orin-measure is not built";
        char pattern[] = "/tmp/orin-measure-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        if (!dir.empty()) std::system(("rm -rf " + quote(dir)).c_str());
    }

    std::string file(const std::string &name, const std::string &bytes) {
        const std::string path = dir + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    Outcome run(const std::vector<std::string> &args) {
        std::string cmd = std::string(ORIN_MEASURE_EMULATOR) + " " + quote(ORIN_MEASURE_PATH);
        for (const auto &a : args) cmd += " " + quote(a);
        cmd += " >" + quote(dir + "/stdout") + " 2>" + quote(dir + "/stderr");
        Outcome r;
        const int raw = std::system(cmd.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = slurp(dir + "/stdout");
        r.err = slurp(dir + "/stderr");
        return r;
    }

    std::string dir;
};

// A train of trapezoids: low 0, ramps of `rise` and `fall` samples, a flat top
// of `high` samples, `period` samples per cycle.
std::vector<double> trapezoids(int period, int start, int rise, int high, int fall, int cycles, double amp) {
    std::vector<double> v;
    for (int i = 0; i < period * cycles; ++i) {
        const int p = i % period;
        double x = 0;
        if (p >= start && p < start + rise) x = double(p - start) / rise;
        else if (p >= start + rise && p < start + rise + high) x = 1;
        else if (p >= start + rise + high && p < start + rise + high + fall) x = 1 - double(p - start - rise - high) / fall;
        v.push_back(amp * x);
    }
    return v;
}

// A CSV as instruments write it: header lines, then time and the channels,
// numbers printed with printf's format, decimal commas when asked for.
std::string csv(const std::vector<std::vector<double>> &channels, double dt, double t0, const std::string &header,
                const char *sep = ",", const char *eol = "\n", const char *format = "%.17g", bool decimalComma = false,
                const char *trail = "") {
    std::string s = header;
    char buf[64];
    auto put = [&](double x) {
        std::snprintf(buf, sizeof buf, format, x);
        std::string f = buf;
        if (decimalComma && f.find('.') != std::string::npos) f[f.find('.')] = ',';
        s += f;
    };
    for (size_t i = 0; i < channels[0].size(); ++i) {
        put(t0 + double(i) * dt);
        for (const auto &c : channels) s += sep, put(c[i]);
        s += trail;
        s += eol;
    }
    return s;
}

std::string csv(const std::vector<double> &v, double dt, double t0, const char *sep = ",", const char *eol = "\n") {
    return csv({v}, dt, t0, std::string("time") + sep + "value" + eol, sep, eol);
}

std::string raw(const std::vector<double> &v) {
    return std::string(reinterpret_cast<const char *>(v.data()), v.size() * sizeof(double)); // x86: little-endian
}

// A .npy file as numpy.save writes it: magic, version, header length, the
// dict literal padded with blanks to a multiple of 64 bytes, the data.
std::string npy(const std::string &descr, const std::string &shape, const std::string &data, bool fortran = false,
                int version = 1) {
    std::string dict = "{'descr': '" + descr + "', 'fortran_order': " + (fortran ? "True" : "False") +
                       ", 'shape': " + shape + ", }";
    const size_t pre = version == 1 ? 10 : 12;
    while ((pre + dict.size() + 1) % 64) dict += ' ';
    dict += '\n';
    std::string s = "\x93NUMPY";
    s += char(version), s += '\0';
    for (size_t k = 0; k < (version == 1 ? 2u : 4u); ++k) s += char(dict.size() >> 8 * k & 255);
    return s + dict + data;
}

// Samples as `bytes`-byte little- or big-endian words, each made by `word`.
template <class F> std::string words(size_t n, int bytes, bool big, F word) {
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        const uint64_t w = word(i);
        for (int k = 0; k < bytes; ++k) s += char(w >> 8 * (big ? bytes - 1 - k : k) & 255);
    }
    return s;
}

uint64_t bitsOf(double x) {
    uint64_t b;
    std::memcpy(&b, &x, 8);
    return b;
}

std::vector<std::string> lines(const std::string &out) {
    std::vector<std::string> v;
    std::istringstream in(out);
    for (std::string l; std::getline(in, l);) v.push_back(l);
    return v;
}

// ---- a small JSON reader: validates the whole text, collects the top-level
// numbers and nulls of one flat object --------------------------------------
struct Json {
    explicit Json(const std::string &text) : s(text) {}
    const std::string &s;
    size_t i = 0;
    std::map<std::string, double> numbers;
    std::map<std::string, bool> nulls;
    void ws() {
        while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    }
    bool string(std::string &out) {
        if (s[i] != '"') return false;
        for (++i; i < s.size() && s[i] != '"'; ++i) {
            if (static_cast<unsigned char>(s[i]) < 0x20) return false;
            if (s[i] == '\\') ++i;
            out += s[i];
        }
        return i++ < s.size();
    }
    bool value(const std::string &key, int depth) {
        ws();
        if (i >= s.size()) return false;
        if (s[i] == '"') {
            std::string ignored;
            return string(ignored);
        }
        if (s.compare(i, 4, "null") == 0) {
            if (depth == 1) nulls[key] = true;
            i += 4;
            return true;
        }
        if (s[i] == '[') {
            ++i;
            ws();
            if (s[i] == ']') return ++i, true;
            for (;;) {
                if (!value("", depth + 1)) return false;
                ws();
                if (s[i] == ']') return ++i, true;
                if (s[i++] != ',') return false;
            }
        }
        char *end = nullptr;
        const double v = std::strtod(s.c_str() + i, &end);
        if (end == s.c_str() + i || !std::isfinite(v)) return false; // JSON has no nan or inf
        if (std::strchr("0123456789-", s[i]) == nullptr) return false;
        i = static_cast<size_t>(end - s.c_str());
        if (depth == 1) numbers[key] = v;
        return true;
    }
    bool object() {
        ws();
        if (s[i++] != '{') return false;
        for (;;) {
            ws();
            std::string key;
            if (!string(key)) return false;
            ws();
            if (s[i++] != ':' || !value(key, 1)) return false;
            ws();
            if (s[i] == '}') {
                ++i;
                ws();
                return i == s.size();
            }
            if (s[i++] != ',') return false;
        }
    }
};

// ---- a small XML well-formedness check: balanced tags, quoted attributes,
// known entities; counts elements by tag and class ----------------------------
struct Xml {
    std::map<std::string, int> count; // "tag" and "tag.class"
    std::map<std::string, std::vector<std::map<std::string, double>>> at; // numeric attributes by "tag.class"
    std::vector<std::string> texts;
    bool parse(const std::string &s) {
        std::vector<std::string> open;
        size_t i = 0;
        if (s.compare(0, 5, "<?xml") == 0) i = s.find("?>") + 2;
        std::string text;
        while (i < s.size()) {
            if (s[i] != '<') {
                if (s[i] == '&') {
                    const size_t semi = s.find(';', i);
                    const std::string ent = s.substr(i, semi - i + 1);
                    if (ent != "&amp;" && ent != "&lt;" && ent != "&gt;" && ent != "&quot;" && ent != "&apos;")
                        return false;
                }
                text += s[i++];
                continue;
            }
            if (!text.empty() && text.find_first_not_of(" \n") != std::string::npos) texts.push_back(text);
            text.clear();
            const size_t close = s.find('>', i);
            if (close == std::string::npos) return false;
            std::string tag = s.substr(i + 1, close - i - 1);
            i = close + 1;
            if (tag[0] == '/') {
                if (open.empty() || open.back() != tag.substr(1)) return false;
                open.pop_back();
                continue;
            }
            const bool empty = tag.back() == '/';
            if (empty) tag.pop_back();
            const std::string name = tag.substr(0, tag.find_first_of(" \n"));
            // Attributes: name="value" pairs, values without < or a stray quote.
            size_t k = name.size();
            std::string cls;
            std::map<std::string, double> numbers;
            while (k < tag.size()) {
                while (k < tag.size() && std::isspace(static_cast<unsigned char>(tag[k]))) ++k;
                if (k >= tag.size()) break;
                const size_t eq = tag.find('=', k);
                if (eq == std::string::npos || tag[eq + 1] != '"') return false;
                const size_t endq = tag.find('"', eq + 2);
                if (endq == std::string::npos) return false;
                const std::string attr = tag.substr(k, eq - k), val = tag.substr(eq + 2, endq - eq - 2);
                if (val.find('<') != std::string::npos) return false;
                if (attr == "class") cls = val;
                numbers[attr] = std::atof(val.c_str());
                k = endq + 1;
            }
            ++count[name];
            if (!cls.empty()) ++count[name + "." + cls], at[name + "." + cls].push_back(numbers);
            if (!empty) open.push_back(name);
        }
        return open.empty() && count["svg"] == 1;
    }
};

TEST_F(MeasureCommand, MeasuresTrapezoidsFromEveryFileForm) {
    // 1 GS/s, 4 cycles of 200 samples: ramps of 16 and 24 samples, 70 high.
    const double dt = 1e-9, t0 = 5e-6, amp = 2.0;
    const auto v = trapezoids(200, 20, 16, 70, 24, 4, amp);
    const size_t n = v.size();
    // Times printed with 10 digits (as instruments do) stay uniform within
    // the tolerance of the time column.
    const std::string sci = "%.9e";
    const std::vector<std::vector<std::string>> forms = {
        {file("two.csv", csv(v, dt, t0))},
        {file("semi.csv", "# scope export\r\n" + csv(v, dt, t0, ";", "\r\n"))},
        // Names and units rows, CRLF and a delimiter ending every line.
        {file("units.csv", csv({v}, dt, t0, "x-axis,1\r\nsecond,Volt\r\n", ",", "\r\n", "%.17g", false, ","))},
        // Settings lines with numbers in them, semicolons and decimal commas.
        {file("comma.csv", csv({v}, dt, t0, "Model;XY-200\nSample rate;1,0E+09\nPoints;800\nTime;CH1\n", ";", "\n",
                               sci.c_str(), true))},
        {file("tab.txt", csv({v}, dt, t0, "\"Time (s)\"\t\"Ampl, V\"\n", "\t", "\n", sci.c_str(), true))},
        {file("blank.dat", csv({v}, dt, t0, "Time Ampl\n", "  ", "\n"))},
        {file("quoted.csv", [&] { // a byte-order mark and every field quoted
             std::string q = "\xEF\xBB\xBF";
             for (const std::string &l : lines(csv(v, dt, t0))) {
                 std::string f = "\"" + l + "\"\n";
                 q += f.replace(f.find(','), 1, "\",\"");
             }
             return q;
         }())},
        {file("one.csv", [&] {
             std::string s = "CH1\n";
             for (double x : v) s += std::to_string(x) + "\n";
             return s;
         }()),
         "--dt", "1e-9", "--t0", "5e-6"},
        {file("wave.bin", raw(v)), "--dt=1e-9", "--t0=5e-6"},
        {file("f8.npy", npy("<f8", "(800, 2)", words(2 * n, 8, false, [&](size_t i) {
                                return bitsOf(i % 2 ? v[i / 2] : t0 + double(i / 2) * dt);
                            })))},
        {file("fortran.npy", npy("<f8", "(800, 2)", words(2 * n, 8, false, [&](size_t i) {
                                     return bitsOf(i < n ? t0 + double(i) * dt : v[i - n]);
                                 }), true, 2))},
        {file("f4.npy", npy("<f4", "(800,)", words(n, 4, false, [&](size_t i) {
                                const float f = static_cast<float>(v[i]); // i/16 and i/24 of 2: exact enough
                                uint32_t b;
                                std::memcpy(&b, &f, 4);
                                return uint64_t(b);
                            }))),
         "--dt", "1e-9", "--t0", "5e-6"},
        {file("i2.npy", npy(">i2", "(800,)", words(n, 2, true, [&](size_t i) {
                                return uint64_t(uint16_t(int16_t(std::lround(v[i] * 12000) - 9000)));
                            }))),
         "--dt", "1e-9", "--t0", "5e-6", "--format", "npy"},
    };
    for (const auto &args : forms) {
        std::vector<std::string> a = args;
        a.push_back("--json");
        const Outcome r = run(a);
        ASSERT_EQ(r.status, 0) << args[0] << ": " << r.err;
        Json j{r.out};
        ASSERT_TRUE(j.object()) << r.out;
        EXPECT_EQ(j.numbers["samples"], 800) << args[0];
        EXPECT_NEAR(j.numbers["dt"], dt, 1e-9 * dt) << args[0];
        EXPECT_NEAR(j.numbers["t0"], t0, 1e-9 * t0) << args[0];
        // The levels are histogram bin centres: high sits half a bin
        // (amp/512) below the top and low above the bottom, so the 10-90 %
        // rise is short by one bin in 256; 1e-6 covers float32 and the
        // times printed with 10 digits.
        const double scale = args[0].find("i2.npy") != std::string::npos ? 12000 : 1;
        const double tol = 1e-6;
        EXPECT_NEAR(j.numbers["rise_time"], 0.8 * 16 * dt * 255 / 256, 0.8 * 16 * dt * tol) << args[0];
        EXPECT_NEAR(j.numbers["fall_time"], 0.8 * 24 * dt * 255 / 256, 0.8 * 24 * dt * tol) << args[0];
        EXPECT_NEAR(j.numbers["period"], 200 * dt, tol * 200 * dt) << args[0];
        EXPECT_NEAR(j.numbers["frequency"], 1 / (200 * dt), tol / (200 * dt)) << args[0];
        EXPECT_NEAR(j.numbers["duty_cycle"], 90.0 / 200, tol) << args[0];
        EXPECT_NEAR(j.numbers["peak_to_peak"], amp * scale, 4 * amp * scale * 2.2e-16) << args[0];
        EXPECT_TRUE(j.nulls.empty()) << args[0];
    }
}

TEST_F(MeasureCommand, ChannelsByColumnAreMeasuredApart) {
    // Four channels with 10-90 % rises of 8, 16, 24 and 32 samples, as a
    // CSV with names and units rows and as a column-major .npy.
    const double dt = 1e-9;
    std::vector<std::vector<double>> ch;
    for (int k = 1; k <= 4; ++k) ch.push_back(trapezoids(400, 20, 10 * k, 150, 10 * k, 3, k));
    const std::string f = file("four.csv", csv(ch, dt, 0, "Time,CH1,CH2,CH3,CH4\ns,V,V,V,mV\n"));
    const size_t n = ch[0].size();
    const std::string g = file("four.npy", npy("<f8", "(1200, 5)", words(5 * n, 8, false, [&](size_t i) {
                                                   return bitsOf(i < n ? double(i) * dt : ch[i / n - 1][i % n]);
                                               }), true));
    const struct {
        std::vector<std::string> args;
        std::vector<int> columns;
    } cases[] = {
        {{f}, {2}},
        {{f, "--column", "4,2,4"}, {4, 2}},
        {{f, "--column", "all"}, {2, 3, 4, 5}},
        {{g, "--column=all"}, {2, 3, 4, 5}},
        {{f, g, "--column", "3"}, {3, 3}},
    };
    for (const auto &c : cases) {
        std::vector<std::string> a = c.args;
        a.push_back("--json");
        const Outcome r = run(a);
        ASSERT_EQ(r.status, 0) << c.args[0] << ": " << r.err;
        const auto rows = lines(r.out);
        ASSERT_EQ(rows.size(), c.columns.size()) << r.out;
        for (size_t k = 0; k < rows.size(); ++k) {
            Json j{rows[k]};
            ASSERT_TRUE(j.object()) << rows[k];
            const int col = c.columns[k];
            EXPECT_EQ(j.numbers["column"], col) << rows[k];
            EXPECT_NEAR(j.numbers["rise_time"], 0.8 * 10 * (col - 1) * dt * 255 / 256, 1e-12 * dt) << rows[k];
            EXPECT_NEAR(j.numbers["maximum"], col - 1, 0) << rows[k];
            const bool named = rows[k].find("four.csv") != std::string::npos;
            const std::string name = col == 5 ? "CH4 (mV)" : "CH" + std::to_string(col - 1) + " (V)";
            EXPECT_EQ(rows[k].find("\"channel\": \"" + name + "\"") != std::string::npos, named) << rows[k];
        }
    }
    // Text: one channel a list, several a table of one row each, with one
    // picture per row.
    const Outcome list = run({f, "--column", "3"});
    EXPECT_NE(list.out.find("four.csv, column 3 (CH2 (V)): 1200 samples, dt 1.000 ns"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("rise time            15.94 ns"), std::string::npos) << list.out;
    const Outcome table = run({f, "--column", "all", "--svg", dir + "/ch.svg"});
    ASSERT_EQ(table.status, 0) << table.err;
    const auto rows = lines(table.out);
    ASSERT_EQ(rows.size(), 5u) << table.out;
    EXPECT_EQ(rows[0].find("file "), 0u) << rows[0];
    EXPECT_NE(rows[0].find("rise_time"), std::string::npos);
    for (int k = 1; k <= 4; ++k) {
        EXPECT_NE(rows[k].find(k == 2 ? "15.94 ns" : "ns"), std::string::npos) << rows[k];
        EXPECT_EQ(rows[k].size(), rows[0].size()) << "aligned: " << rows[k];
        Xml x;
        EXPECT_TRUE(x.parse(slurp(dir + "/ch-" + std::to_string(k) + ".svg"))) << k;
    }
}

TEST_F(MeasureCommand, ManyFilesGiveOneLineEachAndBadOnesTheirOwn) {
    const auto v = trapezoids(200, 20, 16, 70, 24, 4, 1.0);
    const std::vector<std::string> files = {file("a.csv", csv(v, 1e-9, 0)), file("ragged.csv", "0,1\n1,2,3\n"),
                                            dir + "/absent.csv", file("nan.csv", "0,1\n1,NaN\n2,0\n"),
                                            file("b.bin", raw(v))};
    std::vector<std::string> args = files;
    for (const char *mode : {"--json", ""}) {
        args = files;
        args.insert(args.end(), {"--dt", "1e-9"});
        if (*mode) args.push_back(mode);
        const Outcome r = run(args);
        EXPECT_EQ(r.status, 2) << mode;
        const auto out = lines(r.out), err = lines(r.err);
        const size_t head = *mode ? 0 : 1; // the table's header row
        ASSERT_EQ(out.size(), files.size() + head) << r.out;
        ASSERT_EQ(err.size(), 3u) << r.err;
        const char *expect[] = {nullptr, "ragged.csv:2: 3 columns", "absent.csv: cannot open",
                                "nan.csv:2: column 2: sample 'NaN' is not finite", nullptr};
        for (size_t k = 0; k < files.size(); ++k) {
            const std::string &row = out[k + head];
            EXPECT_EQ(row.find(files[k]), *mode ? 10u : 0u) << row;
            if (expect[k]) {
                EXPECT_NE(row.find(expect[k]), std::string::npos) << row;
                EXPECT_EQ(row.find("rise_time"), std::string::npos) << row;
            } else if (*mode) {
                Json j{row};
                ASSERT_TRUE(j.object()) << row;
                EXPECT_NEAR(j.numbers["rise_time"], 0.8 * 16e-9 * 255 / 256, 1e-20) << row;
            } else {
                EXPECT_NE(row.find("12.75 ns"), std::string::npos) << row;
            }
        }
    }
}

TEST_F(MeasureCommand, BinsSetTheLevelResolution) {
    // A linear 10-90 % rise of 16 ns between flat levels, and a square wave:
    // with N bins the levels are bin centres half a bin inside the extremes,
    // so the rise reads 16 (1 - 1/N) ns and the square wave overshoots by
    // 1/(2 (N - 1)) of its amplitude.
    const auto ramp = trapezoids(400, 20, 20, 180, 20, 2, 1.0);
    const auto square = trapezoids(100, 10, 1, 49, 1, 4, 5.0);
    const std::string r = file("ramp.bin", raw(ramp)), q = file("square.bin", raw(square));
    for (int bins : {0, 256, 4096, 65536}) {
        const double n = bins ? bins : 256;
        std::vector<std::string> a = {r, q, "--dt", "1e-9", "--json"};
        if (bins) a.insert(a.end(), {"--bins", std::to_string(bins)});
        const Outcome out = run(a);
        ASSERT_EQ(out.status, 0) << out.err;
        const auto rows = lines(out.out);
        ASSERT_EQ(rows.size(), 2u);
        Json jr{rows[0]}, jq{rows[1]};
        ASSERT_TRUE(jr.object() && jq.object()) << out.out;
        EXPECT_NEAR(jr.numbers["rise_time"], 16e-9 * (1 - 1 / n), 1e-12 * 16e-9) << bins;
        EXPECT_NEAR(jq.numbers["overshoot"], 1 / (2 * (n - 1)), 1e-12) << bins;
        EXPECT_EQ(jr.numbers["bins"], n);
    }
    EXPECT_NEAR(0.8 * 20 * (1 - 1 / 256.0), 15.94, 0.005); // the figures --help quotes
    EXPECT_NEAR(100 / (2 * 255.0), 0.20, 0.005);
    const Outcome help = run({"--help"});
    EXPECT_NE(help.out.find("15.94 ns"), std::string::npos);
    EXPECT_NE(help.out.find("0.20 % overshoot"), std::string::npos);
}

TEST_F(MeasureCommand, MeasurementsThatDoNotApplyAreNull) {
    std::vector<double> step(400, 0.0);
    for (size_t i = 200; i < step.size(); ++i) step[i] = i < 210 ? (i - 200) / 10.0 : 1.0;
    const Outcome r = run({file("step.bin", raw(step)), "--dt", "1e-3", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    Json j{r.out};
    ASSERT_TRUE(j.object()) << r.out;
    EXPECT_NEAR(j.numbers["rise_time"], 8e-3 * 255 / 256, 8e-3 * 1e-12);
    EXPECT_TRUE(j.nulls["period"] && j.nulls["fall_time"] && j.nulls["frequency"]);
    const Outcome text = run({dir + "/step.bin", "--dt", "1e-3"});
    EXPECT_NE(text.out.find("fall time            --  (too few edges)"), std::string::npos) << text.out;
}

TEST_F(MeasureCommand, BadFilesGiveOneLineNamingFileAndLine) {
    std::string truncated = raw({1, 2, 3});
    truncated.pop_back();
    const std::string f8 = raw({0, 1, 2, 3});
    std::string shortHeader = npy("<f8", "(2,)", raw({1, 2}));
    shortHeader[8] = char(200);
    const struct {
        std::string name, bytes, expect;
        std::vector<std::string> extra;
    } cases[] = {
        {"empty.csv", "", "empty.csv: empty file", {}},
        {"header.csv", "Model,XY\ntime,value\n\n", "header.csv: no samples", {}},
        {"words.csv", "0,1\n1,2\n2,abc\n", "words.csv:3: 'abc' is not a number", {}},
        {"hole.csv", "0;1;2\n1;;2\n", "hole.csv:2: column 2 is empty", {}},
        {"commas.csv", "0;1,5\n1;2,5,0\n", "commas.csv:2: '2,5,0' is not a number", {}},
        {"ragged.csv", "t,v\r\n0,1\r\n1,2,3\r\n", "ragged.csv:3: 3 columns", {}},
        {"uneven.csv", "0,1\n1,2\n3,3\n", "is not uniform", {}},
        {"back.csv", "2,1\n1,2\n0,3\n", "does not increase", {}},
        {"column.csv", "0,1\n1,2\n", "column.csv:1: no column 5 (the data have 2)", {"--column", "5"}},
        {"single.csv", "1\n2\n3\n", "give --dt", {}},
        {"huge.csv", "0,1\n1e999,2\n", "huge.csv:2: '1e999' is beyond the range of a double", {}},
        {"huge2.csv", "0;1\n1;-2,5e400\n", "huge2.csv:2: '-2,5e400' is beyond the range of a double", {}},
        {"inftime.csv", "0,1\ninf,2\n", "inftime.csv:2: time 'inf' is not finite", {}},
        {"nan.csv", "t,v\n0,1\n1,nan\n2,-inf\n", "nan.csv:3: column 2: sample 'nan' is not finite", {}},
        {"short.bin", truncated, "short.bin: truncated: 23 bytes", {"--dt", "1"}},
        {"nodt.bin", raw({1, 2, 3}), "give --dt", {}},
        {"nan.bin", raw({1, NAN, 3}), "nan.bin: sample 2 is not finite", {"--dt", "1"}},
        {"v9.npy", npy("<f8", "(4,)", f8, false, 9), ".npy format version 9 is not supported", {}},
        {"c16.npy", npy("<c16", "(2,)", f8), "dtype '<c16' is not supported", {}},
        {"f16.npy", npy("<f16", "(2,)", f8), "dtype '<f16' is not supported", {}},
        {"rec.npy", npy("', 'x': [('a', '<f8')], 'y': '", "(4,)", f8), "the header has an unknown key 'x'", {}},
        {"claims.npy", npy("<f8", "(1000000000000000000,)", f8), "shape (1000000000000000000,) does not match the 32",
         {}},
        {"overflow.npy", npy("<f8", "(4294967296, 4294967296)", f8), "does not match the 32 bytes", {}},
        {"cube.npy", npy("<f8", "(1, 2, 2)", f8), "has 3 dimensions", {}},
        {"wide.npy", npy("<f8", "(1, 4)", f8), "fewer rows than columns", {}},
        {"scalar.npy", npy("<f8", "()", f8.substr(0, 8)), "holds a single number", {}},
        {"cut.npy", shortHeader, "cut.npy: truncated .npy header", {}},
        {"nan.npy", npy("<f8", "(2, 2)", raw({0, NAN, 1, 1})), "row 1, column 2: a sample is not finite", {}},
        {"nohead.npy", raw({1, 2}), "not a .npy file", {"--format", "npy"}},
    };
    for (const auto &c : cases) {
        std::vector<std::string> args = {file(c.name, c.bytes)};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const Outcome r = run(args);
        EXPECT_EQ(r.status, 2) << c.name;
        EXPECT_TRUE(r.out.empty()) << c.name;
        EXPECT_NE(r.err.find(c.expect), std::string::npos) << c.name << ": " << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << c.name << ": one line: " << r.err;
    }
    const Outcome directory = run({dir});
    EXPECT_EQ(directory.status, 2);
    EXPECT_NE(directory.err.find("is a directory"), std::string::npos) << directory.err;
}

TEST_F(MeasureCommand, BadOptionsGiveOneLineNamingTheOption) {
    const std::string f = file("ok.csv", "0,0\n1,1\n2,0\n");
    const struct {
        std::vector<std::string> args;
        std::string expect;
    } cases[] = {
        {{f, "--frobnicate"}, "unknown option '--frobnicate'"},
        {{f, "--dt", "-1"}, "--dt: the sampling interval must be positive"},
        {{f, "--dt", "1ms"}, "--dt: '1ms' is not a finite number"},
        {{f, "--dt"}, "--dt: missing value"},
        {{f, "--t0", "nan"}, "--t0: 'nan' is not a finite number"},
        {{f, "--levels", "90,50,10"}, "--levels: need LOW <= MID <= HIGH"},
        {{f, "--levels", "10,50"}, "--levels: give three percentages"},
        {{f, "--column", "0"}, "--column: '0' is not a column number"},
        {{f, "--column", "2,x"}, "--column: 'x' is not a column number"},
        {{f, "--bins", "1"}, "--bins: '1' is not a number of bins from 2 to 16777216"},
        {{f, "--bins", "16777217"}, "--bins: '16777217' is not"},
        {{f, "--bins", "1e3"}, "--bins: '1e3' is not"},
        {{f, "--format", "xls"}, "--format: 'xls'"},
        {{f, "--svg", dir + "/no/such/dir/x.svg"}, "x.svg: cannot write"},
    };
    for (const auto &c : cases) {
        const Outcome r = run(c.args);
        EXPECT_EQ(r.status, 2) << c.expect;
        EXPECT_NE(r.err.find(c.expect), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    }
    EXPECT_EQ(run({}).status, 2);
    const Outcome help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: orin-measure FILE..."), std::string::npos);
}

TEST_F(MeasureCommand, SvgShowsTheMeasuredEdgesLegibly) {
    // One cycle fills the picture: one panel. Fifty cycles would squeeze an
    // edge into a fraction of a pixel: a zoomed panel shows each edge.
    const struct {
        int period, high, cycles, panels;
        const char *xlabel;
    } cases[] = {{120, 40, 1, 1, "time (ns)"}, {200, 70, 50, 3, "time (\u00b5s)"}};
    for (const auto &c : cases) {
        const auto v = trapezoids(c.period, 20, 16, c.high, 24, c.cycles, 3.3);
        const std::string in = file("a&b <scope>.csv", csv(v, 1e-9, 0));
        const std::string out = dir + "/pulse.svg";
        const Outcome r = run({in, "--svg", out, "--levels", "20,50,80"});
        ASSERT_EQ(r.status, 0) << r.err;
        Xml x;
        const std::string svg = slurp(out);
        ASSERT_TRUE(x.parse(svg)) << svg.substr(0, 400);
        ASSERT_EQ(x.count["rect.panel"], c.panels) << c.cycles;
        EXPECT_EQ(x.count["polyline.data"], c.panels);
        EXPECT_EQ(x.count["line.reference"], 3 + 3 * (c.panels - 1));
        auto has = [&](const std::string &t) {
            for (const auto &s : x.texts)
                if (s.find(t) != std::string::npos) return true;
            return false;
        };
        EXPECT_TRUE(has(c.xlabel));
        EXPECT_TRUE(has("orin-measure: a&amp;b &lt;scope&gt;.csv"));
        EXPECT_TRUE(has("high 80 %") && has("mid 50 %") && has("low 20 %"));
        // 20-80 % of ramps of 16 and 24 ns, less one histogram bin in 256.
        EXPECT_TRUE(has("rise 9.56") && has("fall 14.3")) << svg;
        // Each edge's pair of cursors and markers, in every panel that shows
        // it, at least 50 pixels apart; a falling edge's first marker at the
        // high reference (above the second).
        const auto &panels = x.at["rect.panel"];
        const auto &cursors = x.at["line.cursor"];
        const auto &markers = x.at["circle.marker"];
        ASSERT_EQ(cursors.size(), 4u * (c.panels == 1 ? 1 : 2));
        ASSERT_EQ(markers.size(), cursors.size());
        for (size_t k = 0; k < cursors.size(); k += 2) {
            const double gap = cursors[k + 1].at("x1") - cursors[k].at("x1");
            const bool inZoom = cursors[k].at("y1") > panels[0].at("y") + panels[0].at("height");
            if (c.panels == 1 || inZoom) EXPECT_GT(gap, 50) << c.cycles << " cursor " << k;
            else EXPECT_LT(gap, 2) << "the whole record squeezes the edge";
            const bool falling = (k / 2) % 2 == 1;
            EXPECT_EQ(markers[k].at("cy") < markers[k + 1].at("cy"), falling) << k;
            EXPECT_EQ(markers[k].at("cx"), cursors[k].at("x1"));
        }
    }
    // Levels spanning more than the largest double still map to pixels.
    const std::string out = dir + "/huge.svg";
    ASSERT_EQ(run({file("huge.csv", "0,1e308\n1,-1.7e308\n2,1e308\n"), "--svg", out}).status, 0);
    const std::string svg = slurp(out);
    EXPECT_EQ(svg.find("nan"), std::string::npos) << svg;
    EXPECT_NE(svg.find("84.00,"), std::string::npos) << svg; // the first point, at the left edge
}

TEST_F(MeasureCommand, LongRecordsDrawTheirEnvelopeInBoundedSize) {
    // 400,000 samples of a 1 kHz square wave with noise, sampled at 1 MHz:
    // the picture keeps per-pixel extremes, so its size does not grow with n.
    std::vector<double> v(400000);
    unsigned seed = 1;
    for (size_t i = 0; i < v.size(); ++i) {
        seed = seed * 1103515245u + 12345u;
        v[i] = ((i / 500) % 2 ? 1.0 : -1.0) + 0.01 * ((seed >> 8) / 16777216.0 - 0.5);
    }
    v[123457] = 3.0; // a single-sample spike must survive the reduction
    const std::string out = dir + "/long.svg";
    const Outcome r = run({file("long.bin", raw(v)), "--dt", "1e-6", "--svg", out});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string svg = slurp(out);
    Xml x;
    ASSERT_TRUE(x.parse(svg));
    EXPECT_LT(svg.size(), 200000u);
    // The spike's pixel: y of 3.0 on the plot's scale is its topmost point.
    const size_t pts = svg.find("points=\"");
    ASSERT_NE(pts, std::string::npos);
    double minY = 1e9;
    std::istringstream p(svg.substr(pts + 8, svg.find('"', pts + 8) - pts - 8));
    for (std::string xy; p >> xy;) minY = std::fmin(minY, std::atof(xy.substr(xy.find(',') + 1).c_str()));
    EXPECT_LT(minY, 70); // the frame's top is at 46 and the range has a 5 % margin
}

} // namespace
