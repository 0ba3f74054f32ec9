// The library's symbol tables: it exports exactly its export list and
// imports from the host only the platform functions.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

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

// The names a header declares with ORIN_API: the identifier before the first
// '(', ';' or '[' of each declaration, comments stripped.
std::set<std::string> declaredIn(const std::string &path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    std::string s = text.str(), code;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s.compare(i, 2, "/*") == 0) i = s.find("*/", i + 2) + 1;
        else if (s.compare(i, 2, "//") == 0) i = s.find('\n', i) - 1;
        else code += s[i];
    }
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
    for (const char *dir : {"frame", "transforms", "windows", "filters", "generation", "timedomain", "statistics",
                            "linalg", "fitting", "arrays", "measurement"}) {
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
