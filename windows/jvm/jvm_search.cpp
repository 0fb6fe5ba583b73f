#include "jvm_search.h"

#include <algorithm>
#include <vector>

#include "appended_block.h"
#include "java_probe.h"
#include "jvm_library.h"
#include "launch_state.h"
#include "launcher_variables.h"
#include "native_log.h"
#include "packed_libraries.h"
#include "paths.h"

namespace {

// The state of one search: the bounds, and what is reported when it ends.
struct Search {
    VersionBounds bounds;
    JvmSearchResult result;

    // A candidate passed its test: it becomes the one reported, and its library is loaded. A
    // registry find passes no location and leaves the text as it was. True when the library loaded.
    bool load(JvmLocationKind kind, const std::string& javaExe, const std::string& version,
              const std::string* location) {
        result.kind = kind;
        result.javaExe = javaExe;
        result.version = version;
        if (location) result.location = *location;
        result.module = loadJvmForExe(javaExe);
        return result.module != nullptr;
    }
};

// The entries of the search sequence; empty entries are dropped.
std::vector<std::string> sequenceEntries(const std::string& sequence) {
    std::vector<std::string> entries;
    for (size_t at = 0; at <= sequence.size();) {
        size_t end = sequence.find(';', at);
        if (end == std::string::npos) end = sequence.size();
        if (end > at) entries.push_back(sequence.substr(at, end - at));
        at = end + 1;
    }
    return entries;
}

bool isDirectoryEntry(char type) { return type == 'A' || type == 'B' || type == 'R'; }

// A drive path ("C:...") or a network path ("\\server..."), as the fallback pass tells them.
bool isAbsoluteEntryPath(const std::string& path) {
    return path.size() >= 2 && (path[1] == ':' || (path[0] == '\\' && path[1] == '\\'));
}

// A location file names a Java home in its first line.
bool tryLocationFile(Search& search, const std::string& file, const wchar_t* foundLine, const wchar_t* usingLine,
                     bool allowPreRelease) {
    std::string home;
    if (file.empty() || !readLocationFile(file, home)) return false;
    NativeLog::log(foundLine, home.c_str());
    std::string javaExe, version;
    if (!testJavaHome(javaExe, version, home, search.bounds, allowPreRelease, false)) return false;
    NativeLog::log(usingLine);
    return search.load(JvmLocationKind::Directory, javaExe, version, &home);
}

// Y: a runtime whose library does not load goes on the non-working list, and the registry is asked
// again (now passing over it) until one loads or the list is full.
bool tryRegisteredJava(Search& search) {
    std::string javaExe, version;
    if (!findRegisteredJava(javaExe, version, search.bounds)) return false;
    bool loaded = search.load(JvmLocationKind::Registry, javaExe, version, nullptr);
    while (!loaded && addNonWorkingJava(javaExe) && findRegisteredJava(javaExe, version, search.bounds))
        loaded = search.load(JvmLocationKind::Registry, javaExe, version, nullptr);
    return loaded;
}

bool tryEntry(Search& search, char type, const std::string& argument) {
    std::string javaExe, version;
    switch (type) {
    case 'A':
    case 'B':
    case 'R':
        return testJavaHome(javaExe, version, argument, search.bounds, false, false) &&
               search.load(JvmLocationKind::Directory, javaExe, version, &argument);
    case 'E':
        return testJavaHomeVariable(javaExe, version, argument.c_str(), search.bounds) &&
               search.load(JvmLocationKind::EnvironmentVariable, javaExe, version, &argument);
    case 'S':
        return findJavaOnSearchPath(javaExe, version, search.bounds) &&
               search.load(JvmLocationKind::SearchPath, javaExe, version, &argument);
    case 'Y':
        return tryRegisteredJava(search);
    default:
        return false;
    }
}

// Directory entries taken as written: a runtime whose java executable exists is loaded whatever its
// version. Absolute A and R entries are left out; B entries never are.
bool tryFallbackPass(Search& search, const std::vector<std::string>& entries) {
    for (const std::string& entry : entries) {
        const char type = entry[0];
        const std::string argument = entry.substr(1);
        if (!isDirectoryEntry(type) || (type != 'B' && isAbsoluteEntryPath(argument))) continue;
        NativeLog::log(L"Testing relative location %S", argument.c_str());
        std::string javaExe, version;
        testJavaHome(javaExe, version, argument, search.bounds, true, true);
        if (!pathExists(javaExe.c_str())) continue;
        NativeLog::log(L"%S exists", javaExe.c_str());
        if (search.load(JvmLocationKind::Directory, javaExe, version, &argument)) return true;
    }
    return false;
}

bool tryPreviousInstallation(Search& search, HKEY root, const wchar_t* foundLine) {
    std::string javaExe, version;
    if (!findPreviousInstallationJava(root, javaExe, version, search.bounds)) return false;
    NativeLog::log(foundLine, javaExe.c_str());
    return search.load(JvmLocationKind::Registry, javaExe, version, nullptr);
}

bool tryFixedVariable(Search& search, const std::string& name) {
    std::string javaExe, version;
    return testJavaHomeVariable(javaExe, version, name.c_str(), search.bounds) &&
           search.load(JvmLocationKind::EnvironmentVariable, javaExe, version, &name);
}

// The steps in their order; true as soon as a library loaded.
bool runSearch(Search& search) {
    const std::string sequence = dupConfigString(128);
    search.bounds = readVersionBounds();

    if (tryLocationFile(search, preferredLocationFile(), L"Has preferred location %S", L"Using preferred location",
                        true))
        return true;
    if (launchState().installerLauncher &&
        tryLocationFile(search, temporaryInstallerLocationFile(), L"Has installer location %S",
                        L"Using preferred location", false))
        return true;

    const std::vector<std::string> entries = sequenceEntries(sequence);
    for (const std::string& entry : entries) {
        std::string argument = entry.substr(1);
        expandLauncherVariablesAnsi(argument);
        NativeLog::log(L"Testing location %S (type %c)", argument.c_str(), (int)(unsigned char)entry[0]);
        if (tryEntry(search, entry[0], argument)) return true;
    }

    if (tryLocationFile(search, installerLocationFile(), L"Has installer location %S", L"Using installer location",
                        false))
        return true;
    if (tryFallbackPass(search, entries)) return true;
    if (tryPreviousInstallation(search, HKEY_CURRENT_USER, L"found JRE from previous installation (user) %S"))
        return true;
    if (tryPreviousInstallation(search, HKEY_LOCAL_MACHINE, L"found JRE from previous installation (machine) %S"))
        return true;
    NativeLog::log(L"Search sequence finished");
    return tryFixedVariable(search, "ZOLTA_JAVA_HOME") || tryFixedVariable(search, "TARVELINK_JAVA_HOME");
}

}  // namespace

JvmSearchResult findJvm() {
    NativeLog::log(L"Searching for a JVM");
    Search search;
    runSearch(search);
    return search.result;
}

bool testJavaHome(std::string& javaExe, std::string& version, const std::string& directory,
                  const VersionBounds& bounds, bool allowPreRelease, bool acceptRegardless) {
    std::string home = fullPath(directory);
    while (!home.empty() && home.back() == '\\') home.pop_back();
    unpackPackedLibraries(home);
    version.clear();
    const bool usable = javaExeForHome(home, javaExe) && checkJavaExe(javaExe, version, bounds, allowPreRelease, true);
    return usable || acceptRegardless;
}

bool testJavaHomeVariable(std::string& javaExe, std::string& version, const char* name,
                          const VersionBounds& bounds) {
    const DWORD size = GetEnvironmentVariableA(name, nullptr, 0);
    if (size <= 1) return false;
    std::string home(size, '\0');
    const DWORD length = GetEnvironmentVariableA(name, home.data(), size);
    if (length == 0 || length >= size) return false;
    home.resize(length);
    std::replace(home.begin(), home.end(), '/', '\\');
    version.clear();
    return javaExeForHome(home, javaExe) && checkJavaExe(javaExe, version, bounds, false, true);
}

bool findJavaOnSearchPath(std::string& javaExe, std::string& version, const VersionBounds& bounds) {
    std::vector<char> found(MAX_PATH);
    DWORD length = SearchPathA(nullptr, "java.exe", nullptr, (DWORD)found.size(), found.data(), nullptr);
    if (length >= found.size()) {
        found.resize((size_t)length + 1);
        length = SearchPathA(nullptr, "java.exe", nullptr, (DWORD)found.size(), found.data(), nullptr);
    }
    if (length == 0 || length >= found.size()) return false;
    javaExe.assign(found.data(), length);
    version.clear();
    return checkJavaExe(javaExe, version, bounds, false, true);
}
