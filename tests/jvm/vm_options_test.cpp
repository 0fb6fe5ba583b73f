// The VM options of a launch: their sources in order, options files, class and module paths,
// module option joining, argument files and the init-args block.
#include <gtest/gtest.h>

#include <algorithm>

#include "appended_block.h"
#include "jvm_library.h"
#include "launcher_variables.h"
#include "locale_selection.h"
#include "paths.h"
#include "temp_base.h"
#include "test_support.h"
#include "vm_options.h"

using namespace testing_support;

namespace {

using Strings = std::vector<std::string>;

// Every configuration entry these tests set; each test starts without them.
const int32_t kEntries[] = {121, 122, 123, 125, 132, 133, 166, 2001, 10003,
                            10200, 10201, 10202, 10203, 10204, 10205, 10206};

class VmOptions : public ::testing::Test {
protected:
    void SetUp() override {
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '_');
        dir = freshDir("vmoptions_" + name);
        for (int32_t id : kEntries) {
            if (auto it = launcherConfig().find(id); it != launcherConfig().end()) saved.insert(*it);
            launcherConfig().erase(id);
        }
        launcherConfig()[2001] = "i";
        wasInstaller = launchState().installerLauncher;
        launchState().installerLauncher = true;
        fs::create_directories(dir / "temp");
        launcherTempDir() = (dir / "temp").string();
        recordSelectedRuntime("C:\\jre\\bin\\java.exe", "");
    }
    void TearDown() override {
        for (int32_t id : kEntries) launcherConfig().erase(id);
        for (const auto& entry : saved) launcherConfig().insert(entry);
        launcherTempDir().clear();
        recordSelectedRuntime("", "");
        launchState().installerLauncher = wasInstaller;
    }

    void set(int32_t id, const std::string& text) { launcherConfig()[id] = text; }
    std::string at(const char* name) const { return (dir / name).string(); }

    // The options of a full assembly, checking the block's fixed fields on the way.
    Strings build(const ArgumentList& arguments = {L"setup.exe"}, const Strings& properties = {"-Dp=1"}) {
        JavaVMInitArgs initArgs = buildVmInitArgs(properties, arguments);
        EXPECT_EQ(initArgs.version, 0x00010002);
        EXPECT_EQ(initArgs.ignoreUnrecognized, JNI_TRUE);
        Strings options;
        for (jint i = 0; i < initArgs.nOptions; ++i) {
            EXPECT_EQ(initArgs.options[i].extraInfo, nullptr);
            options.emplace_back(initArgs.options[i].optionString);
        }
        return options;
    }

    fs::path dir;
    LauncherConfig saved;
    bool wasInstaller = false;
};

TEST_F(VmOptions, SourcesComeInTheirFixedOrder) {
    writeFile(dir / "temp" / "a.jar", "");
    writeFile(dir / "temp" / "notes.txt", "");
    fs::create_directories(dir / "temp" / "user");
    writeFile(dir / "temp" / "user" / "b.zip", "");
    set(123, "-Xmx100m \"-classpath/p C:\\pre\" --add-modules java.sql -Xss2m");
    set(10200, "1");
    set(10201, "1-99");
    set(10202, "-Dspecific=1");
    set(125, "1");
    set(121, "A0C:\\lib\\c.jar");
    recordSelectedRuntime("C:\\jre\\bin\\java.exe", "17.0.2");
    splitLocaleCode("de_CH");
    const std::string temp = at("temp");
    EXPECT_EQ(build({L"-J-Dprogram=1", L"-Dsun.locale.formatasdefault=false", L"-J-Dj=1", L"-Dj=2"},
                    {"-Dp=1", "-Dp=2"}),
              (Strings{"-Dp=1", "-Dp=2", "-Xmx100m", "--add-modules=java.sql", "-Xss2m", "-Dspecific=1",
                       "-Dsun.locale.formatasdefault=false", "-Duser.language=de", "-Duser.country=CH",
                       "-Dprogram=1", "-Dj=1",
                       "-Djava.class.path=C:\\pre;" + temp + "\\a.jar;" + temp + "\\user\\b.zip;C:\\lib\\c.jar"}));

    // "true" passes itself on, without the locale; the last such argument counts.
    Strings options = build({L"x", L"-Dsun.locale.formatasdefault=false", L"-Dsun.locale.formatasdefault=true"});
    EXPECT_EQ(std::count(options.begin(), options.end(), "-Dsun.locale.formatasdefault=true"), 1);
    EXPECT_EQ(std::count_if(options.begin(), options.end(),
                            [](const std::string& o) { return o.starts_with("-Duser.") || o.ends_with("=false"); }),
              0);
}

TEST_F(VmOptions, NothingConfiguredGivesThePropertiesAndTheLauncherArchives) {
    writeFile(dir / "temp" / "a.jar", "");
    EXPECT_EQ(build({L"setup.exe", L"-J-Xmx1g", L"-Dsun.x=1"}),
              (Strings{"-Dp=1", "-Djava.class.path=" + at("temp") + "\\a.jar"}));
    launcherTempDir().clear();
    EXPECT_EQ(build(), (Strings{"-Dp=1", "-Djava.class.path="}));
}

TEST_F(VmOptions, UninstallerAddsTheInstallationsRuntimeArchive) {
    launchState().installerLauncher = false;
    writeFile(dir / "temp" / "a.jar", "");
    set(10003, dir.string());
    set(121, "A0C:\\lib\\c.jar");
    const std::string classPath = "-Djava.class.path=" + at("temp") + "\\a.jar;" + dir.string() + "\\.tarvelink\\tvkruntime.jar;C:\\lib\\c.jar";
    EXPECT_EQ(build(), (Strings{"-Dp=1", classPath}));
    // Only for the installer framework's own family.
    set(2001, "e");
    EXPECT_EQ(build(), (Strings{"-Dp=1", "-Djava.class.path=" + at("temp") + "\\a.jar;C:\\lib\\c.jar"}));
}

TEST_F(VmOptions, JArgumentsAreLinesOfTheirOwn) {
    set(125, "1");
    set(121, "A0C:\\lib\\c.jar");
    EXPECT_EQ(build({L"setup.exe", L"-J-Xmx1g", L"-j-Xss1m", L"-J-classpath/a C:\\tail.jar", L"x-J-Dno=1"}),
              (Strings{"-Dp=1", "-Xmx1g", "-Djava.class.path=C:\\lib\\c.jar;C:\\tail.jar"}));
}

struct RuleCase {
    const char* version;
    Strings rules;
    Strings expected;  // rule i adds -Dv=i
};

class VmOptionsRules : public VmOptions, public ::testing::WithParamInterface<RuleCase> {};

TEST_P(VmOptionsRules, FirstMatchingRuleAddsItsOptions) {
    const RuleCase& c = GetParam();
    set(10200, std::to_string(c.rules.size()));
    for (size_t i = 0; i < c.rules.size(); ++i) {
        set(10201 + 2 * (int32_t)i, c.rules[i]);
        set(10202 + 2 * (int32_t)i, "-Dv=" + std::to_string(i) + " -Dshared=" + std::to_string(i));
    }
    recordSelectedRuntime("C:\\jre\\bin\\java.exe", c.version);
    VmOptionList options;
    ClassPathEdits edits;
    addConfiguredVmOptions({L"setup.exe"}, options, edits);
    Strings expected;
    for (const std::string& v : c.expected) {
        expected.push_back("-Dv=" + v);
        expected.push_back("-Dshared=" + v);
    }
    EXPECT_EQ(options, expected);
}

INSTANTIATE_TEST_SUITE_P(
    VmOptions, VmOptionsRules,
    ::testing::Values(RuleCase{"1.8.0_45", {"1-8", "9-99"}, {"0"}}, RuleCase{"11.0.2", {"1-8", "9-99"}, {"1"}},
                      RuleCase{"11.0.2", {"1-8", "12-99"}, {}}, RuleCase{"8", {"9-99", "8-8"}, {"1"}},
                      RuleCase{"1.8.0_45", {"*1.8.0_4?"}, {"0"}}, RuleCase{"1.8.0_451", {"*1.8.0_4?"}, {}},
                      RuleCase{"17.0.2+8", {"*1?.*", "1-99"}, {"0"}}, RuleCase{"11.0.2", {"11", "9-99"}, {"1"}},
                      RuleCase{"", {"*", "0-99"}, {}}));

TEST_F(VmOptions, OptionsFilesWithIncludesAndClassPathForms) {
    writeFile(dir / "main.vmoptions",
              "   # indented comment\n\n-Xmx1g   \r\n\t-Dname=\xE9\n-classpath/p C:\\p1\n-classpath/p C:\\p2\n"
              "-classpath/a C:\\lib\\a.jar\n-include-options sub\\more.vmoptions\n-Dafter.include=1\n");
    fs::create_directories(dir / "sub");
    writeFile(dir / "sub" / "more.vmoptions", "-Dmore=1\n-include-options deeper.vmoptions\n-include-options gone\n");
    writeFile(dir / "sub" / "deeper.vmoptions", "-Ddeeper=1");
    writeFile(dir / "deeper.vmoptions", "-Dwrong.directory=1\n");
    set(123, "-Dfirst=1 -include-options \"" + at("main.vmoptions") + "\" -Dlast=1");
    set(121, "A0C:\\cp.jar");
    EXPECT_EQ(build(), (Strings{"-Dp=1", "-Dfirst=1", "-Xmx1g", "-Dname=\xE9", "-Dmore=1", "-Ddeeper=1", "-Dafter.include=1", "-Dlast=1",
                                "-Djava.class.path=C:\\p2;C:\\cp.jar;C:\\lib\\a.jar"}));
}

TEST_F(VmOptions, ClassPathReplacementTakesThePlaceOfTheConfiguredEntries) {
    // Entry 121 would end the process if it were read.
    set(121, "A1C:\\missing\\x.jar");
    writeFile(dir / "cp.vmoptions", "-classpath C:\\r;\n-classpath/a C:\\s\n");
    set(123, "\"-include-options " + at("cp.vmoptions") + "\"");
    EXPECT_EQ(build(), (Strings{"-Dp=1", "-Djava.class.path=C:\\r;C:\\s"}));
}

TEST_F(VmOptions, LongLinesAreCutAndIncludeCyclesEnd) {
    std::string longOption = "-Dlong=" + std::string(29999 - 7, 'a');
    writeFile(dir / "long.vmoptions", longOption + "-Dcut=1\n-include-options long.vmoptions\n");
    VmOptionList options;
    ClassPathEdits edits;
    addOptionLine(L"-include-options " + dir.wstring() + L"\\long.vmoptions", nullptr, options, edits);
    ASSERT_GE(options.size(), 2u);
    EXPECT_EQ(options[0], longOption);
    EXPECT_EQ(options[1], "-Dcut=1");
    EXPECT_LE(options.size(), 200u) << "a file that includes itself must stop somewhere";
}

struct PathCase {
    const char* name;
    int32_t entry;
    std::string text;      // "<dir>" stands for the test's folder
    std::string expected;  // the same, and "<launcher>" for the launcher's directory
};

void PrintTo(const PathCase& c, std::ostream* out) { *out << c.name; }

class VmOptionsPaths : public VmOptions, public ::testing::WithParamInterface<PathCase> {};

std::string withDir(std::string text, const std::string& dir) {
    if (size_t at = text.find("<launcher>"); at != std::string::npos) text.replace(at, 10, launcherDirectory());
    for (size_t at = text.find("<dir>"); at != std::string::npos; at = text.find("<dir>", at + dir.size()))
        text.replace(at, 5, dir);
    return text;
}

TEST_P(VmOptionsPaths, EntriesOfEachType) {
    const PathCase& c = GetParam();
    writeFile(dir / "a.jar", "");
    fs::create_directories(dir / "libs" / "inner.jar");
    writeFile(dir / "libs" / "x.jar", "");
    writeFile(dir / "libs" / "y.zip", "");
    writeFile(dir / "libs" / "z.txt", "");
    fs::create_directories(dir / "empty");
    SetEnvironmentVariableA("TVK_VMO_QUOTED", "\"C:\\q.jar\"");
    SetEnvironmentVariableA("TVK_VMO_ENDS", "C:\\e1;C:\\e2;");
    SetEnvironmentVariableA("TVK_VMO_DIR", dir.string().c_str());
    SetEnvironmentVariableA("TVK_VMO_UNSET", nullptr);
    set(c.entry, withDir(c.text, dir.string()));
    std::string accumulator = "start;";
    addPathEntries(c.entry, accumulator);
    EXPECT_EQ(accumulator, "start;" + withDir(c.expected, dir.string()));
    SetEnvironmentVariableA("TVK_VMO_QUOTED", nullptr);
    SetEnvironmentVariableA("TVK_VMO_ENDS", nullptr);
    SetEnvironmentVariableA("TVK_VMO_DIR", nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    VmOptions, VmOptionsPaths,
    ::testing::Values(
        PathCase{"ArchiveThere", 121, "A1<dir>\\a.jar", "<dir>\\a.jar;"},
        PathCase{"OptionalArchiveMissingIsAdded", 121, "A0<dir>\\gone.jar", "<dir>\\gone.jar;"},
        PathCase{"DirectoryThere", 132, "D1<dir>\\libs", "<dir>\\libs;"},
        PathCase{"RelativeToLauncher", 121, "A0rel\\x.jar", "<launcher>rel\\x.jar;"},
        PathCase{"ExpandedNameSplitAgain", 121, "A0${TVK_VMO_DIR}\\a.jar", "<dir>\\a.jar;"},
        PathCase{"ExpandedToSeveral", 121, "A0C:\\one${launcher:sys.pathlistSeparator}C:\\two",
                 "C:\\one;C:\\two;"},
        PathCase{"VariableLosesItsQuotes", 121, "E1TVK_VMO_QUOTED", "C:\\q.jar;"},
        PathCase{"VariableEndingInSemicolon", 121, "E1TVK_VMO_ENDS", "C:\\e1;C:\\e2;"},
        PathCase{"OptionalVariableUnset", 121, "E0TVK_VMO_UNSET", ""},
        PathCase{"ArchivesOfDirectory", 121, "S1<dir>\\libs", "<dir>\\libs\\x.jar;<dir>\\libs\\y.zip;"},
        PathCase{"MandatoryEmptyDirectory", 121, "S1<dir>\\empty", ""},
        PathCase{"OptionalMissingDirectory", 121, "S0<dir>\\nolibs", ""},
        PathCase{"ModuleDirectoryIsItself", 132, "S1<dir>\\libs", "<dir>\\libs;"},
        PathCase{"OptionalMissingModuleDirectory", 132, "S0<dir>\\nolibs", "<dir>\\nolibs;"},
        PathCase{"UnknownType", 121, "X1<dir>\\a.jar", ""},
        PathCase{"SeveralInOrder", 121, ";;E0TVK_VMO_ENDS;;A0<dir>\\a.jar;S0<dir>\\libs;",
                 "C:\\e1;C:\\e2;<dir>\\a.jar;<dir>\\libs\\x.jar;<dir>\\libs\\y.zip;"}),
    [](const ::testing::TestParamInfo<PathCase>& info) { return std::string(info.param.name); });

struct ModuleCase {
    const char* name;
    const char* modulePath;  // entry 132
    const char* inModule;    // entry 133
    const char* family;      // entry 2001
    Strings tail;            // the options after the system property; "<temp>" for the temporary directory
};

void PrintTo(const ModuleCase& c, std::ostream* out) { *out << c.name; }

class VmOptionsModules : public VmOptions, public ::testing::WithParamInterface<ModuleCase> {};

TEST_P(VmOptionsModules, ModulePathAndItsOptions) {
    const ModuleCase& c = GetParam();
    writeFile(dir / "temp" / "a.jar", "");
    fs::create_directories(dir / "temp" / "user");
    writeFile(dir / "temp" / "user" / "u.jar", "");
    set(132, c.modulePath);
    set(133, c.inModule);
    set(2001, c.family);
    set(122, "my.app/com.example.app.Main");
    Strings expected = {"-Dp=1"};
    for (const std::string& option : c.tail) {
        std::string text = option;
        for (size_t at = text.find("<temp>"); at != std::string::npos; at = text.find("<temp>", at))
            text.replace(at, 6, this->at("temp"));
        expected.push_back(text);
    }
    EXPECT_EQ(build(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    VmOptions, VmOptionsModules,
    ::testing::Values(
        ModuleCase{"MainClassInModule", "D0C:\\mods", "1", "i",
                   {"-Djava.class.path=<temp>\\user\\u.jar", "--module-path=C:\\mods;<temp>\\a.jar",
                    "--add-opens=my.app/com.example.app=com.tarvelink.runtime",
                    "--add-modules=my.app,com.tarvelink.runtime"}},
        ModuleCase{"MainClassOnClassPath", "D0C:\\mods", "0", "i",
                   {"-Djava.class.path=<temp>\\user\\u.jar", "--module-path=C:\\mods;<temp>\\a.jar",
                    "--add-modules=com.tarvelink.runtime"}},
        ModuleCase{"SiblingProduct", "D0C:\\mods", "0", "e",
                   {"-Djava.class.path=<temp>\\user\\u.jar", "--module-path=C:\\mods;<temp>\\a.jar",
                    "--add-modules=com.zolta.runtime"}},
        ModuleCase{"OnlyTheLauncherArchives", "", "1", "i",
                   {"-Djava.class.path=<temp>\\user\\u.jar", "--module-path=<temp>\\a.jar",
                    "--add-opens=my.app/com.example.app=com.tarvelink.runtime",
                    "--add-modules=my.app,com.tarvelink.runtime"}},
        ModuleCase{"NoModulePath", "", "0", "i", {"-Djava.class.path=<temp>\\a.jar;<temp>\\user\\u.jar"}}),
    [](const ::testing::TestParamInfo<ModuleCase>& info) { return std::string(info.param.name); });

TEST(VmOptionsJoin, BareModuleOptionsTakeTheNextElement) {
    const std::pair<Strings, Strings> cases[] = {
        {{"--add-modules", "java.sql", "-Xss2m"}, {"--add-modules=java.sql", "-Xss2m"}},
        {{"-Xss2m", "--add-modules"}, {"-Xss2m", "--add-modules"}},
        {{"--add-modules java.sql", "x"}, {"--add-modules java.sql", "x"}},
        {{"--ADD-MODULES", "x"}, {"--ADD-MODULES", "x"}},
        {{"--upgrade-module-path", "u", "--limit-modules", "l", "--add-exports", "e", "--add-opens", "o",
          "--add-reads", "r", "--patch-module", "p"},
         {"--upgrade-module-path=u", "--limit-modules=l", "--add-exports=e", "--add-opens=o", "--add-reads=r",
          "--patch-module=p"}},
        {{"--add-modules", "--add-modules", "x"}, {"--add-modules=--add-modules", "x"}},
    };
    for (const auto& [input, expected] : cases) {
        VmOptionList options = input;
        joinModuleOptions(options);
        EXPECT_EQ(options, expected) << input.front();
    }
}

// A runtime folder with the stand-in JVM library and, when asked, the stand-in jli.dll; its JVM
// library is loaded, so its bin directory is the one argument files are expanded with.
void loadRuntime(const fs::path& home, bool withJli) {
    const fs::path standin = binDir().parent_path() / "standin";
    fs::create_directories(home / "bin" / "server");
    fs::copy_file(standin / "x64" / "jvm.dll", home / "bin" / "server" / "jvm.dll");
    if (withJli) fs::copy_file(standin / "jli" / "jli.dll", home / "bin" / "jli.dll");
    ASSERT_NE(tryJvmLibrary((home / "bin").string(), "server"), nullptr);
}

TEST_F(VmOptions, ArgumentFilesAreExpandedByTheRuntimesLibrary) {
    loadRuntime(dir / "runtime", true);
    writeFile(dir / "args.txt", "# a comment\n-Dfrom.file=1  \"-Dquoted=a b\"\n--add-modules\r\njava.sql\n");
    set(123, "-Dbefore=1 @" + at("args.txt") + " @@literal @" + at("missing.txt"));
    EXPECT_EQ(build(), (Strings{"-Dp=1", "-Dbefore=1", "-Dfrom.file=1", "-Dquoted=a b", "--add-modules=java.sql",
                                "@literal", "@" + at("missing.txt"), "-Djava.class.path="}));
    using LastInitFn = int (*)(int*, int*);
    auto lastInit = (LastInitFn)(void*)GetProcAddress(GetModuleHandleW(L"jli.dll"), "standinLastInit");
    ASSERT_NE(lastInit, nullptr);
    int hasJavaArgs = -1, disableArgFile = -1;
    EXPECT_GE(lastInit(&hasJavaArgs, &disableArgFile), 1);
    EXPECT_EQ(hasJavaArgs, 1);
    EXPECT_EQ(disableArgFile, 0);
}

TEST_F(VmOptions, ArgumentFilesStayWithoutTheRuntimesLibrary) {
    loadRuntime(dir / "runtime", false);
    writeFile(dir / "args.txt", "-Dfrom.file=1\n");
    set(123, "@" + at("args.txt"));
    EXPECT_EQ(build(), (Strings{"-Dp=1", "@" + at("args.txt"), "-Djava.class.path="}));
}

// Runs in a child process of its own: the default options file beside the executable, and the
// mandatory entries that end the process.
class VmOptionsProbe : public ::testing::Test {
protected:
    void SetUp() override {
        dir = freshDir(std::string("vmoprobe_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        description = mkmedia::installerDefaults("Options Test");
    }
    ProcessResult run(const std::wstring& arguments, const RunOptions& options = {}) {
        std::string error;
        EXPECT_TRUE(mkmedia::writeSetupFile(binDir() / "vm_options_probe.exe", description, dir / "probe.exe", error))
            << error;
        return runSetup(dir / "probe.exe", L"quiet " + arguments, dir, options);
    }
    fs::path dir;
    mkmedia::MediaDescription description;
};

TEST_F(VmOptionsProbe, DefaultOptionsFileBesideTheExecutable) {
    struct Case {
        const char* read;  // entry 166
        bool shortName, longName;
        const char* expected;
    };
    const Case cases[] = {
        {"1", true, true, "option: -Dfile=short\n"},
        {"1", false, true, "option: -Dfile=long\n"},
        {"1", false, false, ""},
        {"0", true, true, ""},
    };
    for (const Case& c : cases) {
        fs::remove(dir / "probe.vmoptions");
        fs::remove(dir / "probe.exe.vmoptions");
        if (c.shortName) writeFile(dir / "probe.vmoptions", "-Dfile=short\n");
        if (c.longName) writeFile(dir / "probe.exe.vmoptions", "-Dfile=long\n");
        mkmedia::setConfig(description, 166, c.read);
        mkmedia::setConfig(description, 125, "1");
        mkmedia::setConfig(description, 123, "-Dconfigured=1");
        ProcessResult r = run(L"-J-Dj=1");
        EXPECT_EQ(r.exitCode, 0u) << r.err;
        std::erase(r.out, '\r');
        EXPECT_EQ(r.out, std::string("option: -Dprobe=1\noption: -Dconfigured=1\n") + c.expected +
                             "option: -Dj=1\noption: -Djava.class.path=\n")
            << c.read << c.shortName << c.longName;
    }
}

TEST_F(VmOptionsProbe, MandatoryEntriesThatAreMissingEndTheProcess) {
    const std::pair<int32_t, std::string> entries[] = {
        {121, "E1TVK_VMO_UNDEFINED"}, {121, "A1C:\\missing\\a.jar"}, {121, "S1C:\\missing_dir"},
        {132, "D1C:\\missing_mod"},   {132, "S1${TVK_VMO_MISSING_DIR}"},
    };
    const char* shown[] = {
        "The environment variable TVK_VMO_UNDEFINED has to be defined", "File or directory C:\\missing\\a.jar not found",
        "File or directory C:\\missing_dir not found", "File or directory C:\\missing_mod not found",
        "File or directory C:\\nowhere\\mods not found",
    };
    RunOptions options;
    options.environment[L"TVK_VMO_MISSING_DIR"] = L"C:\\nowhere\\mods";
    for (size_t i = 0; i < std::size(entries); ++i) {
        description = mkmedia::installerDefaults("Options Test");
        mkmedia::setConfig(description, entries[i].first, entries[i].second);
        ProcessResult r = run(L"", options);
        EXPECT_EQ(r.exitCode, 1u) << entries[i].second;
        EXPECT_NE(r.err.find(shown[i]), std::string::npos) << r.err;
        EXPECT_EQ(r.out.find("option:"), std::string::npos) << r.out;
    }
}

}  // namespace
