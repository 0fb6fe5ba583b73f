#include "included_files.h"

#include <cstring>
#include <string>
#include <vector>

#include "appended_block.h"
#include "error_exit.h"
#include "native_log.h"
#include "temp_base.h"

namespace {

// Larger than a disk block many times over: the copy runs at the speed of the disk, not of the calls.
constexpr DWORD kCopyChunk = 1 << 20;

void descrambleBytes(uint8_t* data, size_t size) {
    constexpr uint64_t wide = 0x0101010101010101ull * kScrambleByte;
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        uint64_t word;
        memcpy(&word, data + i, 8);
        word ^= wide;
        memcpy(data + i, &word, 8);
    }
    for (; i < size; ++i) data[i] ^= kScrambleByte;
}

int extractOneFile(HANDLE media, const std::string& path) {
    int64_t size = readLong(media);
    NativeLog::log(L"extracting %S (size: %I64d)", path.c_str(), size);
    if (size == 0) return kExtracted;  // an empty file is not created at all
    if (size < 0) return kMediaFileShort;
    HANDLE target = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (target == INVALID_HANDLE_VALUE) fatalMessageWithText(1009, L"11");
    int result = copyScrambled(media, target, size, true);
    if (!CloseHandle(target) && result == kExtracted) result = kWriteFailed;
    return result;
}

void createFirstLevel(const std::string& path, size_t cut) {
    std::string dir = path.substr(0, cut);
    NativeLog::log(L"creating directory %S", dir.c_str());
    if (!CreateDirectoryA(dir.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        NativeLog::error(L"failed to create directory %S", dir.c_str());
}

}  // namespace

bool isSafeIncludedName(const char* name) {
    if (name[0] == '\\' || name[0] == '/' || strchr(name, ':')) return false;
    std::string piece;
    for (const char* p = name;; ++p) {
        if (*p == '\\' || *p == '/' || *p == 0) {
            if (piece == "..") return false;
            piece.clear();
            if (*p == 0) return true;
        } else {
            piece += *p;
        }
    }
}

int copyScrambled(HANDLE source, HANDLE target, int64_t count, bool descramble) {
    std::vector<uint8_t> buffer(kCopyChunk);
    int64_t copied = 0;
    DWORD got = 0;
    while (copied < count) {
        DWORD want = (DWORD)(count - copied < kCopyChunk ? count - copied : kCopyChunk);
        if (!ReadFile(source, buffer.data(), want, &got, nullptr) || got == 0) break;
        if (descramble) descrambleBytes(buffer.data(), got);
        for (DWORD done = 0; done < got;) {
            DWORD written = 0;
            if (!WriteFile(target, buffer.data() + done, got - done, &written, nullptr) || written == 0) {
                NativeLog::error(L"WriteFile failed %d %d", (int)(got - done), (int)GetLastError());
                return kWriteFailed;
            }
            done += written;
        }
        copied += got;
    }
    if (copied < count) {
        NativeLog::error(L"ReadFile failed %d %d %I64d", (int)got, (int)GetLastError(), copied);
        return kMediaFileShort;
    }
    return kExtracted;
}

std::vector<std::string> includedFileNames() {
    long count = getConfigInt(2002);
    std::string names = dupConfigString(2003);
    std::vector<std::string> found;
    for (size_t at = 0; (long)found.size() < count && at <= names.size();) {
        size_t end = names.find(';', at);
        if (end == std::string::npos) end = names.size();
        if (end > at) found.push_back(names.substr(at, end - at));
        at = end + 1;
    }
    return found;
}

int extractIncludedFiles(bool createTempDir) {
    NativeLog::log(L"extracting files");
    long count = getConfigInt(2002);
    NativeLog::log(L"Included files: %d", (int)count);
    if (count == 0) {
        if (createTempDir) launcherTempDir().clear();
        setUnextractedPosition(getIncludedFilesOffset());  // the installer data follows at once
        return kExtracted;
    }
    if (createTempDir) createLauncherTempDir();

    HANDLE media = openMediaFile();
    LARGE_INTEGER start;
    start.QuadPart = getIncludedFilesOffset();
    SetFilePointerEx(media, start, nullptr, FILE_BEGIN);

    for (const std::string& name : includedFileNames()) {
        std::string path = launcherTempDir() + "\\" + name;
        // A name that would leave the temporary directory is refused like a file that cannot be created.
        if (!isSafeIncludedName(name.c_str())) {
            NativeLog::error(L"unsafe file name %S", name.c_str());
            CloseHandle(media);
            fatalMessageWithText(1009, L"11");
        }
        size_t slash = name.find('\\');
        if (slash != std::string::npos) createFirstLevel(path, launcherTempDir().size() + 1 + slash);
        int result = extractOneFile(media, path);
        if (result != kExtracted) {
            NativeLog::error(L"Failed to extract %S", path.c_str());
            CloseHandle(media);
            return result;
        }
    }
    setUnextractedPosition(filePosition(media));
    CloseHandle(media);
    NativeLog::log(L"extracting files done");
    return kExtracted;
}
