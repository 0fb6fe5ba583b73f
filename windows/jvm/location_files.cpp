#include <string>

#include "appended_block.h"
#include "jvm_search.h"
#include "owned_handles.h"
#include "paths.h"
#include "temp_base.h"

namespace {

std::string withoutTrailingBackslashes(std::string path) {
    while (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

}  // namespace

bool readLocationFile(const std::string& path, std::string& line) {
    OwnedHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;

    std::string text;
    size_t end = std::string::npos;
    char chunk[4096];
    DWORD got = 0;
    while (end == std::string::npos && ReadFile(file.handle, chunk, sizeof chunk, &got, nullptr) && got > 0) {
        size_t searched = text.size();
        text.append(chunk, got);
        end = text.find('\n', searched);
    }
    if (text.empty()) return false;
    if (end != std::string::npos) text.erase(end);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
    line = std::move(text);
    return true;
}

std::string applicationDirectory() {
    return withoutTrailingBackslashes(fullPath(dupConfigString(10003), PathCase::Keep));
}

std::string preferredLocationFile() { return applicationDirectory() + "\\.tarvelink\\pref_jre.cfg"; }

std::string installerLocationFile() { return applicationDirectory() + "\\.tarvelink\\inst_jre.cfg"; }

std::string temporaryInstallerLocationFile() {
    const std::string directory = withoutTrailingBackslashes(launcherTempDir());
    return directory.empty() ? std::string() : directory + "\\inst_jre.cfg";
}
