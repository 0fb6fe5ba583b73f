#include "process_environment.h"

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "appended_block.h"
#include "launch_state.h"
#include "launcher_variables.h"
#include "native_log.h"
#include "paths.h"

namespace {

// Loads a system library from the system directory only, so a planted copy is never taken.
HMODULE loadSystemLibrary(const wchar_t* name) {
    return LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

bool windowsVersionIs60() {
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    auto getVersion = (RtlGetVersionFn)(void*)GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion");
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    return getVersion && getVersion(&info) == 0 && info.dwMajorVersion == 6 && info.dwMinorVersion == 0;
}

}  // namespace

void restrictDllDirectories() {
    HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    if (!kernel32 || windowsVersionIs60()) return;
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    auto setDefault = (SetDefaultDllDirectoriesFn)(void*)GetProcAddress(kernel32, "SetDefaultDllDirectories");
    if (!setDefault) return;
    setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_USER_DIRS);
    NativeLog::log(L"restrict DLL directories");
}

void preloadSystemDlls() {
    static bool done = false;
    if (done) return;
    done = true;
    loadSystemLibrary(L"davhlpr.dll");
    loadSystemLibrary(L"fwbase.dll");
}

// Keeps only the PATH entries inside the Windows directory, so no foreign DLL shadows a runtime's.
void reducePath() {
    if (getConfigInt(10010) == 0) return;
    DWORD size = GetEnvironmentVariableW(L"PATH", nullptr, 0);
    if (size <= 1) return;
    std::wstring path(size, L'\0');
    path.resize(GetEnvironmentVariableW(L"PATH", path.data(), size));
    wchar_t windows[MAX_PATH + 1];
    UINT length = GetWindowsDirectoryW(windows, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) return;
    NativeLog::log(L"reducing PATH %d %d %s", (int)length, (int)size, path.c_str());
    std::wstring reduced;
    for (size_t at = 0; at <= path.size();) {
        size_t end = path.find(L';', at);
        if (end == std::wstring::npos) end = path.size();
        std::wstring entry = path.substr(at, end - at);
        at = end + 1;
        if (entry.empty() || _wcsnicmp(entry.c_str(), windows, length) != 0) continue;
        if (!reduced.empty()) reduced += L';';
        reduced += entry;
    }
    NativeLog::log(L"reduced PATH %d to %s", (int)reduced.size(), reduced.c_str());
    if (!reduced.empty() && !SetEnvironmentVariableW(L"PATH", reduced.c_str())) NativeLog::log(L"ERROR setting path");
}

std::string currentPath(bool* wasSet) {
    DWORD size = GetEnvironmentVariableA("PATH", nullptr, 0);
    if (wasSet) *wasSet = size > 0;
    if (size == 0) return {};
    std::string path(size, '\0');
    path.resize(GetEnvironmentVariableA("PATH", path.data(), size));
    return path;
}

DWORD setPath(const std::string& value) {
    DWORD error = SetEnvironmentVariableA("PATH", value.c_str()) ? 0 : GetLastError();
    _putenv_s("PATH", value.c_str());
    return error;
}

void* addDllDirectory(const std::string& directory) {
    if (!launchState().installerLauncher && getConfigInt(154) == 0) return nullptr;
    using AddFn = DLL_DIRECTORY_COOKIE(WINAPI*)(PCWSTR);
    auto add = (AddFn)(void*)GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "AddDllDirectory");
    if (!add) return nullptr;
    UINT codePage = AreFileApisANSI() ? CP_ACP : CP_OEMCP;
    int units = MultiByteToWideChar(codePage, 0, directory.c_str(), -1, nullptr, 0);
    if (units <= 0) return nullptr;
    std::wstring wide((size_t)units, L'\0');
    MultiByteToWideChar(codePage, 0, directory.c_str(), -1, wide.data(), units);
    wide.resize((size_t)units - 1);
    NativeLog::log(L"Adding DLL directory %s", wide.c_str());
    return add(wide.c_str());
}

void removeDllDirectory(void* cookie) {
    if (!cookie) return;
    using RemoveFn = BOOL(WINAPI*)(DLL_DIRECTORY_COOKIE);
    auto remove = (RemoveFn)(void*)GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "RemoveDllDirectory");
    if (!remove) return;
    NativeLog::log(L"Removing DLL directory");
    remove(cookie);
}

void addNativeLibraryDirectories() {
    std::string configured = dupConfigString(10004);
    NativeLog::log(L"native lib dir is %S", configured.c_str());
    expandLauncherVariablesAnsi(configured);
    std::string list;
    for (size_t at = 0; at <= configured.size();) {
        size_t end = configured.find(';', at);
        if (end == std::string::npos) end = configured.size();
        std::string entry = configured.substr(at, end - at);
        at = end + 1;
        if (entry.empty()) continue;
        if (isRelativePath(entry.c_str())) entry = launcherDirectory() + entry;
        addDllDirectory(entry);
        if (!list.empty()) list += ';';
        list += entry;
    }
    if (!list.empty() && list.back() != ';') list += ';';
    list += currentPath();
    if (DWORD error = setPath(list)) NativeLog::log(L"Setting PATH (native libs) %S failed with error %d", list.c_str(), (int)error);
    else NativeLog::log(L"Setting PATH (native libs) %S", list.c_str());
}

void clearJavaOptionVariables() {
    static const char* const names[] = {"_JAVA_OPTIONS", "JDK_JAVA_OPTIONS", "JAVA_TOOL_OPTIONS"};
    for (const char* name : names) SetEnvironmentVariableA(name, nullptr);
    for (const char* name : names) _putenv_s(name, "");
    HMODULE ucrt = GetModuleHandleW(L"ucrtbase.dll");
    using PutenvFn = int(__cdecl*)(const char*, const char*);
    auto ucrtPutenv = ucrt ? (PutenvFn)(void*)GetProcAddress(ucrt, "_putenv_s") : nullptr;
    if (!ucrtPutenv) return;
    NativeLog::log(L"using _putenv_s in ucrtbase.dll %p %p", ucrt, (void*)ucrtPutenv);
    for (const char* name : names) ucrtPutenv(name, "");
}
