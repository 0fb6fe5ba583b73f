#include "temp_checks.h"

#include <windows.h>

#include <cstdlib>
#include <ctime>
#include <vector>

#include "launch_state.h"
#include "native_log.h"
#include "paths.h"

namespace {

int probeNumber() {
    srand((unsigned)GetCurrentProcessId() * (unsigned)time(nullptr));
    return rand();
}

std::string longFormOf(const std::string& path) {
    std::vector<char> buffer(kTextUnits);
    DWORD n = GetLongPathNameA(path.c_str(), buffer.data(), (DWORD)buffer.size());
    if (n >= buffer.size()) {
        buffer.resize(n);
        n = GetLongPathNameA(path.c_str(), buffer.data(), (DWORD)buffer.size());
    }
    return n > 0 && n < buffer.size() ? std::string(buffer.data(), n) : std::string();
}

std::wstring longFormOf(const std::wstring& path) {
    std::vector<wchar_t> buffer(kTextUnits);
    DWORD n = GetLongPathNameW(path.c_str(), buffer.data(), (DWORD)buffer.size());
    if (n >= buffer.size()) {
        buffer.resize(n);
        n = GetLongPathNameW(path.c_str(), buffer.data(), (DWORD)buffer.size());
    }
    return n > 0 && n < buffer.size() ? std::wstring(buffer.data(), n) : std::wstring();
}

// True when the precomposed mapping leaves the length alone: no base letter with a combining mark.
bool foldsUnchanged(const std::wstring& path, const wchar_t* errorFormat) {
    constexpr int kMappedUnits = 5999;
    std::vector<wchar_t> mapped(kMappedUnits + 1, L'\0');
    int n = (int)path.size() <= kMappedUnits
                ? FoldStringW(MAP_PRECOMPOSED, path.data(), (int)path.size(), mapped.data(), kMappedUnits)
                : 0;
    if (n > 0 && (size_t)n == path.size()) return true;
    mapped[n > 0 ? n : 0] = 0;
    NativeLog::log(errorFormat, mapped.data(), n, path.c_str(), (int)path.size());
    return false;
}

}  // namespace

bool probeTempFolder(const std::string& folder) {
    std::string name = folder + "\\ztatw" + std::to_string((int)GetCurrentProcessId()) + std::to_string(probeNumber());
    RemoveDirectoryA(name.c_str());
    bool created = CreateDirectoryA(name.c_str(), nullptr) && pathExists(name.c_str());
    RemoveDirectoryA(name.c_str());
    return created;
}

bool probeTempFolder(const std::wstring& folder) {
    std::wstring name = folder + L"\\ztatw" + std::to_wstring((int)GetCurrentProcessId()) + std::to_wstring(probeNumber());
    RemoveDirectoryW(name.c_str());
    bool created = CreateDirectoryW(name.c_str(), nullptr) && pathExists(name.c_str());
    RemoveDirectoryW(name.c_str());
    return created;
}

bool checkTempCandidate(std::string& folder, AnsiCheck check) {
    if (folder.empty()) return false;
    if (check.create) CreateDirectoryA(folder.c_str(), nullptr);
    if (check.kind == AnsiCheckKind::ProbeOnly) return probeTempFolder(folder);

    std::string longForm = longFormOf(folder);
    if (longForm.empty()) return probeTempFolder(folder);
    bool lost = longForm.find('?') != std::string::npos;
    if (lost && check.kind == AnsiCheckKind::Strict) return false;
    if (!lost && check.useLongPath && longForm.size() < kTextUnits && longForm != folder) {
        NativeLog::log(L"using long path %S", longForm.c_str());
        folder = longForm;
    }
    return probeTempFolder(folder);
}

bool checkTempCandidate(const std::wstring& folder, WideCheck check) {
    if (folder.empty()) return false;
    if (check.create) CreateDirectoryW(folder.c_str(), nullptr);
    if (!foldsUnchanged(folder, L"folding error %s %d %s %d")) return false;
    if (!check.longFormTest) return probeTempFolder(folder);

    std::wstring longForm = longFormOf(folder);
    if (longForm.empty()) return probeTempFolder(folder);
    if (longForm.find(L'?') != std::wstring::npos) return false;
    if (!foldsUnchanged(longForm, L"folding error2 %s %d %s %d")) return false;
    return probeTempFolder(folder);
}
