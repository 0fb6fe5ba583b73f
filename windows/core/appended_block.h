// The appended data block behind the executable image: configuration entries, messages,
// language blocks and the included files, read once into two process-wide tables.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>

#include "launch_state.h"

constexpr uint32_t kBlockMagic = 0xE8E413D5;
constexpr uint8_t kScrambleByte = 0xA7;

using LauncherConfig = std::map<int32_t, std::string>;
using MessageTable = std::map<int32_t, std::wstring>;

LauncherConfig& launcherConfig();
MessageTable& messageTable();

// Reading primitives on an open media file; each ends the process on a short read.
int64_t readLong(HANDLE file);
int32_t readInt(HANDLE file);
int16_t readShort(HANDLE file);
std::string readString(HANDLE file);
std::wstring readWString(HANDLE file);

// Opens the launcher's own executable for reading; fatal on failure.
HANDLE openMediaFile();
// Positions the file at the first byte after the last section's raw data.
void seekAppendedDataBlock(HANDLE file);
int64_t filePosition(HANDLE file);

// Fills the tables from the launcher's own file; returns configuration entry 107.
int loadAppendedDataBlock(const ArgumentList* arguments);
// The same from a file already positioned at the block (the media file or a test fixture).
int readAppendedDataBlock(HANDLE file, const ArgumentList* arguments);

size_t getConfigString(int32_t id, char* buffer, size_t size);
size_t getConfigWideString(int32_t id, wchar_t* buffer, size_t count);
std::string dupConfigString(int32_t id);
long getConfigInt(int32_t id);
// Message texts are copied into buffers of `count` units (kTextUnits by all callers), cut to fit.
void getMessage(int32_t id, wchar_t* buffer, size_t count = kTextUnits);
void getMessageText(int32_t id, wchar_t* buffer, size_t count = kTextUnits);

int64_t getIncludedFilesOffset();
int64_t getUnextractedPosition();
void setUnextractedPosition(int64_t position);

// The language code chosen while the block was read, such as "de" or "de_DE".
const std::string& chosenLanguageCode();
