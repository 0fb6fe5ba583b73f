#include <cstring>
#include <vector>

#include "java_probe.h"
#include "launch_state.h"
#include "owned_handles.h"

namespace {

std::string cacheEntryKey(const std::string& javaExe) { return kJvmCacheKey + jvmCacheKey(javaExe); }

// Texts that older launchers cached for runtimes whose real version they could not tell.
bool isUntrustedVersion(const char* text) {
    return strcmp(text, "1.7.") == 0 || strcmp(text, "1.6.") == 0 || strcmp(text, "1.5.") == 0;
}

}  // namespace

std::string jvmCacheKey(const std::string& path) {
    std::string key = path;
    for (char& c : key)
        if (c == '\\') c = '/';
    return key;
}

bool readJvmCache(const std::string& javaExe, const FILETIME& lastWrite, std::string& version) {
    OwnedKey entry;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, cacheEntryKey(javaExe).c_str(), 0, KEY_READ, &entry.key) != ERROR_SUCCESS)
        return false;

    BYTE stored[sizeof(FILETIME)];
    DWORD size = sizeof stored;
    if (RegQueryValueExA(entry.key, "LastWriteTime", nullptr, nullptr, stored, &size) != ERROR_SUCCESS ||
        size != sizeof stored || memcmp(stored, &lastWrite, sizeof stored) != 0)
        return false;

    // The value may fill the whole buffer and need not end in a NUL: one unit more holds the terminator.
    std::vector<char> text(kTextUnits + 1);
    size = (DWORD)kTextUnits;
    if (RegQueryValueExA(entry.key, "Version", nullptr, nullptr, (BYTE*)text.data(), &size) != ERROR_SUCCESS)
        return false;
    text[size < kTextUnits ? size : kTextUnits] = '\0';
    if (isUntrustedVersion(text.data())) return false;
    version = text.data();
    return true;
}

void writeJvmCache(const std::string& javaExe, const FILETIME& lastWrite, const std::string& version) {
    OwnedKey entry;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, cacheEntryKey(javaExe).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &entry.key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(entry.key, "LastWriteTime", 0, REG_BINARY, (const BYTE*)&lastWrite, sizeof lastWrite);
    RegSetValueExA(entry.key, "Version", 0, REG_SZ, (const BYTE*)version.data(), (DWORD)version.size());
}

void registerLocatedJvm(const std::string& javaExe) {
    const std::string key = kLocatedJvmsKey + jvmCacheKey(javaExe);
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        OwnedKey located;
        if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &located.key, nullptr) ==
            ERROR_SUCCESS)
            return;
    }
}
