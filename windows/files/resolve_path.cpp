#include "paths.h"

#include <vector>

#include "launch_state.h"

std::wstring fullPathFromCurrentDirectory(const std::wstring& path) {
    std::vector<wchar_t> buffer(kTextUnits);
    DWORD n = GetFullPathNameW(path.c_str(), (DWORD)buffer.size(), buffer.data(), nullptr);
    if (n >= buffer.size()) {
        buffer.resize(n);
        n = GetFullPathNameW(path.c_str(), (DWORD)buffer.size(), buffer.data(), nullptr);
    }
    return n > 0 && n < buffer.size() ? std::wstring(buffer.data(), n) : std::wstring();
}

std::string fullPathFromCurrentDirectory(const std::string& path) {
    std::vector<char> buffer(kTextUnits);
    DWORD n = GetFullPathNameA(path.c_str(), (DWORD)buffer.size(), buffer.data(), nullptr);
    if (n >= buffer.size()) {
        buffer.resize(n);
        n = GetFullPathNameA(path.c_str(), (DWORD)buffer.size(), buffer.data(), nullptr);
    }
    return n > 0 && n < buffer.size() ? std::string(buffer.data(), n) : std::string();
}

std::string currentDirectory() {
    std::string directory(GetCurrentDirectoryA(0, nullptr), '\0');
    directory.resize(GetCurrentDirectoryA((DWORD)directory.size(), directory.data()));
    return directory;
}

std::wstring currentDirectoryW() {
    std::wstring directory(GetCurrentDirectoryW(0, nullptr), L'\0');
    directory.resize(GetCurrentDirectoryW((DWORD)directory.size(), directory.data()));
    return directory;
}

namespace {

// The directory of a file's full path, with its trailing backslash.
template <typename Text>
Text directoryOfFile(const Text& file) {
    Text full = fullPathFromCurrentDirectory(file);
    size_t slash = full.find_last_of('\\');
    return slash == Text::npos ? Text() : full.substr(0, slash + 1);
}

}  // namespace

std::string resolvePath(const std::string& path, const char* baseFile) {
    std::string resolved = path;
    if (isRelativePath(path.c_str())) {
        if (baseFile) {
            // Cut as UTF-16, where no trailing byte of a double-byte character can pass for a backslash.
            std::wstring directory = directoryOfFile(fromAnsiPath(baseFile));
            bool lossless = false;
            std::string ansiDirectory = toAnsiPath(directory, &lossless);
            resolved = (lossless ? ansiDirectory : directoryOfFile(std::string(baseFile))) + path;
        } else {
            resolved = launcherDirectory() + path;
        }
    }
    collapseBackslashes(resolved);
    return resolved;
}

std::wstring resolvePath(const std::wstring& path, DirectoryForm form, const wchar_t* baseFile) {
    std::wstring resolved = path;
    if (isRelativePath(path.c_str()))
        resolved = (baseFile ? directoryOfFile(std::wstring(baseFile)) : launcherDirectory(form)) + path;
    collapseBackslashes(resolved);
    return resolved;
}

std::string fullPath(const std::string& path, PathCase letterCase) {
    std::string resolved = resolvePath(path);
    std::string full = fullPathFromCurrentDirectory(resolved);
    if (full.empty()) full = resolved;
    if (letterCase == PathCase::Lower) toLowerPath(full);
    collapseBackslashes(full);
    return full;
}

std::wstring fullPath(const std::wstring& path, DirectoryForm form, PathCase letterCase) {
    std::wstring resolved = resolvePath(path, form);
    std::wstring full = fullPathFromCurrentDirectory(resolved);
    if (full.empty()) full = resolved;
    if (letterCase == PathCase::Lower) toLowerPath(full);
    collapseBackslashes(full);
    return full;
}
