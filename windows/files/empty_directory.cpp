#include "empty_directory.h"

#include <windows.h>

#include <string>

#include "native_log.h"

void emptyDirectory(const char* path, bool descend) {
    if (!path || path[0] == 0 || path[0] == '.') return;
    NativeLog::log(L"emptying %S", path);
    std::string dir = path;
    if (dir.back() != '\\') dir += '\\';
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((dir + "*.*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        std::string full = dir + name;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            NativeLog::log(L"attempting to remove %S (%d)", full.c_str(), (int)descend);
            // A junction or directory link is removed itself; what it points to is never touched.
            bool link = (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
            if (descend && !link) emptyDirectory(full.c_str(), false);
            RemoveDirectoryA(full.c_str());
        } else {
            NativeLog::log(L"attempting to delete %S", full.c_str());
            DeleteFileA(full.c_str());
        }
    } while (FindNextFileA(find, &entry));
    FindClose(find);
}
