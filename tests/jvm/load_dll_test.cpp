// LoadDLL in a real process: given runtimes, the search, and the message for each kind of location.
#include <gtest/gtest.h>

#include "test_support.h"

using namespace testing_support;

namespace {

class LoadDll : public ::testing::Test {
protected:
    void SetUp() override {
        dir = freshDir(std::string("loaddll_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        description = mkmedia::installerDefaults("Load Test");
        mkmedia::setConfig(description, 128, "");  // no search steps unless a test sets some
    }
    void TearDown() override { removeJvmCacheEntriesUnder(dir); }

    // A runtime folder printing `version`, with the stand-in library `library` (x64, x86, noexport).
    fs::path runtime(const std::string& name, const std::string& version, const char* library) {
        fs::path home = dir / name;
        fs::create_directories(home / "bin" / "server");
        fs::copy_file(binDir() / "standin_java.exe", home / "bin" / "java.exe");
        writeFile(home / "bin" / "standin.txt", "stderr=openjdk version \"" + version + "\" 2024-01-16\n");
        fs::copy_file(binDir().parent_path() / "standin" / library / "jvm.dll", home / "bin" / "server" / "jvm.dll");
        return home;
    }

    // Runs the probe quietly; returns whether it loaded, with its standard error in `shown`.
    bool load(const std::wstring& steps, std::string& shown, const RunOptions& extra = {}) {
        std::string error;
        EXPECT_TRUE(mkmedia::writeSetupFile(binDir() / "load_probe.exe", description, dir / "probe.exe", error));
        ProcessResult r = runSetup(dir / "probe.exe", L"quiet " + steps, dir, extra);
        EXPECT_EQ(r.exitCode, 0u) << r.err;
        shown = r.err;
        return r.out.find("loaded 1") != std::string::npos;
    }

    std::string log() { return readLog(dir); }

    fs::path dir;
    mkmedia::MediaDescription description;
};

TEST_F(LoadDll, GivenDirectoryIsUsedWhateverItsVersion) {
    fs::path old = runtime("old", "17.0.9", "x64");
    std::string shown;
    EXPECT_TRUE(load(L"load " + old.wstring() + L" dir", shown)) << shown;
    EXPECT_NE(log().find("] Loading of JVM-DLL successful\r\n"), std::string::npos);
    // The same runtime named by its executable is judged by the minimum version (21).
    fs::remove(dir / "tvk_nlog_1.log");
    EXPECT_FALSE(load(L"load " + (old / "bin" / "java.exe").wstring() + L" exe", shown));
    EXPECT_NE(log().find("] ERROR: Provided JVM unusable\r\n"), std::string::npos);
    EXPECT_NE(shown.find("64-bit JDK or JRE"), std::string::npos) << shown;
}

struct KindCase {
    const char* name;
    const char* sequence;    // entry 128
    const char* variable;    // an environment variable naming the home, "registry" for the Windows Java registry, or nullptr
    const char* library;     // the home's JVM library
    const char* shownPart;   // what the message says
};

void PrintTo(const KindCase& c, std::ostream* out) { *out << c.name; }

class LoadDllKinds : public LoadDll, public ::testing::WithParamInterface<KindCase> {};

TEST_P(LoadDllKinds, FailureIsShownInTheWordsOfTheLocation) {
    const KindCase& c = GetParam();
    fs::path home = runtime("home", "21.0.2", c.library);
    std::string sequence = c.sequence;
    if (sequence.rfind("A", 0) == 0) sequence += home.string();
    mkmedia::setConfig(description, 128, sequence);
    RunOptions options;
    // The Java registry is shared with the search tests, which take turns through this mutex.
    HANDLE registryTurn = CreateMutexW(nullptr, FALSE, L"Local\\tvk_jvm_search_registry");
    const bool registry = c.variable && std::string(c.variable) == "registry";
    const char* key = "SOFTWARE\\JavaSoft\\JRE\\21.0.2";
    if (registry) {
        WaitForSingleObject(registryTurn, INFINITE);
        HKEY jre = nullptr;
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_WRITE, nullptr, &jre, nullptr);
        std::string javaHome = home.string();
        RegSetValueExA(jre, "JavaHome", 0, REG_SZ, (const BYTE*)javaHome.c_str(), (DWORD)javaHome.size() + 1);
        RegCloseKey(jre);
    } else if (c.variable) {
        options.environment[widen(c.variable)] = home.wstring();
    }
    std::string shown;
    EXPECT_FALSE(load(L"load -", shown, options));
    if (registry) {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, key);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft\\JRE");  // only when nothing else is left in it
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft");
        ReleaseMutex(registryTurn);
    }
    CloseHandle(registryTurn);
    std::string part = c.shownPart;
    if (part == "HOME") part = home.string();
    EXPECT_NE(shown.find(part), std::string::npos) << shown;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, LoadDllKinds,
    ::testing::Values(
        KindCase{"nothing_found", "", nullptr, "x64", "No JVM could be found"},
        KindCase{"directory_32bit", "A", nullptr, "x86", "HOME"},
        KindCase{"directory_no_export", "A", nullptr, "noexport", "HOME"},
        KindCase{"variable_32bit", "ETVK_TEST_HOME;", "TVK_TEST_HOME", "x86", "The TVK_TEST_HOME environment variable"},
        KindCase{"registry_32bit", "Y;", "registry", "x86", "The JVM could not be started."}),
    [](const ::testing::TestParamInfo<KindCase>& info) { return std::string(info.param.name); });

TEST_F(LoadDll, SearchLoadsTheFirstUsableRuntime) {
    fs::path broken = runtime("broken", "21.0.1", "x86");
    fs::path good = runtime("good", "21.0.2", "x64");
    std::string sequence = "A";
    sequence.append(broken.string()).append(";A").append(good.string()).append(";");
    mkmedia::setConfig(description, 128, sequence);
    std::string shown;
    EXPECT_TRUE(load(L"load -", shown)) << shown;
    std::string text = log();
    EXPECT_NE(text.find("Failed with error code "), std::string::npos) << "the 32-bit library was tried first";
    EXPECT_NE(text.find("] Loading of JVM-DLL successful\r\n"), std::string::npos);
}

}  // namespace
