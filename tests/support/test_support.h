// Helpers for tests that run the built launcher under Wine as a child process.
#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "mkmedia.h"

namespace testing_support {

namespace fs = std::filesystem;

struct ProcessResult {
    DWORD exitCode = 0;
    bool timedOut = false;
    std::string out;  // standard output
    std::string err;  // standard error
    std::string trace;  // Wine's trace lines written while it ran (see traceMessageBoxes)
};

// A setup file without a runtime started with kQuietWithoutRuntime passes its checks and extraction
// and then ends with kNoRuntimeExit, without looking for an installed runtime ("-manual").
inline constexpr const wchar_t* kQuietWithoutRuntime = L"-q -manual";
inline constexpr DWORD kNoRuntimeExit = 83;

struct RunOptions {
    std::map<std::wstring, std::wstring> environment;  // added to (or, with an empty value, removed from) ours
    fs::path workingDirectory;
    DWORD timeoutMs = 60000;
    bool redirect = true;  // standard handles on pipes; without, the child has none of ours
};

// Starts `program` with the command line `"program" arguments`, waits, collects its output.
ProcessResult runProcess(const fs::path& program, const std::wstring& arguments, const RunOptions& options = {});

// The folder of the running test program; the built launcher lies beside it.
fs::path binDir();
fs::path launcherImage();

// A fresh, empty folder for one test under the prefix's temporary folder.
fs::path freshDir(const std::string& name);

// Writes a setup file: the built launcher followed by the block of `description`.
fs::path writeSetupFile(const mkmedia::MediaDescription& description, const fs::path& output);

std::string readFile(const fs::path& path);
void writeFile(const fs::path& path, const std::string& bytes);

// The text of the native log that a run left in `dir` (UTF-8 without its byte order mark).
std::string readLog(const fs::path& dir, int number = 1);

// Runs a setup file with its log kept and placed in `tempDir` (TMP and TEMP point there).
ProcessResult runSetup(const fs::path& setupFile, const std::wstring& arguments, const fs::path& tempDir,
                       RunOptions options = {});

// The texts of the message boxes a run showed, read from Wine's trace of MessageBoxW.
std::vector<std::wstring> messageBoxTexts(const std::string& traceText);
// Options that make a child report its message boxes on standard error.
void traceMessageBoxes(RunOptions& options);

// Removes the per-user version cache entries of java executables below `dir`.
void removeJvmCacheEntriesUnder(const fs::path& dir);

std::wstring widen(const std::string& utf8);
std::string narrow(const std::wstring& text);

}  // namespace testing_support
