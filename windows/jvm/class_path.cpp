// Class path and module path entries of the configuration, and the archives of a directory.
#include <windows.h>

#include "appended_block.h"
#include "error_exit.h"
#include "launcher_variables.h"
#include "native_log.h"
#include "paths.h"
#include "vm_options.h"

namespace {

std::vector<std::string> splitAtSemicolons(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(';', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

void appendEntry(std::string& accumulator, const std::string& text) {
    accumulator.append(text);
    accumulator.push_back(';');
}

bool isDirectory(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

bool addArchivesOfDirectory(const std::string& directory, const char* extension, std::string& accumulator) {
    if (directory.empty() || !isDirectory(directory)) return false;
    std::string pattern = directory;
    pattern.append("\\*.");
    pattern.append(extension);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return true;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        std::string file = directory;
        file.push_back('\\');
        file.append(found.cFileName);
        appendEntry(accumulator, resolvePath(file));
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return true;
}

void addPathEntries(int entry, std::string& accumulator) {
    std::string text(kTextUnits, '\0');
    text.resize(getConfigString(entry, text.data(), text.size()));
    NativeLog::log(L"entry %S", text.c_str());
    std::vector<std::string> entries = splitAtSemicolons(text);
    NativeLog::log(L"entries %d", (int)entries.size());
    for (const std::string& item : entries) {
        const char type = item[0];
        const bool mandatory = item.size() > 1 && item[1] == '1';
        std::string name = item.size() > 2 ? item.substr(2) : std::string();
        expandLauncherVariablesAnsi(name);
        switch (type) {
        case 'A':
        case 'D': {
            std::string resolved;
            for (const std::string& part : splitAtSemicolons(name)) {
                if (!resolved.empty()) resolved.push_back(';');
                resolved.append(resolvePath(part));
            }
            if (mandatory && !pathExists(resolved.c_str())) fatalMessageWithTextA(1006, name.c_str());
            appendEntry(accumulator, resolved);
            break;
        }
        case 'E': {
            DWORD size = GetEnvironmentVariableA(name.c_str(), nullptr, 0);
            if (size == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) {
                if (mandatory) fatalMessageWithTextA(1008, name.c_str());
                break;
            }
            std::string value(size, '\0');
            value.resize(GetEnvironmentVariableA(name.c_str(), value.data(), size));
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
                value.pop_back();
                value.erase(0, 1);
            }
            if (value.empty()) break;  // set but empty: nothing to add
            accumulator.append(value);
            if (value.back() != ';') accumulator.push_back(';');
            break;
        }
        case 'S': {
            std::string resolved = resolvePath(name);
            if (entry == 121) {
                bool present = addArchivesOfDirectory(resolved, "jar", accumulator);
                if (present) addArchivesOfDirectory(resolved, "zip", accumulator);
                else if (mandatory) fatalMessageWithTextA(1006, name.c_str());
            } else {
                if (mandatory && !pathExists(resolved.c_str())) fatalMessageWithTextA(1006, name.c_str());
                appendEntry(accumulator, resolved);
            }
            break;
        }
        default:
            NativeLog::error(L"unknown path entry type %S", item.c_str());
            break;
        }
    }
}
