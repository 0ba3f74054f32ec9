// Recordings for orin-measure; see measure_input.h.
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

// The columns of a recording that are kept: the time column (column 1 of a
// table of two or more) and the value columns picked, with where the first
// non-finite value of each is (":12: column 2: ...", to follow the path).
struct Table {
    size_t columns = 0;
    std::vector<int> picked;
    std::vector<std::vector<double>> values;
    std::vector<std::string> bad;
    std::vector<double> times;
    std::vector<std::string> names;  // one per column of the file, or none
};

// The value columns options ask for, of a table of `columns`; "" or why not.
std::string pickColumns(size_t columns, const InputOptions &options, Table &t) {
    t.columns = columns;
    t.picked.clear();
    if (options.allColumns && columns > 1) {
        for (size_t c = 2; c <= columns; ++c) t.picked.push_back(static_cast<int>(c));
    } else if (!options.columns.empty() && !options.allColumns) {
        for (int c : options.columns) {
            if (c < 1 || static_cast<size_t>(c) > columns)
                return "no column " + std::to_string(c) + " (the data have " + std::to_string(columns) + ")";
            t.picked.push_back(c);
        }
    } else {
        t.picked.push_back(columns == 1 ? 1 : 2);
    }
    t.values.assign(t.picked.size(), {});
    t.bad.assign(t.picked.size(), {});
    return "";
}

// The sampling of the time column (uniform within 1e-6 of the mean step,
// which allows times printed with about 7 significant digits), or of the
// options, and one channel per picked column.
bool finish(const std::string &path, Table &t, const InputOptions &options, Recording &rec, std::string &message) {
    if (t.values.empty() || t.values[0].empty()) {
        message = path + ": no samples";
        return false;
    }
    const std::vector<double> &times = t.times;
    if (t.columns < 2) {
        if (!options.dt) {
            message = path + ": one column of samples carries no time: give --dt";
            return false;
        }
    } else if (times.size() >= 2 && !options.dt) {
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
        rec.dt = step;
    } else if (!options.dt) {
        message = path + ": one sample carries no time step: give --dt";
        return false;
    }
    if (!times.empty()) rec.t0 = times.front();
    if (options.dt) rec.dt = *options.dt;
    if (options.t0) rec.t0 = *options.t0;
    for (size_t k = 0; k < t.picked.size(); ++k) {
        Channel ch;
        ch.samples = std::move(t.values[k]);
        ch.column = t.picked[k];
        if (ch.column >= 1 && static_cast<size_t>(ch.column) <= t.names.size()) ch.name = t.names[ch.column - 1];
        if (!t.bad[k].empty()) ch.error = path + t.bad[k];
        rec.channels.push_back(std::move(ch));
    }
    return true;
}

// ---- CSV -------------------------------------------------------------------

enum class Num { Text, Number, OutOfRange };

// A whole field as a double ("nan" and "inf" included). With decimalComma a
// single comma stands for the decimal point.
Num parseNumber(const char *b, const char *e, bool decimalComma, double &value, std::string &buf) {
    if (b == e) return Num::Text;
    buf.assign(b, e);
    if (decimalComma) {
        const size_t comma = buf.find(',');
        if (comma != std::string::npos) {
            if (buf.find_first_of(",.", comma + 1) != std::string::npos || buf.find('.') < comma) return Num::Text;
            buf[comma] = '.';
        }
    }
    char *end = nullptr;
    errno = 0;
    value = std::strtod(buf.c_str(), &end);
    if (end == buf.c_str() || *end != '\0' || std::isspace(static_cast<unsigned char>(buf[0]))) return Num::Text;
    // Overflow to infinity is a number no double holds; underflow to 0 or a
    // subnormal is harmless.
    return errno == ERANGE && std::isinf(value) ? Num::OutOfRange : Num::Number;
}

struct Field {
    const char *b, *e;
    std::string text() const { return std::string(b, e); }
};

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

// The delimiter of a line: tab, then semicolon, then comma, whichever comes
// first in that order; ' ' (runs of blanks) when it has none of them.
char lineDelimiter(const char *b, const char *e) {
    for (char d : {'\t', ';', ','})
        if (std::memchr(b, d, static_cast<size_t>(e - b))) return d;
    return ' ';
}

// Splits [b, e) at delim outside double quotes; each field is trimmed of
// blanks and of one pair of enclosing quotes. Trailing empty fields (the
// delimiter some instruments end every line with) are dropped.
void splitFields(const char *b, const char *e, char delim, std::vector<Field> &out) {
    out.clear();
    auto add = [&](const char *fb, const char *fe) {
        while (fb < fe && blank(*fb)) ++fb;
        while (fe > fb && blank(fe[-1])) --fe;
        if (fe - fb >= 2 && *fb == '"' && fe[-1] == '"') ++fb, --fe;
        out.push_back({fb, fe});
    };
    if (delim == ' ') {
        for (const char *p = b; p < e;) {
            while (p < e && blank(*p)) ++p;
            const char *q = p;
            while (q < e && !blank(*q)) ++q;
            if (q > p) add(p, q);
            p = q;
        }
    } else {
        bool quoted = false;
        const char *start = b;
        for (const char *p = b; p < e; ++p) {
            if (*p == '"') quoted = !quoted;
            else if (*p == delim && !quoted) add(start, p), start = p + 1;
        }
        add(start, e);
    }
    while (!out.empty() && out.back().b == out.back().e) out.pop_back();
}

bool readCsv(const std::string &path, const std::string &text, const InputOptions &options, Table &t,
             std::string &message) {
    const char *p = text.data(), *const end = p + text.size();
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) p += 3;  // UTF-8 byte-order mark
    size_t lineNo = 0;
    auto fail = [&](const std::string &what) {
        message = path + ":" + std::to_string(lineNo) + ": " + what;
        return false;
    };
    char delim = 0;  // set by the first data line
    bool decimalComma = false;
    std::vector<Field> fields, names[2];
    const char *header[2][2] = {};  // the last two header lines: start and end
    size_t headerLine[2] = {0, 0};
    std::vector<double> row;
    std::string buf;
    while (p < end) {
        const char *b = p, *e = p;
        while (e < end && *e != '\n' && *e != '\r') ++e;
        p = e;
        if (p < end && *p == '\r') ++p;  // CRLF, LF or a lone CR
        if (p < end && *p == '\n' && (p == e || p[-1] == '\r')) ++p;
        ++lineNo;
        while (b < e && blank(*b)) ++b;
        if (b == e || *b == '#') continue;
        const char d = delim ? delim : lineDelimiter(b, e);
        splitFields(b, e, d, fields);
        if (fields.empty()) continue;  // nothing but delimiters
        const bool comma = d == ';' || d == '\t';
        row.resize(fields.size());
        if (!delim) {
            // Any number of header lines (names, units, instrument settings)
            // come before the first line that is all numbers.
            bool numbers = true;
            for (size_t i = 0; i < fields.size() && numbers; ++i)
                numbers = parseNumber(fields[i].b, fields[i].e, comma, row[i], buf) != Num::Text;
            if (!numbers) {
                header[1][0] = header[0][0], header[1][1] = header[0][1], headerLine[1] = headerLine[0];
                header[0][0] = b, header[0][1] = e, headerLine[0] = lineNo;
                continue;
            }
            delim = d;
            decimalComma = comma;
            const std::string why = pickColumns(fields.size(), options, t);
            if (!why.empty()) return fail(why);
            // Column names: the last header line when it has as many fields
            // as the data, "name (unit)" when the line above it has too.
            for (int k = 0; k < 2; ++k)
                if (headerLine[k]) splitFields(header[k][0], header[k][1], delim, names[k]);
            const bool named = headerLine[0] && names[0].size() == fields.size();
            const bool unit = named && headerLine[1] && names[1].size() == fields.size();
            if (named) {
                for (size_t c = 0; c < fields.size(); ++c)
                    t.names.push_back(unit ? names[1][c].text() + " (" + names[0][c].text() + ")" : names[0][c].text());
            }
        }
        if (fields.size() != t.columns)
            return fail(std::to_string(fields.size()) + " columns where the first data line has " +
                        std::to_string(t.columns));
        for (size_t i = 0; i < fields.size(); ++i) {
            const Num n = parseNumber(fields[i].b, fields[i].e, decimalComma, row[i], buf);
            if (n == Num::Text)
                return fail(fields[i].b == fields[i].e ? "column " + std::to_string(i + 1) + " is empty"
                                                       : "'" + fields[i].text() + "' is not a number");
            if (n == Num::OutOfRange) return fail("'" + fields[i].text() + "' is beyond the range of a double");
        }
        if (t.values[0].size() == kMaxSamples) return fail("more than " + std::to_string(kMaxSamples) + " samples");
        if (t.columns >= 2) {
            if (!std::isfinite(row[0])) return fail("time '" + fields[0].text() + "' is not finite");
            t.times.push_back(row[0]);
        }
        for (size_t k = 0; k < t.picked.size(); ++k) {
            const double v = row[t.picked[k] - 1];
            if (!std::isfinite(v) && t.bad[k].empty())
                t.bad[k] = ":" + std::to_string(lineNo) + ": column " + std::to_string(t.picked[k]) + ": sample '" +
                           fields[t.picked[k] - 1].text() + "' is not finite";
            t.values[k].push_back(v);
        }
    }
    if (!delim) {
        message = path + ": no samples";
        return false;
    }
    return true;
}

// ---- NumPy .npy --------------------------------------------------------------

// The header of a .npy file: a Python dict literal with 'descr' (a dtype
// string), 'fortran_order' and 'shape' (a tuple of integers).
struct NpyHeader {
    std::string descr;
    bool fortran = false;
    std::vector<uint64_t> shape;
};

// Reads the dict literal of [p, end); "" or what is wrong with it.
std::string parseNpyHeader(const char *p, const char *end, NpyHeader &h) {
    auto ws = [&] {
        while (p < end && std::isspace(static_cast<unsigned char>(*p))) ++p;
    };
    auto str = [&](std::string &out) {
        if (p >= end || (*p != '\'' && *p != '"')) return false;
        const char q = *p++;
        const char *s = p;
        while (p < end && *p != q) ++p;
        if (p >= end) return false;
        out.assign(s, p++);
        return true;
    };
    ws();
    if (p >= end || *p++ != '{') return "the header is not a dictionary";
    bool descr = false, order = false, shape = false;
    for (;;) {
        ws();
        if (p < end && *p == '}') break;
        std::string key;
        if (!str(key)) return "the header is not a dictionary";
        ws();
        if (p >= end || *p++ != ':') return "the header is not a dictionary";
        ws();
        if (key == "descr") {
            if (p < end && *p == '[') return "structured arrays (records) are not supported";
            if (!str(h.descr)) return "the header's descr is not a dtype string";
            descr = true;
        } else if (key == "fortran_order") {
            if (static_cast<size_t>(end - p) >= 4 && std::memcmp(p, "True", 4) == 0) h.fortran = true, p += 4;
            else if (static_cast<size_t>(end - p) >= 5 && std::memcmp(p, "False", 5) == 0) h.fortran = false, p += 5;
            else return "the header's fortran_order is not True or False";
            order = true;
        } else if (key == "shape") {
            if (p >= end || *p++ != '(') return "the header's shape is not a tuple";
            for (;;) {
                ws();
                if (p < end && *p == ')') break;
                if (p >= end || !std::isdigit(static_cast<unsigned char>(*p)))
                    return "the header's shape is not a tuple";
                uint64_t n = 0;
                for (; p < end && std::isdigit(static_cast<unsigned char>(*p)); ++p) {
                    if (n > (UINT64_MAX - 9) / 10) return "the header's shape is out of range";
                    n = n * 10 + static_cast<uint64_t>(*p - '0');
                }
                h.shape.push_back(n);
                ws();
                if (p < end && *p == ',') ++p;
                if (h.shape.size() > 32) return "the header's shape has too many dimensions";
            }
            ++p;
            shape = true;
        } else {
            return "the header has an unknown key '" + key + "'";
        }
        ws();
        if (p < end && *p == ',') ++p;
    }
    if (!descr || !order || !shape) return "the header lacks descr, fortran_order or shape";
    return "";
}

bool readNpy(const std::string &path, const std::string &bytes, const InputOptions &options, Table &t,
             std::string &message) {
    auto fail = [&](const std::string &what) {
        message = path + ": " + what;
        return false;
    };
    const auto *u = reinterpret_cast<const unsigned char *>(bytes.data());
    const size_t size = bytes.size();
    if (size < 10 || bytes.compare(0, 6, "\x93NUMPY") != 0) return fail("not a .npy file");
    const unsigned major = u[6];
    size_t start = 0, headerLength = 0;
    if (major == 1) {
        headerLength = u[8] | static_cast<size_t>(u[9]) << 8;
        start = 10;
    } else if (major == 2 || major == 3) {
        if (size < 12) return fail("truncated .npy header");
        headerLength =
            u[8] | static_cast<size_t>(u[9]) << 8 | static_cast<size_t>(u[10]) << 16 | static_cast<size_t>(u[11]) << 24;
        start = 12;
    } else {
        return fail(".npy format version " + std::to_string(major) + " is not supported (1 to 3 are)");
    }
    if (headerLength > size - start) return fail("truncated .npy header");
    NpyHeader h;
    const std::string why = parseNpyHeader(bytes.data() + start, bytes.data() + start + headerLength, h);
    if (!why.empty()) return fail(why);
    // dtype: byte order, kind and size, e.g. "<f8", "|u1", ">i2".
    const std::string &d = h.descr;
    const char order = d.empty() ? 0 : d[0];
    const char kind = d.size() > 1 ? d[1] : 0;
    const int itemSize = d.size() == 3 && d[2] >= '1' && d[2] <= '8' ? d[2] - '0' : 0;
    const bool sizeOk = kind == 'f' ? itemSize == 4 || itemSize == 8
                                    : (kind == 'i' || kind == 'u') &&
                                          (itemSize == 1 || itemSize == 2 || itemSize == 4 || itemSize == 8);
    if (!sizeOk || !(order == '<' || order == '>' || (order == '|' && itemSize == 1)))
        return fail("dtype '" + d + "' is not supported (float64, float32 or an integer type are)");
    if (h.shape.empty()) return fail("holds a single number, not a waveform");
    if (h.shape.size() > 2)
        return fail("has " + std::to_string(h.shape.size()) + " dimensions (samples, or rows of time and values)");
    const size_t available = (size - start - headerLength) / static_cast<size_t>(itemSize);
    const uint64_t rows = h.shape[0], columns = h.shape.size() == 2 ? h.shape[1] : 1;
    // Each dimension is checked against the data before they are multiplied.
    if (rows > available || columns > available || (columns && rows > available / columns) ||
        rows * columns * static_cast<uint64_t>(itemSize) != size - start - headerLength) {
        std::string shape = "(" + std::to_string(rows) + (h.shape.size() == 2 ? ", " + std::to_string(columns) : ",");
        return fail("shape " + shape + ") does not match the " + std::to_string(size - start - headerLength) +
                    " bytes of data");
    }
    if (rows == 0 || columns == 0) return fail("no samples");
    if (rows < columns)
        return fail("has fewer rows than columns: give one sample per row, time first (numpy.column_stack)");
    if (rows > kMaxSamples) return fail("more than " + std::to_string(kMaxSamples) + " samples");
    const std::string pick = pickColumns(static_cast<size_t>(columns), options, t);
    if (!pick.empty()) return fail(pick);
    const unsigned char *data = u + start + headerLength;
    auto at = [&](size_t r, size_t c) {
        const size_t index = h.fortran ? c * rows + r : r * columns + c;
        const unsigned char *q = data + index * static_cast<size_t>(itemSize);
        uint64_t bits = 0;
        for (int k = 0; k < itemSize; ++k)
            bits |= static_cast<uint64_t>(q[order == '>' ? itemSize - 1 - k : k]) << 8 * k;
        if (kind == 'f') {
            if (itemSize == 8) {
                double v;
                std::memcpy(&v, &bits, 8);
                return v;
            }
            const uint32_t b32 = static_cast<uint32_t>(bits);
            float f;
            std::memcpy(&f, &b32, 4);
            return static_cast<double>(f);
        }
        if (kind == 'u') return static_cast<double>(bits);
        const int shift = 64 - 8 * itemSize;  // sign-extend
        return static_cast<double>(static_cast<int64_t>(bits << shift) >> shift);
    };
    for (auto &v : t.values) v.reserve(static_cast<size_t>(rows));
    if (columns >= 2) t.times.reserve(static_cast<size_t>(rows));
    for (size_t r = 0; r < rows; ++r) {
        if (columns >= 2) {
            const double time = at(r, 0);
            if (!std::isfinite(time)) return fail("row " + std::to_string(r + 1) + ": the time is not finite");
            t.times.push_back(time);
        }
        for (size_t k = 0; k < t.picked.size(); ++k) {
            const double v = at(r, static_cast<size_t>(t.picked[k] - 1));
            if (!std::isfinite(v) && t.bad[k].empty())
                t.bad[k] = ": row " + std::to_string(r + 1) + ", column " + std::to_string(t.picked[k]) +
                           ": a sample is not finite";
            t.values[k].push_back(v);
        }
    }
    return true;
}

// ---- raw doubles ---------------------------------------------------------------

bool readRaw(const std::string &path, const std::string &bytes, const InputOptions &options, Table &t,
             std::string &message) {
    if (bytes.size() % 8 != 0) {
        message =
            path + ": truncated: " + std::to_string(bytes.size()) + " bytes is not a whole number of 8-byte samples";
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
    const std::string pick = pickColumns(1, options, t);
    if (!pick.empty()) {
        message = path + ": " + pick;
        return false;
    }
    t.picked = {0};  // raw samples have no columns to name
    t.values[0].resize(n);
    for (size_t i = 0; i < n; ++i) {
        uint64_t bits = 0;
        for (int k = 7; k >= 0; --k) bits = bits << 8 | static_cast<unsigned char>(bytes[8 * i + k]);
        std::memcpy(&t.values[0][i], &bits, 8);
        if (!std::isfinite(t.values[0][i]) && t.bad[0].empty())
            t.bad[0] = ": sample " + std::to_string(i + 1) + " is not finite";
    }
    return true;
}

bool looksBinary(const std::string &bytes) {
    for (size_t i = 0; i < bytes.size() && i < 4096; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == 0 || (c < 0x20 && c != '\n' && c != '\r' && c != '\t' && c != '\f' && c != '\v')) return true;
    }
    return false;
}

}  // namespace

bool readRecording(const std::string &path, const InputOptions &options, Recording &rec, std::string &message) {
    rec = Recording{};
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
    const std::string bytes = std::move(content).str();
    if (bytes.empty()) {
        message = path + ": empty file";
        return false;
    }
    const bool npy = bytes.compare(0, 6, "\x93NUMPY") == 0;
    std::string format = options.format;
    if (format.empty()) format = npy ? "npy" : looksBinary(bytes) ? "raw" : "csv";
    Table t;
    const bool ok = format == "npy"   ? readNpy(path, bytes, options, t, message)
                    : format == "raw" ? readRaw(path, bytes, options, t, message)
                                      : readCsv(path, bytes, options, t, message);
    return ok && finish(path, t, options, rec, message);
}

}  // namespace orin::tools
