// Loading the JVM library of runtime folders built from the stand-in libraries.
#include <gtest/gtest.h>

#include "appended_block.h"
#include "jvm_library.h"
#include "paths.h"
#include "process_environment.h"
#include "test_support.h"

using namespace testing_support;

namespace {

fs::path standin(const char* folder) { return binDir().parent_path() / "standin" / folder / "jvm.dll"; }

// A runtime folder: `libraries` maps a path below `root` to the stand-in library put there.
fs::path runtime(const std::string& name, std::initializer_list<std::pair<const char*, const char*>> libraries) {
    fs::path root = freshDir("jvmlib_" + name);
    for (const auto& [where, folder] : libraries) {
        fs::create_directories((root / where).parent_path());
        fs::copy_file(standin(folder), root / where);
    }
    fs::create_directories(root / "bin");
    writeFile(root / "bin" / "java.exe", "");
    return root;
}

class JvmLibrary : public ::testing::Test {
protected:
    void SetUp() override { pathBefore = currentPath(); }
    void TearDown() override {
        setPath(pathBefore);
        launcherConfig().erase(152);
    }
    std::string pathBefore;
};

TEST_F(JvmLibrary, JdkEightLayoutLoadsFromTheJreBesideItsBin) {
    fs::path jdk = runtime("jdk8", {{"jre/bin/server/jvm.dll", "x64"}});
    HMODULE module = loadJvmForExe((jdk / "bin" / "java.exe").string());
    ASSERT_NE(module, nullptr);
    EXPECT_NE(GetProcAddress(module, "JNI_CreateJavaVM"), nullptr);
    std::string binDir = (jdk / "bin").string() + "\\..\\jre\\bin";
    EXPECT_EQ(loadedJvmBinDir(), binDir);
    // The failed attempt in bin was undone: only the jre's bin stands in front of the old PATH.
    EXPECT_EQ(currentPath(), binDir + ";" + pathBefore);
}

TEST_F(JvmLibrary, SubdirectoriesAreTriedInOrderAndThePreferredOneFirst) {
    fs::path client = runtime("client", {{"bin/client/jvm.dll", "x64"}});
    EXPECT_NE(loadJvmForExe((client / "bin" / "java.exe").string()), nullptr);
    EXPECT_EQ(loadedJvmBinDir(), (client / "bin").string());

    launcherConfig().insert_or_assign(152, std::string("custom"));
    fs::path custom = runtime("custom", {{"bin/custom/jvm.dll", "x64"}, {"bin/server/jvm.dll", "noexport"}});
    HMODULE module = loadJvmFromBinDir((custom / "bin" / "java.exe").string());
    ASSERT_NE(module, nullptr);
    EXPECT_NE(GetProcAddress(module, "JNI_CreateJavaVM"), nullptr) << "bin\\custom was taken before bin\\server";

    launcherConfig().insert_or_assign(152, std::string("server"));
    fs::path fallback = runtime("fallback", {{"bin/j9vm/jvm.dll", "x64"}});
    EXPECT_NE(loadJvmFromBinDir((fallback / "bin" / "java.exe").string()), nullptr) << "the list after the preference";
}

TEST_F(JvmLibrary, FailedAttemptsPutPathBack) {
    fs::path x86 = runtime("x86", {{"bin/server/jvm.dll", "x86"}});
    fs::path none = runtime("none", {});
    EXPECT_EQ(loadJvmForExe((x86 / "bin" / "java.exe").string()), nullptr) << "a 32-bit library cannot load";
    EXPECT_EQ(loadJvmForExe((none / "bin" / "javaw.exe").string()), nullptr);
    EXPECT_EQ(currentPath(), pathBefore);

    // A library without the entry point still loads; the caller finds the export missing.
    fs::path noExport = runtime("noexport", {{"bin/server/jvm.dll", "noexport"}});
    HMODULE module = loadJvmForExe((noExport / "bin" / "java.exe").string());
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(GetProcAddress(module, "JNI_CreateJavaVM"), nullptr);
}

TEST_F(JvmLibrary, ReducedPathKeepsOnlyTheWindowsDirectory) {
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    const std::string win = narrow(windows), upper = [&] {
        std::string u = win;
        for (char& c : u) c = (char)toupper((unsigned char)c);
        return u;
    }();
    const std::pair<std::string, std::string> cases[] = {
        {"C:\\Program Files\\Foo;" + upper + "\\system32;" + win, upper + "\\system32;" + win},
        {"C:\\Program Files\\Foo;D:\\bin", "C:\\Program Files\\Foo;D:\\bin"},  // nothing left: unchanged
        {";;" + win + ";;", win},
    };
    launcherConfig().insert_or_assign(10010, std::string(1, '1'));
    for (const auto& [path, reduced] : cases) {
        setPath(path);
        reducePath();
        EXPECT_EQ(currentPath(), reduced) << path;
    }
    launcherConfig().erase(10010);
    setPath(cases[0].first);
    reducePath();
    EXPECT_EQ(currentPath(), cases[0].first) << "only with the setting";
}

TEST_F(JvmLibrary, NativeLibraryDirectoriesGoInFrontOfPath) {
    launcherConfig().insert_or_assign(10004, std::string("lib;C:\\abs;;user"));
    addNativeLibraryDirectories();
    EXPECT_EQ(currentPath(), launcherDirectory() + "lib;C:\\abs;" + launcherDirectory() + "user;" + pathBefore);
    launcherConfig().erase(10004);
}

// Libraries named like optional system libraries, planted beside the setup file, are never loaded.
TEST(DllPlanting, LibrariesBesideTheLauncherAreNotLoaded) {
    fs::path dir = freshDir("planting");
    fs::path planted = binDir().parent_path() / "standin" / "planted" / "planted.dll";
    for (const char* name : {"fwbase.dll", "davhlpr.dll", "comctl32.dll"}) fs::copy_file(planted, dir / name);
    fs::path setup = writeSetupFile(mkmedia::installerDefaults(), dir / "setup.exe");
    ProcessResult r = runSetup(setup, kQuietWithoutRuntime, dir);
    EXPECT_EQ(r.exitCode, kNoRuntimeExit);
    for (const char* name : {"fwbase.dll", "davhlpr.dll", "comctl32.dll"})
        EXPECT_FALSE(fs::exists(dir / (std::string(name) + ".loaded"))) << name;

    // The marker works: loading the planted library by its path leaves one.
    HMODULE module = LoadLibraryW((dir / "fwbase.dll").c_str());
    ASSERT_NE(module, nullptr);
    FreeLibrary(module);
    EXPECT_TRUE(fs::exists(dir / "fwbase.dll.loaded"));
}

}  // namespace
