// The temporary base, the "-temp" option and the launcher's temporary directory in real child
// processes: the base is chosen once per process, from the environment the process was given.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <functional>

#include "files_probe_runner.h"
#include "paths.h"

using namespace files_probe;

namespace {

const wchar_t kCyrillicUser[] = L"\u041f\u043e\u043b\u044c\u0437\u043e\u0432\u0430\u0442\u0435\u043b\u044c";
const wchar_t kDecomposed[] = L"cafe\u0301";

std::wstring commonAppDataTemp() {
    wchar_t folder[MAX_PATH] = L"";
    EXPECT_EQ(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, folder), S_OK);
    return std::wstring(folder) + L"\\tarvelink\\temp";
}

bool hasLine(const std::string& log, const std::string& line) {
    return log.find("] " + line + "\r\n") != std::string::npos;
}

size_t countLines(const std::string& log, const std::string& start) {
    size_t count = 0;
    for (size_t at = log.find("] " + start); at != std::string::npos; at = log.find("] " + start, at + 1)) ++count;
    return count;
}

// One folder per case, holding the probe and the folders its environment names:
// TMP and TEMP "tmp", USERPROFILE "profile", HOMEDRIVE and HOMEPATH "home".
struct Setting {
    fs::path root, tmp, profile, home, probe;
    RunOptions options;

    explicit Setting(const fs::path& caseDir)
        : root(caseDir), tmp(caseDir / "tmp"), profile(caseDir / "profile"), home(caseDir / "home"),
          probe(caseDir / "probe.exe") {
        fs::create_directories(root);
        writeProbe(probe);
        options.environment[L"TARVELINK_LOG"] = L"";
    }

    ProbeRun run(const std::wstring& steps) {
        options.environment[L"TMP"] = tmp.wstring();
        options.environment[L"TEMP"] = tmp.wstring();
        options.environment[L"USERPROFILE"] = profile.wstring();
        std::wstring homePath = home.wstring();
        options.environment[L"HOMEDRIVE"] = homePath.substr(0, 2);
        options.environment[L"HOMEPATH"] = homePath.substr(2);
        return runProbe(probe, steps, options);
    }

    fs::path profileTemp() const { return profile / "AppData" / "Local" / "Temp"; }
};

class TempBase : public ::testing::Test {
protected:
    void SetUp() override {
        dir = freshDir(std::string("base_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    fs::path dir;
};

struct ChoiceCase {
    const char* name;
    std::function<std::wstring(Setting&)> arrange;  // makes the folders; gives the expected base
};

// The candidates in their order: the system's temporary path (created when missing), the profile's
// temporary folder, the home folder, then the common application data folder.
TEST_F(TempBase, FirstUsableCandidateInOrder) {
    const ChoiceCase cases[] = {
        {"tmp", [](Setting& s) { fs::create_directories(s.tmp); return s.tmp.wstring() + L"\\"; }},
        {"tmp_created", [](Setting& s) { return s.tmp.wstring() + L"\\"; }},
        {"tmp_is_a_file",
         [](Setting& s) {
             writeFile(s.tmp, "x");
             fs::create_directories(s.profileTemp());
             fs::create_directories(s.home);
             return s.profileTemp().wstring();
         }},
        {"profile_missing",
         [](Setting& s) {
             writeFile(s.tmp, "x");
             fs::create_directories(s.home);
             return s.home.wstring();
         }},
        {"user_folders_missing",
         [](Setting& s) {
             writeFile(s.tmp, "x");
             return commonAppDataTemp();
         }},
        // The system's temporary path and both user folders lie under a name the code page lacks.
        {"user_outside_code_page",
         [](Setting& s) {
             s.profile = s.home = s.root / kCyrillicUser;
             s.tmp = s.profileTemp();
             fs::create_directories(s.tmp);
             return commonAppDataTemp();
         }},
        // Its 8-bit form passes (best fit makes the mark an accent character), the UTF-16 form does not.
        {"tmp_with_decomposed_accent",
         [](Setting& s) {
             s.tmp = s.root / kDecomposed;
             fs::create_directories(s.tmp);
             fs::create_directories(s.profileTemp());
             return s.profileTemp().wstring();
         }},
    };
    for (const ChoiceCase& c : cases) {
        Setting setting(dir / c.name);
        std::wstring expected = c.arrange(setting);
        ProbeRun run = setting.run(L"base basew relaxed");
        EXPECT_EQ(run.process.exitCode, 0u) << c.name << "\n" << run.process.err;
        EXPECT_EQ(run["basew"], narrow(expected)) << c.name;
        EXPECT_EQ(run["base"], ansi(expected)) << c.name;
        EXPECT_EQ(run["relaxed"], "0") << c.name;
        EXPECT_TRUE(fs::is_directory(expected)) << c.name;
    }
    EXPECT_FALSE(fs::exists(dir / "profile_missing" / "profile")) << "user folders are never created";
}

// With the use-long-path setting, a short 8-bit temporary path becomes its long form; the UTF-16 form
// stays as the system gives it.
TEST_F(TempBase, LongPathSettingReplacesAShortTemporaryPath) {
    for (bool setting : {false, true}) {
        Setting s(dir / (setting ? "on" : "off"));
        fs::path folder = s.root / "Long temporary folder";
        fs::create_directories(folder);
        std::wstring shortPath = shortForm(folder);
        s.tmp = shortPath;
        ProbeRun run = s.run(setting ? L"long-path-setting base basew" : L"base basew");
        EXPECT_EQ(run["base"], ansi(setting ? folder.wstring() : shortPath) + "\\") << setting;
        EXPECT_EQ(run["basew"], narrow(shortPath) + "\\") << setting;
    }
}

struct OptionCase {
    const char* name;
    std::vector<std::wstring> list;       // "good", "missing", "rel", the decomposed and Cyrillic names are
    std::wstring expectedList;            // folders in the case folder; see `place`
    bool accepted;
    std::vector<std::string> logLines;    // with "{}" for the folder named in the list
};

// The first "-temp" or "/temp" of a list: a usable folder after it becomes the base and both stay.
TEST_F(TempBase, ManualTempOption) {
    const OptionCase cases[] = {
        {"last", {L"-temp"}, L"", false, {}},
        {"good", {L"x", L"-temp", L"good"}, L"x|-temp|good", true, {"Using manual temp dir {} ({})"}},
        {"missing", {L"/temp", L"missing", L"y"}, L"y", false, {"Manual temp dir not usable {} ({})"}},
        {"empty_value", {L"-temp", L"<empty>", L"y"}, L"|y", false, {}},
        {"not_the_option", {L"-TEMP", L"good"}, L"-TEMP|good", false, {}},
        {"first_only", {L"-temp", L"missing", L"-temp", L"good"}, L"-temp|good", false,
         {"Manual temp dir not usable {} ({})"}},
        {"relative", {L"-temp", L"rel"}, L"-temp|rel", true, {"Using manual temp dir {} ({})"}},
        {"decomposed", {L"-temp", kDecomposed}, L"", false, {"Manual temp dir not usable {} ({})"}},
        {"outside_code_page", {L"-temp", kCyrillicUser}, std::wstring(L"-temp|") + kCyrillicUser, true,
         {"Using manual temp dir {} ({})"}},
    };
    for (const OptionCase& c : cases) {
        Setting s(dir / c.name);
        fs::create_directories(s.tmp);
        for (const wchar_t* name : {L"good", L"rel", kDecomposed, kCyrillicUser}) fs::create_directories(s.root / name);
        s.options.environment[L"TARVELINK_LOG"] = L"yes";
        s.options.workingDirectory = s.root;  // a relative value is taken against it

        std::wstring steps = L"log temp-option " + std::to_wstring(c.list.size());
        for (const std::wstring& argument : c.list) steps += L" \"" + argument + L"\"";
        ProbeRun run = s.run(steps + L" base basew");
        ASSERT_EQ(run.process.exitCode, 0u) << c.name << "\n" << run.process.err;
        EXPECT_EQ(run["list"], narrow(c.expectedList)) << c.name;
        EXPECT_EQ(run["accepted"], c.accepted ? "1" : "0") << c.name;

        std::wstring named = c.list.size() > 1 ? (s.root / c.list[1 + (c.list[0] == L"x")]).wstring() : L"";
        bool lossless = false;
        std::string named8 = toAnsiPath(named, &lossless);  // "?" for what the code page lacks
        if (c.accepted) {
            if (!lossless) named8 = toAnsiPath(shortForm(named));
            EXPECT_EQ(run["basew"], narrow(named)) << c.name;
            EXPECT_EQ(run["base"], named8) << c.name;
            EXPECT_EQ(named8.find('?'), std::string::npos) << c.name;
        } else {
            EXPECT_EQ(run["base"], ansi(s.tmp.wstring()) + "\\") << c.name;
        }
        std::string log = readLog(s.tmp);
        for (std::string line : c.logLines) {
            line.replace(line.find("{}"), 2, narrow(named));
            line.replace(line.find("{}"), 2, named8);
            EXPECT_TRUE(hasLine(log, line)) << c.name << ": " << line << "\n" << log;
        }
        if (c.logLines.empty()) {
            EXPECT_EQ(countLines(log, "Using manual temp dir"), 0u) << c.name;
            EXPECT_EQ(countLines(log, "Manual temp dir not usable"), 0u) << c.name;
        }
    }
}

// The precomposed mapping of a decomposed accent shortens the path: the line shows both.
TEST_F(TempBase, DecomposedAccentIsLoggedAsFoldingError) {
    Setting s(dir / "case");
    fs::create_directories(s.tmp);
    fs::path decomposed = s.root / kDecomposed;
    fs::create_directories(decomposed);
    s.options.environment[L"TARVELINK_LOG"] = L"yes";
    ProbeRun run = s.run(L"log temp-option 2 -temp \"" + decomposed.wstring() + L"\"");
    EXPECT_EQ(run["accepted"], "0");
    std::wstring path = decomposed.wstring();
    std::wstring folded = (s.root / L"caf\u00e9").wstring();
    std::string line = "folding error " + narrow(folded) + " " + std::to_string(folded.size()) + " " + narrow(path) +
                       " " + std::to_string(path.size());
    EXPECT_TRUE(hasLine(readLog(s.tmp), line)) << line << "\n" << readLog(s.tmp);
}

TEST_F(TempBase, LauncherTempDirLiesInTheBaseBesideItsFile) {
    Setting s(dir / "case");
    fs::create_directories(s.tmp);
    s.options.environment[L"TARVELINK_LOG"] = L"yes";
    ProbeRun run = s.run(L"log tempdir");
    ASSERT_EQ(run.process.exitCode, 0u) << run.process.err;
    const std::string tempDir = run["tempdir"];
    const std::string base = ansi(s.tmp.wstring()) + "\\";
    ASSERT_EQ(tempDir.rfind(base + "zta", 0), 0u) << tempDir;
    size_t suffix = tempDir.rfind("_dir");
    ASSERT_NE(suffix, std::string::npos) << tempDir;
    EXPECT_TRUE(fs::is_directory(tempDir));
    const std::string file = tempDir.substr(0, suffix);
    EXPECT_TRUE(fs::is_regular_file(file)) << "the name's file stays";

    std::string log = readLog(s.tmp);
    for (const std::string& line : {"tempPath is " + base, "tempFile is " + file, "Temp dir3: " + tempDir})
        EXPECT_TRUE(hasLine(log, line)) << line << "\n" << log;
}

// A base that disappears after it was chosen: no file name from Windows, no directory in 10 attempts.
TEST_F(TempBase, TenFailedAttemptsEndWithInternalErrorSeven) {
    Setting s(dir / "case");
    fs::create_directories(s.tmp);
    fs::path gone = s.root / "gone";
    fs::create_directories(gone);
    s.options.environment[L"TARVELINK_LOG"] = L"yes";
    ProbeRun run = s.run(L"log temp-option 2 -temp \"" + gone.wstring() + L"\" rmdir \"" + gone.wstring() +
                         L"\" load quiet tempdir");
    EXPECT_EQ(run.process.exitCode, 1u);
    EXPECT_EQ(run.process.err.rfind("An internal error occurred (error code: 7)", 0), 0u) << run.process.err;
    EXPECT_EQ(run["tempdir"], "<missing>");

    std::string log = readLog(s.tmp);
    EXPECT_EQ(countLines(log, "GetTempFileName failed (last error "), 10u) << log;
    EXPECT_EQ(countLines(log, "tempFile is " + gone.string() + "\\zta"), 10u) << log;
    EXPECT_EQ(countLines(log, "Could not create dir ("), 10u) << log;
}

}  // namespace
