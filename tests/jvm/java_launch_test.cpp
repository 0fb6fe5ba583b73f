// A whole Java launch on the stand-in runtime, seen through the report its JVM writes.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "standin_report.h"
#include "test_support.h"

using namespace testing_support;

namespace {

class JavaLaunch : public ::testing::Test {
protected:
    void SetUp() override {
        dir = freshDir(std::string("launch_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        home = dir / "jre";
        fs::create_directories(home / "bin" / "server");
        fs::copy_file(binDir() / "standin_java.exe", home / "bin" / "java.exe");
        writeFile(home / "bin" / "standin.txt", "stderr=openjdk version \"21.0.2\" 2024-01-16\n");
        fs::path standin = binDir().parent_path() / "standin";
        fs::copy_file(standin / "x64" / "jvm.dll", home / "bin" / "server" / "jvm.dll");
        jar = standin / "tvkruntime.jar";
        report = dir / "report.txt";
        description = mkmedia::installerDefaults("Launch Test");
        mkmedia::setConfig(description, 121, "A1" + jar.string());
        mkmedia::setConfig(description, 123, "-Dstandin.report=" + report.string() + " -Xss2m");
        mkmedia::setConfig(description, 122, "com.example.App");
    }
    void TearDown() override { removeJvmCacheEntriesUnder(dir); }

    ProcessResult launch(const std::wstring& arguments) {
        std::string error;
        EXPECT_TRUE(mkmedia::writeSetupFile(binDir() / "launch_probe.exe", description, dir / "probe.exe", error));
        RunOptions options;
        options.environment[L"TVK_PROBE_RUNTIME"] = home.wstring();
        return runSetup(dir / "probe.exe", arguments, dir, options);
    }

    fs::path dir, home, jar, report;
    mkmedia::MediaDescription description;
};

TEST_F(JavaLaunch, MainGetsTheLauncherValuesAndTheCommandLine) {
    ProcessResult r = launch(L"-q -J-Xmx64m -Dsun.locale.formatasdefault=true user arg");
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    EXPECT_NE(r.out.find("launched 1"), std::string::npos) << r.out << r.err;
    Report got = readReport(report);
    EXPECT_EQ(got.first("main.class"), "com/tarvelink/runtime/launcher/WinLauncher");
    std::vector<std::string> args = got.all("arg");
    ASSERT_GE(args.size(), 9u) << readFile(report);
    EXPECT_EQ(args[0], "false");             // entry 107 is 5: not a GUI application
    EXPECT_EQ(args[1], "com.example.App");   // entry 122
    EXPECT_EQ(args[4], "false");             // entry 106
    EXPECT_EQ(std::vector<std::string>(args.end() - 3, args.end()),
              (std::vector<std::string>{"-q", "user", "arg"}))
        << "-J and formatasdefault arguments are not the program's";

    // The launcher's own properties open the option list; -J arguments are options.
    std::vector<std::string> options = got.all("option");
    ASSERT_FALSE(options.empty());
    EXPECT_EQ(options[0].rfind("-Dzolta.isTarvelink=true", 0), 0u) << options[0];
    bool xmx = false, classPath = false;
    for (const std::string& option : options) {
        xmx |= option == "-Xmx64m";
        classPath |= option.rfind("-Djava.class.path=", 0) == 0 && option.find(jar.string()) != std::string::npos;
    }
    EXPECT_TRUE(xmx);
    EXPECT_TRUE(classPath);

    // main runs on a thread of its own with the stack size -Xss asked for, and the JVM is destroyed.
    EXPECT_EQ(got.first("main.thread"), got.first("create.thread"));
    EXPECT_GE(std::stoll(got.first("main.stack")), 2097152LL);
    EXPECT_EQ(got.first("destroyed"), "true");
    EXPECT_TRUE(got.has("native", "com/tarvelink/runtime/installer/helper/NativeLogger.cleanup0 ()V"))
        << readFile(report);
}

// Another thread of the launcher attaches itself once the JVM exists (main waits meanwhile).
TEST_F(JavaLaunch, OtherThreadsAttachOnceTheJvmExists) {
    fs::path scenario = dir / "scenario.txt";
    writeFile(scenario, "wait=2000\n");
    mkmedia::setConfig(description, 123, "-Dstandin.report=" + report.string() + " -Dstandin.scenario=" + scenario.string());
    ProcessResult r = launch(L"-q");
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    EXPECT_EQ(r.out.find("attached before"), std::string::npos);
    EXPECT_NE(r.out.find("attached\r\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("launched 1"), std::string::npos) << r.out;
}

TEST_F(JavaLaunch, MissingMainClassEndsWithItsMessage) {
    mkmedia::setConfig(description, 121, "");  // nothing on the class path
    ProcessResult r = launch(L"-q");
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_NE(r.err.find("Couldn't load main class."), std::string::npos) << r.err;
}

// A class file of our own: the launcher's main class, declaring no methods at all.
std::string classWithoutMethods(const std::string& name) {
    std::string bytes("\xCA\xFE\xBA\xBE\x00\x00\x00\x34\x00\x05", 10);
    auto utf8 = [&](const std::string& text) {
        bytes.push_back(1);
        bytes.push_back((char)(text.size() >> 8));
        bytes.push_back((char)(text.size() & 0xFF));
        bytes.append(text);
    };
    bytes.append("\x07\x00\x02", 3);
    utf8(name);
    bytes.append("\x07\x00\x04", 3);
    utf8("java/lang/Object");
    bytes.append("\x00\x21\x00\x01\x00\x03\x00\x00\x00\x00\x00\x00\x00\x00", 14);
    return bytes;
}

TEST_F(JavaLaunch, MissingMainMethodEndsWithItsMessage) {
    fs::path classes = dir / "classes";
    fs::create_directories(classes / "com" / "tarvelink" / "runtime" / "launcher");
    writeFile(classes / "com" / "tarvelink" / "runtime" / "launcher" / "WinLauncher.class",
              classWithoutMethods("com/tarvelink/runtime/launcher/WinLauncher"));
    mkmedia::setConfig(description, 121, "A1" + classes.string());
    ProcessResult r = launch(L"-q");
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_NE(r.err.find("Main method not found."), std::string::npos) << r.err;
}

TEST_F(JavaLaunch, SplashSettingsReachTheJavaSide) {
    const std::pair<int32_t, const char*> settings[] = {
        {108, "1"},   {163, "0"},  {10111, "status"}, {10109, "10"}, {10110, "20"}, {10114, "0,0,0"}, {10113, "12"},
        {10115, "1"}, {10118, "v1"}, {10116, "3"},     {10117, "4"},  {10121, "c"},  {10120, "5"},     {10122, "6"}};
    for (const auto& [id, text] : settings) mkmedia::setConfig(description, id, text);
    ProcessResult r = launch(L"-q");
    EXPECT_NE(r.out.find("launched 1"), std::string::npos) << r.err;
    EXPECT_TRUE(readReport(report).has(
        "call", "com/zolta/runtime/WinLauncher.initAwtSplashConfig(true, false, \"status\", 10, 20, \"0,0,0\", 12, 1, "
                "\"v1\", 3, 4, \"c\", 5, 6)"))
        << readFile(report);
}

TEST_F(JavaLaunch, ExceptionFromMainFailsTheLaunch) {
    fs::path scenario = dir / "scenario.txt";
    writeFile(scenario, "throw=java/lang/IllegalStateException:broken on purpose\n");
    mkmedia::setConfig(description, 123, "-Dstandin.report=" + report.string() + " -Dstandin.scenario=" + scenario.string());
    ProcessResult r = launch(L"-q");
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_NE(r.out.find("launched 0"), std::string::npos) << r.out;
    std::string log = readLog(dir);
    EXPECT_NE(log.find("] ERROR: an exception occurred\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("broken on purpose"), std::string::npos) << log;
    EXPECT_NE(r.err.find("java.lang.IllegalStateException: broken on purpose"), std::string::npos)
        << "the stack trace goes to standard error: " << r.err;
}

}  // namespace
