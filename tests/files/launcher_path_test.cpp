// The launcher's own path and directory in their three forms, from folders inside and outside the
// ANSI code page, and the working directory that an installer takes from them.
#include <gtest/gtest.h>

#include "files_probe_runner.h"

using namespace files_probe;

namespace {

class LauncherPath : public ::testing::Test {
protected:
    void SetUp() override {
        dir = freshDir(std::string("launcher_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        options.environment[L"TMP"] = dir.wstring();
        options.environment[L"TEMP"] = dir.wstring();
        options.environment[L"TARVELINK_LOG"] = L"";
    }

    fs::path dir;
    RunOptions options;
};

// Cyrillic letters become "?" in code page 1252: the 8-bit path is then the short form.
TEST_F(LauncherPath, OutsideTheCodePageTheShortFormIsTaken) {
    fs::path folder = dir / L"\u041f\u0440\u0438\u043c\u0435\u0440 \u0443\u0441\u0442\u0430\u043d\u043e\u0432\u043a\u0438";
    fs::create_directories(folder);
    fs::path probe = folder / "setup.exe";
    writeProbe(probe);
    ProbeRun run = runProbe(probe, L"launcher", options);
    ASSERT_EQ(run.process.exitCode, 0u) << run.process.err;

    const std::string shortPath = ansi(shortForm(probe));
    EXPECT_EQ(run["path"], shortPath);
    EXPECT_EQ(shortPath.find('?'), std::string::npos) << shortPath;
    EXPECT_EQ(run["long"], narrow(probe.wstring()));
    EXPECT_EQ(run["dir"], shortPath.substr(0, shortPath.rfind('\\') + 1));
    EXPECT_EQ(run["dirwidened"], run["dir"]);  // ASCII either way
    EXPECT_EQ(run["dirlong"], narrow(folder.wstring()) + "\\");
}

// Characters of the code page keep the long form; the widened directory then equals the long one.
TEST_F(LauncherPath, InsideTheCodePageTheLongFormIsTaken) {
    fs::path folder = dir / L"Caf\u00e9 \u20ac";
    fs::create_directories(folder);
    fs::path probe = folder / "Setup.EXE";
    writeProbe(probe);
    ProbeRun run = runProbe(probe, L"launcher", options);
    ASSERT_EQ(run.process.exitCode, 0u) << run.process.err;

    EXPECT_EQ(run["path"], ansi(probe.wstring()));
    EXPECT_NE(run["path"].find("Caf\xe9 \x80"), std::string::npos) << "code page 1252 bytes";
    EXPECT_EQ(run["long"], narrow(probe.wstring()));
    EXPECT_EQ(run["dir"], ansi(folder.wstring()) + "\\");
    EXPECT_EQ(run["dirwidened"], narrow(folder.wstring()) + "\\");
    EXPECT_EQ(run["dirlong"], run["dirwidened"]);
}

// A relative working directory is taken against the launcher's directory widened from its 8-bit form.
TEST_F(LauncherPath, WorkingDirectoryIsResolvedAgainstTheWidenedDirectory) {
    fs::path folder = dir / L"\u0423\u0441\u0442\u0430\u043d\u043e\u0432\u043a\u0430";
    fs::create_directories(folder / "work");
    mkmedia::MediaDescription description = mkmedia::installerDefaults("Working Directory");
    mkmedia::setConfig(description, 146, "work\\\\.");
    fs::path setup = writeSetupFile(description, folder / "setup.exe");
    ProcessResult result = runSetup(setup, kQuietWithoutRuntime, dir);
    EXPECT_EQ(result.exitCode, kNoRuntimeExit) << result.err;

    std::string log = readLog(dir);
    std::string expected = "] change working directory to " + narrow(shortForm(folder)) + "\\work\r\n";
    EXPECT_NE(log.find(expected), std::string::npos) << expected << "\n" << log;
    EXPECT_NE(log.find("] init file name " + narrow(setup.wstring()) + " " + narrow(setup.wstring())),
              std::string::npos)
        << log;
}

}  // namespace
