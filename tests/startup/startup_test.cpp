// Whole setup files started as a user starts them: checked, extracted, the included runtime unpacked
// or an installed one found, and the Java installer started on the stand-in runtime, whose report
// shows what reached the Java side.
#include <gtest/gtest.h>

#include "standin_report.h"
#include "test_support.h"

using namespace testing_support;

namespace {

fs::path fixtures() { return binDir().parent_path() / "fixtures" / "startup"; }
fs::path standinJar() { return binDir().parent_path() / "standin" / "tvkruntime.jar"; }

struct StartRun {
    ProcessResult result;
    std::string log;
};

class Startup : public ::testing::Test {
protected:
    void SetUp() override {
        dir = freshDir(std::string("startup_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        tmp = dir / "tmp";
        fs::create_directories(tmp);
        report = dir / "report.txt";
        setup = dir / "setup.exe";
        description = mkmedia::installerDefaults("Startup Test");
        mkmedia::setConfig(description, 123, "-Dstandin.report=" + report.string());
        include("tvkruntime.jar", standinJar());
        include("tvkparams.conf", fixtures() / "app.jar");  // any small text will do
    }
    void TearDown() override { removeJvmCacheEntriesUnder(dir); }

    void include(const std::string& name, const fs::path& source) {
        description.files.push_back({name, source, {}, false});
    }
    void writeSetup() {
        std::string error;
        ASSERT_TRUE(mkmedia::writeSetupFile(launcherImage(), description, setup, error)) << error;
    }
    // Runs the setup file as it was last written; the log of the run is returned and removed.
    StartRun run(const std::wstring& arguments, RunOptions options = {}) {
        StartRun started;
        fs::remove(report);
        started.result = runSetup(setup, arguments, tmp, options);
        EXPECT_FALSE(started.result.timedOut);
        if (fs::exists(tmp / "tvk_nlog_1.log")) started.log = readLog(tmp);
        fs::remove(tmp / "tvk_nlog_1.log");
        return started;
    }
    // An installed runtime beside the setup file, where the default search looks first.
    void installRuntime() { fs::copy(fixtures() / "runtime", dir / "runtime", fs::copy_options::recursive); }

    // The temporary directories that starts left in the temporary folder.
    std::vector<fs::path> tempDirs() const {
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(tmp))
            if (entry.is_directory()) found.push_back(entry.path());
        return found;
    }
    // The file offset of the installer data section: its magic is the last one in the file (the
    // section holds no data files).
    int64_t dataSectionOffset() const {
        std::string bytes = readFile(setup);
        size_t at = bytes.rfind("\xE8\xE4\x13\xD5");
        return at == std::string::npos ? -2 : (int64_t)at;
    }
    // The message boxes of a traced run, without the log path that fatal texts end with.
    static std::vector<std::wstring> shownTexts(const StartRun& r) {
        std::vector<std::wstring> texts = messageBoxTexts(r.result.trace);
        for (std::wstring& text : texts) text = text.substr(0, text.find(L"\n\nLog: "));
        return texts;
    }
    static bool has(const std::string& log, const std::string& line) {
        return log.find("] " + line + "\r\n") != std::string::npos;
    }
    static bool mentions(const std::string& log, const std::string& text) { return log.find(text) != std::string::npos; }

    fs::path dir, tmp, report, setup;
    mkmedia::MediaDescription description;
};

TEST_F(Startup, IncludedRuntimeIsUnpackedAndTheInstallerStarts) {
    include("jre.tar.gz", fixtures() / "jre.tar.gz");
    writeSetup();
    StartRun r = run(L"-q user-argument");
    ASSERT_EQ(r.result.exitCode, 0u) << r.result.err << r.log;
    EXPECT_TRUE(has(r.log, "JRE included")) << r.log;
    EXPECT_TRUE(has(r.log, "extracting JRE"));

    Report got = readReport(report);
    EXPECT_EQ(got.first("main.class"), "com/tarvelink/runtime/launcher/WinLauncher");
    EXPECT_TRUE(got.has("arg", "user-argument"));
    EXPECT_EQ(got.property("zolta.unextractedPosition"), std::to_string(dataSectionOffset()));
    fs::path tempDir = got.property("zolta.tempDir");
    ASSERT_EQ(tempDirs(), std::vector<fs::path>{tmp / tempDir.filename()});
    tempDir = tmp / tempDir.filename();
    EXPECT_TRUE(mentions(r.log, "JRE dir: " + (tempDir / "jre").string())) << r.log;
    EXPECT_FALSE(fs::exists(tempDir / "jre.tar.gz"));
    // The runtime as the host's tar wrote it, long names and a record-sized file included; the
    // symbolic link is left out.
    for (const auto& entry : fs::recursive_directory_iterator(fixtures() / "runtime")) {
        if (!entry.is_regular_file() || entry.path().filename() == "link.jar") continue;
        fs::path relative = fs::relative(entry.path(), fixtures() / "runtime");
        EXPECT_TRUE(readFile(tempDir / "jre" / relative) == readFile(entry.path())) << relative;
    }
    EXPECT_FALSE(fs::exists(tempDir / "jre" / "lib" / "link.jar"));
}

TEST_F(Startup, InstalledRuntimeIsUsedWithoutOrInsteadOfTheIncludedOne) {
    installRuntime();
    writeSetup();
    StartRun r = run(L"-q");
    EXPECT_EQ(r.result.exitCode, 0u) << r.result.err << r.log;
    EXPECT_TRUE(has(r.log, "No JRE included"));
    EXPECT_FALSE(readReport(report).first("main.class").empty());

    // Entry 161 prefers an installed runtime: the included one is not even unpacked.
    include("jre.tar.gz", fixtures() / "jre.tar.gz");
    mkmedia::setConfig(description, 161, "1");
    writeSetup();
    r = run(L"-q");
    EXPECT_EQ(r.result.exitCode, 0u) << r.result.err << r.log;
    EXPECT_TRUE(has(r.log, "JRE included"));
    EXPECT_FALSE(has(r.log, "extracting JRE")) << r.log;
    EXPECT_FALSE(readReport(report).first("main.class").empty());
}

// "-manual" ignores the included runtime and does not search either; quietly that ends with 83 and
// the temporary directory stays.
TEST_F(Startup, ManualSwitchIgnoresTheIncludedRuntime) {
    installRuntime();
    include("jre.tar.gz", fixtures() / "jre.tar.gz");
    writeSetup();
    StartRun r = run(L"-q -manual");
    EXPECT_EQ(r.result.exitCode, kNoRuntimeExit) << r.result.err << r.log;
    EXPECT_TRUE(has(r.log, "Included JRE not used because of manual switch")) << r.log;
    EXPECT_TRUE(has(r.log, "ERROR: No JRE found"));
    EXPECT_NE(r.result.out.find("No JRE found. Aborting."), std::string::npos) << r.result.out;
    EXPECT_FALSE(mentions(r.log, "Searching for a JVM"));
    EXPECT_FALSE(fs::exists(report));
    auto left = tempDirs();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_TRUE(fs::exists(left[0] / "tvkruntime.jar"));
    EXPECT_TRUE(fs::exists(left[0] / "jre.tar.gz"));
}

// Extract-and-exit leaves everything beside the setup file; a language restart in that directory
// starts from it without extracting, and extracts again when the directory is incomplete.
TEST_F(Startup, ExtractAndExitThenLanguageRestarts) {
    include("jre.tar.gz", fixtures() / "jre.tar.gz");
    writeSetup();
    StartRun r = run(L"__tvk_extract_and_exit");
    ASSERT_EQ(r.result.exitCode, 0u) << r.result.err << r.log;
    fs::path extracted = dir / "setup.exe.test";
    EXPECT_TRUE(mentions(r.log, "Extracted dir: ")) << r.log;
    EXPECT_EQ(readFile(extracted / "unextracted.txt"), std::to_string(dataSectionOffset()));
    EXPECT_TRUE(fs::exists(extracted / "tvkruntime.jar"));
    EXPECT_TRUE(fs::exists(extracted / "jre" / "bin" / "server" / "jvm.dll"));
    EXPECT_FALSE(fs::exists(report)) << "no JVM in extract-and-exit mode";
    EXPECT_TRUE(tempDirs().empty());

    RunOptions inExtracted;
    inExtracted.workingDirectory = extracted;
    r = run(L"__tvk_lang_restart", inExtracted);
    EXPECT_EQ(r.result.exitCode, 0u) << r.result.err << r.log;
    EXPECT_FALSE(mentions(r.log, "extracting files")) << r.log;
    EXPECT_FALSE(mentions(r.log, "verifying integrity"));
    Report got = readReport(report);
    EXPECT_EQ(got.property("zolta.unextractedPosition"), "-1");
    EXPECT_EQ(got.property("zolta.tempDir"), extracted.string());

    fs::remove(extracted / "tvkparams.conf");
    r = run(L"__tvk_lang_restart", inExtracted);
    EXPECT_EQ(r.result.exitCode, 0u) << r.result.err << r.log;
    EXPECT_TRUE(has(r.log, "could not find tvkparams.conf")) << r.log;
    got = readReport(report);
    EXPECT_EQ(got.property("zolta.unextractedPosition"), std::to_string(dataSectionOffset()));
    auto fresh = tempDirs();
    ASSERT_EQ(fresh.size(), 1u);
    EXPECT_EQ(got.property("zolta.tempDir"), fresh[0].string());
}

// A language restart whose directory still holds the archive unpacks it again; a fatal end there
// keeps the directory, which belongs to the start that restarted.
TEST_F(Startup, LanguageRestartWithTheArchiveStillThereUnpacksIt) {
    writeSetup();
    fs::path restartDir = dir / "restart";
    fs::create_directories(restartDir);
    fs::copy_file(standinJar(), restartDir / "tvkruntime.jar");
    writeFile(restartDir / "tvkparams.conf", "params\n");
    fs::copy_file(fixtures() / "jre.tar.gz", restartDir / "jre.tar.gz");
    RunOptions inRestartDir;
    inRestartDir.workingDirectory = restartDir;
    StartRun r = run(L"__tvk_lang_restart", inRestartDir);
    EXPECT_EQ(r.result.exitCode, 0u) << r.result.err << r.log;
    EXPECT_TRUE(has(r.log, "extracting JRE")) << r.log;
    EXPECT_TRUE(fs::exists(restartDir / "jre" / "bin" / "java.exe"));
    EXPECT_FALSE(fs::exists(restartDir / "jre.tar.gz"));

    fs::remove_all(restartDir / "jre");
    fs::copy_file(fixtures() / "damaged.tar.gz", restartDir / "jre.tar.gz");
    r = run(L"__tvk_lang_restart", inRestartDir);
    EXPECT_EQ(r.result.exitCode, 1u) << r.log;
    EXPECT_TRUE(fs::exists(restartDir / "tvkruntime.jar"));
}

TEST_F(Startup, PackedRuntimeAndIncludedPacksAreRestored) {
    include("jre.tar.gz", fixtures() / "packed.tar.gz");
    include("app.jar.pack", fixtures() / "app.jar.pack");
    mkmedia::setConfig(description, 153, "1");
    writeSetup();
    StartRun r = run(L"-q");
    ASSERT_EQ(r.result.exitCode, 0u) << r.result.err << r.log;
    EXPECT_TRUE(has(r.log, "JRE is packed")) << r.log;
    EXPECT_TRUE(has(r.log, "unpacking app.jar.pack"));
    fs::path tempDir = tmp / fs::path(readReport(report).property("zolta.tempDir")).filename();
    EXPECT_TRUE(readFile(tempDir / "jre" / "lib" / "tools.jar") == readFile(fixtures() / "runtime" / "lib" / "tools.jar"));
    EXPECT_FALSE(fs::exists(tempDir / "jre" / "lib" / "tools.jar.pack"));
    EXPECT_EQ(readFile(tempDir / "app.jar"), readFile(fixtures() / "app.jar"));
    EXPECT_FALSE(fs::exists(tempDir / "app.jar.pack"));
}

// A write failure while extracting: started by double click, the user is told the disk is full.
TEST_F(Startup, WriteFailureWhileExtractingSaysTheDiskIsFull) {
    setup = fixtures() / "full" / "setup.exe";  // ctest's fixture links its first file to /dev/full
    writeSetup();
    RunOptions traced;
    traceMessageBoxes(traced);
    StartRun r = run(L"__tvk_extract_and_exit", traced);
    EXPECT_EQ(r.result.exitCode, 1u);
    EXPECT_EQ(shownTexts(r), std::vector<std::wstring>{L"Not Enough Disk Space"}) << r.log;
}

// Damage found by the check ends before anything is extracted; damage the check does not see ends
// when it is met, and the fatal end removes what was extracted.
TEST_F(Startup, DamageEndsTheStartAndRemovesWhatWasExtracted) {
    include("jre.tar.gz", fixtures() / "jre.tar.gz");
    writeSetup();
    std::string whole = readFile(setup);
    std::string flipped = whole;
    flipped[(size_t)dataSectionOffset() - 1000] ^= 0x01;  // inside the archive, the last included file
    writeFile(setup, flipped);
    RunOptions traced;
    traceMessageBoxes(traced);
    StartRun r = run(L"-q", traced);
    EXPECT_EQ(r.result.exitCode, 1u);
    EXPECT_EQ(shownTexts(r), std::vector<std::wstring>{L"The installation file is corrupted. If it is a download please try it again."});
    EXPECT_FALSE(mentions(r.log, "extracting files"));
    EXPECT_TRUE(tempDirs().empty());

    // Cut inside the archive and started by double click: the extraction says the file is corrupted.
    writeFile(setup, whole.substr(0, (size_t)dataSectionOffset() - 1000));
    r = run(L"-nocheck", traced);
    EXPECT_EQ(r.result.exitCode, 1u);
    EXPECT_EQ(shownTexts(r), std::vector<std::wstring>{L"The installation file is corrupted. If it is a download please try it again."});
    EXPECT_TRUE(tempDirs().empty());

    // Unchecked, the damaged archive is met when it is unpacked. The unpacked part of the runtime
    // lies deeper than the clean-up reaches; the extracted files are gone.
    writeFile(setup, flipped);
    r = run(L"-q -nocheck", traced);
    EXPECT_EQ(r.result.exitCode, 1u);
    EXPECT_NE(r.result.err.find("The bundled JRE is corrupted. If you downloaded the setup file please download it again."),
              std::string::npos)
        << r.result.err;
    EXPECT_FALSE(fs::exists(report));
    auto left = tempDirs();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_FALSE(fs::exists(left[0] / "tvkruntime.jar"));
}

}  // namespace
