// Writes setup files: a launcher image followed by an appended data block.
// Portable C++ (no Windows headers), so the same library serves the command-line tool and the tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace mkmedia {

// One file carried in the block; its bytes are taken from `source` unless `bytes` is given.
struct IncludedFile {
    std::string name;                     // name as listed in configuration entry 2003
    std::filesystem::path source;         // read when the block is built; empty when `bytes` is used
    std::vector<uint8_t> bytes;
    bool useBytes = false;
};

// A file of the installer data section (read only by the Java side).
struct DataFile {
    std::string name;
    std::filesystem::path source;
    std::vector<uint8_t> bytes;
    bool useBytes = false;
};

struct LanguageBlock {
    std::string code;                     // such as "de" or "de_DE"
    std::vector<std::pair<int32_t, std::u16string>> messages;
};

struct MediaDescription {
    uint32_t checkFlag = 1;
    std::string productName = "Demo Product";
    // Configuration entries and messages in the order they are written; a later duplicate id is
    // written too (the launcher keeps the last one).
    std::vector<std::pair<int32_t, std::string>> config;
    std::vector<std::pair<int32_t, std::u16string>> messages;
    std::vector<LanguageBlock> languages;
    std::vector<IncludedFile> files;
    std::vector<DataFile> dataFiles;
};

// The installer launcher's configured values and message texts, for the given product name.
// Entries 2002 and 2003 are not among them: they follow from the included files.
MediaDescription installerDefaults(const std::string& productName = "Demo Product");

// Sets or replaces (in place, keeping its position) a configuration entry or message.
void setConfig(MediaDescription& d, int32_t id, const std::string& text);
void removeConfig(MediaDescription& d, int32_t id);
void setMessage(MediaDescription& d, int32_t id, const std::u16string& text);

// Parses the text description (see README). Relative file paths are taken from `baseDir`.
// On failure returns false and sets `error` to a message that names the line ("line 7: ...").
bool parseDescription(const std::string& text, const std::filesystem::path& baseDir,
                      MediaDescription& out, std::string& error);

// The whole block: header, content and zero padding to a multiple of 8 bytes.
// Entries 2002 and 2003 are added from the included files unless the description sets them.
// Fails (false, `error` set) when an included or data file cannot be read or a name repeats.
bool buildBlock(const MediaDescription& d, std::vector<uint8_t>& block, std::string& error);

// Copies the launcher image to `output` and appends the block.
bool writeSetupFile(const std::filesystem::path& launcherImage, const MediaDescription& d,
                    const std::filesystem::path& output, std::string& error);

// CRC-32 (the zlib/PNG polynomial) of a byte range, continuing from `crc`.
uint32_t crc32(const uint8_t* data, size_t size, uint32_t crc = 0);

// UTF-8 to UTF-16 for message texts.
std::u16string utf16(const std::string& utf8);

}  // namespace mkmedia
