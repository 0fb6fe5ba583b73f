#include "jvm_library.h"

#include <cstring>
#include <vector>

#include "appended_block.h"
#include "native_log.h"
#include "paths.h"
#include "process_environment.h"

namespace {

std::string binDirOfLoadedJvm;

const char* const kJvmSubdirectories[] = {"server", "client", "j9vm", "hotspot", "jrockit"};

bool endsWithNoCase(const std::string& text, const char* suffix) {
    size_t n = strlen(suffix);
    return text.size() >= n && _stricmp(text.c_str() + text.size() - n, suffix) == 0;
}

// The executable path without its file name: "javaw.exe" when it ends so, else as long as "java.exe".
std::string withoutExeName(const std::string& javaExe) {
    size_t nameLength = endsWithNoCase(javaExe, "javaw.exe") ? strlen("javaw.exe") : strlen("java.exe");
    return javaExe.size() >= nameLength ? javaExe.substr(0, javaExe.size() - nameLength) : std::string();
}

bool isWindows10OrLater() {
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    auto getVersion = (RtlGetVersionFn)(void*)GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion");
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!getVersion || getVersion(&info) != 0) return true;
    return info.dwMajorVersion > 6 || (info.dwMajorVersion == 6 && info.dwMinorVersion >= 4);
}

void logPathChange(const std::string& value, DWORD error) {
    if (error) NativeLog::log(L"Setting PATH %S failed with error %d", value.c_str(), (int)error);
    else NativeLog::log(L"Setting PATH %S", value.c_str());
}

}  // namespace

const std::string& loadedJvmBinDir() { return binDirOfLoadedJvm; }

HMODULE tryJvmLibrary(const std::string& binDir, const std::string& subdirectory) {
    std::string path = binDir + "\\" + subdirectory + "\\jvm.dll";
    bool exists = pathExistsA(path.c_str());
    NativeLog::log(L"Trying %S (exists %d)", path.c_str(), (int)exists);
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module && exists) NativeLog::log(L"Failed with error code %d", (int)GetLastError());
    if (module) binDirOfLoadedJvm = binDir;
    return module;
}

// The runtime's own copy is loaded by its full path only: a library of that name in the current
// directory or on PATH is never taken instead.
void preloadUcrtbase(const std::string& binDir) {
    if (isWindows10OrLater()) return;
    std::string ucrt = binDir + "\\ucrtbase.dll";
    if (!pathExistsA(ucrt.c_str())) return;
    NativeLog::log(L"Preloading ucrtbase.dll 4");
    if (!LoadLibraryExA(ucrt.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH))
        NativeLog::log(L"Could not preload ucrtbase.dll");
}

HMODULE loadJvmFromBinDir(const std::string& javaExe) {
    std::string binDir = withoutExeName(javaExe);
    if (!binDir.empty()) binDir.pop_back();  // the backslash before the file name
    void* cookie = addDllDirectory(binDir);
    preloadUcrtbase(binDir);

    bool wasSet = false;
    std::string oldPath = currentPath(&wasSet);
    std::string newPath = binDir + ";" + oldPath;
    if (DWORD error = setPath(newPath)) NativeLog::log(L"Setting PATH %S failed with error %d", newPath.c_str(), (int)error);
    else NativeLog::log(L"Setting PATH %d %S", (int)(wasSet ? oldPath.size() + 1 : 0), newPath.c_str());

    HMODULE module = nullptr;
    std::string preferred = dupConfigString(152).substr(0, 199);
    if (!preferred.empty()) module = tryJvmLibrary(binDir, preferred);
    for (const char* subdirectory : kJvmSubdirectories) {
        if (module) break;
        module = tryJvmLibrary(binDir, subdirectory);
    }
    if (!module) {
        removeDllDirectory(cookie);
        logPathChange(oldPath, setPath(oldPath));
    }
    return module;
}

HMODULE loadJvmForExe(const std::string& javaExe) {
    NativeLog::log(L"Trying to load JVM-DLL from %S", javaExe.c_str());
    if (HMODULE module = loadJvmFromBinDir(javaExe)) return module;
    return loadJvmFromBinDir(withoutExeName(javaExe) + "..\\jre\\bin\\java.exe");
}
