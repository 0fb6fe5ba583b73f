#include <algorithm>
#include <string>
#include <vector>

#include "appended_block.h"
#include "java_probe.h"
#include "jvm_search.h"
#include "launch_state.h"
#include "native_log.h"
#include "owned_handles.h"

namespace {

constexpr char kJdkKey[] = "SOFTWARE\\JavaSoft\\JDK";
constexpr char kJreKey[] = "SOFTWARE\\JavaSoft\\JRE";
constexpr char kOldJdkKey[] = "SOFTWARE\\JavaSoft\\Java Development Kit";
constexpr char kOldJreKey[] = "SOFTWARE\\JavaSoft\\Java Runtime Environment";

// Longest texts read from the registry, in bytes without the terminator.
constexpr size_t kCurrentVersionBytes = 100;
constexpr size_t kJavaHomeBytes = kTextUnits;
constexpr size_t kInstallationsBytes = kTextUnits;

// A text value of at most `limit` bytes. The stored value need not end in a NUL: the buffer has room
// for one more, and the text ends at the returned length or at its first NUL. A longer value counts
// as unreadable. Returns the registry's status.
LONG readRegistryText(HKEY key, const char* name, size_t limit, std::string& text) {
    std::vector<char> buffer(limit + 1, '\0');
    DWORD size = (DWORD)limit;
    LONG status = RegQueryValueExA(key, name, nullptr, nullptr, (BYTE*)buffer.data(), &size);
    if (status != ERROR_SUCCESS) return status;
    buffer[size < limit ? size : limit] = '\0';
    text = buffer.data();
    return ERROR_SUCCESS;
}

// The names of a key's subkeys, in the order the registry enumerates them.
std::vector<std::string> subkeyNames(HKEY key) {
    std::vector<std::string> names;
    std::vector<char> name(256);
    for (DWORD index = 0;;) {
        DWORD length = (DWORD)name.size();
        LONG status = RegEnumKeyExA(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_MORE_DATA && name.size() < 32768) {
            name.resize(name.size() * 2);
            continue;
        }
        if (status != ERROR_SUCCESS) break;
        names.emplace_back(name.data(), length < name.size() ? length : name.size() - 1);
        ++index;
    }
    return names;
}

// The runtime that the "JavaHome" value of an open key names.
bool testRegisteredHome(HKEY key, std::string& javaExe, std::string& version, const VersionBounds& bounds) {
    std::string home;
    if (readRegistryText(key, "JavaHome", kJavaHomeBytes, home) != ERROR_SUCCESS) return false;
    std::string candidate, candidateVersion;
    if (!javaExeForHome(home, candidate) || !checkJavaExe(candidate, candidateVersion, bounds, false, true))
        return false;
    javaExe = std::move(candidate);
    version = std::move(candidateVersion);
    return true;
}

// A key's "CurrentVersion" when it can be read and lies within the bounds; empty otherwise.
std::string currentVersionOf(const char* keyPath, const VersionBounds& bounds) {
    OwnedKey key;
    std::string version;
    if (!key.opened(HKEY_LOCAL_MACHINE, keyPath) ||
        readRegistryText(key.key, "CurrentVersion", kCurrentVersionBytes, version) != ERROR_SUCCESS ||
        !isVersionInRange(version.c_str(), bounds))
        return {};
    return version;
}

// The subkey that the "CurrentVersion" values of a JDK key and a JRE key point at: the JDK's when it
// is strictly newer, else the JRE's (its key itself when neither names a version).
bool testCurrentVersionPair(const char* jdkKey, const char* jreKey, std::string& javaExe, std::string& version,
                            const VersionBounds& bounds) {
    const std::string jdkVersion = currentVersionOf(jdkKey, bounds);
    const std::string jreVersion = getConfigInt(131) != 0 ? std::string() : currentVersionOf(jreKey, bounds);
    std::string chosen;
    if (isNewerVersion(jdkVersion.c_str(), jreVersion.c_str())) {
        chosen.append(jdkKey).append(1, '\\').append(jdkVersion);
    } else {
        chosen.append(jreKey).append(1, '\\').append(jreVersion);
    }
    OwnedKey key;
    return key.opened(HKEY_LOCAL_MACHINE, chosen.c_str()) && testRegisteredHome(key.key, javaExe, version, bounds);
}

// The version subkeys of a key that lie within the bounds, tried in descending text order (so 9
// before 17, and 1.8.0_25 before 1.8.0_181).
bool testVersionSubkeys(const char* keyPath, std::string& javaExe, std::string& version, const VersionBounds& bounds) {
    OwnedKey parent;
    if (!parent.opened(HKEY_LOCAL_MACHINE, keyPath)) return false;
    std::vector<std::string> names = subkeyNames(parent.key);
    names.erase(std::remove_if(names.begin(), names.end(),
                               [&](const std::string& name) { return !isVersionInRange(name.c_str(), bounds); }),
                names.end());
    std::sort(names.begin(), names.end());
    for (auto name = names.rbegin(); name != names.rend(); ++name) {
        OwnedKey subkey;
        if (subkey.opened(parent.key, name->c_str()) && testRegisteredHome(subkey.key, javaExe, version, bounds))
            return true;
    }
    return false;
}

// The better of the located runtimes of both roots: the per-user one only when strictly newer.
bool findLocatedJvms(bool admitAll, std::string& javaExe, std::string& version, const VersionBounds& bounds) {
    std::string userExe, userVersion, machineExe, machineVersion;
    const bool user = findLocatedJvm(HKEY_CURRENT_USER, admitAll, userExe, userVersion, bounds);
    const bool machine = findLocatedJvm(HKEY_LOCAL_MACHINE, admitAll, machineExe, machineVersion, bounds);
    if (user && (!machine || isNewerVersion(userVersion.c_str(), machineVersion.c_str()))) {
        javaExe = std::move(userExe);
        version = std::move(userVersion);
        return true;
    }
    if (!machine) return false;
    javaExe = std::move(machineExe);
    version = std::move(machineVersion);
    return true;
}

}  // namespace

bool findJavaSoftRuntime(std::string& javaExe, std::string& version, const VersionBounds& bounds) {
    const bool jdkRequired = getConfigInt(131) != 0;
    return testCurrentVersionPair(kJdkKey, kJreKey, javaExe, version, bounds) ||
           (!jdkRequired && testVersionSubkeys(kJreKey, javaExe, version, bounds)) ||
           testVersionSubkeys(kJdkKey, javaExe, version, bounds) ||
           testCurrentVersionPair(kOldJdkKey, kOldJreKey, javaExe, version, bounds) ||
           (!jdkRequired && testVersionSubkeys(kOldJreKey, javaExe, version, bounds)) ||
           testVersionSubkeys(kOldJdkKey, javaExe, version, bounds);
}

bool findLocatedJvm(HKEY root, bool admitAll, std::string& javaExe, std::string& version,
                    const VersionBounds& bounds) {
    OwnedKey list;
    if (!list.opened(root, kLocatedJvmsKey)) return false;
    std::string bestExe, bestVersion;
    for (const std::string& name : subkeyNames(list.key)) {
        std::string candidate = name;
        std::replace(candidate.begin(), candidate.end(), '/', '\\');
        if (!admitAll && candidate.find(kBundledRuntimesFolder) == std::string::npos) continue;
        std::string candidateVersion;
        if (checkJavaExe(candidate, candidateVersion, bounds, true, true) &&
            isNewerVersion(candidateVersion.c_str(), bestVersion.c_str())) {
            bestExe = std::move(candidate);
            bestVersion = std::move(candidateVersion);
        }
    }
    if (bestVersion.empty()) return false;
    javaExe = std::move(bestExe);
    version = std::move(bestVersion);
    return true;
}

bool findRegisteredJava(std::string& javaExe, std::string& version, const VersionBounds& bounds) {
    const bool admitAll = getConfigInt(165) == 0;
    std::string sunExe, sunVersion, locatedExe, locatedVersion;
    const bool sun = admitAll && findJavaSoftRuntime(sunExe, sunVersion, bounds);
    if (sun) NativeLog::log(L"found sun %S %S", sunExe.c_str(), sunVersion.c_str());
    const bool located = findLocatedJvms(admitAll, locatedExe, locatedVersion, bounds);
    if (located) NativeLog::log(L"found located %S %S", locatedExe.c_str(), locatedVersion.c_str());

    if (sun && (!located || isNewerVersion(sunVersion.c_str(), locatedVersion.c_str()))) {
        javaExe = std::move(sunExe);
        version = std::move(sunVersion);
        return true;
    }
    if (!located) return false;
    javaExe = std::move(locatedExe);
    version = std::move(locatedVersion);
    return true;
}

// In a 64-bit process the default registry view is the 64-bit one, so one read per root covers both.
bool findPreviousInstallationJava(HKEY root, std::string& javaExe, std::string& version,
                                  const VersionBounds& bounds) {
    const std::string valueName = dupConfigString(160);
    NativeLog::log(L"checking app id %S (%d, %p)", valueName.c_str(), 0, (void*)root);
    if (valueName.empty()) return false;

    OwnedKey installations;
    LONG status = installations.open(root, kInstallationsKey);
    if (status != ERROR_SUCCESS) {
        NativeLog::log(L"could not open installation node %d", (int)status);
        return false;
    }
    std::string directories;
    status = readRegistryText(installations.key, valueName.c_str(), kInstallationsBytes, directories);
    if (status != ERROR_SUCCESS || directories.empty()) {
        NativeLog::log(L"could not query value node %d", (int)status);
        return false;
    }
    NativeLog::log(L"found installations: %S", directories.c_str());

    for (size_t at = 0; at <= directories.size();) {
        size_t end = directories.find(';', at);
        if (end == std::string::npos) end = directories.size();
        std::string home = directories.substr(at, end - at);
        at = end + 1;
        if (home.empty()) continue;
        home.append("\\jre");
        std::string candidate, candidateVersion;
        if (!javaExeForHome(home, candidate)) {
            NativeLog::log(L"did not find java in %S", home.c_str());
        } else if (checkJavaExe(candidate, candidateVersion, bounds, false, true)) {
            javaExe = std::move(candidate);
            version = std::move(candidateVersion);
            return true;
        } else {
            NativeLog::log(L"java version did not match in %S", home.c_str());
        }
    }
    return false;
}
