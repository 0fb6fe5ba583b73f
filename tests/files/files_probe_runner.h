// Runs files_probe (carrying the installer's default block) as a child and reads its "name=value" lines.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "test_support.h"

namespace files_probe {

using namespace testing_support;

struct ProbeRun {
    ProcessResult process;
    std::map<std::string, std::string> values;  // 8-bit forms as bytes, UTF-16 forms as UTF-8

    const std::string& operator[](const std::string& name) const {
        static const std::string missing = "<missing>";
        auto found = values.find(name);
        return found == values.end() ? missing : found->second;
    }
};

// Writes the probe with its block to `target` (any folder name, any file name).
inline void writeProbe(const fs::path& target) {
    std::string error;
    ASSERT_TRUE(mkmedia::writeSetupFile(binDir() / "files_probe.exe", mkmedia::installerDefaults(), target, error))
        << error;
}

inline ProbeRun runProbe(const fs::path& probe, const std::wstring& steps, const RunOptions& options) {
    ProbeRun run;
    run.process = runProcess(probe, steps, options);
    EXPECT_FALSE(run.process.timedOut);
    std::istringstream lines(run.process.out);
    for (std::string line; std::getline(lines, line);) {
        size_t eq = line.find('=');
        if (eq != std::string::npos) run.values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return run;
}

// An 8-bit path in the process's code page (1252 under the test locale).
inline std::string ansi(const std::wstring& text) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(CP_ACP, 0, text.data(), (int)text.size(), nullptr, 0, nullptr, nullptr);
    std::string bytes((size_t)n, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), (int)text.size(), bytes.data(), n, nullptr, nullptr);
    return bytes;
}

inline std::wstring shortForm(const fs::path& path) {
    wchar_t buffer[MAX_PATH];
    DWORD n = GetShortPathNameW(path.wstring().c_str(), buffer, MAX_PATH);
    EXPECT_TRUE(n > 0 && n < MAX_PATH) << path;
    return n > 0 && n < MAX_PATH ? std::wstring(buffer, n) : std::wstring();
}

}  // namespace files_probe
