// The library's symbol tables: it exports exactly its export list and
// imports from the host only the platform functions.
#include <dlfcn.h>
#include "support/prelude.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <utility>

namespace {

std::set<std::string> nm(const char *options) {
    const std::string command = std::string("nm -D ") + options + " '" + ORIN_LIBRARY_PATH + "'";
    std::set<std::string> names;
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe) return names;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) {
        std::istringstream fields(line);
        std::string field, last, kind;
        while (fields >> field) {
            kind = last;
            last = field;
        }
        names.insert(last + " " + kind);
    }
    pclose(pipe);
    return names;
}

std::set<std::string> namesOnly(const std::set<std::string> &entries) {
    std::set<std::string> names;
    for (const std::string &e : entries) names.insert(e.substr(0, e.find(' ')));
    return names;
}

// The file of the object that defines name in this process, or "".
std::string definingObject(const std::string &name) {
    void *address = dlsym(RTLD_DEFAULT, name.c_str());
    Dl_info info{};
    if (!address || !dladdr(address, &info) || !info.dli_fname) return "";
    return info.dli_fname;
}

}  // namespace

TEST(Exports, DefinedSymbolsEqualTheExportList) {
    std::set<std::string> listed;
    std::ifstream list(ORIN_EXPORT_LIST);
    ASSERT_TRUE(list) << ORIN_EXPORT_LIST;
    for (std::string name; std::getline(list, name);)
        if (!name.empty()) listed.insert(name);
    const std::set<std::string> exported = namesOnly(nm("--defined-only"));
    for (const std::string &name : listed) EXPECT_TRUE(exported.count(name)) << "listed but not exported: " << name;
    for (const std::string &name : exported) EXPECT_TRUE(listed.count(name)) << "exported but not listed: " << name;
}

TEST(Exports, UnversionedImportsAreHostFunctionsOnly) {
    // Versioned imports (name@GLIBC_..., name@CXXABI_...) come from the C and
    // C++ runtimes; everything else must be one of the host's functions, or
    // one of the optional hooks of the stand-alone host (weak) and the
    // toolchain's own weak references.
    const std::set<std::string> host = {
        "NumericArrayResize", "DSHandToHand", "DSNewHandle", "DSSetHandleSize", "DSNewHClr", "DSDisposeHandle",
        "DSNewPtr", "DSNewPClr", "DSDisposePtr", "MoveBlock", "ClearMem", "ThMutexCreate", "ThMutexAcquire",
        "ThMutexRelease", "ThMutexDestroy", "QSort", "DBPrintf"};
    const std::set<std::string> weakOptional = {"OrinHostScratchAcquire", "OrinHostScratchRelease",
                                                "_ITM_deregisterTMCloneTable", "_ITM_registerTMCloneTable",
                                                "__gmon_start__", "__cxa_finalize"};
    for (const std::string &entry : nm("--undefined-only")) {
        const std::string name = entry.substr(0, entry.find(' '));
        const std::string kind = entry.substr(entry.find(' ') + 1);
        if (name.find('@') != std::string::npos) continue;
        // Sanitizer runtimes provide malloc and friends without versions; an
        // import is fine as long as a runtime, not the host layer, defines it.
        if (!host.count(name) && !weakOptional.count(name)) {
            const std::string object = definingObject(name);
            EXPECT_TRUE(!object.empty() && object.find("liborinhost") == std::string::npos)
                << "unexpected import " << name << " (defined by '" << object << "')";
            continue;
        }
        if (kind == "w") EXPECT_TRUE(weakOptional.count(name)) << "host function imported weakly: " << name;
        else EXPECT_TRUE(host.count(name)) << "hook imported strongly: " << name;
    }
}

namespace {

// The text of a source file with its comments removed.
std::string codeOf(const std::string &path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    std::string s = text.str(), code;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s.compare(i, 2, "/*") == 0) i = s.find("*/", i + 2) + 1;
        else if (s.compare(i, 2, "//") == 0) i = s.find('\n', i) - 1;
        else code += s[i];
    }
    return code;
}

// The names a header declares with ORIN_API: the identifier before the first
// '(', ';' or '[' of each declaration, comments stripped.
std::set<std::string> declaredIn(const std::string &path) {
    const std::string code = codeOf(path);
    std::set<std::string> names;
    const std::string marker = "ORIN_API ";
    for (size_t at = code.find(marker); at != std::string::npos; at = code.find(marker, at + 1)) {
        if (code.compare(at - 8, 8, "#define ") == 0) continue;
        const size_t end = code.find_first_of("(;[", at);
        size_t stop = end;
        while (stop > at && std::isspace(static_cast<unsigned char>(code[stop - 1]))) --stop;
        size_t start = stop;
        while (start > at && (std::isalnum(static_cast<unsigned char>(code[start - 1])) || code[start - 1] == '_')) --start;
        names.insert(code.substr(start, stop - start));
    }
    return names;
}

const char *const kExportingDirectories[] = {"frame",      "transforms", "windows", "filters", "generation", "timedomain",
                                             "statistics", "linalg",     "fitting", "arrays",  "measurement"};

std::set<std::string> listedIn(const std::string &path) {
    std::set<std::string> names;
    std::ifstream list(path);
    for (std::string name; std::getline(list, name);)
        if (!name.empty() && name[0] != '#') names.insert(name);
    return names;
}

}  // namespace

// Adding a routine is two edits: its declaration in the subsystem's header
// and its name in the directory's export list. The two must agree.
TEST(Exports, HeaderDeclarationsEqualEachDirectorysExportList) {
    const std::string root = ORIN_SOURCE_DIR;
    for (const char *dir : kExportingDirectories) {
        SCOPED_TRACE(dir);
        std::set<std::string> declared = declaredIn(root + "/include/orin/" + dir + ".h");
        // iDNaN is declared with the layouts it belongs to.
        if (std::string(dir) == "frame") declared.merge(declaredIn(root + "/include/orin/common.h"));
        std::set<std::string> listed = listedIn(root + "/" + dir + "/exports.txt");
        // The engine's registry is a C++ object, declared for C++ only.
        if (std::string(dir) == "measurement") listed.erase("library");
        for (const std::string &name : listed) EXPECT_TRUE(declared.count(name)) << "listed, not declared: " << name;
        for (const std::string &name : declared) EXPECT_TRUE(listed.count(name)) << "declared, not listed: " << name;
    }
}

namespace {

// One ORIN_API function of a header: its name and its parameters' texts.
struct Declaration {
    std::string name;
    std::vector<std::string> params;
};

std::string trimmed(const std::string &s) {
    const size_t first = s.find_first_not_of(" \t\n");
    if (first == std::string::npos) return "";
    return s.substr(first, s.find_last_not_of(" \t\n") - first + 1);
}

std::vector<Declaration> functionsIn(const std::string &path) {
    const std::string code = codeOf(path);
    std::vector<Declaration> out;
    const std::string marker = "ORIN_API ";
    for (size_t at = code.find(marker); at != std::string::npos; at = code.find(marker, at + 1)) {
        if (code.compare(at - 8, 8, "#define ") == 0) continue;
        const size_t open = code.find_first_of("(;", at);
        if (open == std::string::npos || code[open] != '(') continue;  // data
        size_t start = open;
        while (start > at && (std::isalnum(static_cast<unsigned char>(code[start - 1])) || code[start - 1] == '_')) --start;
        Declaration d{code.substr(start, open - start), {}};
        const std::string list = code.substr(open + 1, code.find(')', open) - open - 1);
        std::stringstream params(list);
        for (std::string p; std::getline(params, p, ',');)
            if (trimmed(p) != "" && trimmed(p) != "void") d.params.push_back(trimmed(p));
        out.push_back(d);
    }
    return out;
}

bool endsWith(const std::string &s, const std::string &suffix) {
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The stem of the source file in dir that defines name ("" when none does):
// a line that starts at column 0 and holds "name(" without ending in ';'.
std::string definingStem(const std::filesystem::path &dir, const std::string &name) {
    for (const auto &entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() != ".cpp") continue;
        std::stringstream code(codeOf(entry.path().string()));
        for (std::string line; std::getline(code, line);) {
            const size_t at = line.find(name + "(");
            if (line.empty() || std::isspace(static_cast<unsigned char>(line[0])) || at == std::string::npos ||
                at == 0 || (line[at - 1] != ' ' && line[at - 1] != '*') || trimmed(line).back() == ';')
                continue;
            return entry.path().stem().string();
        }
    }
    return "";
}

// The calling flavour of an export, from the naming rules: a handle entry
// point is named with _head, H or _h, or lives in a source file whose name
// ends in h (but not the core file beside its handle file, as butterworth
// beside butterworthh); a CIN entry point is named with CIN or lives in a
// file ending in cin. Both take every scalar by pointer.
bool takesScalarsByPointer(const std::filesystem::path &dir, const std::string &name) {
    if (endsWith(name, "_head") || endsWith(name, "H") || endsWith(name, "_h") || endsWith(name, "CIN")) return true;
    const std::string stem = definingStem(dir, name);
    if (endsWith(stem, "cin")) return true;
    return endsWith(stem, "h") && !std::filesystem::exists(dir / (stem + "h.cpp"));
}

}  // namespace

// The host passes every scalar of a handle or CIN entry point by address: a
// routine that read one by value would take the address for the value (a
// selector then reads as garbage, a flag as false, and an output written
// "through" a tolerance lands in the caller's variable). Only interfaces
// documented to pass a scalar by value may, and they are listed here.
TEST(Exports, HandleAndCinEntryPointsTakeEveryScalarByPointer) {
    // (routine, parameter) passed by value in the routine's documentation:
    // the trigger detector's limit on the number of triggers.
    const std::set<std::pair<std::string, std::string>> documentedByValue = {{"Triggerh", "maxTriggers"}};
    const std::filesystem::path root = ORIN_SOURCE_DIR;
    std::set<std::pair<std::string, std::string>> byValue;
    int checked = 0;
    for (const char *dir : kExportingDirectories) {
        const std::set<std::string> listed = listedIn((root / dir / "exports.txt").string());
        for (const Declaration &d : functionsIn((root / "include" / "orin" / (std::string(dir) + ".h")).string())) {
            if (!listed.count(d.name) || !takesScalarsByPointer(root / dir, d.name)) continue;
            ++checked;
            for (const std::string &p : d.params) {
                // A pointer, or a host handle (a typedef'd pointer to a pointer).
                if (p.find('*') != std::string::npos || p.find("Hdl ") != std::string::npos) continue;
                const std::string param = p.substr(p.find_last_of(" ") + 1);
                byValue.insert({d.name, param});
                EXPECT_TRUE(documentedByValue.count({d.name, param}))
                    << dir << ": " << d.name << " takes " << p << " by value";
            }
        }
    }
    for (const auto &exception : documentedByValue)
        EXPECT_TRUE(byValue.count(exception)) << "stale exception " << exception.first << " " << exception.second;
    // The naming rules must have found the entry points (about 150 today).
    EXPECT_GT(checked, 100);
}
