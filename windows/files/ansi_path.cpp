#include "paths.h"

UINT filePathCodePage() { return AreFileApisANSI() ? CP_ACP : CP_OEMCP; }

std::string toAnsiPath(const std::wstring& path, bool* lossless) {
    if (lossless) *lossless = false;
    if (path.empty()) return {};
    const UINT codePage = filePathCodePage();
    const int units = (int)path.size();
    DWORD flags = WC_NO_BEST_FIT_CHARS;
    int bytes = WideCharToMultiByte(codePage, flags, path.data(), units, nullptr, 0, "?", nullptr);
    if (bytes == 0 && GetLastError() == ERROR_INVALID_FLAGS) {
        // Code pages such as UTF-8 take neither the flag nor a default character; nothing is replaced there.
        flags = 0;
        bytes = WideCharToMultiByte(codePage, 0, path.data(), units, nullptr, 0, nullptr, nullptr);
    }
    if (bytes <= 0) return {};
    std::string text((size_t)bytes, '\0');
    BOOL usedDefault = FALSE;
    bytes = WideCharToMultiByte(codePage, flags, path.data(), units, text.data(), bytes, flags ? "?" : nullptr,
                                flags ? &usedDefault : nullptr);
    if (bytes <= 0) return {};
    text.resize((size_t)bytes);
    if (lossless) *lossless = !usedDefault;
    return text;
}

std::wstring fromAnsiPath(const std::string& path) {
    if (path.empty()) return {};
    const UINT codePage = filePathCodePage();
    int units = MultiByteToWideChar(codePage, 0, path.data(), (int)path.size(), nullptr, 0);
    if (units <= 0) return {};
    std::wstring text((size_t)units, L'\0');
    units = MultiByteToWideChar(codePage, 0, path.data(), (int)path.size(), text.data(), units);
    text.resize(units > 0 ? (size_t)units : 0);
    return text;
}

std::wstring widenBytes(const std::string& text) {
    std::wstring wide;
    wide.reserve(text.size());
    for (char c : text) wide += (wchar_t)(unsigned char)c;
    return wide;
}
