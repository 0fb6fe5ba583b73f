// Is a java executable usable? Its version comes from the per-user cache while the executable is
// unchanged, else from running it with "-version"; then the configured bounds, javaw.exe for GUI
// launchers, and the runtimes that already failed to load in this process decide.
// Paths are 8-bit (the code page of the file functions).
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "java_version.h"

// Per-user version cache; an entry's key is this followed by jvmCacheKey of the executable.
constexpr char kJvmCacheKey[] = "SOFTWARE\\korvalent\\zolta\\jvms\\";
// Runtimes a user located by hand: one empty key per executable, under HKLM or else HKCU.
constexpr char kLocatedJvmsKey[] = "SOFTWARE\\korvalent\\zolta\\locatedjvms\\";
// The cached version of an executable whose probe ended with an error; never trusted.
constexpr char kFailedProbeVersion[] = "1.0.0";
// How long a probed executable may run before it is ended.
constexpr DWORD kProbeTimeoutMs = 60000;
// From this many entries on, addNonWorkingJava tells the caller to stop retrying.
constexpr size_t kNonWorkingJavaLimit = 50;

// --- Homes and executables (java_probe.cpp) ---

// The java executable of a Java home: home\jre\bin\java.exe, else home\bin\java.exe. With
// configuration entry 131 set, home\lib\tools.jar must exist (false otherwise) and the jre form is kept.
bool javaExeForHome(const std::string& home, std::string& javaExe);

// The one test of a java executable. `javaExe` is normalised in place (absolute, lower case, single
// backslashes) and, for a GUI launcher (entry 107 = 1), switched to javaw.exe. `version` receives the
// version text. Without `useCache` the cached version is not read (the probe result is still written).
bool checkJavaExe(std::string& javaExe, std::string& version, const VersionBounds& bounds, bool allowPreRelease,
                  bool useCache);

// Runs the executable with "-version" in a hidden child and reads the version from the first line of
// its standard error. A child that exits with an error leaves kFailedProbeVersion in the cache; one
// that does not end in time is ended and leaves nothing.
bool probeJavaVersion(const std::string& javaExe, const FILETIME& lastWrite, std::string& version);

// Replaces kProbeTimeoutMs for the probes that follow, so tests need not wait a minute.
void setProbeTimeoutForTesting(DWORD milliseconds);

// Removes a variable from the process environment and returns its value, if it had one that could
// be read.
std::optional<std::string> takeEnvironmentVariable(const char* name);

// --- Registry lists (jvm_cache.cpp) ---

// A path as a registry key name: every backslash becomes a slash.
std::string jvmCacheKey(const std::string& path);

// The cached version of an executable, trusted only while "LastWriteTime" equals `lastWrite`.
// The texts "1.7.", "1.6." and "1.5." are not trusted; the marker "1.0.0" is returned as it is.
bool readJvmCache(const std::string& javaExe, const FILETIME& lastWrite, std::string& version);
// Stores the version with the executable's last write time; failures are silent.
void writeJvmCache(const std::string& javaExe, const FILETIME& lastWrite, const std::string& version);

// Records a runtime the user chose by hand, under HKLM or, failing that, HKCU; failures are silent.
void registerLocatedJvm(const std::string& javaExe);

// --- Runtimes that failed to load (non_working_java.cpp) ---

// Adds a normalised executable path; false from the kNonWorkingJavaLimit-th entry on.
bool addNonWorkingJava(const std::string& javaExe);
// Whether the exact path was added.
bool isNonWorkingJava(const std::string& javaExe);
