#include "paths.h"

#include <string_view>

namespace {

// "C:\", "C:\." and "C:\.\." name a drive root, which a directory listing does not find.
template <typename Char>
bool isDriveRoot(std::basic_string_view<Char> p) {
    if (p.size() < 3 || p[1] != ':' || p[2] != '\\') return false;
    Char letter = p[0];
    if (!((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z'))) return false;
    p.remove_prefix(3);
    return p.empty() || (p.size() == 1 && p[0] == '.') || (p.size() == 3 && p[0] == '.' && p[1] == '\\' && p[2] == '.');
}

bool findEntry(const wchar_t* path, FILETIME* time) {
    if (isDriveRoot(std::wstring_view(path))) {
        if (time) *time = FILETIME{};
        return true;
    }
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(path, &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    FindClose(find);
    if (time) *time = data.ftLastWriteTime;
    return true;
}

bool findEntry(const char* path, FILETIME* time) {
    if (isDriveRoot(std::string_view(path))) {
        if (time) *time = FILETIME{};
        return true;
    }
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(path, &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    FindClose(find);
    if (time) *time = data.ftLastWriteTime;
    return true;
}

}  // namespace

bool pathExists(const wchar_t* path) { return findEntry(path, nullptr); }
bool pathExists(const char* path) { return findEntry(path, nullptr); }
bool pathExistsA(const char* path) { return findEntry(path, nullptr); }

bool lastWriteTime(const wchar_t* path, FILETIME* time) { return findEntry(path, time); }
bool lastWriteTime(const char* path, FILETIME* time) { return findEntry(path, time); }
