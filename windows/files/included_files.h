// Copying the included files out of the setup file into the launcher's temporary directory.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

enum ExtractionResult {
    kExtracted = 0,
    kMediaFileShort = 1,  // the setup file ends before the files do: it is corrupted
    kWriteFailed = 2,     // typically a full disk
};

// The names of the included files (entry 2003 split at ";", empty pieces skipped), at most as many
// as entry 2002 counts.
std::vector<std::string> includedFileNames();

// Extracts every included file; with `createTempDir` the launcher's temporary directory is created first.
int extractIncludedFiles(bool createTempDir);

// Copies `count` bytes from `source` to `target`, undoing the scrambling when asked.
int copyScrambled(HANDLE source, HANDLE target, int64_t count, bool descramble);

// Whether an included-file name stays inside the directory it is extracted to.
bool isSafeIncludedName(const char* name);
