// orin-measure run as a user runs it: files in, exit status, one-line
// messages, JSON and SVG out.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

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

std::string csv(const std::vector<double> &v, double dt, double t0, const char *sep = ",", const char *eol = "\n") {
    std::string s = std::string("time") + sep + "value" + eol;
    char buf[96];
    for (size_t i = 0; i < v.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%.17g%s%.17g%s", t0 + double(i) * dt, sep, v[i], eol);
        s += buf;
    }
    return s;
}

std::string raw(const std::vector<double> &v) {
    return std::string(reinterpret_cast<const char *>(v.data()), v.size() * sizeof(double)); // x86: little-endian
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
                k = endq + 1;
            }
            ++count[name];
            if (!cls.empty()) ++count[name + "." + cls];
            if (!empty) open.push_back(name);
        }
        return open.empty() && count["svg"] == 1;
    }
};

TEST_F(MeasureCommand, MeasuresTrapezoidsFromEveryFileForm) {
    // 1 GS/s, 4 cycles of 200 samples: ramps of 16 and 24 samples, 70 high.
    const double dt = 1e-9, t0 = 5e-6, amp = 2.0;
    const auto v = trapezoids(200, 20, 16, 70, 24, 4, amp);
    const std::vector<std::vector<std::string>> forms = {
        {file("two.csv", csv(v, dt, t0))},
        {file("semi.csv", "# scope export\r\n" + csv(v, dt, t0, ";", "\r\n"))},
        {file("one.csv", [&] {
             std::string s;
             for (double x : v) s += std::to_string(x) + "\n";
             return s;
         }()),
         "--dt", "1e-9", "--t0", "5e-6"},
        {file("wave.bin", raw(v)), "--dt=1e-9", "--t0=5e-6"},
    };
    for (const auto &args : forms) {
        std::vector<std::string> a = args;
        a.push_back("--json");
        const Outcome r = run(a);
        ASSERT_EQ(r.status, 0) << args[0] << ": " << r.err;
        Json j{r.out};
        ASSERT_TRUE(j.object()) << r.out;
        EXPECT_EQ(j.numbers["samples"], 800);
        EXPECT_NEAR(j.numbers["dt"], dt, 1e-9 * dt);
        EXPECT_NEAR(j.numbers["t0"], t0, 1e-9 * t0);
        // The levels come from a 256-bin histogram: high may sit up to one
        // bin (amp/256) below the top, which scales the 10-90 % rise by at
        // most 1/256 and moves each 50 % crossing by half a bin on a ramp.
        const double bin = (1 + 1e-9) / 256; // one bin, and the rounding of the times
        EXPECT_NEAR(j.numbers["rise_time"], 0.8 * 16 * dt, 0.8 * 16 * dt * bin) << args[0];
        EXPECT_NEAR(j.numbers["fall_time"], 0.8 * 24 * dt, 0.8 * 24 * dt * bin) << args[0];
        EXPECT_NEAR(j.numbers["period"], 200 * dt, 1e-6 * 200 * dt) << args[0];
        EXPECT_NEAR(j.numbers["frequency"], 1 / (200 * dt), 1e-6 / (200 * dt)) << args[0];
        EXPECT_NEAR(j.numbers["duty_cycle"], 90.0 / 200, (16 + 24) * bin / 200) << args[0];
        EXPECT_NEAR(j.numbers["peak_to_peak"], amp, 4 * amp * 2.2e-16);
        EXPECT_TRUE(j.nulls.empty()) << args[0];
    }
}

TEST_F(MeasureCommand, ColumnOptionAndTextTable) {
    std::string s = "t,noise,v\n";
    const auto v = trapezoids(100, 10, 10, 40, 10, 3, 5.0);
    for (size_t i = 0; i < v.size(); ++i) s += std::to_string(i * 1e-6) + ",7," + std::to_string(v[i]) + "\n";
    const Outcome r = run({file("three.csv", s), "--column", "3"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("300 samples, dt 1.000 us"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("period               100.0 us"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("frequency            10.00 kHz"), std::string::npos) << r.out;
    // Column 2 is flat: no edges there.
    const Outcome flat = run({dir + "/three.csv", "--column", "2", "--json"});
    ASSERT_EQ(flat.status, 0) << flat.err;
    Json j{flat.out};
    ASSERT_TRUE(j.object()) << flat.out;
    EXPECT_TRUE(j.nulls["rise_time"] && j.nulls["period"] && j.nulls["duty_cycle"]);
    EXPECT_EQ(j.numbers["minimum"], 7);
}

TEST_F(MeasureCommand, MeasurementsThatDoNotApplyAreNull) {
    std::vector<double> step(400, 0.0);
    for (size_t i = 200; i < step.size(); ++i) step[i] = i < 210 ? (i - 200) / 10.0 : 1.0;
    const Outcome r = run({file("step.bin", raw(step)), "--dt", "1e-3", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    Json j{r.out};
    ASSERT_TRUE(j.object()) << r.out;
    EXPECT_NEAR(j.numbers["rise_time"], 8e-3, 8e-3 / 256 * (1 + 1e-9)); // within one histogram bin
    EXPECT_TRUE(j.nulls["period"] && j.nulls["fall_time"] && j.nulls["frequency"]);
    const Outcome text = run({dir + "/step.bin", "--dt", "1e-3"});
    EXPECT_NE(text.out.find("fall time            --  (too few edges)"), std::string::npos) << text.out;
}

TEST_F(MeasureCommand, BadFilesGiveOneLineNamingFileAndLine) {
    std::string truncated = raw({1, 2, 3});
    truncated.pop_back();
    const struct {
        std::string name, bytes, expect;
        std::vector<std::string> extra;
    } cases[] = {
        {"empty.csv", "", "empty.csv: empty file", {}},
        {"header.csv", "time,value\n", "header.csv: no samples", {}},
        {"words.csv", "0,1\n1,2\n2,abc\n", "words.csv:3: 'abc' is not a number", {}},
        {"ragged.csv", "0,1\n1,2,3\n", "ragged.csv:2: 3 columns", {}},
        {"uneven.csv", "0,1\n1,2\n3,3\n", "is not uniform", {}},
        {"back.csv", "2,1\n1,2\n0,3\n", "does not increase", {}},
        {"column.csv", "0,1\n1,2\n", "column.csv:1: no column 5", {"--column", "5"}},
        {"single.csv", "1\n2\n3\n", "give --dt", {}},
        {"short.bin", truncated, "short.bin: truncated: 23 bytes", {"--dt", "1"}},
        {"nodt.bin", raw({1, 2, 3}), "give --dt", {}},
        {"inf.csv", "0,1\n1e999,2\n", "inf.csv:2: '1e999' is not a number", {}},
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
    const Outcome missing = run({dir + "/absent.csv"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("absent.csv: cannot open"), std::string::npos) << missing.err;
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
        {{f, "--format", "xls"}, "--format: 'xls'"},
        {{f, f}, "more than one file"},
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
    EXPECT_NE(help.out.find("usage: orin-measure FILE"), std::string::npos);
}

TEST_F(MeasureCommand, SvgIsWellFormedWithLevelsAndCursors) {
    const auto v = trapezoids(200, 20, 16, 70, 24, 4, 3.3);
    const std::string in = file("a&b <scope>.csv", csv(v, 1e-9, 0));
    const std::string out = dir + "/pulse.svg";
    const Outcome r = run({in, "--svg", out, "--levels", "20,50,80"});
    ASSERT_EQ(r.status, 0) << r.err;
    Xml x;
    const std::string svg = slurp(out);
    ASSERT_TRUE(x.parse(svg)) << svg.substr(0, 400);
    EXPECT_GE(x.count["polyline.data"], 1);
    EXPECT_EQ(x.count["line.reference"], 3);
    EXPECT_EQ(x.count["line.cursor"], 4); // two per edge, rise and fall
    EXPECT_EQ(x.count["circle.marker"], 4);
    auto has = [&](const std::string &t) {
        for (const auto &s : x.texts)
            if (s.find(t) != std::string::npos) return true;
        return false;
    };
    EXPECT_TRUE(has("time (ns)"));
    EXPECT_TRUE(has("orin-measure: a&amp;b &lt;scope&gt;.csv"));
    EXPECT_TRUE(has("high 80 %") && has("mid 50 %") && has("low 20 %"));
    // 20-80 % of ramps of 16 and 24 ns, less at most one histogram bin.
    EXPECT_TRUE(has("rise 9.5") && has("fall 14.3")) << svg;
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
