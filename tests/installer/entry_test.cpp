// The installer's entry run for real: special first arguments, switches, preparation and the log.
#include <gtest/gtest.h>

#include <regex>

#include "test_support.h"

using namespace testing_support;

namespace {

class Entry : public ::testing::Test {
protected:
    void SetUp() override {
        dir = freshDir(std::string("entry_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        description = mkmedia::installerDefaults("Entry Test");
    }

    // Runs the setup file with its log kept in the test folder; returns the log text.
    std::string run(const std::wstring& arguments, DWORD expectedExit = kNoRuntimeExit) {
        fs::path setup = writeSetupFile(description, dir / "setup.exe");
        last = runSetup(setup, arguments, dir, options);
        EXPECT_FALSE(last.timedOut);
        EXPECT_EQ(last.exitCode, expectedExit) << narrow(arguments);
        return fs::exists(dir / "tvk_nlog_1.log") ? readLog(dir) : std::string();
    }

    static bool has(const std::string& log, const std::string& line) {
        return log.find("] " + line + "\r\n") != std::string::npos;
    }

    fs::path dir;
    mkmedia::MediaDescription description;
    RunOptions options;
    ProcessResult last;
};

struct ModeCase {
    const wchar_t* arguments;
    std::vector<const char*> present;
    std::vector<const char*> absent;
    DWORD exitCode = kNoRuntimeExit;  // the setup file has no runtime
};

// Which way the start goes is visible in the log: the quiet path says so, every path starts the work.
TEST_F(Entry, FirstArgumentsAndSwitchesChooseTheMode) {
    const ModeCase cases[] = {
        {L"", {"Init done", "Starting work"}, {"Quiet installer."}},
        {L"-q", {"Init done", "Quiet installer.", "Starting work"}, {}},
        {L"-Q", {"Init done"}, {"Quiet installer."}},
        {L"--q", {"Init done"}, {"Quiet installer."}},
        {L"-q -splash", {"Init done", "Starting work"}, {"Quiet installer."}},
        {L"-nocheck -manual /manual x", {"Init done"}, {"Quiet installer."}},
        {L"__tvk_msi123abc", {"msi wrapper 000000000000007B", "Init done", "Starting work"}, {"Quiet installer."}},
        {L"__tvk_lang_restart", {"language restart", "Quiet installer."}, {"working directory unchanged"}},
        {L"__tvk_extract_and_exit", {"extract and exit mode", "Init done"}, {}},
        {L"__tvk_reboot x", {"Init done"}, {}},   // only the whole argument text reboots
        {L"__tvk_windel", {"Init done"}, {}},     // too few arguments: a normal start
        {L"x __tvk_lang_restart", {"Init done"}, {"language restart", "Quiet installer."}},
    };
    for (const ModeCase& c : cases) {
        std::string log = run(c.arguments, c.exitCode);
        for (const char* line : c.present) EXPECT_TRUE(has(log, line)) << narrow(c.arguments) << ": " << line << "\n" << log;
        for (const char* line : c.absent) EXPECT_FALSE(has(log, line)) << narrow(c.arguments) << ": " << line;
        fs::remove(dir / "tvk_nlog_1.log");
    }
}

TEST_F(Entry, LogStartsWithTheExecutableAndTimeStampsEveryLine) {
    std::string log = run(kQuietWithoutRuntime);
    std::string exe = (dir / "setup.exe").string();
    ASSERT_EQ(log.rfind("Started executable " + exe + " at ", 0), 0u) << log;
    std::regex firstLine(R"(^Started executable .* at \w{3} \w{3} [ \d]\d \d\d:\d\d:\d\d \d{4}\r\n\r\n)");
    EXPECT_TRUE(std::regex_search(log, firstLine)) << log;
    std::string rest = log.substr(log.find("\r\n\r\n") + 4);
    std::regex line(R"(\[\d+:\d+\] [^\r\n]*\r\n)");
    EXPECT_TRUE(std::regex_match(rest, std::regex(R"((\[\d+:\d+\] [^\r\n]*\r\n)+)"))) << rest;
    EXPECT_TRUE(has(log, "restrict DLL directories"));
    EXPECT_TRUE(has(log, "ignoring java options environment variables"));
    EXPECT_EQ(readFile(dir / "tvk_nlog_1.log").rfind("\xEF\xBB\xBF", 0), 0u) << "UTF-8 with its byte order mark";
}

TEST_F(Entry, WorkingDirectoryFollowsTheConfiguration) {
    fs::create_directories(dir / "work");
    mkmedia::setConfig(description, 146, "work");
    std::string log = run(kQuietWithoutRuntime);
    EXPECT_TRUE(has(log, "change working directory to " + (dir / "work").string())) << log;

    fs::remove(dir / "tvk_nlog_1.log");
    mkmedia::setConfig(description, 146, "");
    EXPECT_TRUE(has(run(kQuietWithoutRuntime), "working directory unchanged"));
}

// The log of an installer is removed at a normal end unless it was asked for; a fatal end keeps it.
TEST_F(Entry, LogIsKeptOnlyWhenAskedForOrAfterAFatalEnd) {
    options.environment[L"TARVELINK_LOG"] = L"";
    run(kQuietWithoutRuntime);
    EXPECT_FALSE(fs::exists(dir / "tvk_nlog_1.log")) << "removed at a normal end";

    options.environment[L"TARVELINK_LOG"] = L"Yes";  // only exactly "yes" asks for it
    run(kQuietWithoutRuntime);
    EXPECT_FALSE(fs::exists(dir / "tvk_nlog_1.log"));

    options.environment[L"TARVELINK_LOG"] = L"";
    options.environment[L"ZOLTA_LOG"] = L"yes";
    run(kQuietWithoutRuntime);
    EXPECT_TRUE(fs::exists(dir / "tvk_nlog_1.log"));
    fs::remove(dir / "tvk_nlog_1.log");

    options.environment[L"ZOLTA_LOG"] = L"";
    traceMessageBoxes(options);
    std::string log = run(L"-create-tvk-log -q -manual");
    EXPECT_TRUE(fs::exists(dir / "tvk_nlog_1.log")) << "the log switch keeps it";
    std::vector<std::wstring> shown = messageBoxTexts(last.trace);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(narrow(shown[0]), "The following log file will be created:\n\n" + (dir / "tvk_nlog_1.log").string() +
                                    "\n\nDo you want to open an Explorer window?");
    fs::remove(dir / "tvk_nlog_1.log");

    run(L"-q -manual -create-tvk-log");
    EXPECT_FALSE(fs::exists(dir / "tvk_nlog_1.log")) << "only the first argument is a log switch";
    EXPECT_TRUE(messageBoxTexts(last.trace).empty());

    // A cut block is fatal: the exit skips the removal and the path shown in the box stays valid.
    std::string image = readFile(launcherImage());
    writeFile(dir / "cut.exe", image + "\xD5\x13");
    last = runSetup(dir / "cut.exe", L"", dir, options);
    EXPECT_EQ(last.exitCode, 1u);
    EXPECT_TRUE(fs::exists(dir / "tvk_nlog_1.log"));
}

TEST_F(Entry, LogNamesCountUpToOneThousand) {
    for (int n = 1; n <= 999; ++n) writeFile(dir / ("tvk_nlog_" + std::to_string(n) + ".log"), "old");
    run(kQuietWithoutRuntime);
    EXPECT_NE(readLog(dir, 1000).find("Init done"), std::string::npos);
    writeFile(dir / "tvk_nlog_1000.log", "old");
    run(kQuietWithoutRuntime);
    EXPECT_NE(readLog(dir, 1000).find("Init done"), std::string::npos) << "the last name is taken anyway";
    EXPECT_EQ(readFile(dir / "tvk_nlog_999.log"), "old");

    // When even the last name cannot be created, the log goes to a fixed place on drive C.
    fs::remove(dir / "tvk_nlog_1000.log");
    fs::create_directory(dir / "tvk_nlog_1000.log");
    fs::remove("C:\\tvk_nlog");
    run(kQuietWithoutRuntime);
    std::string fallback = readFile("C:\\tvk_nlog");
    EXPECT_NE(fallback.find("] Init done\r\n"), std::string::npos);
    fs::remove("C:\\tvk_nlog");
}

// Started again to delete files, the launcher writes no log unless asked, and returns the work's result.
TEST_F(Entry, DelayedDeletionWritesNoLog) {
    options.environment[L"TARVELINK_LOG"] = L"";
    writeFile(dir / "list.txt", "");
    fs::path setup = writeSetupFile(description, dir / "setup.exe");
    last = runSetup(setup, L"__tvk_windel 1234 " + (dir / "list.txt").wstring(), dir, options);
    EXPECT_EQ(last.exitCode, 0u);
    for (const auto& entry : fs::directory_iterator(dir))
        EXPECT_EQ(entry.path().filename().string().rfind("tvk_nlog", 0), std::string::npos) << entry.path();
}

}  // namespace
