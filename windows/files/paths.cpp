#include "paths.h"

#include <windows.h>

#include <string_view>
#include <vector>

#include "launch_state.h"

const std::wstring& launcherLongPath() {
    static const std::wstring path = [] {
        std::vector<wchar_t> module(kTextUnits), longForm(kTextUnits);
        DWORD n = GetModuleFileNameW(nullptr, module.data(), (DWORD)module.size());
        module[n < module.size() ? n : module.size() - 1] = 0;
        DWORD m = GetLongPathNameW(module.data(), longForm.data(), (DWORD)longForm.size());
        return m > 0 && m < longForm.size() ? std::wstring(longForm.data(), m) : std::wstring(module.data());
    }();
    return path;
}

std::wstring launcherLongDirectory() {
    const std::wstring& path = launcherLongPath();
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

namespace {

// "C:\", "C:\." and "C:\.\." name a drive root, which a directory listing does not find.
template <typename Char>
bool isDriveRoot(std::basic_string_view<Char> p) {
    if (p.size() < 3 || p[1] != ':' || p[2] != '\\') return false;
    p.remove_prefix(3);
    return p.empty() || (p.size() == 1 && p[0] == '.') || (p.size() == 3 && p[0] == '.' && p[1] == '\\' && p[2] == '.');
}

}  // namespace

bool pathExists(const wchar_t* path) {
    if (isDriveRoot(std::wstring_view(path))) return true;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(path, &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    FindClose(find);
    return true;
}

bool pathExistsA(const char* path) {
    if (isDriveRoot(std::string_view(path))) return true;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(path, &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    FindClose(find);
    return true;
}

std::string toAnsiPath(const std::wstring& path, bool* lossless) {
    UINT codePage = AreFileApisANSI() ? CP_ACP : CP_OEMCP;
    BOOL usedDefault = FALSE;
    int bytes = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, path.c_str(), -1, nullptr, 0, "?", &usedDefault);
    DWORD flags = WC_NO_BEST_FIT_CHARS;
    if (bytes == 0 && GetLastError() == ERROR_INVALID_FLAGS) {
        flags = 0;
        bytes = WideCharToMultiByte(codePage, 0, path.c_str(), -1, nullptr, 0, nullptr, nullptr);
    }
    if (bytes <= 1) {
        if (lossless) *lossless = false;
        return {};
    }
    std::string text((size_t)bytes, '\0');
    usedDefault = FALSE;
    WideCharToMultiByte(codePage, flags, path.c_str(), -1, text.data(), bytes, flags ? "?" : nullptr,
                        flags ? &usedDefault : nullptr);
    text.resize((size_t)bytes - 1);
    if (lossless) *lossless = !usedDefault;
    return text;
}

std::wstring widenBytes(const std::string& text) {
    std::wstring wide;
    wide.reserve(text.size());
    for (char c : text) wide += (wchar_t)(unsigned char)c;
    return wide;
}
