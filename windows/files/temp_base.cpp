#include "temp_base.h"

#include <windows.h>

#include <vector>

#include "appended_block.h"
#include "error_exit.h"
#include "temp_checks.h"

namespace {

struct TempBase {
    bool chosen = false;    // the choice has run (whatever its outcome)
    bool choosing = false;  // the choice is running: its own log lines may ask for the base again
    bool found = false;
    bool relaxed = false;
    std::string ansi;
    std::wstring wide;
};

TempBase& tempBase() {
    static TempBase base;
    return base;
}

// --- The two forms of each candidate, from the 8-bit and the UTF-16 system calls ---

template <typename Char, typename Call>
std::basic_string<Char> fetch(Call call) {
    std::vector<Char> buffer(MAX_PATH + 1);
    DWORD n = call(buffer.data(), (DWORD)buffer.size());
    if (n >= buffer.size()) {
        buffer.resize(n + 1);
        n = call(buffer.data(), (DWORD)buffer.size());
    }
    return n > 0 && n < buffer.size() ? std::basic_string<Char>(buffer.data(), n) : std::basic_string<Char>();
}

std::string systemTempA() {
    return fetch<char>([](char* b, DWORD n) { return GetTempPathA(n, b); });
}
std::wstring systemTempW() {
    return fetch<wchar_t>([](wchar_t* b, DWORD n) { return GetTempPathW(n, b); });
}
std::string environmentA(const char* name) {
    return fetch<char>([name](char* b, DWORD n) { return GetEnvironmentVariableA(name, b, n); });
}
std::wstring environmentW(const wchar_t* name) {
    return fetch<wchar_t>([name](wchar_t* b, DWORD n) { return GetEnvironmentVariableW(name, b, n); });
}
std::string windowsDirectoryA() {
    return fetch<char>([](char* b, DWORD n) { return (DWORD)GetWindowsDirectoryA(b, n); });
}
std::wstring windowsDirectoryW() {
    return fetch<wchar_t>([](wchar_t* b, DWORD n) { return (DWORD)GetWindowsDirectoryW(b, n); });
}

// A folder under the user's profile or home; none when a variable it is built from is unset.
template <typename Text>
Text joined(const Text& first, const Text& second) {
    return first.empty() || second.empty() ? Text() : first + second;
}

// The common application data folder (id 35), taken from shell32 by name; empty when unavailable.
bool commonAppData(std::string& ansi, std::wstring& wide) {
    using FolderPathA = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);
    using FolderPathW = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPWSTR);
    constexpr int kCommonAppData = 35;
    HMODULE shell = GetModuleHandleW(L"shell32.dll");
    if (!shell) shell = LoadLibraryW(L"shell32.dll");
    if (!shell) return false;
    auto folderPathA = (FolderPathA)(void*)GetProcAddress(shell, "SHGetFolderPathA");
    auto folderPathW = (FolderPathW)(void*)GetProcAddress(shell, "SHGetFolderPathW");
    if (!folderPathA || !folderPathW) return false;
    char a[MAX_PATH] = "";
    wchar_t w[MAX_PATH] = L"";
    if (FAILED(folderPathA(nullptr, kCommonAppData, nullptr, 0, a)) || !a[0]) return false;
    if (FAILED(folderPathW(nullptr, kCommonAppData, nullptr, 0, w)) || !w[0]) return false;
    ansi = std::string(a) + "\\tarvelink";
    wide = std::wstring(w) + L"\\tarvelink";
    CreateDirectoryA(ansi.c_str(), nullptr);
    CreateDirectoryW(wide.c_str(), nullptr);
    ansi += "\\temp";
    wide += L"\\temp";
    return true;
}

// Accepts a candidate when its 8-bit form and then its UTF-16 form pass their checks.
bool accept(TempBase& base, std::string ansi, const std::wstring& wide, AnsiCheck ansiCheck, WideCheck wideCheck) {
    if (ansi.empty() || wide.empty()) return false;
    if (!checkTempCandidate(ansi, ansiCheck) || !checkTempCandidate(wide, wideCheck)) return false;
    base.ansi = ansi;
    base.wide = wide;
    return true;
}

// The first folder, in a fixed order, in which subfolders can be made and whose 8-bit form names it.
bool chooseTempBase(TempBase& base) {
    using enum AnsiCheckKind;
    const bool longPath = getConfigInt(10009) != 0;
    const std::string profileA = joined(environmentA("USERPROFILE"), std::string("\\AppData\\Local\\Temp"));
    const std::wstring profileW = joined(environmentW(L"USERPROFILE"), std::wstring(L"\\AppData\\Local\\Temp"));
    const std::string homeA = joined(environmentA("HOMEDRIVE"), environmentA("HOMEPATH"));
    const std::wstring homeW = joined(environmentW(L"HOMEDRIVE"), environmentW(L"HOMEPATH"));

    if (accept(base, systemTempA(), systemTempW(), {.create = true, .useLongPath = longPath},
               {.create = true, .longFormTest = true}) ||
        accept(base, profileA, profileW, {.useLongPath = longPath}, {.longFormTest = true}) ||
        accept(base, homeA, homeW, {.useLongPath = longPath}, {.longFormTest = true}))
        return true;
    std::string appDataA;
    std::wstring appDataW;
    if (commonAppData(appDataA, appDataW) && accept(base, appDataA, appDataW, {.create = true, .useLongPath = longPath},
                                                    {.create = true, .longFormTest = true}))
        return true;
    const std::string windowsA = windowsDirectoryA();
    const std::wstring windowsW = windowsDirectoryW();
    if (accept(base, joined(windowsA, std::string("\\temp")), joined(windowsW, std::wstring(L"\\temp")),
               {.kind = ProbeOnly}, {}) ||
        accept(base, "c:\\temp", L"c:\\temp", {.kind = ProbeOnly}, {}) ||
        accept(base, "c:\\tmp", L"c:\\tmp", {.kind = ProbeOnly}, {}) ||
        accept(base, windowsA, windowsW, {.kind = ProbeOnly}, {}) ||
        accept(base, "c:\\tmp", L"c:\\tmp", {.kind = ProbeOnly, .create = true}, {.create = true}))
        return true;

    base.relaxed = true;
    return accept(base, systemTempA(), systemTempW(), {.kind = Lenient, .create = true, .useLongPath = longPath},
                  {.create = true}) ||
           accept(base, profileA, profileW, {.kind = Lenient, .useLongPath = longPath}, {}) ||
           accept(base, homeA, homeW, {.kind = Lenient, .useLongPath = longPath}, {});
}

// Chooses once; false when no folder is usable. A call made from within the choice (through the
// native log's set-up) finds nothing yet.
bool haveTempBase() {
    TempBase& base = tempBase();
    if (!base.chosen && !base.choosing) {
        base.choosing = true;
        base.found = chooseTempBase(base);
        if (!base.found) {
            base.ansi.clear();
            base.wide.clear();
        }
        base.choosing = false;
        base.chosen = true;
    }
    return base.found;
}

}  // namespace

std::wstring getTempBaseW(bool fatalWhenNone) {
    if (manualTempDirAccepted()) return manualTempDirW();
    if (haveTempBase()) return tempBase().wide;
    if (fatalWhenNone && !tempBase().choosing) fatalMessageWithText(1015);
    return {};
}

std::string getTempBase() {
    if (manualTempDirAccepted()) return manualTempDir();
    if (haveTempBase()) return tempBase().ansi;
    if (!tempBase().choosing) fatalMessageWithText(1015);
    return {};
}

bool isTempBaseRelaxed() { return tempBase().relaxed; }
