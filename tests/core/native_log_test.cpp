// The native log of this test process: asked for before its first line, kept in a folder of its own.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <set>
#include <thread>

#include "launch_state.h"
#include "native_log.h"
#include "test_support.h"

using namespace testing_support;

namespace {

// Runs before main, so the log's first-call set-up (at the first line of any test) sees it. The folder
// is this process's own: ctest runs other cases of this program at the same time.
const fs::path logDir = [] {
    fs::path dir = fs::temp_directory_path() / "tvktests" / ("core_log_" + std::to_string(GetCurrentProcessId()));
    std::error_code ignored;
    fs::remove_all(dir, ignored);
    fs::create_directories(dir);
    SetEnvironmentVariableW(L"TMP", dir.c_str());
    SetEnvironmentVariableW(L"TEMP", dir.c_str());
    launchState().logRequested = true;
    return dir;
}();

std::string logText() {
    const wchar_t* path = NativeLog::path();
    EXPECT_NE(path, nullptr);
    std::string text = path ? readFile(path) : std::string();
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    return text;
}

TEST(NativeLog, FormatsWideAndEightBitStringsAsTheSystemRuntimeDoes) {
    NativeLog::log(L"conversions %s|%S|%d|%I64d|%p", L"caf\u00E9 \u0416", "narrow", -7, (long long)1 << 40,
                   (void*)0x1234);
    NativeLog::error(L"failed %S (%d)", "thing", 5);
    std::string text = logText();
    EXPECT_NE(text.find("] conversions caf\xC3\xA9 \xD0\x96|narrow|-7|1099511627776|0000000000001234\r\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("] ERROR: failed thing (5)\r\n"), std::string::npos);
    EXPECT_EQ(fs::path(NativeLog::path()).parent_path(), logDir);
}

TEST(NativeLog, LongArgumentsAreWrittenWhole) {
    std::wstring huge(100000, L'w');
    std::string hugeNarrow(70000, 'n');
    NativeLog::log(L"long %s / %S end", huge.c_str(), hugeNarrow.c_str());
    std::string text = logText();
    EXPECT_NE(text.find("] long " + std::string(100000, 'w') + " / " + hugeNarrow + " end\r\n"), std::string::npos);
}

// One lock holds a whole line: lines from many threads never interleave and none is lost.
TEST(NativeLog, LinesFromManyThreadsStayWhole) {
    constexpr int threads = 8, lines = 300;
    const std::wstring padding(200, L'p');
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([t, &padding] {
            for (int i = 0; i < lines; ++i) NativeLog::log(L"thread %d line %d %s", t, i, padding.c_str());
        });
    }
    for (std::thread& w : workers) w.join();

    std::string text = logText();
    std::regex line(R"(\[\d+:\d+\] thread (\d+) line (\d+) (p*)\r)");
    std::set<std::pair<int, int>> seen;
    size_t threadLines = 0;
    std::istringstream in(text);
    for (std::string row; std::getline(in, row);) {
        if (row.find("thread ") == std::string::npos) continue;
        ++threadLines;
        std::smatch m;
        ASSERT_TRUE(std::regex_match(row, m, line)) << row;
        EXPECT_EQ(m[3].length(), 200);
        seen.insert({std::stoi(m[1]), std::stoi(m[2])});
    }
    EXPECT_EQ(threadLines, (size_t)threads * lines);
    EXPECT_EQ(seen.size(), (size_t)threads * lines);
}

}  // namespace
