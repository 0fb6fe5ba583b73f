#include "process_environment.h"

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "native_log.h"

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

// Shortening an over-long PATH comes with the runtime loading.
void reducePath() {}

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
