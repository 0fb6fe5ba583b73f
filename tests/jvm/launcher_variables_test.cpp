// Launcher and environment variables expanded in the three forms.
#include <gtest/gtest.h>

#include "launcher_variables.h"
#include "paths.h"
#include "temp_base.h"
#include "test_support.h"

using namespace testing_support;

namespace {

std::wstring expanded(std::wstring text, VariableForm form = VariableForm::Plain) {
    expandLauncherVariables(text, form);
    return text;
}

std::string expandedAnsi(std::string text) {
    expandLauncherVariablesAnsi(text);
    return text;
}

class LauncherVariables : public ::testing::Test {
protected:
    void SetUp() override {
        exeDir = binDir().wstring() + L"\\";
        launcherTempDir() = "C:\\tmp\\zta1_dir2\\";
    }
    void TearDown() override { launcherTempDir().clear(); }
    std::wstring exeDir;
};

TEST_F(LauncherVariables, FixedVariablesInEveryForm) {
    recordSelectedRuntime("C:\\jre\\bin\\javaw.exe", "21.0.2");
    const std::pair<const wchar_t*, std::wstring> cases[] = {
        {L"%TARVELINK_EXEDIR%lib\\app.jar", exeDir + L"lib\\app.jar"},
        {L"${ZOLTA_EXEDIR}x", exeDir + L"x"},
        {L"${launcher:sys.launcherDirectory}", exeDir},
        {L"${launcher:sys.jvmHome}\\bin", L"C:\\jre\\bin\\..\\bin"},
        {L"%ZOLTA_JVM_HOME%", L"C:\\jre\\bin\\.."},
        {L"a${launcher:sys.pathlistSeparator}b%TARVELINK_PATHLIST_SEPARATOR%c", L"a;b;c"},
        {L"${launcher:sys.launcherTempDirectory}\\user", L"C:\\tmp\\zta1_dir2\\user"},
        {L"[%ZOLTA_TEMPDIR%][%ZOLTA_TEMPDIR%]", L"[C:\\tmp\\zta1_dir2][C:\\tmp\\zta1_dir2]"},
        {L"${launcher:sys.tempDir}", getTempBaseW(true)},
        {L"no variables at all", L"no variables at all"},
        {L"${launcher:sys.unknown}", L"${launcher:sys.unknown}"},
    };
    for (const auto& [text, result] : cases) {
        EXPECT_EQ(expanded(text), result) << narrow(text);
        EXPECT_EQ(expanded(text, VariableForm::VmOptions), result) << narrow(text);  // ASCII folders: same
        std::string ansi = narrow(text);
        EXPECT_EQ(expandedAnsi(ansi), narrow(result)) << ansi;
    }
    EXPECT_EQ(selectedJavaVersion(), "21.0.2");
    recordSelectedRuntime("C:\\Java\\jdk\\bin\\java.exe", "17");
    EXPECT_EQ(selectedJavaHome(), "C:\\Java\\jdk\\bin\\..");
}

TEST_F(LauncherVariables, EnvironmentReferencesByNameOrUpperCase) {
    SetEnvironmentVariableW(L"TvkMixed", L"value");
    SetEnvironmentVariableW(L"TvkLoop", L"again ${TvkLoop}");
    SetEnvironmentVariableW(L"TvkLate", L"${launcher:sys.tempDir}");
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"${TvkMixed}/${TVKMIXED}/${tvkmixed}", L"value/value/${tvkmixed}"},
        {L"${TvkLoop}", L"again ${TvkLoop}"},        // a value is inserted once, not expanded again
        {L"${TvkLate}", L"${launcher:sys.tempDir}"},  // fixed variables were replaced before it
        {L"${TvkUnset}", L"${TvkUnset}"},
    };
    for (const auto& [text, result] : cases) {
        EXPECT_EQ(expanded(text), result) << narrow(text);
        EXPECT_EQ(expandedAnsi(narrow(text)), narrow(result)) << narrow(text);
    }
    for (const wchar_t* name : {L"TvkMixed", L"TvkLoop", L"TvkLate"}) SetEnvironmentVariableW(name, nullptr);
}

// The largest environment value Windows keeps expands whole, in every form.
TEST_F(LauncherVariables, LongestEnvironmentValueExpandsWhole) {
    const std::wstring value(32767 - 1, L'v');
    ASSERT_TRUE(SetEnvironmentVariableW(L"TvkHuge", value.c_str()));
    EXPECT_EQ(expanded(L"[${TvkHuge}][${TVKHUGE}]"), L"[" + value + L"][" + value + L"]");
    EXPECT_EQ(expandedAnsi("${TvkHuge}").size(), value.size());
    SetEnvironmentVariableW(L"TvkHuge", nullptr);
}

}  // namespace
