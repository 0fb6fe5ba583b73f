#include "runtime_unpacking.h"

#include <commctrl.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "background_file_writer.h"
#include "error_exit.h"
#include "native_log.h"
#include "owned_handles.h"
#include "paths.h"

namespace {

constexpr int kRecordSize = 512;
constexpr int kHeaderBytes = 500;  // the rest of a header record is skipped
constexpr int kSkippedHeaderBytes = kRecordSize - kHeaderBytes;
constexpr int kNameFieldSize = 100;
constexpr int kSizeOffset = 124;
constexpr int kSizeFieldSize = 12;
constexpr int kTypeOffset = 156;
constexpr int kMagicOffset = 257;
constexpr long long kLongNameCapacity = 6000;  // with its closing zero byte
constexpr int kChunkSize = 32768;
constexpr DWORD kProgressIntervalMs = 200;
constexpr int kProgressControl = 1001;
constexpr long long kLargestEntry = INT32_MAX;
// Larger files are written as they are unpacked; smaller ones are unpacked whole and written by the
// background writers.
constexpr long long kLargestQueuedEntry = 4 * 1024 * 1024;

struct OwnedGzFile {
    gzFile file = nullptr;
    explicit OwnedGzFile(gzFile f) : file(f) {}
    OwnedGzFile(const OwnedGzFile&) = delete;
    OwnedGzFile& operator=(const OwnedGzFile&) = delete;
    ~OwnedGzFile() { close(); }
    void close() {
        if (file) gzclose(file);
        file = nullptr;
    }
};

struct Archive {
    gzFile file;
    HWND progressWindow;
    long long expectedSize;
    BackgroundFileWriter& writer;
    bool wroteFile = false;
    DWORD lastProgress = 0;
    std::vector<char> buffer = std::vector<char>(kChunkSize);
};

enum class HeaderOutcome { header, end, failed };

// Reads the next header record. `end` covers the end of the data and a record without the magic
// (the closing zero records); it is a good end only once a regular file was written.
HeaderOutcome readHeader(Archive& archive, char* header) {
    if (gzeof(archive.file)) {
        if (!archive.wroteFile) NativeLog::error(L"unexpected eof");
        return HeaderOutcome::end;
    }
    int read = gzread(archive.file, header, kHeaderBytes);
    if (read == 0 && gzeof(archive.file)) {  // the last entry ended exactly at the end of the data
        if (!archive.wroteFile) NativeLog::error(L"unexpected eof");
        return HeaderOutcome::end;
    }
    if (read != kHeaderBytes) {
        NativeLog::error(L"gzread failed");
        return HeaderOutcome::failed;
    }
    if (memcmp(header + kMagicOffset, "ustar", 5) != 0) {
        if (!archive.wroteFile) {
            NativeLog::error(L"no magic number");
            return HeaderOutcome::end;
        }
        // The closing records: the rest of the stream is read too, so that its check sum is tested.
        while ((read = gzread(archive.file, archive.buffer.data(), kChunkSize)) > 0) {
        }
        if (read < 0) {
            NativeLog::error(L"gzread failed");
            return HeaderOutcome::failed;
        }
        return HeaderOutcome::end;
    }
    if (gzseek(archive.file, kSkippedHeaderBytes, SEEK_CUR) < 0) {
        NativeLog::error(L"gzseek 1 failed");
        return HeaderOutcome::failed;
    }
    return HeaderOutcome::header;
}

// The octal size field: leading spaces and zeros skipped, ended by a zero byte or a space.
// -1 for anything but octal digits and for sizes this reader does not take (2 GB and more).
long long entrySize(const char* header) {
    const char* field = header + kSizeOffset;
    int i = 0;
    while (i < kSizeFieldSize && (field[i] == ' ' || field[i] == '0')) ++i;
    long long size = 0;
    for (; i < kSizeFieldSize && field[i] != 0 && field[i] != ' '; ++i) {
        if (field[i] < '0' || field[i] > '7') return -1;
        size = size * 8 + (field[i] - '0');
        if (size > kLargestEntry) return -1;
    }
    return size;
}

// Names that stay inside the target folder: relative, without drive, stream or ".." pieces.
bool staysInsideTarget(const std::string& name) {
    if (name.empty() || name[0] == '\\' || name[0] == '/') return false;
    if (name.find(':') != std::string::npos) return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of("\\/", start);
        if (end == std::string::npos) end = name.size();
        if (name.compare(start, end - start, "..") == 0) return false;
        start = end + 1;
    }
    return true;
}

void showProgress(Archive& archive) {
    if (!archive.progressWindow) return;
    float fraction = 0.0f;
    if (archive.expectedSize > 0) fraction = (float)gztell(archive.file) / (float)archive.expectedSize;
    int position = 100 + (int)(fraction * 100.0f);
    if (position > 200) position = 200;
    SendDlgItemMessageW(archive.progressWindow, kProgressControl, PBM_SETPOS, (WPARAM)position, 0);
    archive.lastProgress = GetTickCount();
}

void showProgressWhenDue(Archive& archive) {
    if (archive.progressWindow && GetTickCount() - archive.lastProgress >= kProgressIntervalMs) showProgress(archive);
}

// Writes a large entry while it is unpacked.
bool streamEntry(Archive& archive, const std::string& name, long long size) {
    OwnedStdioFile out(fopen(name.c_str(), "wb"));
    if (!out.file) {
        std::wstring text = formatWide(L"Could not open file %S\n", name.c_str());
        NativeLog::error(L"%s", text.c_str());
        fatalText(text.c_str());
    }
    long long written = 0;
    bool streamError = false;
    while (written < size) {
        long long left = size - written;
        int wanted = left < kChunkSize ? (int)left : kChunkSize;
        int read = gzread(archive.file, archive.buffer.data(), (unsigned)wanted);
        if (read <= 0) break;
        size_t put = fwrite(archive.buffer.data(), 1, (size_t)read, out.file);
        written += (long long)put;
        if (put != (size_t)read || ferror(out.file)) {
            streamError = true;
            break;
        }
        showProgressWhenDue(archive);
    }
    if (!streamError && ferror(out.file)) streamError = true;
    // Data still buffered is written by the close: a failed close is a failed write.
    if (!out.close()) streamError = true;
    if (streamError) {
        NativeLog::error(L"stream error");
        return false;
    }
    if (written < size) {
        NativeLog::error(L"sizes don't match: %d, %d", (int)written, (int)size);
        return false;
    }
    return true;
}

bool extractEntry(Archive& archive, const std::string& name, long long size) {
    NativeLog::log(L"extracting %S (size %d)", name.c_str(), (int)size);
    if (size > kLargestQueuedEntry) return streamEntry(archive, name, size);
    FileWriteJob job{name, std::vector<char>((size_t)size)};
    long long unpacked = 0;
    while (unpacked < size) {
        long long left = size - unpacked;
        int read = gzread(archive.file, job.data.data() + unpacked, (unsigned)(left < kChunkSize ? left : kChunkSize));
        if (read <= 0) break;
        unpacked += read;
        showProgressWhenDue(archive);
    }
    if (unpacked < size) {
        NativeLog::error(L"sizes don't match: %d, %d", (int)unpacked, (int)size);
        return false;
    }
    return queueFileWrite(archive.writer, std::move(job));
}

bool skip(gzFile file, long long bytes) { return bytes == 0 || gzseek(file, (z_off_t)bytes, SEEK_CUR) >= 0; }

long long paddingOf(long long size) { return size % kRecordSize == 0 ? 0 : kRecordSize - size % kRecordSize; }

// Reads the entries until the archive ends; true for a good end.
bool readEntries(Archive& archive) {
    char header[kHeaderBytes];
    std::vector<char> longName((size_t)kLongNameCapacity);
    for (;;) {
        HeaderOutcome outcome = readHeader(archive, header);
        if (outcome != HeaderOutcome::header) return outcome == HeaderOutcome::end && archive.wroteFile;
        long long size = entrySize(header);
        char type = header[kTypeOffset];
        std::string name;
        if (type == 'L' && size >= 0) {
            if (size >= kLongNameCapacity) {
                NativeLog::error(L"long file name of %d bytes is too long", (int)size);
                return false;
            }
            if (gzread(archive.file, longName.data(), (unsigned)size) != (int)size) {
                NativeLog::error(L"gzread failed for long file name");
                return false;
            }
            longName[(size_t)size] = 0;
            if (!skip(archive.file, paddingOf(size))) {
                NativeLog::error(L"gzseek 4 failed");
                return false;
            }
            outcome = readHeader(archive, header);
            if (outcome != HeaderOutcome::header) return outcome == HeaderOutcome::end && archive.wroteFile;
            size = entrySize(header);
            type = header[kTypeOffset];
            name = longName.data();
        } else {
            name.assign(header, strnlen(header, kNameFieldSize));
            for (char& c : name) {
                if (c == '/') c = '\\';
            }
        }
        if (size < 0) {
            NativeLog::error(L"entry size out of range");
            return false;
        }

        if (type == '0' || type == '5') {
            if (!staysInsideTarget(name)) {
                NativeLog::error(L"entry name leaves the target folder: %S", name.c_str());
                return false;
            }
        }
        if (type == '5') {
            CreateDirectoryA(name.c_str(), nullptr);
            if (!skip(archive.file, size)) {  // directories carry no data; any is passed over
                NativeLog::error(L"gzseek 2 failed");
                return false;
            }
        } else if (type == '0') {
            showProgress(archive);
            if (!extractEntry(archive, name, size)) {
                NativeLog::error(L"extract file failed");
                return false;
            }
            archive.wroteFile = true;
        } else if (!skip(archive.file, size)) {
            NativeLog::error(L"gzseek 2 failed");
            return false;
        }
        if (!skip(archive.file, paddingOf(size))) {
            NativeLog::error(L"gzseek 3 failed");
            return false;
        }
    }
}

}  // namespace

bool untarRuntime(const char* archivePath, const char* targetFolder, HWND progressWindow, long long expectedSize) {
    std::wstring previousDirectory = currentDirectoryW();
    OwnedGzFile file(gzopen(archivePath, "rb"));
    if (!file.file) {
        NativeLog::error(L"Could not open gz-file");
        return false;
    }
    gzbuffer(file.file, 128 * 1024);  // fewer, larger reads of the compressed archive
    bool result = false;
    if (!SetCurrentDirectoryA(targetFolder)) {
        NativeLog::error(L"could not change to the folder %S (error %d)", targetFolder, (int)GetLastError());
    } else {
        BackgroundFileWriter writer;
        startFileWriters(writer);
        Archive archive{file.file, progressWindow, expectedSize, writer};
        result = readEntries(archive);
        if (!finishFileWriters(writer) && result) {
            NativeLog::error(L"extract file failed");
            result = false;
        }
        SetCurrentDirectoryW(previousDirectory.c_str());
    }
    file.close();
    if (result) NativeLog::log(L"untaring JRE was successful");
    else NativeLog::error(L"untaring JRE was unsuccessful");
    return result;
}

void unpackJar(const char* javaHome, const char* packFile) {
    std::string jar(packFile);
    jar.erase(jar.size() >= 5 ? jar.size() - 5 : 0);
    if (!pathExistsA(packFile)) {
        NativeLog::log(L"pack path doesn't exists");
        return;
    }
    std::string tool(javaHome);
    tool.append("\\bin\\unpack200.exe");
    // The tool is passed as the program name, so the command line starts directly with "-r".
    std::string commandLine("-r \"");
    commandLine.append(packFile).append("\" \"").append(jar).append("\"");
    NativeLog::log(L"unpack200 tool: %S", tool.c_str());
    NativeLog::log(L"unpack200 command line: %S", commandLine.c_str());

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(tool.c_str(), commandLine.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr,
                        nullptr, &startup, &process)) {
        NativeLog::log(L"could not create unpack process");
        fatalMessageWithText(1009, L"20");
    }
    OwnedHandle processHandle(process.hProcess), threadHandle(process.hThread);
    NativeLog::log(L"waiting for unpack200 to finish");
    WaitForSingleObject(processHandle.handle, INFINITE);
    NativeLog::log(L"unpack done");
    if (!DeleteFileA(packFile)) {
        DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
            NativeLog::log(L"could not delete packed file (error %d)", (int)error);
        }
    }
}

void unpackPackedJars(const char* runtimeFolder) {
    bool unpacking = false;
    for (const char* subfolder : {"lib", "lib\\ext"}) {
        std::string folder(runtimeFolder);
        folder.append("\\").append(subfolder);
        std::string pattern(folder);
        pattern.append("\\*.jar.pack");
        WIN32_FIND_DATAA found;
        OwnedFind find;
        find.handle = FindFirstFileA(pattern.c_str(), &found);
        if (find.handle == INVALID_HANDLE_VALUE) continue;
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            size_t length = strlen(found.cFileName);
            if (length < 5) continue;
            std::string jar(folder);
            jar.append("\\").append(found.cFileName, length - 5);
            NativeLog::log(L"checking %S", jar.c_str());
            if (pathExistsA(jar.c_str())) continue;
            if (!unpacking) {
                NativeLog::log(L"Unpacking JRE");
                writeConsoleText("Preparing JRE ...\n");
                unpacking = true;
            }
            std::string pack(folder);
            pack.append("\\").append(found.cFileName);
            unpackJar(runtimeFolder, pack.c_str());
        } while (FindNextFileA(find.handle, &found));
    }
    if (unpacking) NativeLog::log(L"Unpacking JRE done");
}
