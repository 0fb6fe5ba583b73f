// The error routines in a real process: message boxes, standard error, the console, exit codes and
// the removal of the temporary directory.
#include <gtest/gtest.h>

#include "test_support.h"

using namespace testing_support;

namespace {

// Standard error is a C runtime stream in text mode: every line feed reaches the pipe as CR LF.
std::string textMode(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

class ErrorExit : public ::testing::Test {
protected:
    void SetUp() override {
        dir = freshDir(std::string("errors_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        mkmedia::MediaDescription d;
        d.config = {{107, "5"}};  // an installer: errors in message boxes unless quiet
        d.messages = {{1000, u"Probe caption"},
                      {2000, u"first {0} second {0}"},
                      {2001, u"no placeholder"},
                      {1009, u"An internal error occurred (error code: {0})"}};
        std::string error;
        ASSERT_TRUE(mkmedia::writeSetupFile(binDir() / "error_probe.exe", d, dir / "probe.exe", error)) << error;
    }

    // Runs the probe; with `keepLog` its native log is kept in the test folder.
    ProcessResult probe(const std::wstring& steps, bool keepLog = false, bool trace = false) {
        RunOptions options;
        options.environment[L"TMP"] = dir.wstring();
        options.environment[L"TEMP"] = dir.wstring();
        options.environment[L"TARVELINK_LOG"] = keepLog ? L"yes" : L"";
        if (trace) traceMessageBoxes(options);
        return runProcess(dir / "probe.exe", steps, options);
    }

    std::string logSuffix() const { return "\n\nLog: " + (dir / "tvk_nlog_1.log").string(); }

    fs::path dir;
};

struct MessageCase {
    const wchar_t* steps;
    const char* shown;
};

// Without message boxes and with standard output redirected, texts go to standard error, one line each.
TEST_F(ErrorExit, MessagesFillTheFirstPlaceholderOnly) {
    const MessageCase cases[] = {
        {L"quiet message 2000 X", "first X second {0}\n"},
        {L"quiet message 2001 X", "no placeholder\n"},
        {L"quiet message 2000 -", "first {0} second {0}\n"},
        {L"quiet message 4242 X", "\n"},  // unknown id: empty text
        {L"quiet message-ansi 2000 \"a b\"", "first a b second {0}\n"},
        {L"quiet show \"plain text\"", "plain text\n"},
    };
    for (const MessageCase& c : cases) {
        ProcessResult r = probe(c.steps);
        EXPECT_EQ(r.exitCode, 0u) << narrow(c.steps);
        EXPECT_EQ(r.err, textMode(c.shown)) << narrow(c.steps);
        EXPECT_EQ(r.out, "") << narrow(c.steps);
    }
}

TEST_F(ErrorExit, FatalTextsEndWithOneAndCarryTheLogPath) {
    const MessageCase cases[] = {
        {L"quiet log fatal-text \"it broke\"", "it broke"},
        {L"quiet log fatal-with 1009 7", "An internal error occurred (error code: 7)"},
        {L"quiet log fatal-message 4242", ""},  // unknown: empty, and still exit code 1
        {L"quiet log fatal-message 2000", "first {0} second {0}"},
    };
    for (const MessageCase& c : cases) {
        ProcessResult r = probe(c.steps, true);
        EXPECT_EQ(r.exitCode, 1u) << narrow(c.steps);
        EXPECT_EQ(r.err, textMode(c.shown + logSuffix() + "\n")) << narrow(c.steps);
        EXPECT_TRUE(fs::exists(dir / "tvk_nlog_1.log"));
        fs::remove(dir / "tvk_nlog_1.log");
    }
}

// However long the parameter, the message is built whole.
TEST_F(ErrorExit, LongParametersAreNeverCut) {
    const std::string longText(20000, 'x');
    ProcessResult r = probe(L"quiet log message 2000 " + widen(longText), true);
    EXPECT_EQ(r.err, textMode("first " + longText + " second {0}" + logSuffix() + "\n"));
}

TEST_F(ErrorExit, MessageBoxShowsTheTextWithTheLogPath) {
    ProcessResult r = probe(L"log fatal-with 1009 11", true, true);
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_EQ(r.err, "");
    std::vector<std::wstring> shown = messageBoxTexts(r.trace);
    ASSERT_EQ(shown.size(), 1u) << r.trace;
    EXPECT_EQ(narrow(shown[0]), "An internal error occurred (error code: 11)" + logSuffix());
}

TEST_F(ErrorExit, ProgressLinesGoToStandardOutput) {
    ProcessResult plain = probe(L"write \"No JRE found. Aborting.\"");
    EXPECT_EQ(plain.out, textMode("No JRE found. Aborting.\n"));
    EXPECT_EQ(plain.err, "");
}

// A fatal exit removes the temporary directory: files, and the files of its subdirectories.
// A language restart keeps it, because the running installer still uses it.
TEST_F(ErrorExit, FatalExitRemovesTheTemporaryDirectoryUnlessRestarting) {
    auto makeTree = [&](const fs::path& root, bool deep) {
        fs::create_directories(root / "user");
        writeFile(root / "tvkruntime.jar", "jar");
        writeFile(root / "user" / "lib.jar", "lib");
        if (deep) {
            fs::create_directories(root / "user" / "deeper");
            writeFile(root / "user" / "deeper" / "kept.txt", "kept");
        }
    };
    fs::path flat = dir / "flat_dir1";
    makeTree(flat, false);
    EXPECT_EQ(probe(L"quiet temp " + flat.wstring() + L" fatal-text gone").exitCode, 1u);
    EXPECT_FALSE(fs::exists(flat));

    fs::path deep = dir / "deep_dir2";
    makeTree(deep, true);
    EXPECT_EQ(probe(L"quiet temp " + deep.wstring() + L" exit 1").exitCode, 1u);
    EXPECT_TRUE(fs::exists(deep / "user" / "deeper" / "kept.txt")) << "emptying descends one level only";
    EXPECT_FALSE(fs::exists(deep / "tvkruntime.jar"));
    EXPECT_FALSE(fs::exists(deep / "user" / "lib.jar"));

    fs::path restart = dir / "restart_dir3";
    makeTree(restart, false);
    EXPECT_EQ(probe(L"quiet restart temp " + restart.wstring() + L" fatal-text kept").exitCode, 1u);
    EXPECT_TRUE(fs::exists(restart / "user" / "lib.jar"));
}

}  // namespace
