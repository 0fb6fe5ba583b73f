// The JVM search over Java homes built from the stand-in launcher and JVM libraries, and over the
// registry keys that each case creates in the Wine prefix and removes again.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <ostream>
#include <tuple>

#include "appended_block.h"
#include "java_probe.h"
#include "jvm_search.h"
#include "launch_state.h"
#include "native_log.h"
#include "paths.h"
#include "process_environment.h"
#include "temp_base.h"
#include "own_log.h"
#include "test_support.h"

using namespace testing_support;

namespace {

std::string lowerCase(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
    return text;
}

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

::testing::AssertionResult appearInOrder(const std::string& text, const std::vector<std::string>& parts) {
    size_t at = 0;
    for (const std::string& part : parts) {
        size_t found = text.find(part, at);
        if (found == std::string::npos)
            return ::testing::AssertionFailure() << "\"" << part << "\" is missing, or out of order, in:\n" << text;
        at = found + part.size();
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult appearNowhere(const std::string& text, const std::vector<std::string>& parts) {
    for (const std::string& part : parts)
        if (text.find(part) != std::string::npos)
            return ::testing::AssertionFailure() << "\"" << part << "\" should not appear in:\n" << text;
    return ::testing::AssertionSuccess();
}

// Keys and values a case writes; all of them go when the case ends. A key path's first missing
// ancestor is removed with everything below it.
class RegistryScratch {
public:
    RegistryScratch() = default;
    RegistryScratch(const RegistryScratch&) = delete;
    RegistryScratch& operator=(const RegistryScratch&) = delete;
    ~RegistryScratch() { clear(); }

    // Wide calls throughout: the 8-bit ones of Wine refuse key paths longer than MAX_PATH.
    void createKey(HKEY root, const std::string& path) {
        for (size_t end = path.find('\\');; end = path.find('\\', end + 1)) {
            std::string prefix = path.substr(0, end);
            HKEY key = nullptr;
            if (RegOpenKeyExW(root, widen(prefix).c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
                RegCloseKey(key);
            } else {
                trees.emplace_back(root, prefix);
                break;
            }
            if (end == std::string::npos) break;
        }
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(root, widen(path).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS)
            << path;
        RegCloseKey(key);
    }

    // A REG_SZ value, stored with its terminator or, as another program may have written it, without.
    void setText(HKEY root, const std::string& path, const std::string& name, const std::string& text,
                 bool terminated = true) {
        createKey(root, path);
        values.emplace_back(root, path, name);
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExW(root, widen(path).c_str(), 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
        // The system adds the terminator a writer left out when the byte after the text is a NUL.
        std::string data = text + (terminated ? '\0' : '#');
        LONG status = RegSetValueExA(key, name.c_str(), 0, REG_SZ, (const BYTE*)data.data(),
                                     (DWORD)(terminated ? data.size() : text.size()));
        RegCloseKey(key);
        ASSERT_EQ(status, ERROR_SUCCESS);
    }

    void clear() {
        for (const auto& [root, path, name] : values) {
            HKEY key = nullptr;
            if (RegOpenKeyExW(root, widen(path).c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) continue;
            RegDeleteValueA(key, name.c_str());
            RegCloseKey(key);
        }
        for (auto tree = trees.rbegin(); tree != trees.rend(); ++tree) {
            RegDeleteTreeW(tree->first, widen(tree->second).c_str());
            RegDeleteKeyW(tree->first, widen(tree->second).c_str());
        }
        values.clear();
        trees.clear();
    }

private:
    std::vector<std::pair<HKEY, std::string>> trees;
    std::vector<std::tuple<HKEY, std::string, std::string>> values;
};

constexpr char kJavaSoft[] = "SOFTWARE\\JavaSoft\\";

// Cases of this suite that run at the same time in other processes would find each other's registry
// runtimes; they take turns.
class RegistryTurn {
public:
    RegistryTurn() = default;
    RegistryTurn(const RegistryTurn&) = delete;
    RegistryTurn& operator=(const RegistryTurn&) = delete;
    ~RegistryTurn() { give(); }
    bool take() {
        mutex = CreateMutexW(nullptr, FALSE, L"Local\\tvk_jvm_search_registry");
        DWORD waited = mutex ? WaitForSingleObject(mutex, 180000) : WAIT_FAILED;
        held = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
        return held;
    }
    void give() {
        if (held) ReleaseMutex(mutex);
        held = false;
        if (mutex) CloseHandle(mutex);
        mutex = nullptr;
    }

private:
    HANDLE mutex = nullptr;
    bool held = false;
};

enum class Jvm { X64, X86 };

fs::path standinLibrary(Jvm jvm) {
    return binDir().parent_path() / "standin" / (jvm == Jvm::X64 ? "x64" : "x86") / "jvm.dll";
}

constexpr const char* kSearchVariables[] = {"JAVA_HOME", "JDK_HOME", "ZOLTA_JAVA_HOME", "TARVELINK_JAVA_HOME"};
constexpr char kChildVariable[] = "TVK_JVM_SEARCH_CHILD";

// Each case gets a folder of its own beside the test program, so that relative entries reach it from
// the launcher's directory; the application directory (entry 10003) is that folder. Everything a case
// changes in the process (configuration, launch state, environment, loaded libraries) and in the
// prefix (registry keys, version cache entries) is put back when it ends.
class JvmSearch : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(turn.take()) << "another case kept the registry for three minutes";
        launchState().logRequested = true;
        savedConfig = launcherConfig();
        savedInstaller = launchState().installerLauncher;
        savedTempDir = launcherTempDir();
        savedPath = currentPath();
        for (const char* name : kSearchVariables) setVariable(name, std::nullopt);

        static int cases = 0;
        folder = "jvms_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++cases);
        root = binDir() / folder;
        std::error_code ignored;
        fs::remove_all(root, ignored);
        fs::create_directories(root);
        abs = narrow(root.wstring());
        launchState().installerLauncher = true;
        launcherConfig().insert_or_assign(10003, abs);
    }

    void TearDown() override {
        for (HMODULE module : modules) FreeLibrary(module);
        registry.clear();
        deleteCacheEntries();
        for (const auto& [name, value] : savedVariables)
            SetEnvironmentVariableA(name.c_str(), value ? value->c_str() : nullptr);
        setPath(savedPath);
        launcherConfig() = savedConfig;
        launchState().installerLauncher = savedInstaller;
        launcherTempDir() = savedTempDir;
        std::error_code ignored;
        fs::remove_all(root, ignored);
        turn.give();
    }

    void setVariable(const std::string& name, const std::optional<std::string>& value) {
        if (!savedVariables.count(name)) {
            std::optional<std::string> old;
            DWORD size = GetEnvironmentVariableA(name.c_str(), nullptr, 0);
            if (size > 0) {
                std::string text(size, '\0');
                text.resize(GetEnvironmentVariableA(name.c_str(), text.data(), size));
                old = text;
            }
            savedVariables[name] = old;
        }
        SetEnvironmentVariableA(name.c_str(), value ? value->c_str() : nullptr);
    }

    void setConfig(int id, const std::string& value) { launcherConfig().insert_or_assign(id, value); }

    // A Java home in the case's folder: the stand-in launcher as bin\java.exe, printing `printed` as its
    // version (nothing when empty; `settings` adds lines of its own), and a JVM library in bin\server.
    // Returns the home's path.
    std::string makeHome(const std::string& name, const std::string& printed, Jvm jvm = Jvm::X64,
                         const std::string& settings = "") {
        fs::path home = root / name;
        fs::create_directories(home / "bin" / "server");
        fs::copy_file(binDir() / "standin_java.exe", home / "bin" / "java.exe");
        fs::copy_file(standinLibrary(jvm), home / "bin" / "server" / "jvm.dll");
        std::string lines = settings;
        if (!printed.empty()) lines += "stderr=openjdk version \"" + printed + "\" 2024-01-16\n";
        writeFile(home / "bin" / "standin.txt", lines);
        return abs + "\\" + name;
    }

    // The java executable of a home in the form the search reports it.
    std::string exeOf(const std::string& home) { return lowerCase(abs + "\\" + home + "\\bin\\java.exe"); }

    std::string expand(std::string text) {
        std::string forward = abs;
        std::replace(forward.begin(), forward.end(), '\\', '/');
        replaceAll(text, "{case}", folder);
        replaceAll(text, "{abs}", abs);
        replaceAll(text, "{lowabs}", lowerCase(abs));
        replaceAll(text, "{fwd}", forward);
        replaceAll(text, "{bin}", launcherDirectory());
        replaceAll(text, "{lowbin}", lowerCase(launcherDirectory()));
        replaceAll(text, "{path}", savedPath);
        return text;
    }

    std::vector<std::string> expand(const std::vector<std::string>& texts) {
        std::vector<std::string> expanded;
        for (const std::string& text : texts) expanded.push_back(expand(text));
        return expanded;
    }

    // A located runtime, registered as the locate dialog does: its path as chosen, slashes for backslashes.
    void registerLocated(HKEY root, const std::string& home) {
        registry.createKey(root, kLocatedJvmsKey + jvmCacheKey(abs + "\\" + home + "\\bin\\java.exe"));
    }

    JvmSearchResult search() {
        size_t mark = logText().size();
        JvmSearchResult result = findJvm();
        if (result.module) modules.push_back(result.module);
        log = logSince(mark);
        return result;
    }

    // Runs this case again in a child process, where the process-wide list of runtimes that failed to
    // load starts empty. True in the child, which then runs the case's body; the parent checks the
    // child's outcome.
    bool inOwnProcess() {
        if (GetEnvironmentVariableA(kChildVariable, nullptr, 0) > 0) return true;
        turn.give();
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::wstring filter = L"--gtest_filter=" + widen(std::string(info->test_suite_name()) + "." + info->name());
        wchar_t self[MAX_PATH * 4];
        DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH * 4);
        RunOptions options;
        options.environment[widen(kChildVariable)] = L"1";
        options.timeoutMs = 120000;
        ProcessResult child = runProcess(std::wstring(self, length), filter, options);
        EXPECT_EQ(child.exitCode, 0u) << child.out;
        EXPECT_NE(child.out.find("[  PASSED  ] 1 test"), std::string::npos) << child.out;
        return false;
    }

    RegistryScratch registry;
    fs::path root;
    std::string folder;  // the case's folder, relative to the launcher's directory
    std::string abs;     // its absolute path, as created
    std::string log;     // what the last search() logged
    std::string savedPath;

private:
    void deleteCacheEntries() {
        const std::string prefix = jvmCacheKey(lowerCase(abs)) + "/";
        HKEY cache = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kJvmCacheKey, 0, KEY_READ, &cache) != ERROR_SUCCESS) return;
        std::vector<std::string> ours;
        char name[1024];
        for (DWORD index = 0;; ++index) {
            DWORD length = sizeof name;
            if (RegEnumKeyExA(cache, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            if (std::string(name, length).rfind(prefix, 0) == 0) ours.emplace_back(name, length);
        }
        RegCloseKey(cache);
        for (const std::string& entry : ours) RegDeleteKeyA(HKEY_CURRENT_USER, (kJvmCacheKey + entry).c_str());
    }

    RegistryTurn turn;
    LauncherConfig savedConfig;
    bool savedInstaller = false;
    std::string savedTempDir;
    std::map<std::string, std::optional<std::string>> savedVariables;
    std::vector<HMODULE> modules;
};

void expectLoaded(const JvmSearchResult& result) {
    ASSERT_NE(result.module, nullptr);
    EXPECT_NE(GetProcAddress(result.module, "JNI_CreateJavaVM"), nullptr);
}

template <typename Case>
std::string caseName(const ::testing::TestParamInfo<Case>& info) {
    return info.param.name;
}

// --- Location files ---

TEST(JvmSearchLocationFile, FirstLineOfAnyLengthIsReadWithoutItsLineEnd) {
    fs::path dir = freshDir("jvm_search_location_" + std::to_string(GetCurrentProcessId()));
    const std::string longLine(10000, 'x');
    const std::tuple<const char*, std::optional<std::string>, std::optional<std::string>> cases[] = {
        {"crlf", "C:\\jdk\r\nsecond\r\n", "C:\\jdk"},
        {"lf", "C:\\jdk\nsecond", "C:\\jdk"},
        {"noLineEnd", "C:\\jdk", "C:\\jdk"},
        {"severalReturns", "C:\\jdk\r\r\n", "C:\\jdk"},
        {"emptyFirstLine", "\r\nC:\\jdk\r\n", ""},
        {"longLine", longLine + "\r\nsecond", longLine},
        {"longLineAtTheEnd", longLine, longLine},
        {"emptyFile", "", std::nullopt},
        {"missingFile", std::nullopt, std::nullopt},
    };
    for (const auto& [name, content, line] : cases) {
        SCOPED_TRACE(name);
        fs::path file = dir / name;
        if (content) writeFile(file, *content);
        std::string read = "before";
        EXPECT_EQ(readLocationFile(narrow(file.wstring()), read), line.has_value());
        EXPECT_EQ(read, line.value_or("before"));
    }
    std::string read;
    EXPECT_FALSE(readLocationFile(narrow(dir.wstring()), read)) << "a folder is no file";
    std::error_code ignored;
    fs::remove_all(dir, ignored);
}

// --- The frame of the search ---

TEST_F(JvmSearch, RuntimeBesideTheLauncherIsFoundFirst) {
    makeHome("runtime", "17.0.2");
    std::string registryHome = makeHome("registry", "21.0.1");
    registry.setText(HKEY_LOCAL_MACHINE, std::string(kJavaSoft) + "JRE\\21", "JavaHome", registryHome);
    setVariable("JAVA_HOME", makeHome("javahome", "21.0.1"));
    setConfig(128, expand("R.\\{case}\\runtime;Y;EJAVA_HOME;EJDK_HOME;"));

    JvmSearchResult result = search();
    expectLoaded(result);
    EXPECT_EQ(result.kind, JvmLocationKind::Directory);
    EXPECT_EQ(result.location, expand(".\\{case}\\runtime"));
    EXPECT_EQ(result.javaExe, exeOf("runtime"));
    EXPECT_EQ(result.version, "17.0.2");
    EXPECT_TRUE(appearInOrder(log, {"] Searching for a JVM\r\n", "] MinVersion: , MaxVersion: \r\n",
                                    expand("] Testing location .\\{case}\\runtime (type R)\r\n"),
                                    "] Trying to load JVM-DLL from " + exeOf("runtime") + "\r\n"}));
    EXPECT_TRUE(appearNowhere(log, {"(type Y)", "checkJavaExe (" + registryHome, "(type E)"}));
}

struct FallbackCase {
    const char* name;
    const char* sequence;
    const char* minimum;
    const char* printed;   // the version the runtime folder's java.exe prints
    const char* settings;  // further stand-in settings
    bool loaded;
    const char* location;
    std::vector<std::string> logged;  // in this order
    std::vector<std::string> absent;
};

void PrintTo(const FallbackCase& c, std::ostream* out) { *out << c.name; }

class FallbackPass : public JvmSearch, public ::testing::WithParamInterface<FallbackCase> {};

// A directory whose runtime the main pass refused is loaded anyway by the fallback pass when its entry
// is relative, or a B entry; nothing found leaves kind 0.
TEST_P(FallbackPass, TakesRelativeAndBEntriesWhateverTheirVersion) {
    const FallbackCase& c = GetParam();
    makeHome("runtime", c.printed, Jvm::X64, c.settings);
    setVariable("JAVA_HOME", makeHome("javahome", "11.0.3"));
    setConfig(126, c.minimum);
    setConfig(128, expand(c.sequence));

    JvmSearchResult result = search();
    if (c.loaded) {
        expectLoaded(result);
        EXPECT_EQ(result.kind, JvmLocationKind::Directory);
        EXPECT_EQ(result.javaExe, exeOf("runtime"));
        EXPECT_EQ(result.version, c.printed);
    } else {
        EXPECT_EQ(result.module, nullptr);
        EXPECT_EQ(result.kind, JvmLocationKind::None);
        EXPECT_EQ(result.javaExe, "");
        EXPECT_EQ(result.version, "");
    }
    EXPECT_EQ(result.location, expand(c.location));
    EXPECT_TRUE(appearInOrder(log, expand(c.logged)));
    EXPECT_TRUE(appearNowhere(log, expand(c.absent)));
}

INSTANTIATE_TEST_SUITE_P(
    JvmSearch, FallbackPass,
    ::testing::Values(
        FallbackCase{"relativeBelowTheMinimum", "R.\\{case}\\runtime;Y;EJAVA_HOME;EJDK_HOME;", "17", "11.0.2", "",
                     true, ".\\{case}\\runtime",
                     {"] Testing location .\\{case}\\runtime (type R)\r\n", "] checkJavaExe returning 0\r\n",
                      "] Testing location  (type Y)\r\n", "] Testing location JAVA_HOME (type E)\r\n",
                      "] Testing location JDK_HOME (type E)\r\n", "] Testing relative location .\\{case}\\runtime\r\n",
                      "] {lowabs}\\runtime\\bin\\java.exe exists\r\n"},
                     {"checking app id", "Search sequence finished"}},
        FallbackCase{"absoluteA", "A{abs}\\runtime", "17", "11.0.2", "", false, "",
                     {"] Testing location {abs}\\runtime (type A)\r\n", "] checkJavaExe returning 0\r\n",
                      "] Search sequence finished\r\n"},
                     {"Testing relative location"}},
        FallbackCase{"absoluteR", "R{abs}\\runtime", "17", "11.0.2", "", false, "",
                     {"] Testing location {abs}\\runtime (type R)\r\n", "] checkJavaExe returning 0\r\n",
                      "] Search sequence finished\r\n"},
                     {"Testing relative location"}},
        FallbackCase{"absoluteB", "B{abs}\\runtime", "17", "11.0.2", "", true, "{abs}\\runtime",
                     {"] Testing location {abs}\\runtime (type B)\r\n", "] checkJavaExe returning 0\r\n",
                      "] Testing relative location {abs}\\runtime\r\n"},
                     {}},
        FallbackCase{"relativeA", "A.\\{case}\\runtime", "17", "11.0.2", "", true, ".\\{case}\\runtime",
                     {"] Testing relative location .\\{case}\\runtime\r\n"}, {}},
        FallbackCase{"relativeB", "B.\\{case}\\runtime", "17", "11.0.2", "", true, ".\\{case}\\runtime",
                     {"] Testing relative location .\\{case}\\runtime\r\n"}, {}},
        FallbackCase{"noVersionAnswer", "R.\\{case}\\runtime", "", "", "exit=1\n", true, ".\\{case}\\runtime",
                     {"] couldn't get version\r\n", "] Testing relative location .\\{case}\\runtime\r\n"}, {}},
        FallbackCase{"noJavaExe", "R.\\{case}\\nothing", "", "17.0.2", "", false, "",
                     {"] Testing relative location .\\{case}\\nothing\r\n", "] Search sequence finished\r\n"},
                     {"\\java.exe exists"}},
        // Entry letters are upper case; others are passed over in both passes.
        FallbackCase{"lowerCaseLetter", "r.\\{case}\\runtime", "", "17.0.2", "", false, "",
                     {"] Testing location .\\{case}\\runtime (type r)\r\n", "] Search sequence finished\r\n"},
                     {"checkJavaExe (", "Testing relative location"}}),
    caseName<FallbackCase>);

struct EntryCase {
    const char* name;
    const char* sequence;
    std::map<std::string, std::string> variables;
    std::vector<std::tuple<std::string, std::string, Jvm>> homes;  // name, printed version, library
    bool loaded;
    JvmLocationKind kind;
    const char* location;
    const char* home;  // whose java.exe and version are reported
    std::vector<std::string> logged;
};

void PrintTo(const EntryCase& c, std::ostream* out) { *out << c.name; }

class EntryTypes : public JvmSearch, public ::testing::WithParamInterface<EntryCase> {};

TEST_P(EntryTypes, ReportTheirKindAndLocationText) {
    const EntryCase& c = GetParam();
    std::string version;
    for (const auto& [name, printed, jvm] : c.homes) {
        makeHome(name, printed, jvm);
        if (name == c.home) version = printed;
    }
    for (const auto& [name, value] : c.variables) setVariable(name, expand(value));
    setConfig(128, expand(c.sequence));

    JvmSearchResult result = search();
    if (c.loaded) expectLoaded(result);
    else EXPECT_EQ(result.module, nullptr);
    EXPECT_EQ(result.kind, c.kind);
    EXPECT_EQ(result.location, expand(c.location));
    EXPECT_EQ(result.javaExe, exeOf(c.home));
    EXPECT_EQ(result.version, version);
    EXPECT_TRUE(appearInOrder(log, expand(c.logged)));
}

INSTANTIATE_TEST_SUITE_P(
    JvmSearch, EntryTypes,
    ::testing::Values(
        EntryCase{"variableWithForwardSlashes", "EJAVA_HOME", {{"JAVA_HOME", "{fwd}/jdk"}},
                  {{"jdk", "17.0.2", Jvm::X64}}, true, JvmLocationKind::EnvironmentVariable, "JAVA_HOME", "jdk",
                  {"] checkJavaExe ({abs}\\jdk\\bin\\java.exe, [out], 0, 0, 0)\r\n"}},
        EntryCase{"searchPath", "Sthe search path", {{"PATH", "{abs}\\onpath\\bin;{path}"}},
                  {{"onpath", "17.0.2", Jvm::X64}}, true, JvmLocationKind::SearchPath, "the search path", "onpath",
                  {"] Testing location the search path (type S)\r\n", "] checkJavaExe ({abs}\\onpath\\bin\\java.exe"}},
        EntryCase{"launcherVariable", "A${launcher:sys.launcherDirectory}{case}\\jdk", {},
                  {{"jdk", "17.0.2", Jvm::X64}}, true, JvmLocationKind::Directory, "{bin}{case}\\jdk", "jdk",
                  {"] Testing location {bin}{case}\\jdk (type A)\r\n"}},
        EntryCase{"emptyEntriesAndAnUnsetVariable", ";;ETVK_UNSET_JAVA_HOME;;EJDK_HOME;", {{"JDK_HOME", "{abs}\\jdk"}},
                  {{"jdk", "17.0.2", Jvm::X64}}, true, JvmLocationKind::EnvironmentVariable, "JDK_HOME", "jdk",
                  {"] Testing location TVK_UNSET_JAVA_HOME (type E)\r\n", "] Testing location JDK_HOME (type E)\r\n"}},
        EntryCase{"fixedVariablesAfterTheSequence", "",
                  {{"ZOLTA_JAVA_HOME", "{abs}\\missing"}, {"TARVELINK_JAVA_HOME", "{abs}\\jdk"}},
                  {{"jdk", "17.0.2", Jvm::X64}}, true, JvmLocationKind::EnvironmentVariable, "TARVELINK_JAVA_HOME",
                  "jdk",
                  {"] Search sequence finished\r\n", "] checkJavaExe ({abs}\\missing\\bin\\java.exe",
                   "] checkJavaExe ({abs}\\jdk\\bin\\java.exe"}},
        // 32-bit libraries do not load: the last candidate that passed is reported, not the first.
        EntryCase{"lastPassedIsReported", "A{abs}\\first;EJAVA_HOME;EJDK_HOME",
                  {{"JAVA_HOME", "{abs}\\second"}, {"JDK_HOME", "{abs}\\missing"}},
                  {{"first", "17.0.2", Jvm::X86}, {"second", "11.0.2", Jvm::X86}}, false,
                  JvmLocationKind::EnvironmentVariable, "JAVA_HOME", "second",
                  {"] Trying to load JVM-DLL from {lowabs}\\first\\bin\\java.exe\r\n",
                   "] Trying to load JVM-DLL from {lowabs}\\second\\bin\\java.exe\r\n",
                   "] Search sequence finished\r\n"}}),
    caseName<EntryCase>);

enum class LocationFile { Preferred, TemporaryInstaller, ApplicationInstaller };

struct LocationCase {
    const char* name;
    LocationFile file;
    bool installer;
    const char* content;
    const char* located;   // version printed by the home "loc"; none when empty
    const char* sequence;  // version printed by the home "seq" of the sequence "R.\...\seq"
    const char* used;      // the home that is loaded
    const char* location;
    std::vector<std::string> logged;
    std::vector<std::string> absent;
};

void PrintTo(const LocationCase& c, std::ostream* out) { *out << c.name; }

class LocationFiles : public JvmSearch, public ::testing::WithParamInterface<LocationCase> {};

// The minimum is 17 throughout: "seq" at 11.0.2 is refused by the main pass, and only the fallback
// pass would take it.
TEST_P(LocationFiles, AreReadAroundTheSequence) {
    const LocationCase& c = GetParam();
    if (*c.located) makeHome("loc", c.located);
    makeHome("seq", c.sequence);
    launchState().installerLauncher = c.installer;
    launcherTempDir() = abs + "\\temp";
    setConfig(126, "17");
    setConfig(128, expand("R.\\{case}\\seq"));
    fs::path file = c.file == LocationFile::TemporaryInstaller ? root / "temp" / "inst_jre.cfg"
                    : c.file == LocationFile::Preferred       ? root / ".tarvelink" / "pref_jre.cfg"
                                                              : root / ".tarvelink" / "inst_jre.cfg";
    fs::create_directories(file.parent_path());
    writeFile(file, expand(c.content));

    JvmSearchResult result = search();
    expectLoaded(result);
    EXPECT_EQ(result.kind, JvmLocationKind::Directory);
    EXPECT_EQ(result.javaExe, exeOf(c.used));
    EXPECT_EQ(result.version, std::string(c.used) == "loc" ? c.located : c.sequence);
    EXPECT_EQ(result.location, expand(c.location));
    EXPECT_TRUE(appearInOrder(log, expand(c.logged)));
    EXPECT_TRUE(appearNowhere(log, expand(c.absent)));
}

INSTANTIATE_TEST_SUITE_P(
    JvmSearch, LocationFiles,
    ::testing::Values(
        LocationCase{"preferredBeforeTheSequence", LocationFile::Preferred, true, "{abs}\\loc\r\nignored\r\n",
                     "17.0.5", "17.0.2", "loc", "{abs}\\loc",
                     {"] Has preferred location {abs}\\loc\r\n", "] Using preferred location\r\n"},
                     {"Testing location"}},
        LocationCase{"preferredAllowsPreRelease", LocationFile::Preferred, true, "{abs}\\loc", "21-ea", "17.0.2",
                     "loc", "{abs}\\loc", {"] Using preferred location\r\n"}, {}},
        LocationCase{"preferredRelative", LocationFile::Preferred, true, ".\\{case}\\loc\n", "17.0.5", "17.0.2",
                     "loc", ".\\{case}\\loc", {"] Has preferred location .\\{case}\\loc\r\n"}, {}},
        // An empty line names the launcher's own directory, which holds no runtime here.
        LocationCase{"preferredEmptyLine", LocationFile::Preferred, true, "\r\n{abs}\\loc\r\n", "17.0.5", "17.0.2",
                     "seq", ".\\{case}\\seq",
                     {"] Has preferred location \r\n", "] checkJavaExe ({lowbin}bin\\java.exe, [out], 1, 0, 1)\r\n",
                      "] Testing location .\\{case}\\seq (type R)\r\n"},
                     {"Using preferred location"}},
        LocationCase{"temporaryInstallerBeforeTheSequence", LocationFile::TemporaryInstaller, true, "{abs}\\loc",
                     "17.0.5", "17.0.2", "loc", "{abs}\\loc",
                     {"] Has installer location {abs}\\loc\r\n", "] Using preferred location\r\n"},
                     {"Testing location"}},
        LocationCase{"temporaryInstallerRefusesPreRelease", LocationFile::TemporaryInstaller, true, "{abs}\\loc",
                     "21-ea", "17.0.2", "seq", ".\\{case}\\seq",
                     {"] Has installer location {abs}\\loc\r\n", "] beta vm not allowed\r\n",
                      "] Testing location .\\{case}\\seq (type R)\r\n"},
                     {"Using preferred location"}},
        LocationCase{"temporaryInstallerNotForTheUninstaller", LocationFile::TemporaryInstaller, false,
                     "{abs}\\loc", "17.0.5", "17.0.2", "seq", ".\\{case}\\seq", {}, {"Has installer location"}},
        LocationCase{"applicationInstallerBeforeTheFallbackPass", LocationFile::ApplicationInstaller, false,
                     "{abs}\\loc", "17.0.5", "11.0.2", "loc", "{abs}\\loc",
                     {"] Testing location .\\{case}\\seq (type R)\r\n", "] Has installer location {abs}\\loc\r\n",
                      "] Using installer location\r\n"},
                     {"Testing relative location"}},
        LocationCase{"applicationInstallerOnlyWhenTheSequenceFailed", LocationFile::ApplicationInstaller, true,
                     "{abs}\\loc", "17.0.5", "17.0.2", "seq", ".\\{case}\\seq", {}, {"Has installer location"}}),
    caseName<LocationCase>);

// --- The Windows Java registry ---

struct JavaSoftCase {
    const char* name;
    const char* maximum;
    std::vector<std::pair<std::string, std::string>> homes;  // name, printed version
    // Below SOFTWARE\JavaSoft: key, value name, text, stored with its terminator
    std::vector<std::tuple<std::string, std::string, std::string, bool>> values;
    const char* found;  // the home found; none when empty
};

void PrintTo(const JavaSoftCase& c, std::ostream* out) { *out << c.name; }

class JavaSoftRegistry : public JvmSearch, public ::testing::WithParamInterface<JavaSoftCase> {};

TEST_P(JavaSoftRegistry, ChoosesTheRuntimeByCurrentVersionThenBySubkeys) {
    const JavaSoftCase& c = GetParam();
    std::string version;
    for (const auto& [name, printed] : c.homes) {
        makeHome(name, printed);
        if (name == c.found) version = printed;
    }
    for (const auto& [key, name, text, terminated] : c.values)
        registry.setText(HKEY_LOCAL_MACHINE, kJavaSoft + key, name, expand(text), terminated);
    setConfig(127, c.maximum);
    const VersionBounds bounds = readVersionBounds();

    std::string javaExe = "before", found = "before";
    EXPECT_EQ(findJavaSoftRuntime(javaExe, found, bounds), *c.found != '\0');
    EXPECT_EQ(javaExe, *c.found ? exeOf(c.found) : "before");
    EXPECT_EQ(found, *c.found ? version : "before");
}

const std::string kVersion100 = "17." + std::string(97, '0');
const std::string kVersion101 = kVersion100 + "0";
const std::string kLongestKeyName = "9" + std::string(254, '0');

INSTANTIATE_TEST_SUITE_P(
    JvmSearch, JavaSoftRegistry,
    ::testing::Values(
        JavaSoftCase{"newerJdkCurrentVersion", "",
                     {{"jdk17", "17.0.2"}, {"jre11", "11.0.2"}},
                     {{"JDK", "CurrentVersion", "17", true},
                      {"JDK\\17", "JavaHome", "{abs}\\jdk17", true},
                      {"JRE", "CurrentVersion", "11", true},
                      {"JRE\\11", "JavaHome", "{abs}\\jre11", true}},
                     "jdk17"},
        JavaSoftCase{"equalCurrentVersionsGoToTheJre", "",
                     {{"jdk11", "11.0.2"}, {"jre11", "11.0.2"}},
                     {{"JDK", "CurrentVersion", "11", true},
                      {"JDK\\11", "JavaHome", "{abs}\\jdk11", true},
                      {"JRE", "CurrentVersion", "11", true},
                      {"JRE\\11", "JavaHome", "{abs}\\jre11", true}},
                     "jre11"},
        // The JDK's runtime itself would do (it prints 17.0.1); its CurrentVersion is out of range.
        JavaSoftCase{"currentVersionOutOfRange", "17",
                     {{"jdk21", "17.0.1"}, {"jre11", "11.0.2"}},
                     {{"JDK", "CurrentVersion", "21", true},
                      {"JDK\\21", "JavaHome", "{abs}\\jdk21", true},
                      {"JRE", "CurrentVersion", "11", true},
                      {"JRE\\11", "JavaHome", "{abs}\\jre11", true}},
                     "jre11"},
        JavaSoftCase{"noCurrentVersionUsesTheJreKeyItself", "",
                     {{"jre", "1.8.0_181"}},
                     {{"JRE", "JavaHome", "{abs}\\jre", true}},
                     "jre"},
        JavaSoftCase{"currentVersionFillingItsBufferUnterminated", "",
                     {{"jdkLong", "17.0.2"}, {"jre11", "11.0.2"}},
                     {{"JDK", "CurrentVersion", kVersion100, false},
                      {"JDK\\" + kVersion100, "JavaHome", "{abs}\\jdkLong", true},
                      {"JRE", "CurrentVersion", "11", true},
                      {"JRE\\11", "JavaHome", "{abs}\\jre11", true}},
                     "jdkLong"},
        JavaSoftCase{"currentVersionTooLongIsUnreadable", "",
                     {{"jdkLong", "17.0.2"}, {"jre11", "11.0.2"}},
                     {{"JDK", "CurrentVersion", kVersion101, false},
                      {"JDK\\" + kVersion101, "JavaHome", "{abs}\\jdkLong", true},
                      {"JRE", "CurrentVersion", "11", true},
                      {"JRE\\11", "JavaHome", "{abs}\\jre11", true}},
                     "jre11"},
        JavaSoftCase{"javaHomeUnterminated", "",
                     {{"jre", "11.0.2"}},
                     {{"JRE\\11", "JavaHome", "{abs}\\jre", false}},
                     "jre"},
        JavaSoftCase{"jreSubkeysInDescendingTextOrder", "",
                     {{"v18", "1.8.0_181"}, {"v11", "11.0.2"}, {"v17", "17.0.2"}, {"v9", "9.0.4"}},
                     {{"JRE\\1.8", "JavaHome", "{abs}\\v18", true},
                      {"JRE\\11.0.2", "JavaHome", "{abs}\\v11", true},
                      {"JRE\\17", "JavaHome", "{abs}\\v17", true},
                      {"JRE\\9", "JavaHome", "{abs}\\v9", true}},
                     "v9"},
        JavaSoftCase{"longestSubkeyName", "",
                     {{"v18", "1.8.0_181"}, {"vLong", "9.0.4"}},
                     {{"JRE\\1.8", "JavaHome", "{abs}\\v18", true},
                      {"JRE\\" + kLongestKeyName, "JavaHome", "{abs}\\vLong", true}},
                     "vLong"},
        JavaSoftCase{"jreSubkeysBeforeJdkSubkeys", "",
                     {{"jdk21", "21.0.1"}, {"jre11", "11.0.2"}},
                     {{"JDK\\21", "JavaHome", "{abs}\\jdk21", true}, {"JRE\\11", "JavaHome", "{abs}\\jre11", true}},
                     "jre11"},
        JavaSoftCase{"olderKeyNames", "",
                     {{"jre8", "1.8.0_181"}},
                     {{"Java Runtime Environment", "CurrentVersion", "1.8", true},
                      {"Java Runtime Environment\\1.8", "JavaHome", "{abs}\\jre8", true}},
                     "jre8"},
        JavaSoftCase{"nothingUsable", "",
                     {},
                     {{"JRE", "CurrentVersion", "11", true}, {"JRE\\11", "JavaHome", "{abs}\\missing", true}},
                     ""}),
    caseName<JavaSoftCase>);

struct LocatedCase {
    const char* name;
    bool bundledOnly;  // entry 165
    const char* registered;  // version of the JavaSoft runtime "sun"; none when empty
    std::optional<std::pair<std::string, std::string>> user, machine;  // home, printed version
    const char* winner;  // "sun", the user's or the machine's home; none when empty
    std::vector<std::string> absent;
};

void PrintTo(const LocatedCase& c, std::ostream* out) { *out << c.name; }

class LocatedRuntimes : public JvmSearch, public ::testing::WithParamInterface<LocatedCase> {};

TEST_P(LocatedRuntimes, AreWeighedAgainstTheRegistryByVersion) {
    const LocatedCase& c = GetParam();
    std::map<std::string, std::string> versions;
    if (*c.registered) {
        registry.setText(HKEY_LOCAL_MACHINE, std::string(kJavaSoft) + "JRE\\17", "JavaHome",
                         makeHome("sun", c.registered));
        versions["sun"] = c.registered;
    }
    for (const auto& [located, where] :
         {std::pair{c.user, HKEY_CURRENT_USER}, std::pair{c.machine, HKEY_LOCAL_MACHINE}}) {
        if (!located) continue;
        makeHome(located->first, located->second);
        registerLocated(where, located->first);
        versions[located->first] = located->second;
    }
    if (c.bundledOnly) setConfig(165, "1");

    size_t mark = logText().size();
    std::string javaExe = "before", version = "before";
    EXPECT_EQ(findRegisteredJava(javaExe, version, {}), *c.winner != '\0');
    std::string logged = logSince(mark);
    if (*c.winner) {
        EXPECT_EQ(javaExe, exeOf(c.winner));
        EXPECT_EQ(version, versions[c.winner]);
    } else {
        EXPECT_EQ(javaExe, "before");
        EXPECT_EQ(version, "before");
    }
    if (*c.registered && !c.bundledOnly) {
        EXPECT_NE(logged.find("] found sun " + exeOf("sun") + " " + c.registered + "\r\n"), std::string::npos)
            << logged;
    }
    EXPECT_TRUE(appearNowhere(logged, expand(c.absent)));
}

INSTANTIATE_TEST_SUITE_P(
    JvmSearch, LocatedRuntimes,
    ::testing::Values(
        LocatedCase{"equalVersionsGoToTheLocated", false, "17.0.2", std::nullopt, {{"machine", "17.0.2"}}, "machine",
                    {}},
        LocatedCase{"newerRegistryWins", false, "17.0.2", std::nullopt, {{"machine", "17.0.1"}}, "sun", {}},
        LocatedCase{"newerLocatedWins", false, "17.0.1", {{"user", "17.0.2"}}, std::nullopt, "user", {}},
        LocatedCase{"preReleaseLocatedIsAdmitted", false, "17.0.2", std::nullopt, {{"machine", "21-ea"}}, "machine",
                    {}},
        LocatedCase{"equalRootsGoToTheMachine", false, "", {{"user", "17.0.2"}}, {{"machine", "17.0.2"}}, "machine",
                    {}},
        LocatedCase{"newerUserWins", false, "", {{"user", "17.0.3"}}, {{"machine", "17.0.2"}}, "user", {}},
        LocatedCase{"bundledOnly", true, "21.0.2", {{"tvk_jres\\user", "17.0.1"}}, {{"machine", "21.0.2"}},
                    "tvk_jres\\user", {"checkJavaExe ({abs}\\sun", "checkJavaExe ({abs}\\machine", "found sun"}},
        LocatedCase{"bundledOnlyFindsNothingElse", true, "21.0.2", std::nullopt, {{"machine", "21.0.2"}}, "",
                    {"checkJavaExe ("}}),
    caseName<LocatedCase>);

// Entry 165 also keeps the search from the JavaSoft keys when it runs the Y entry.
TEST_F(JvmSearch, BundledRuntimesOnlyLeaveTheJavaSoftKeysUnread) {
    registry.setText(HKEY_LOCAL_MACHINE, std::string(kJavaSoft) + "JRE\\17", "JavaHome", makeHome("sun", "17.0.2"));
    makeHome("tvk_jres\\jdk", "11.0.2");
    registerLocated(HKEY_LOCAL_MACHINE, "tvk_jres\\jdk");
    setConfig(165, "1");
    setConfig(128, "Y");

    JvmSearchResult result = search();
    expectLoaded(result);
    EXPECT_EQ(result.kind, JvmLocationKind::Registry);
    EXPECT_EQ(result.javaExe, exeOf("tvk_jres\\jdk"));
    EXPECT_EQ(result.location, "");
    EXPECT_TRUE(appearInOrder(log, {"] found located " + exeOf("tvk_jres\\jdk") + " 11.0.2\r\n"}));
    EXPECT_TRUE(appearNowhere(log, {"found sun", expand("checkJavaExe ({abs}\\sun")}));
}

// Runtimes found by Y whose library does not load go on the non-working list, and Y asks again:
// the JRE subkeys come in descending text order, 9, 17, 11.0.2, 1.8; out-of-range ones not at all.
TEST_F(JvmSearch, RegistryRuntimesThatFailToLoadArePassedOver) {
    if (!inOwnProcess()) return;
    struct Subkey {
        const char* name;
        const char* printed;
        Jvm jvm;
    };
    const Subkey subkeys[] = {{"1.8", "1.8.0_181", Jvm::X64}, {"11.0.2", "11.0.2", Jvm::X86},
                              {"17", "17.0.2", Jvm::X86},      {"9", "9.0.4", Jvm::X86}};
    auto layOut = [&](const std::string& prefix) {
        registry.clear();
        for (const Subkey& s : subkeys)
            registry.setText(HKEY_LOCAL_MACHINE, std::string(kJavaSoft) + "JRE\\" + s.name, "JavaHome",
                             makeHome(prefix + s.name, s.printed, s.jvm));
    };
    setConfig(128, "Y");
    {
        SCOPED_TRACE("all in range");
        layOut("a");
        JvmSearchResult result = search();
        expectLoaded(result);
        EXPECT_EQ(result.kind, JvmLocationKind::Registry);
        EXPECT_EQ(result.javaExe, exeOf("a1.8"));
        EXPECT_EQ(result.version, "1.8.0_181");
        std::vector<std::string> order;
        for (const char* name : {"a9", "a17", "a11.0.2"}) {
            order.push_back("] Trying to load JVM-DLL from " + exeOf(name) + "\r\n");
            order.push_back("] add non-working java " + exeOf(name) + "\r\n");
        }
        order.push_back("] Trying to load JVM-DLL from " + exeOf("a1.8") + "\r\n");
        EXPECT_TRUE(appearInOrder(log, order));
    }
    {
        SCOPED_TRACE("minimum 11");
        layOut("b");
        setConfig(126, "11");
        JvmSearchResult result = search();
        EXPECT_EQ(result.module, nullptr);
        EXPECT_EQ(result.kind, JvmLocationKind::Registry);
        EXPECT_EQ(result.javaExe, exeOf("b11.0.2"));
        EXPECT_EQ(result.version, "11.0.2");
        EXPECT_TRUE(appearInOrder(log, {"] add non-working java " + exeOf("b17") + "\r\n",
                                        "] add non-working java " + exeOf("b11.0.2") + "\r\n",
                                        "] Search sequence finished\r\n"}));
        EXPECT_TRUE(appearNowhere(log, {expand("checkJavaExe ({abs}\\b9\\"), expand("checkJavaExe ({abs}\\b1.8\\")}));
    }
}

TEST_F(JvmSearch, RegistryStepGivesUpOnceTheNonWorkingListIsFull) {
    if (!inOwnProcess()) return;
    for (int entry = 1; entry <= 48; ++entry)
        ASSERT_TRUE(addNonWorkingJava("c:\\gone" + std::to_string(entry) + "\\bin\\java.exe"));
    // Tried in the order 17, 11, 1.8; only 1.8 would load.
    const std::string jre = std::string(kJavaSoft) + "JRE\\";
    registry.setText(HKEY_LOCAL_MACHINE, jre + "17", "JavaHome", makeHome("v17", "17.0.2", Jvm::X86));
    registry.setText(HKEY_LOCAL_MACHINE, jre + "11", "JavaHome", makeHome("v11", "11.0.2", Jvm::X86));
    registry.setText(HKEY_LOCAL_MACHINE, jre + "1.8", "JavaHome", makeHome("v18", "1.8.0_181"));
    setConfig(128, "Y");

    JvmSearchResult result = search();
    EXPECT_EQ(result.module, nullptr);
    EXPECT_EQ(result.kind, JvmLocationKind::Registry);
    EXPECT_EQ(result.javaExe, exeOf("v11"));
    EXPECT_TRUE(appearInOrder(log, {"] add non-working java " + exeOf("v17") + "\r\n",
                                    "] add non-working java " + exeOf("v11") + "\r\n",
                                    "] Search sequence finished\r\n"}));
    EXPECT_TRUE(appearNowhere(log, {"Trying to load JVM-DLL from " + exeOf("v18")}));
}

// --- Previous installations ---

struct InstallationsCase {
    const char* name;
    bool switchedOff;  // the uninstaller's empty entry 160
    std::optional<std::string> user, machine;  // the installations value under each root
    size_t paddedTo;                           // the user's value padded with ';' to this length, stored unterminated
    const char* minimum;
    bool jdkRequired;   // entry 131: a home without lib\tools.jar has no java executable
    const char* found;  // the installation directory whose jre is used
    std::vector<std::string> logged;
};

void PrintTo(const InstallationsCase& c, std::ostream* out) { *out << c.name; }

class PreviousInstallations : public JvmSearch, public ::testing::WithParamInterface<InstallationsCase> {};

TEST_P(PreviousInstallations, AreSearchedUnderTheUserThenTheMachine) {
    const InstallationsCase& c = GetParam();
    const std::string valueName = "allinstdirs_tvktest" + std::to_string(GetCurrentProcessId());
    makeHome("app\\jre", "17.0.2");
    makeHome("app2\\jre", "17.0.3");
    setConfig(160, c.switchedOff ? "" : valueName);
    setConfig(126, c.minimum);
    if (c.jdkRequired) setConfig(131, "1");
    if (c.user) {
        std::string value = expand(*c.user);
        if (c.paddedTo) value.resize(c.paddedTo, ';');
        registry.setText(HKEY_CURRENT_USER, kInstallationsKey, c.switchedOff ? "" : valueName, value, !c.paddedTo);
    }
    if (c.machine) registry.setText(HKEY_LOCAL_MACHINE, kInstallationsKey, valueName, expand(*c.machine));

    JvmSearchResult result = search();
    if (*c.found) {
        expectLoaded(result);
        EXPECT_EQ(result.kind, JvmLocationKind::Registry);
        EXPECT_EQ(result.javaExe, exeOf(std::string(c.found) + "\\jre"));
    } else {
        EXPECT_EQ(result.module, nullptr);
        EXPECT_EQ(result.kind, JvmLocationKind::None);
    }
    std::vector<std::string> logged = expand(c.logged);
    for (std::string& line : logged) replaceAll(line, "{value}", valueName);
    EXPECT_TRUE(appearInOrder(log, logged));
}

INSTANTIATE_TEST_SUITE_P(
    JvmSearch, PreviousInstallations,
    ::testing::Values(
        InstallationsCase{"user", false, "{abs}\\gone;;{abs}\\app", "{abs}\\app2", 0, "", false, "app",
                          {"] checking app id {value} (", "] found installations: {abs}\\gone;;{abs}\\app\r\n",
                           "] java version did not match in {abs}\\gone\\jre\r\n",
                           "] found JRE from previous installation (user) {lowabs}\\app\\jre\\bin\\java.exe\r\n"}},
        InstallationsCase{"machine", false, std::nullopt, "{abs}\\app2", 0, "", false, "app2",
                          {"] could not open installation node 2\r\n", "] found installations: {abs}\\app2\r\n",
                           "] found JRE from previous installation (machine) {lowabs}\\app2\\jre\\bin\\java.exe\r\n"}},
        InstallationsCase{"versionRefused", false, "{abs}\\app", std::nullopt, 0, "17.0.3", false, "",
                          {"] java version did not match in {abs}\\app\\jre\r\n",
                           "] could not open installation node 2\r\n", "] Search sequence finished\r\n"}},
        InstallationsCase{"jdkRequired", false, "{abs}\\app", std::nullopt, 0, "", true, "",
                          {"] did not find java in {abs}\\app\\jre\r\n", "] Search sequence finished\r\n"}},
        InstallationsCase{"switchedOff", true, "{abs}\\app", std::nullopt, 0, "", false, "",
                          {"] checking app id  (", "] checking app id  (", "] Search sequence finished\r\n"}},
        InstallationsCase{"valueFillingItsBufferUnterminated", false, "{abs}\\app", std::nullopt, 6000, "", false,
                          "app",
                          {"] found JRE from previous installation (user) "}},
        InstallationsCase{"valueTooLong", false, "{abs}\\app", std::nullopt, 6001, "", false, "",
                          {"] could not query value node 234\r\n", "] Search sequence finished\r\n"}}),
    caseName<InstallationsCase>);

}  // namespace
