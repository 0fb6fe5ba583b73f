#include "temp_base.h"

#include <windows.h>

#include <vector>

#include "native_log.h"
#include "paths.h"
#include "temp_checks.h"

namespace {

struct ManualTempDir {
    bool accepted = false;
    std::string ansi;
    std::wstring wide;
};

ManualTempDir& manual() {
    static ManualTempDir dir;
    return dir;
}

std::wstring shortForm(const std::wstring& path) {
    std::vector<wchar_t> buffer(kTextUnits);
    DWORD n = GetShortPathNameW(path.c_str(), buffer.data(), (DWORD)buffer.size());
    return n > 0 && n < buffer.size() ? std::wstring(buffer.data(), n) : std::wstring();
}

// An 8-bit form that names the folder: converted without loss and passing the 8-bit check.
bool usableAnsiForm(const std::wstring& path, AnsiCheckKind kind, std::string& ansi) {
    bool lossless = false;
    ansi = toAnsiPath(path, &lossless);
    return lossless && checkTempCandidate(ansi, AnsiCheck{.kind = kind});
}

}  // namespace

void applyManualTempOption(ArgumentList& arguments) {
    size_t option = 0;
    while (option < arguments.size() && arguments[option] != L"-temp" && arguments[option] != L"/temp") ++option;
    if (option == arguments.size()) return;

    const size_t value = option + 1;
    if (value < arguments.size() && !arguments[value].empty()) {
        ManualTempDir& dir = manual();
        // Made absolute now: the working directory changes later in the start.
        dir.wide = fullPathFromCurrentDirectory(arguments[value]);
        if (dir.wide.empty()) dir.wide = arguments[value];
        bool usable = checkTempCandidate(dir.wide, WideCheck{.longFormTest = true});
        // The short form is there for names the code page cannot hold, so its long form, which shows
        // them as "?", does not count against it.
        if (usable && !usableAnsiForm(dir.wide, AnsiCheckKind::Strict, dir.ansi))
            usable = usableAnsiForm(shortForm(dir.wide), AnsiCheckKind::Lenient, dir.ansi);
        if (!usable && dir.ansi.empty()) dir.ansi = toAnsiPath(dir.wide);
        if (usable) {
            NativeLog::log(L"Using manual temp dir %s (%S)", dir.wide.c_str(), dir.ansi.c_str());
            dir.accepted = true;
            return;
        }
        NativeLog::log(L"Manual temp dir not usable %s (%S)", dir.wide.c_str(), dir.ansi.c_str());
        dir = ManualTempDir{};
        arguments.erase(arguments.begin() + (std::ptrdiff_t)value);
    }
    arguments.erase(arguments.begin() + (std::ptrdiff_t)option);
}

bool manualTempDirAccepted() { return manual().accepted; }
const std::string& manualTempDir() { return manual().ansi; }
const std::wstring& manualTempDirW() { return manual().wide; }
