// The computed parts of a Java launch: memory sizes, the stack size, system properties, main arguments.
#include <gtest/gtest.h>

#include <climits>

#include "appended_block.h"
#include "launch_parts.h"
#include "paths.h"
#include "process_environment.h"
#include "temp_base.h"
#include "test_support.h"

using namespace testing_support;

namespace {

TEST(LaunchParts, MemorySizesSaturateInsteadOfOverflowing) {
    const std::pair<const char*, int64_t> cases[] = {
        {"512", 512},
        {"2m", 2097152},
        {"2M", 2097152},
        {"3k", 3072},
        {"1g", 1073741824},
        {"1T", 1LL << 40},
        {"0", 0},
        {"1mb", -1},
        {" 5", -1},
        {"-5", -1},
        {"+5", -1},
        {"k", -1},
        {"", -1},
        {"5x", -1},
        {"9223372036854775807", INT64_MAX},
        {"99999999999999999999", INT64_MAX},
        {"8388608T", INT64_MAX},
        {"8388607T", 8388607LL << 40},
    };
    for (const auto& [text, size] : cases) EXPECT_EQ(parseMemorySize(text), size) << text;
    EXPECT_EQ(parseMemorySize(nullptr), -1);
}

TEST(LaunchParts, StackSizeFromTheLastPositiveXss) {
    const std::pair<std::vector<std::string>, uint32_t> cases[] = {
        {{}, 0u},
        {{"-Xmx512m"}, 0u},
        {{"-Xss1k"}, 65536u},
        {{"-Xss2m", "-Xss0"}, 2097152u},
        {{"-Xss2m", "-Xss4m"}, 4194304u},
        {{"-Xss2m", "-Xssabc"}, 2097152u},
        {{"-XSS1m"}, 0u},
        {{"-Xss8g"}, UINT32_MAX},  // beyond 4 GiB: clamped, never wrapped
        {{"-Xss4294967296"}, UINT32_MAX},
    };
    for (const auto& [options, size] : cases) EXPECT_EQ(stackSizeFromOptions(options), size) << options.size();
}

class LaunchConfig : public ::testing::Test {
protected:
    void TearDown() override {
        for (int32_t id : {102, 103, 104, 105, 106, 107, 122, 124, 125, 133, 2001}) launcherConfig().erase(id);
        launchState().manualRuntime = false;
        launcherTempDir().clear();
        SetEnvironmentVariableA("MANPATH", nullptr);
    }
    static void set(int32_t id, const char* text) { launcherConfig().insert_or_assign(id, std::string(text)); }
};

TEST_F(LaunchConfig, MainArgumentsInTheirOrder) {
    set(107, "1");
    set(122, "com.example.Main");
    set(133, "1");
    set(102, "1");
    set(103, "${NoSuchVariable}err.log");
    set(104, "1");
    set(105, "out.log");
    set(106, "1");
    set(124, "fixed \"two words\"");
    set(125, "1");
    ArgumentList launch{L"setup.exe", L"-q", L"-J-Xmx1g", L"-Dsun.locale.formatasdefault=true", L"x-J", L"last"};
    ArgumentList expected{L"true", L"/com.example.Main", L"${NoSuchVariable}err.log",
                          widen(binDir().string()) + L"\\out.log", L"true", L"setup.exe", L"fixed", L"two words",
                          L"-q", L"x-J", L"last"};
    EXPECT_EQ(mainArguments(launch), expected);

    set(125, "0");
    set(102, "0");
    set(107, "5");
    ArgumentList kept = mainArguments({L"setup.exe", L"-J-Xmx1g"});
    ASSERT_EQ(kept.size(), 9u);
    EXPECT_EQ(kept[0], L"false");
    EXPECT_EQ(kept[2], L"") << "no error log without entry 102";
    EXPECT_EQ(kept[8], L"-J-Xmx1g") << "-J arguments stay when they are not VM options";
}

TEST_F(LaunchConfig, SystemPropertiesInTheirOrder) {
    set(2001, "i");
    launchState().manualRuntime = true;
    launcherTempDir() = "C:\\tmp\\zta1_dir2";
    setUnextractedPosition(123456789012LL);
    std::vector<std::string> properties = launcherSystemProperties("Local\\tvk_sem");
    ASSERT_EQ(properties.size(), 9u);
    const std::string exe = launcherPath();
    EXPECT_EQ(properties[0], "-Dzolta.semaphoreName=Local\\tvk_sem");
    EXPECT_EQ(properties[1], "-Dzolta.manualJre=true");
    EXPECT_EQ(properties[2], "-Dzolta.isTarvelink=true");
    EXPECT_EQ(properties[3], "-Dzolta.moduleName=" + exe);
    EXPECT_EQ(properties[4], "-Dsun.java.command=" + exe);
    EXPECT_EQ(properties[5], "-Dzolta.tempDir=C:\\tmp\\zta1_dir2");
    EXPECT_EQ(properties[6], "-Dzolta.unextractedPosition=123456789012");
    EXPECT_EQ(properties[7], "-Djava.library.path=" + currentPath());
    EXPECT_EQ(properties[8].rfind("-Dzolta.consoleCodepage=cp", 0), 0u);

    // A PATH far beyond 12,000 characters reaches the Java side whole.
    const std::string pathBefore = currentPath();
    std::string longPath = pathBefore;
    while (longPath.size() < 20000) longPath.append(";C:\\some\\long\\folder");
    setPath(longPath);
    bool found = false;
    for (const std::string& p : launcherSystemProperties(""))
        if (p == "-Djava.library.path=" + longPath) found = true;
    EXPECT_TRUE(found);
    setPath(pathBefore);

    SetEnvironmentVariableA("MANPATH", "/usr/share/man");
    launchState().manualRuntime = false;
    set(2001, "e");
    std::vector<std::string> fewer = launcherSystemProperties("");
    ASSERT_EQ(fewer.size(), 5u) << "no semaphore, manual runtime, family flag or console code page";
    EXPECT_EQ(fewer[0], "-Dzolta.moduleName=" + exe);
    setUnextractedPosition(0);
}

}  // namespace
