// Finding an installed Java runtime when the launcher is not told which one to use. A fixed frame of
// steps surrounds the configured search sequence (entry 128); each candidate is tested with
// checkJavaExe, and each that passes has its JVM library loaded at once. The first library that loads
// ends the search; a candidate that passes but does not load is remembered, so that the caller can
// name it when nothing loads.
// Paths and texts are 8-bit (the code page of the file functions).
#pragma once

#include <windows.h>

#include <string>

#include "java_version.h"

// Where the search found the runtime it reports.
enum class JvmLocationKind {
    None = 0,                 // no candidate passed
    SearchPath = 1,           // an S entry: java.exe on the Windows search path
    Directory = 2,            // an A, B or R entry, a location file, or the fallback pass
    EnvironmentVariable = 3,  // an E entry or one of the two fixed variables
    Registry = 4,             // the Windows Java registry, located runtimes, or a previous installation
};

struct JvmSearchResult {
    HMODULE module = nullptr;  // the loaded JVM library; nullptr when none loaded
    // The last candidate that passed its test, whether or not its library loaded.
    JvmLocationKind kind = JvmLocationKind::None;
    std::string javaExe;
    std::string version;
    // Names the location in a message: the directory, the variable's name or the search path entry's
    // text. A registry find leaves it as an earlier candidate set it.
    std::string location;
};

// Installation directories that earlier installers recorded, in a value named by entry 160.
constexpr char kInstallationsKey[] = "SOFTWARE\\korvalent\\tarvelink\\installations";
// Only located runtimes below a folder of this name are admitted when entry 165 is set.
constexpr char kBundledRuntimesFolder[] = "tvk_jres";

// --- The search (jvm_search.cpp) ---

JvmSearchResult findJvm();

// Tests a directory as a Java home. The directory is taken relative to the launcher's directory,
// made absolute and lower-cased; packed libraries are completed; then its java executable is checked
// (version cache used). `javaExe` holds the executable either way; with `acceptRegardless` the result
// is always true.
bool testJavaHome(std::string& javaExe, std::string& version, const std::string& directory,
                  const VersionBounds& bounds, bool allowPreRelease, bool acceptRegardless);
// Tests the Java home that an environment variable names; forward slashes count as backslashes.
// An unset or empty variable gives false.
bool testJavaHomeVariable(std::string& javaExe, std::string& version, const char* name,
                          const VersionBounds& bounds);
// Tests the java.exe that the Windows search path finds.
bool findJavaOnSearchPath(std::string& javaExe, std::string& version, const VersionBounds& bounds);

// --- The registry (java_registry.cpp); the outputs change only when something is found ---

// The Windows Java registry (unless entry 165 is set) against the located runtimes of both roots;
// a registry runtime wins only when it is strictly newer.
bool findRegisteredJava(std::string& javaExe, std::string& version, const VersionBounds& bounds);
// The runtimes that the Windows Java registry lists under HKEY_LOCAL_MACHINE\SOFTWARE\JavaSoft.
bool findJavaSoftRuntime(std::string& javaExe, std::string& version, const VersionBounds& bounds);
// The newest usable runtime of the located-JVM list under one root (pre-release allowed); unless
// `admitAll`, only paths containing kBundledRuntimesFolder are looked at.
bool findLocatedJvm(HKEY root, bool admitAll, std::string& javaExe, std::string& version,
                    const VersionBounds& bounds);
// The first installation directory of the value named by entry 160 whose "jre" folder holds a usable
// runtime. An empty entry 160 switches the step off.
bool findPreviousInstallationJava(HKEY root, std::string& javaExe, std::string& version,
                                  const VersionBounds& bounds);

// --- Location files (location_files.cpp) ---

// The first line of a file, any length, without its trailing carriage returns and line feeds.
// False when the file cannot be opened or holds no line at all; an empty first line is a line.
bool readLocationFile(const std::string& path, std::string& line);
// Entry 10003 resolved against the launcher's directory and made absolute, its case kept; no
// trailing backslash.
std::string applicationDirectory();
// "pref_jre.cfg" and "inst_jre.cfg" in the application directory's ".tarvelink" folder.
std::string preferredLocationFile();
std::string installerLocationFile();
// "inst_jre.cfg" in the launcher's temporary directory; empty while there is none.
std::string temporaryInstallerLocationFile();
