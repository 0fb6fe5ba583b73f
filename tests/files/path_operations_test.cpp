// The path operations in-process: texts, existence, 8-bit conversion, resolution and the short name
// that the real cmd.exe of Wine gives.
#include <gtest/gtest.h>

#include "paths.h"
#include "test_support.h"

using namespace testing_support;

namespace {

struct TextCase {
    const char* path;
    const char* expected;
};

// Each case is checked in the 8-bit form, the UTF-16 form and through std::string.
TEST(PathText, CollapseBackslashesKeepsTwoOnlyAtTheStart) {
    const TextCase cases[] = {
        {"\\\\\\\\server\\\\share\\\\dir", "\\\\server\\share\\dir"},
        {"C:\\\\dir", "C:\\dir"},
        {"C:\\a\\\\\\b\\\\", "C:\\a\\b\\"},
        {"\\\\\\", "\\\\"},
        {"\\single", "\\single"},  // one leading backslash stays one
        {"a\\\\b/\\\\c", "a\\b/\\c"},  // forward slashes are not touched
        {"", ""},
    };
    for (const TextCase& c : cases) {
        std::string ansi = c.path;
        std::vector<char> buffer(ansi.begin(), ansi.end());
        buffer.push_back(0);
        EXPECT_EQ(collapseBackslashes(buffer.data()), strlen(c.expected)) << c.path;
        EXPECT_STREQ(buffer.data(), c.expected) << c.path;

        std::wstring wide = widen(c.path);
        EXPECT_EQ(collapseBackslashes(wide), strlen(c.expected)) << c.path;
        EXPECT_EQ(wide, widen(c.expected)) << c.path;
    }
}

struct RelativeCase {
    const char* path;
    bool relative;
};

TEST(PathText, IsRelativePathKnowsDrivesAndNetworkPathsOnly) {
    const RelativeCase cases[] = {
        {"", true},          {"C:", true},         {"C:\\", false},      {"c:\\x", false},
        {"C:/x", true},      {"\\x", true},        {"\\\\srv\\s", false}, {"dir\\file", true},
        {"\"C:\\x\"", false}, {"\"C:\"", true},    {"\"C:", true},       {"\"\\\\srv", false},
        {"..\\x", true},
    };
    for (const RelativeCase& c : cases) {
        EXPECT_EQ(isRelativePath(c.path), c.relative) << c.path;
        EXPECT_EQ(isRelativePath(widen(c.path).c_str()), c.relative) << c.path;
    }
}

TEST(PathText, EndsWithExeIgnoresCaseAndNeedsAName) {
    const RelativeCase cases[] = {
        {"a.exe", true}, {"C:\\x\\SETUP.EXE", true}, {"x.Exe", true}, {".exe", false},
        {"a.exe ", false}, {"a.ex", false}, {"a.exe.txt", false}, {"", false},
    };
    for (const RelativeCase& c : cases) EXPECT_EQ(endsWithExe(c.path), c.relative) << c.path;
}

TEST(PathText, ToLowerPathChangesOnlyAToZ) {
    std::wstring wide = L"C:\\\u00c4RGER\\\u0416Z";
    toLowerPath(wide);
    EXPECT_EQ(wide, L"c:\\\u00c4rger\\\u0416z");

    std::string ansi = "C:\\\xc4RGER\\X";  // code page 1252: A with diaeresis
    toLowerPath(ansi);
    EXPECT_EQ(ansi, "c:\\\xc4rger\\x");
}

TEST(AnsiPath, ConversionReportsLostCharactersWithoutBestFit) {
    bool lossless = true;
    EXPECT_EQ(toAnsiPath(L"C:\\caf\u00e9", &lossless), "C:\\caf\xe9");
    EXPECT_TRUE(lossless);

    // Best fit would give "a" and an acute accent; both must show as lost.
    EXPECT_EQ(toAnsiPath(L"C:\\\u0101\\cafe\u0301", &lossless), "C:\\?\\cafe?");
    EXPECT_FALSE(lossless);

    EXPECT_EQ(toAnsiPath(L"C:\\\u041f\u0440\u0438", &lossless), "C:\\???");
    EXPECT_FALSE(lossless);

    lossless = true;
    EXPECT_EQ(toAnsiPath(L"", &lossless), "");
    EXPECT_FALSE(lossless);

    EXPECT_EQ(fromAnsiPath("C:\\\x80\xe9"), L"C:\\\u20ac\u00e9");  // the code page, not byte widening
    EXPECT_EQ(widenBytes("\x80"), L"\u0080");
}

class PathsOnDisk : public ::testing::Test {
protected:
    void SetUp() override {
        dir = freshDir(std::string("paths_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    fs::path dir;
};

TEST_F(PathsOnDisk, ExistenceByDirectoryListingAndDriveRoots) {
    writeFile(dir / "file.txt", "x");
    std::string file = (dir / "file.txt").string();
    for (const char* root : {"C:\\", "c:\\.", "C:\\.\\.", "z:\\"}) {
        EXPECT_TRUE(pathExists(root)) << root;
        EXPECT_TRUE(pathExists(widen(root).c_str())) << root;
    }
    EXPECT_FALSE(pathExists("1:\\"));
    EXPECT_TRUE(pathExists(file.c_str()));
    EXPECT_TRUE(pathExistsA(dir.string().c_str()));
    EXPECT_FALSE(pathExists((dir / "missing").wstring().c_str()));

    FILETIME expected{}, got{};
    HANDLE h = CreateFileW((dir / "file.txt").wstring().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    GetFileTime(h, nullptr, nullptr, &expected);
    CloseHandle(h);
    ASSERT_TRUE(lastWriteTime(file.c_str(), &got));
    EXPECT_EQ(CompareFileTime(&got, &expected), 0);
    ASSERT_TRUE(lastWriteTime((dir / "file.txt").wstring().c_str(), &got));
    EXPECT_EQ(CompareFileTime(&got, &expected), 0);
    EXPECT_FALSE(lastWriteTime((dir / "missing").string().c_str(), &got));
}

// Relative paths are taken against the launcher's directory or a base file's directory.
TEST_F(PathsOnDisk, ResolvePathAndFullPath) {
    const std::string launcherDir = launcherDirectory();
    ASSERT_FALSE(launcherDir.empty());
    ASSERT_EQ(launcherDir.back(), '\\');
    EXPECT_EQ(resolvePath("sub\\\\x.cfg"), launcherDir + "sub\\x.cfg");
    EXPECT_EQ(resolvePath("\\x"), launcherDir + "x");  // one leading backslash counts as relative
    EXPECT_EQ(resolvePath("C:\\\\a\\\\b"), "C:\\a\\b");
    EXPECT_EQ(resolvePath("\\\\\\srv\\s"), "\\\\srv\\s");

    std::string base = (dir / "Base.cfg").string();
    EXPECT_EQ(resolvePath("x.txt", base.c_str()), (dir / "x.txt").string());
    EXPECT_EQ(resolvePath("D:\\y", base.c_str()), "D:\\y");
    std::wstring wideBase = (dir / "Base.cfg").wstring();
    EXPECT_EQ(resolvePath(std::wstring(L"x.txt"), DirectoryForm::Long, wideBase.c_str()), (dir / "x.txt").wstring());
    EXPECT_EQ(resolvePath(std::wstring(L"x"), DirectoryForm::Long), launcherDirectory(DirectoryForm::Long) + L"x");

    std::string lowered = launcherDir + "other";
    toLowerPath(lowered);
    EXPECT_EQ(fullPath("Sub\\..\\Other"), lowered);
    EXPECT_EQ(fullPath("Sub\\..\\Other", PathCase::Keep), launcherDir + "Other");
    EXPECT_EQ(fullPath(std::wstring(L"Sub\\..\\\\Other"), DirectoryForm::Widened, PathCase::Keep),
              launcherDirectory(DirectoryForm::Widened) + L"Other");
    EXPECT_EQ(fullPath("C:\\A\\.\\\\B\\"), "c:\\a\\b\\");
}

// Wine's cmd.exe does not shorten names, so its answer is checked for naming the same folder.
TEST_F(PathsOnDisk, ShortNameViaShellNamesTheSameFolder) {
    fs::path folder = dir / "A long folder name";
    fs::create_directories(folder);
    std::string answer = shortNameViaShell(folder.wstring());
    ASSERT_FALSE(answer.empty());
    EXPECT_EQ(answer.find_first_of("\r\n"), std::string::npos);
    char longForm[MAX_PATH] = "";
    ASSERT_GT(GetLongPathNameA(answer.c_str(), longForm, MAX_PATH), 0u) << answer;
    EXPECT_EQ(std::string(longForm), folder.string());
}

}  // namespace
