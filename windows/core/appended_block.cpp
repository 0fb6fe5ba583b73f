#include "appended_block.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "error_exit.h"
#include "locale_selection.h"
#include "native_log.h"
#include "paths.h"

namespace {

int64_t includedFilesOffset = 0;
int64_t unextractedPosition = 0;
std::string chosenCode;

// Reads exactly `size` bytes; a short read is logged and ends the process with `fatal`.
void readExactly(HANDLE file, void* data, DWORD size, const wchar_t* fatal, bool logCount = false) {
    DWORD got = 0;
    BOOL ok = ReadFile(file, data, size, &got, nullptr);
    if (ok && got == size) return;
    DWORD code = ok ? ERROR_HANDLE_EOF : GetLastError();
    if (logCount) NativeLog::log(L"error %d %d\n", (int)code, (int)got);
    else NativeLog::log(L"error %d\n", (int)code);
    fatalText(fatal);
}

int64_t fileSize(HANDLE file) {
    LARGE_INTEGER size;
    return GetFileSizeEx(file, &size) ? size.QuadPart : 0;
}

// A length read from the block must fit in what the file still holds, before anything is allocated.
void checkLengthFits(HANDLE file, uint32_t length, const wchar_t* fatal) {
    if ((int64_t)length <= fileSize(file) - filePosition(file)) return;
    NativeLog::log(L"error %d\n", (int)ERROR_HANDLE_EOF);
    fatalText(fatal);
}

void skipBytes(HANDLE file, uint32_t length) {
    LARGE_INTEGER distance;
    distance.QuadPart = length;
    SetFilePointerEx(file, distance, nullptr, FILE_CURRENT);
}

// Messages of a language block that does not apply are only skipped over, never allocated.
void skipWString(HANDLE file) {
    uint32_t length = (uint32_t)readInt(file);
    checkLengthFits(file, length, L"Internal Error: readWString");
    skipBytes(file, length);
}

bool languageBlockApplies(const std::string& blockCode) {
    return chosenCode.starts_with(blockCode);
}

}  // namespace

LauncherConfig& launcherConfig() {
    static LauncherConfig config;
    return config;
}

MessageTable& messageTable() {
    static MessageTable messages;
    return messages;
}

int64_t filePosition(HANDLE file) {
    LARGE_INTEGER zero{}, position{};
    SetFilePointerEx(file, zero, &position, FILE_CURRENT);
    return position.QuadPart;
}

int64_t readLong(HANDLE file) {
    int64_t value;
    readExactly(file, &value, sizeof value, L"Internal Error: readLong");
    return value;
}

int32_t readInt(HANDLE file) {
    int32_t value;
    readExactly(file, &value, sizeof value, L"Internal Error: readInt", true);
    return value;
}

int16_t readShort(HANDLE file) {
    int16_t value;
    readExactly(file, &value, sizeof value, L"Internal Error: readShort");
    return value;
}

std::string readString(HANDLE file) {
    uint32_t length = (uint32_t)readInt(file);
    checkLengthFits(file, length, L"Internal Error: readString");
    std::string text(length, '\0');
    if (length > 0) readExactly(file, text.data(), length, L"Internal Error: readString");
    return text;
}

std::wstring readWString(HANDLE file) {
    uint32_t length = (uint32_t)readInt(file);
    checkLengthFits(file, length, L"Internal Error: readWString");
    std::wstring text(length / 2, L'\0');
    if (length / 2 > 0) readExactly(file, text.data(), length / 2 * 2, L"Internal Error: readWString");
    if (length % 2) skipBytes(file, 1);  // the odd byte belongs to no code unit
    return text;
}

HANDLE openMediaFile() {
    const std::wstring& path = launcherLongPath();
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        NativeLog::log(L"Could not open %p %d %s", file, (int)GetLastError(), path.c_str());
        fatalText(L"Error opening media file.");
    }
    return file;
}

void seekAppendedDataBlock(HANDLE file) {
    auto seekTo = [file](int64_t offset) {
        LARGE_INTEGER position;
        position.QuadPart = offset;
        SetFilePointerEx(file, position, nullptr, FILE_BEGIN);
    };
    seekTo(60);
    uint32_t peOffset = (uint32_t)readInt(file);
    seekTo((int64_t)peOffset + 6);
    uint16_t sections = (uint16_t)readShort(file);
    seekTo((int64_t)peOffset + 20);
    uint16_t optionalHeaderSize = (uint16_t)readShort(file);
    NativeLog::log(L"number of sections: %d", (int)sections);
    NativeLog::log(L"size of optional headers: %d", (int)optionalHeaderSize);
    // The last 40-byte section header; its size of raw data lies 16 bytes into it.
    int64_t lastSectionHeader = (int64_t)peOffset + 24 + optionalHeaderSize + 40 * ((int64_t)sections - 1);
    NativeLog::log(L"resSectionTableStart: %d", (int)lastSectionHeader);
    seekTo(lastSectionHeader + 16);
    uint32_t rawDataSize = (uint32_t)readInt(file);
    uint32_t rawDataOffset = (uint32_t)readInt(file);
    NativeLog::log(L"rawDataSize: %d, rawDataOffset: %d", (int)rawDataSize, (int)rawDataOffset);
    seekTo((int64_t)rawDataOffset + rawDataSize);
}

int readAppendedDataBlock(HANDLE file, const ArgumentList* arguments) {
    if ((uint32_t)readInt(file) != kBlockMagic) fatalText(L"Internal Error: magic");
    readInt(file);   // check flag, CRC and length belong to the integrity check
    readInt(file);
    readLong(file);

    int32_t entries = readInt(file);
    for (int32_t i = 0; i < entries; ++i) {
        int32_t id = readInt(file);
        launcherConfig()[id] = readString(file);
    }
    int32_t messages = readInt(file);
    for (int32_t i = 0; i < messages; ++i) {
        int32_t id = readInt(file);
        messageTable()[id] = readWString(file);
    }

    chosenCode = selectLocale(arguments);
    splitLocaleCode(chosenCode);

    int32_t blocks = readInt(file);
    for (int32_t b = 0; b < blocks; ++b) {
        bool applies = languageBlockApplies(readString(file));
        int32_t count = readInt(file);
        for (int32_t i = 0; i < count; ++i) {
            int32_t id = readInt(file);
            if (applies) messageTable()[id] = readWString(file);
            else skipWString(file);
        }
    }
    includedFilesOffset = filePosition(file);

    int kind = (int)getConfigInt(107);
    if (kind != 1 && kind != 5) launchState().messageBoxesOn = false;
    return kind;
}

int loadAppendedDataBlock(const ArgumentList* arguments) {
    HANDLE file = openMediaFile();
    seekAppendedDataBlock(file);
    int kind = readAppendedDataBlock(file, arguments);
    CloseHandle(file);
    return kind;
}

size_t getConfigString(int32_t id, char* buffer, size_t size) {
    if (size == 0) return 0;
    auto it = launcherConfig().find(id);
    if (it == launcherConfig().end()) {
        buffer[0] = 0;
        return 0;
    }
    const std::string& text = it->second;
    size_t n = text.size();
    if (n > size - 1) {
        NativeLog::error(L"config string %d truncated (%d %d)", (int)id, (int)size, (int)text.size());
        n = size - 1;
    }
    memcpy(buffer, text.data(), n);
    buffer[n] = 0;
    return n;
}

size_t getConfigWideString(int32_t id, wchar_t* buffer, size_t count) {
    if (count == 0) return 0;
    auto it = launcherConfig().find(id);
    size_t n = 0;
    if (it != launcherConfig().end()) {
        const std::string& text = it->second;
        for (; n < text.size() && n < count - 1; ++n) buffer[n] = (wchar_t)(unsigned char)text[n];
    }
    buffer[n] = 0;
    return n;
}

std::string dupConfigString(int32_t id) {
    auto it = launcherConfig().find(id);
    return it == launcherConfig().end() ? std::string() : it->second;
}

long getConfigInt(int32_t id) {
    std::vector<char> text(kTextUnits);
    getConfigString(id, text.data(), text.size());
    return strtol(text.data(), nullptr, 10);
}

void getMessage(int32_t id, wchar_t* buffer, size_t count) {
    if (count == 0) return;
    auto it = messageTable().find(id);
    size_t n = 0;
    if (it != messageTable().end()) {
        n = it->second.size() < count - 1 ? it->second.size() : count - 1;
        wmemcpy(buffer, it->second.data(), n);
    }
    buffer[n] = 0;
}

void getMessageText(int32_t id, wchar_t* buffer, size_t count) {
    getMessage(id, buffer, count);
    if (count > 0 && buffer[0] == 0) getConfigWideString(id, buffer, count);
}

int64_t getIncludedFilesOffset() { return includedFilesOffset; }
int64_t getUnextractedPosition() { return unextractedPosition; }
void setUnextractedPosition(int64_t position) { unextractedPosition = position; }
const std::string& chosenLanguageCode() { return chosenCode; }
