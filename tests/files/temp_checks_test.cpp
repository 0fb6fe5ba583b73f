// The checks a candidate for the temporary base must pass, on real folders.
#include <gtest/gtest.h>

#include "paths.h"
#include "temp_checks.h"
#include "test_support.h"

using namespace testing_support;

namespace {

class TempChecks : public ::testing::Test {
protected:
    void SetUp() override {
        dir = freshDir(std::string("checks_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    }

    static std::wstring shortForm(const fs::path& path) {
        wchar_t buffer[MAX_PATH];
        DWORD n = GetShortPathNameW(path.wstring().c_str(), buffer, MAX_PATH);
        EXPECT_TRUE(n > 0 && n < MAX_PATH) << path;
        return std::wstring(buffer, n);
    }

    static bool isEmptyFolder(const fs::path& path) { return fs::is_directory(path) && fs::is_empty(path); }

    fs::path dir;
};

TEST_F(TempChecks, ProbeCreatesAndRemovesASubfolder) {
    writeFile(dir / "file", "x");
    EXPECT_TRUE(probeTempFolder(dir.string()));
    EXPECT_TRUE(probeTempFolder(dir.wstring()));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1) << "nothing left behind";
    EXPECT_FALSE(probeTempFolder((dir / "missing").string()));
    EXPECT_FALSE(probeTempFolder((dir / "missing").wstring()));
    EXPECT_FALSE(probeTempFolder((dir / "file").string()));
    EXPECT_FALSE(probeTempFolder((dir / "file").wstring()));
}

TEST_F(TempChecks, CreatingMakesAMissingFolderUsable) {
    std::string ansi = (dir / "a").string();
    EXPECT_FALSE(checkTempCandidate(ansi, AnsiCheck{}));
    EXPECT_FALSE(fs::exists(dir / "a"));
    EXPECT_TRUE(checkTempCandidate(ansi, AnsiCheck{.create = true}));
    EXPECT_TRUE(isEmptyFolder(dir / "a"));

    EXPECT_FALSE(checkTempCandidate((dir / "w").wstring(), WideCheck{.longFormTest = true}));
    EXPECT_TRUE(checkTempCandidate((dir / "w").wstring(), WideCheck{.create = true, .longFormTest = true}));
    EXPECT_TRUE(isEmptyFolder(dir / "w"));

    std::string probeOnly = (dir / "p").string();
    EXPECT_FALSE(checkTempCandidate(probeOnly, AnsiCheck{.kind = AnsiCheckKind::ProbeOnly}));
    EXPECT_TRUE(checkTempCandidate(probeOnly, AnsiCheck{.kind = AnsiCheckKind::ProbeOnly, .create = true}));
}

// The short form of a folder named outside the code page is usable, but its long form shows "?".
TEST_F(TempChecks, LongFormWithLostCharactersFailsOnlyTheStrictCheck) {
    fs::path folder = dir / L"\u041f\u043e\u043b\u044c\u0437\u043e\u0432\u0430\u0442\u0435\u043b\u044c";
    fs::create_directories(folder);
    bool lossless = false;
    const std::string shortAnsi = toAnsiPath(shortForm(folder), &lossless);
    ASSERT_TRUE(lossless) << shortAnsi;

    struct Case {
        AnsiCheck check;
        bool passes;
    } cases[] = {
        {{.kind = AnsiCheckKind::Strict}, false},
        {{.kind = AnsiCheckKind::Strict, .useLongPath = true}, false},
        {{.kind = AnsiCheckKind::Lenient, .useLongPath = true}, true},
        {{.kind = AnsiCheckKind::ProbeOnly}, true},
    };
    for (const Case& c : cases) {
        std::string candidate = shortAnsi;
        EXPECT_EQ(checkTempCandidate(candidate, c.check), c.passes) << (int)c.check.kind;
        EXPECT_EQ(candidate, shortAnsi) << "a long form with \"?\" never replaces the candidate";
    }
    // The 8-bit form of the long path itself names no folder.
    std::string lossy = toAnsiPath(folder.wstring());
    EXPECT_FALSE(checkTempCandidate(lossy, AnsiCheck{.kind = AnsiCheckKind::Lenient, .create = true}));
}

TEST_F(TempChecks, LongPathSettingReplacesAShortForm) {
    fs::path folder = dir / "Long temporary folder";
    fs::create_directories(folder);
    const std::string shortAnsi = toAnsiPath(shortForm(folder));
    ASSERT_NE(shortAnsi, folder.string());

    std::string candidate = shortAnsi;
    EXPECT_TRUE(checkTempCandidate(candidate, AnsiCheck{}));
    EXPECT_EQ(candidate, shortAnsi);
    EXPECT_TRUE(checkTempCandidate(candidate, AnsiCheck{.useLongPath = true}));
    EXPECT_EQ(candidate, folder.string());
}

// A base letter followed by a combining mark changes length under the precomposed mapping.
TEST_F(TempChecks, DecomposedCharactersFailTheUtf16Check) {
    fs::path decomposed = dir / L"cafe\u0301";
    fs::path precomposed = dir / L"caf\u00e9";
    fs::path longDecomposed = dir / L"cafe\u0301 with a long name";
    for (const fs::path& p : {decomposed, precomposed, longDecomposed}) fs::create_directories(p);

    EXPECT_FALSE(checkTempCandidate(decomposed.wstring(), WideCheck{}));
    EXPECT_FALSE(checkTempCandidate(decomposed.wstring(), WideCheck{.create = true, .longFormTest = true}));
    EXPECT_TRUE(checkTempCandidate(precomposed.wstring(), WideCheck{.longFormTest = true}));

    // Its short form folds unchanged; only the test of the long form finds the mark.
    std::wstring shortPath = shortForm(longDecomposed);
    EXPECT_TRUE(checkTempCandidate(shortPath, WideCheck{}));
    EXPECT_FALSE(checkTempCandidate(shortPath, WideCheck{.longFormTest = true}));
}

}  // namespace
