#include "load_dll.h"

#include <windows.h>

#include <string>

#include "error_exit.h"
#include "java_probe.h"
#include "jvm_library.h"
#include "jvm_search.h"
#include "launcher_variables.h"
#include "native_log.h"

namespace {

CreateJavaVMEntry entryPoint = nullptr;

void showLoadError(JvmLocationKind kind, const std::string& location) {
    switch (kind) {
        case JvmLocationKind::SearchPath: showErrorMessageA(1016, "64"); break;
        case JvmLocationKind::Directory: showErrorMessageA(1020, location.c_str()); break;
        case JvmLocationKind::EnvironmentVariable: showErrorMessageA(1018, location.c_str()); break;
        default: showErrorMessageA(1005); break;
    }
}

}  // namespace

CreateJavaVMEntry createJavaVMEntry() { return entryPoint; }

bool LoadDLL(bool showErrors, const char* location, bool locationIsExe) {
    NativeLog::log(L"LoadDLL (%d, %S, %d)", (int)showErrors, location, (int)locationIsExe);
    JvmSearchResult found;
    if (location) {
        NativeLog::log(L"Got JRE location %S (java exe: %d)", location, (int)locationIsExe);
        VersionBounds bounds = readVersionBounds();
        found.javaExe = location;
        if (locationIsExe) {
            if (!checkJavaExe(found.javaExe, found.version, bounds, true, false)) {
                NativeLog::error(L"Provided JVM unusable");
                if (showErrors) showErrorMessageA(1016, "64");
                return false;
            }
        } else {
            // A directory named by the caller is used whatever the version of its runtime.
            testJavaHome(found.javaExe, found.version, location, bounds, true, true);
        }
        found.location = location;
        found.module = loadJvmForExe(found.javaExe);
        found.kind = JvmLocationKind::Directory;
    } else {
        found = findJvm();
        if (found.kind == JvmLocationKind::None) {
            NativeLog::error(L"No JVM found");
            if (showErrors) showErrorMessageA(1016, "64");
            return false;
        }
    }
    recordSelectedRuntime(found.javaExe, found.version);
    if (!found.module) NativeLog::error(L"Could not get DLL-Handle.");
    auto entry = found.module ? (CreateJavaVMEntry)(void*)GetProcAddress(found.module, "JNI_CreateJavaVM") : nullptr;
    if (!entry) NativeLog::error(L"Could not load functions");
    if (found.module && entry) {
        entryPoint = entry;
        NativeLog::log(L"Loading of JVM-DLL successful");
        return true;
    }
    if (showErrors) showLoadError(found.kind, found.location);
    return false;
}
