#include "paths.h"

#include <string_view>

namespace {

template <typename Char>
bool isRelative(std::basic_string_view<Char> p) {
    if (!p.empty() && p[0] == '"') {
        if (p.size() < 4) return true;
        p.remove_prefix(1);
    }
    if (p.size() < 3) return true;
    if (p[1] == ':' && p[2] == '\\') return false;
    return !(p[0] == '\\' && p[1] == '\\');
}

template <typename Char>
size_t collapse(Char* path) {
    size_t read = 0, write = 0;
    if (path[0] == '\\' && path[1] == '\\') {  // a network path keeps its two leading backslashes
        path[write++] = '\\';
        path[write++] = '\\';
        while (path[read] == '\\') ++read;
    }
    while (path[read]) {
        Char c = path[read++];
        path[write++] = c;
        if (c == '\\')
            while (path[read] == '\\') ++read;
    }
    path[write] = 0;
    return write;
}

}  // namespace

bool isRelativePath(const char* path) { return isRelative(std::string_view(path)); }
bool isRelativePath(const wchar_t* path) { return isRelative(std::wstring_view(path)); }

size_t collapseBackslashes(char* path) { return collapse(path); }
size_t collapseBackslashes(wchar_t* path) { return collapse(path); }

size_t collapseBackslashes(std::string& path) {
    path.resize(collapse(path.data()));
    return path.size();
}

size_t collapseBackslashes(std::wstring& path) {
    path.resize(collapse(path.data()));
    return path.size();
}

bool endsWithExe(const char* path) {
    std::string_view p(path);
    if (p.size() < 5) return false;
    std::string_view tail = p.substr(p.size() - 4);
    static const char exe[] = ".exe";
    for (size_t i = 0; i < 4; ++i) {
        char c = tail[i];
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
        if (c != exe[i]) return false;
    }
    return true;
}

void toLowerPath(std::wstring& path) {
    for (wchar_t& c : path)
        if (c >= L'A' && c <= L'Z') c = (wchar_t)(c - L'A' + L'a');
}

void toLowerPath(std::string& path) {
    std::wstring wide = fromAnsiPath(path);
    if (wide.empty()) return;
    toLowerPath(wide);
    bool lossless = false;
    std::string lowered = toAnsiPath(wide, &lossless);
    if (lossless) path = lowered;
}
