#include "java_probe.h"

#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "appended_block.h"
#include "launch_state.h"
#include "native_log.h"
#include "owned_handles.h"
#include "paths.h"
#include "temp_base.h"

namespace {

DWORD probeTimeoutMs = kProbeTimeoutMs;

// How long an ended child may take to go away; until it has, its copy of the output file stays open.
constexpr DWORD kTerminationWaitMs = 5000;

// Deletes a file when the scope ends; declared before the handles on the file, so it runs after them.
struct FileRemover {
    std::string path;
    explicit FileRemover(std::string file) : path(std::move(file)) {}
    FileRemover(const FileRemover&) = delete;
    FileRemover& operator=(const FileRemover&) = delete;
    ~FileRemover() {
        if (!path.empty()) DeleteFileA(path.c_str());
    }
};

// Variables a runtime reads its options from: a probe must not see the launcher's.
constexpr const char* kOptionVariables[] = {"_JAVA_OPTIONS", "JAVA_TOOL_OPTIONS", "JDK_JAVA_OPTIONS"};
constexpr size_t kOptionVariableCount = sizeof kOptionVariables / sizeof kOptionVariables[0];

// Keeps the option variables out of the process environment until restore() or the end of the scope.
struct OptionVariablesSetAside {
    std::optional<std::string> saved[kOptionVariableCount];
    OptionVariablesSetAside() {
        for (size_t i = 0; i < kOptionVariableCount; ++i) saved[i] = takeEnvironmentVariable(kOptionVariables[i]);
    }
    OptionVariablesSetAside(const OptionVariablesSetAside&) = delete;
    OptionVariablesSetAside& operator=(const OptionVariablesSetAside&) = delete;
    ~OptionVariablesSetAside() { restore(); }
    void restore() {
        for (size_t i = 0; i < kOptionVariableCount; ++i) {
            if (saved[i]) SetEnvironmentVariableA(kOptionVariables[i], saved[i]->c_str());
            saved[i].reset();
        }
    }
};

std::string quoted(const char* text, size_t length) {
    std::string result;
    result.reserve(length + 2);
    result += '"';
    result.append(text, length);
    result += '"';
    return result;
}

// The executable as the child's command line names it: its short form where there is one, always
// quoted, so that no blank in the path can make the system start a different program.
std::string quotedProgram(const std::string& javaExe) {
    std::vector<char> shortPath(kTextUnits);
    DWORD length = GetShortPathNameA(javaExe.c_str(), shortPath.data(), (DWORD)shortPath.size());
    if (length == 0 || length >= shortPath.size()) {
        NativeLog::log(L"Could not get short path name for %S", javaExe.c_str());
        return quoted(javaExe.data(), javaExe.size());
    }
    return quoted(shortPath.data(), length);
}

// An inheritable handle on a fresh output file, or nothing when it cannot be created.
HANDLE createInheritableOutput(const std::string& path) {
    OwnedHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    HANDLE inheritable = nullptr;
    if (file.handle &&
        !DuplicateHandle(GetCurrentProcess(), file.handle, GetCurrentProcess(), &inheritable, 0, TRUE,
                         DUPLICATE_SAME_ACCESS))
        inheritable = nullptr;
    return inheritable;
}

// The version in a line such as: openjdk version "21.0.2" 2024-01-16
bool versionFromLine(const char* line, std::string& version) {
    static const char marker[] = " version \"";
    const char* found = strstr(line, marker);
    if (!found) return false;
    const char* start = found + sizeof marker - 1;
    if (const char* end = strchr(start, '"')) {
        version.assign(start, end);
    } else {
        // No closing quote: the rest of the line without its last two characters.
        size_t rest = strlen(start);
        version.assign(start, rest > 2 ? rest - 2 : 0);
    }
    return true;
}

bool readVersionFromOutput(const std::string& outputFile, std::string& version) {
    OwnedStdioFile output(fopen(outputFile.c_str(), "r"));
    char line[100];
    if (!output.file || !fgets(line, sizeof line, output.file) || !versionFromLine(line, version)) return false;
    NativeLog::log(L"Java version2: %S", version.c_str());
    return true;
}

}  // namespace

void setProbeTimeoutForTesting(DWORD milliseconds) { probeTimeoutMs = milliseconds; }

std::optional<std::string> takeEnvironmentVariable(const char* name) {
    std::optional<std::string> saved;
    DWORD size = GetEnvironmentVariableA(name, nullptr, 0);
    if (size > 0) {
        std::vector<char> value(size);
        DWORD length = GetEnvironmentVariableA(name, value.data(), size);
        if (length + 1 == size) {
            NativeLog::log(L"%S is %S", name, value.data());
            saved.emplace(value.data(), length);
        } else {
            NativeLog::log(L"error reading %S", name);
        }
    }
    SetEnvironmentVariableA(name, nullptr);
    return saved;
}

bool probeJavaVersion(const std::string& javaExe, const FILETIME& lastWrite, std::string& version) {
    version.clear();
    std::string commandLine = quotedProgram(javaExe) + " -version";
    OptionVariablesSetAside optionVariables;

    FileRemover outputFile{makeTempFileName()};
    OwnedHandle errorOutput(createInheritableOutput(outputFile.path));

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.wShowWindow = SW_HIDE;
    startup.hStdError = errorOutput.handle;
    PROCESS_INFORMATION child{};
    // The executable is named as the application too: the system then never searches the command line.
    const bool started = CreateProcessA(javaExe.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                        NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &child);
    const DWORD startError = GetLastError();
    OwnedHandle process(started ? child.hProcess : nullptr), thread(started ? child.hThread : nullptr);
    const bool ended = started && WaitForSingleObject(process.handle, probeTimeoutMs) == WAIT_OBJECT_0;
    optionVariables.restore();

    if (!started) {
        NativeLog::log(L"Could not create process %S > %S (error %d)", commandLine.c_str(), outputFile.path.c_str(),
                       (int)startError);
        return false;
    }
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(process.handle, &exitCode)) exitCode = STILL_ACTIVE;
    NativeLog::log(L"Exit Code %d", (int)exitCode);
    // Whether the child still runs is what the wait said: a child may itself end with code 259.
    if (!ended) {
        NativeLog::log(L"Terminating process");
        TerminateProcess(process.handle, 1);
        // Until it is gone, its copy of the output file's handle keeps the file from being deleted.
        WaitForSingleObject(process.handle, kTerminationWaitMs);
        return false;
    }
    if (exitCode != 0) {
        writeJvmCache(javaExe, lastWrite, kFailedProbeVersion);
        return false;
    }
    thread.close();
    process.close();
    errorOutput.close();
    return readVersionFromOutput(outputFile.path, version);
}

bool javaExeForHome(const std::string& home, std::string& javaExe) {
    javaExe = home + "\\jre\\bin\\java.exe";
    if (getConfigInt(131) != 0) return pathExists((home + "\\lib\\tools.jar").c_str());
    if (!pathExists(javaExe.c_str())) javaExe = home + "\\bin\\java.exe";
    return true;
}

bool checkJavaExe(std::string& javaExe, std::string& version, const VersionBounds& bounds, bool allowPreRelease,
                  bool useCache) {
    NativeLog::log(L"checkJavaExe (%S, [out], %d, %d, %d)", javaExe.c_str(), (int)bounds.minimum.components.size(),
                   (int)bounds.maximum.components.size(), (int)allowPreRelease);
    javaExe = fullPath(javaExe);
    version.clear();

    bool usable = false;
    FILETIME written{};
    if (!lastWriteTime(javaExe.c_str(), &written)) {
        NativeLog::log(L"file doesn't exist");
    } else {
        NativeLog::log(L"file exists");
        if (useCache && readJvmCache(javaExe, written, version) && version != kFailedProbeVersion) {
            NativeLog::log(L"got version from registry %S", version.c_str());
            usable = isAcceptableVersion(version.c_str(), bounds, allowPreRelease);
        } else if (probeJavaVersion(javaExe, written, version)) {
            NativeLog::log(L"got version from execution %S", version.c_str());
            writeJvmCache(javaExe, written, version);
            usable = isAcceptableVersion(version.c_str(), bounds, allowPreRelease);
        } else {
            version.clear();
            NativeLog::log(L"couldn't get version");
        }
        // A GUI launcher starts its program with javaw.exe, which must lie beside java.exe.
        if (usable && getConfigInt(107) == 1 && javaExe.size() >= 4) {
            javaExe.replace(javaExe.size() - 4, 4, "w.exe");
            usable = pathExists(javaExe.c_str());
        }
    }
    if (isNonWorkingJava(javaExe)) return false;
    NativeLog::log(L"checkJavaExe returning %d", (int)usable);
    return usable;
}
