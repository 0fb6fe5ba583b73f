#include "temp_base.h"

#include <windows.h>

#include <vector>

#include "error_exit.h"
#include "paths.h"

// Until the full choice of a base folder is built, the system's temporary path is the base.
std::wstring getTempBaseW(bool fatalWhenNone) {
    std::vector<wchar_t> buffer(kTextUnits);
    DWORD n = GetTempPathW((DWORD)buffer.size(), buffer.data());
    if (n == 0 || n >= buffer.size()) {
        if (fatalWhenNone) fatalMessageWithText(1015);
        return {};
    }
    std::wstring path(buffer.data(), n);
    if (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
    return path;
}

std::string getTempBase() {
    std::wstring wide = getTempBaseW(true);
    return toAnsiPath(wide);
}

bool isTempBaseRelaxed() { return false; }

void applyManualTempOption(ArgumentList& arguments) { (void)arguments; }

bool manualTempDirAccepted() { return false; }

std::string& launcherTempDir() {
    static std::string path;
    return path;
}

// Makeshift until the full temporary-name scheme is in: one attempt, fatal on failure.
void createLauncherTempDir() {
    std::string path = getTempBase() + "\\zta" + std::to_string(GetCurrentProcessId()) + "_dir" +
                       std::to_string(GetTickCount());
    if (!CreateDirectoryA(path.c_str(), nullptr)) fatalMessageWithText(1009, L"7");
    launcherTempDir() = path;
}
