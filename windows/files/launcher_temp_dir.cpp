#include "temp_base.h"

#include <windows.h>

#include <cstdlib>
#include <ctime>

#include "error_exit.h"
#include "native_log.h"

std::string makeTempFileName() {
    std::string base = getTempBase();
    NativeLog::log(L"tempPath is %S", base.c_str());
    char name[MAX_PATH];
    std::string file;
    if (GetTempFileNameA(base.c_str(), "zta", 0, name)) {
        file = name;
    } else {
        NativeLog::log(L"GetTempFileName failed (last error %d)", (int)GetLastError());
        if (base.empty() || (base.back() != '\\' && base.back() != '/')) base += '\\';
        srand((unsigned)GetCurrentProcessId() * (unsigned)time(nullptr));
        file = base + "zta" + std::to_string(rand());
    }
    NativeLog::log(L"tempFile is %S", file.c_str());
    return file;
}

void createLauncherTempDir() {
    for (int attempt = 0; attempt < 10; ++attempt) {
        std::string dir = makeTempFileName() + "_dir" + std::to_string((int)time(nullptr));
        NativeLog::log(L"Temp dir3: %S", dir.c_str());
        if (CreateDirectoryA(dir.c_str(), nullptr)) {
            launcherTempDir() = dir;
            return;
        }
        NativeLog::log(L"Could not create dir (%d)", (int)GetLastError());
    }
    launcherTempDir().clear();
    fatalMessageWithText(1009, L"7");
}

std::string& launcherTempDir() {
    static std::string path;
    return path;
}
