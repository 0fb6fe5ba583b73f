// The probe of java executables, the version cache and the located list in the real registry of the
// Wine prefix, and the list of runtimes that failed to load; the runtimes are copies of the stand-in
// launcher (tests/standin_runtime), told by a standin.txt beside them how to behave.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "appended_block.h"
#include "java_probe.h"
#include "launch_state.h"
#include "native_log.h"
#include "paths.h"
#include "own_log.h"
#include "test_support.h"

using namespace testing_support;

namespace {

// Test cases run as parallel processes: each process gets a temporary base (TMP, TEMP) and a native
// log of its own, set before the first log line, and its runtime paths (hence its cache entries)
// carry its process id. The folder goes when the tests end; what a library loaded by a test still
// holds goes with the folders of ended processes when the next test program starts.
fs::path processTemp;
constexpr char kProcessTempPrefix[] = "tvk_jvm_";

void removeFoldersOfEndedProcesses(const fs::path& base) {
    std::error_code ignored;
    std::vector<fs::path> ended;
    for (const auto& entry : fs::directory_iterator(base, ignored)) {
        std::string name = entry.path().filename().string();
        if (name.rfind(kProcessTempPrefix, 0) != 0) continue;
        DWORD id = strtoul(name.c_str() + strlen(kProcessTempPrefix), nullptr, 10);
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
        bool running = process && WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
        if (process) CloseHandle(process);
        if (!running) ended.push_back(entry.path());
    }
    for (const fs::path& folder : ended) fs::remove_all(folder, ignored);
}

class ProcessTemp : public ::testing::Environment {
public:
    void SetUp() override {
        fs::path base = fs::temp_directory_path();
        removeFoldersOfEndedProcesses(base);
        processTemp = base / (kProcessTempPrefix + std::to_string(GetCurrentProcessId()));
        std::error_code ignored;
        fs::remove_all(processTemp, ignored);
        fs::create_directories(processTemp);
        SetEnvironmentVariableW(L"TMP", processTemp.c_str());
        SetEnvironmentVariableW(L"TEMP", processTemp.c_str());
        launchState().logRequested = true;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(processTemp, ignored);
    }
};

[[maybe_unused]] const ::testing::Environment* const processTempEnvironment =
    ::testing::AddGlobalTestEnvironment(new ProcessTemp);

size_t occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

// The form checkJavaExe gives a path: these folders are ASCII, so lower case is all there is to it.
std::string normalised(const fs::path& path) {
    std::string text = narrow(path.wstring());
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
    return text;
}

FILETIME writeTimeOf(const std::string& path) {
    FILETIME time{};
    EXPECT_TRUE(lastWriteTime(path.c_str(), &time)) << path;
    return time;
}

std::string bytesOf(const FILETIME& time) { return std::string((const char*)&time, sizeof time); }

std::string cacheKeyOf(const std::string& javaExe) { return kJvmCacheKey + jvmCacheKey(javaExe); }

// A value of the cache entry as stored, or nothing.
std::optional<std::string> cachedValue(const std::string& javaExe, const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, cacheKeyOf(javaExe).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    std::vector<char> data(3 * kTextUnits);
    DWORD size = (DWORD)data.size();
    LONG status = RegQueryValueExA(key, name, nullptr, nullptr, (BYTE*)data.data(), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return std::nullopt;
    std::string value(data.data(), size);
    if (!value.empty() && value.back() == '\0') value.pop_back();  // the system terminates stored texts
    return value;
}

// Writes an entry as another launcher might have; texts are stored exactly as given, without a NUL.
void writeCacheEntry(const std::string& javaExe, const std::string& time, const std::string& version) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, cacheKeyOf(javaExe).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "LastWriteTime", 0, REG_BINARY, (const BYTE*)time.data(), (DWORD)time.size());
    // The system adds the terminator a caller "forgot" when the byte after the text is a NUL.
    std::string unterminated = version + "#";
    RegSetValueExA(key, "Version", 0, REG_SZ, (const BYTE*)unterminated.data(), (DWORD)version.size());
    RegCloseKey(key);
}

void deleteCacheEntry(const std::string& javaExe) { RegDeleteKeyA(HKEY_CURRENT_USER, cacheKeyOf(javaExe).c_str()); }

// Probe output files left in the temporary base.
size_t probeOutputFilesLeft() {
    size_t count = 0;
    for (const auto& entry : fs::directory_iterator(processTemp))
        if (entry.path().filename().string().rfind("zta", 0) == 0) ++count;
    return count;
}

const std::string kJdk21 = "stderr=openjdk version \"21.0.2\" 2024-01-16\n"
                           "stderr=OpenJDK Runtime Environment (build 21.0.2+13-58)\n";

std::string printing(const std::string& version) { return "stderr=openjdk version \"" + version + "\" 2024-01-16\n"; }

// Builds stand-in runtimes in a folder of the test's own, and removes their cache entries and the
// configuration entries and time-out a test set.
class JavaProbe : public ::testing::Test {
protected:
    void SetUp() override {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "_" + info->name();
        for (char& c : name)
            if (!isalnum((unsigned char)c)) c = '_';
        dir = freshDir(name);
    }

    void TearDown() override {
        for (const std::string& exe : created) {
            deleteCacheEntry(exe);
            deleteCacheEntry(exe.substr(0, exe.size() - 4) + "w.exe");
        }
        for (int id : {107, 131}) launcherConfig().erase(id);
        setProbeTimeoutForTesting(kProbeTimeoutMs);
    }

    // A runtime folder `folder` whose bin holds the stand-in under each of `names`; its report goes to
    // folder\report.txt. Returns the normalised path of its java.exe.
    std::string runtime(const std::string& folder, const std::string& settings,
                        std::initializer_list<const char*> names = {"java.exe"}) {
        fs::path bin = dir / folder / "bin";
        fs::create_directories(bin);
        for (const char* name : names) fs::copy_file(binDir() / "standin_java.exe", bin / name);
        writeSettings(folder, settings);
        std::string exe = normalised(bin / "java.exe");
        created.push_back(exe);
        return exe;
    }

    void writeSettings(const std::string& folder, const std::string& settings) {
        writeFile(dir / folder / "bin" / "standin.txt", settings + "report=" + narrow(report(folder).wstring()) + "\n");
    }

    fs::path report(const std::string& folder) { return dir / folder / "report.txt"; }
    size_t runs(const std::string& folder) { return occurrences(readFile(report(folder)), "program="); }

    fs::path dir;
    std::vector<std::string> created;
};

// --- The probe ---

struct ProbeCase {
    const char* name;
    std::string settings;  // empty: java.exe is not a program at all
    bool read;
    const char* version;
    std::optional<std::string> cached;
    const char* logLine;
};

void PrintTo(const ProbeCase& c, std::ostream* out) { *out << c.name; }

class ProbeOutput : public JavaProbe, public ::testing::WithParamInterface<ProbeCase> {};

TEST_P(ProbeOutput, ReadsTheFirstLineOfStandardError) {
    const ProbeCase& c = GetParam();
    std::string exe = runtime("jdk", c.settings.empty() ? kJdk21 : c.settings);
    if (c.settings.empty()) writeFile(exe, "@echo off\r\n");
    size_t mark = logText().size();

    std::string version = "stale";
    EXPECT_EQ(probeJavaVersion(exe, writeTimeOf(exe), version), c.read);
    EXPECT_EQ(version, c.version);
    EXPECT_EQ(cachedValue(exe, "Version"), c.cached);
    if (c.cached) {
        EXPECT_EQ(cachedValue(exe, "LastWriteTime"), bytesOf(writeTimeOf(exe)));
    }
    std::string log = logSince(mark);
    EXPECT_NE(log.find(c.logLine), std::string::npos) << log;
    EXPECT_EQ(probeOutputFilesLeft(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProbeOutput,
    ::testing::Values(
        ProbeCase{"openjdk", kJdk21, true, "21.0.2", std::nullopt, "] Java version2: 21.0.2\r\n"},
        ProbeCase{"oracle8", "stderr=java version \"1.8.0_45\"\n", true, "1.8.0_45", std::nullopt,
                  "] Java version2: 1.8.0_45\r\n"},
        ProbeCase{"noticeFirst", "stderr=Picked up JAVA_TOOL_OPTIONS: -Xmx1g\n" + kJdk21, false, "", std::nullopt,
                  "] Exit Code 0\r\n"},
        // Without a closing quote the line's end goes, and with it the character before it.
        ProbeCase{"noClosingQuote", "stderr=openjdk version \"17.0.9\n", true, "17.0.", std::nullopt,
                  "] Java version2: 17.0.\r\n"},
        ProbeCase{"nothingAfterQuote", "stderr=openjdk version \"\n", true, "", std::nullopt,
                  "] Java version2: \r\n"},
        // Only the first 99 characters of the line are looked at.
        ProbeCase{"markerBeyondTheLineLimit", "stderr=" + std::string(95, 'x') + " version \"21\"\n", false, "",
                  std::nullopt, "] Exit Code 0\r\n"},
        ProbeCase{"silent", "exit=0\n", false, "", std::nullopt, "] Exit Code 0\r\n"},
        ProbeCase{"exitError", kJdk21 + "exit=1\n", false, "", "1.0.0", "] Exit Code 1\r\n"},
        // An exit code that happens to be the system's "still active" is still an ended child.
        ProbeCase{"exitStillActiveCode", kJdk21 + "exit=259\n", false, "", "1.0.0", "] Exit Code 259\r\n"},
        ProbeCase{"notAProgram", "", false, "", std::nullopt, "] Could not create process \""}));

TEST_F(JavaProbe, EndsAHangingChildAfterTheTimeOutWithoutACacheEntry) {
    std::string exe = runtime("jdk", kJdk21 + "hang=1\n");
    setProbeTimeoutForTesting(1500);
    size_t mark = logText().size();
    auto start = std::chrono::steady_clock::now();

    std::string version;
    EXPECT_FALSE(checkJavaExe(exe, version, {}, false, true));
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(1400));
    EXPECT_LT(elapsed, std::chrono::seconds(20));
    EXPECT_EQ(runs("jdk"), 1u);
    EXPECT_EQ(cachedValue(exe, "Version"), std::nullopt);
    std::string log = logSince(mark);
    EXPECT_NE(log.find("] Exit Code 259\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("] Terminating process\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("] couldn't get version\r\n"), std::string::npos) << log;
    // The child is gone: the output file it held could be deleted, and so can its program.
    EXPECT_EQ(probeOutputFilesLeft(), 0u);
    EXPECT_TRUE(DeleteFileA(exe.c_str())) << GetLastError();
}

// The child never sees the launcher's option variables; afterwards they are back as they were,
// however the probe ended.
TEST_F(JavaProbe, KeepsTheOptionVariablesFromTheChildAndRestoresThem) {
    const std::pair<const char*, std::string> outcomes[] = {
        {"version", kJdk21}, {"error", kJdk21 + "exit=3\n"}, {"hang", kJdk21 + "hang=1\n"}, {"noProgram", ""}};
    const std::string options = "-Xmx64m -Dtitle=\"a b\" -Dpath=C:\\x;%PATH%";
    setProbeTimeoutForTesting(1000);
    for (const auto& [name, settings] : outcomes) {
        SCOPED_TRACE(name);
        std::string exe = runtime(name, settings.empty() ? kJdk21 : settings);
        if (settings.empty()) writeFile(exe, "not a program");
        SetEnvironmentVariableA("_JAVA_OPTIONS", options.c_str());
        SetEnvironmentVariableA("JAVA_TOOL_OPTIONS", "");
        SetEnvironmentVariableA("JDK_JAVA_OPTIONS", nullptr);
        size_t mark = logText().size();

        std::string version;
        probeJavaVersion(exe, writeTimeOf(exe), version);

        if (!settings.empty()) {
            std::string seen = readFile(report(name));
            EXPECT_NE(seen.find("_JAVA_OPTIONS unset\nJAVA_TOOL_OPTIONS unset\nJDK_JAVA_OPTIONS unset\n"),
                      std::string::npos)
                << seen;
        }
        char value[256] = "?";
        EXPECT_EQ(GetEnvironmentVariableA("_JAVA_OPTIONS", value, sizeof value), options.size());
        EXPECT_EQ(value, options);
        SetLastError(0);
        EXPECT_EQ(GetEnvironmentVariableA("JAVA_TOOL_OPTIONS", value, sizeof value), 0u);
        EXPECT_EQ(GetLastError(), 0u) << "set, and empty";
        EXPECT_EQ(GetEnvironmentVariableA("JDK_JAVA_OPTIONS", value, sizeof value), 0u);
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_ENVVAR_NOT_FOUND);
        std::string log = logSince(mark);
        EXPECT_NE(log.find("] _JAVA_OPTIONS is " + options + "\r\n"), std::string::npos) << log;
        EXPECT_NE(log.find("] JAVA_TOOL_OPTIONS is \r\n"), std::string::npos) << log;
        EXPECT_EQ(log.find("JDK_JAVA_OPTIONS"), std::string::npos) << log;
    }
    for (const char* name : {"_JAVA_OPTIONS", "JAVA_TOOL_OPTIONS"}) SetEnvironmentVariableA(name, nullptr);
}

TEST(TakeEnvironmentVariable, RemovesTheVariableAndHandsBackItsValue) {
    SetEnvironmentVariableA("TVK_TAKEN", "value with = and ;");
    EXPECT_EQ(takeEnvironmentVariable("TVK_TAKEN"), "value with = and ;");
    EXPECT_EQ(GetEnvironmentVariableA("TVK_TAKEN", nullptr, 0), 0u);
    EXPECT_EQ(takeEnvironmentVariable("TVK_TAKEN"), std::nullopt);
}

// A blank in the path must never let the system start another program, such as a planted my.exe
// in front of "my jdk", whether the probe names the executable by its short path or, when there is
// none (here a \\.\ path), by its long one.
TEST_F(JavaProbe, BlankInThePathNeverStartsAnotherProgram) {
    fs::path planted = dir / "my.exe";
    fs::copy_file(binDir() / "standin_java.exe", planted);
    writeFile(dir / "standin.txt", kJdk21 + "report=" + narrow((dir / "planted.txt").wstring()) + "\n");
    std::string exe = runtime("my jdk", kJdk21);

    char shortPath[MAX_PATH];
    DWORD shortLength = GetShortPathNameA(exe.c_str(), shortPath, MAX_PATH);
    ASSERT_GT(shortLength, 0u);
    const std::pair<std::string, std::string> cases[] = {
        {exe, "\"" + std::string(shortPath, shortLength) + "\" -version"},
        {"\\\\.\\" + exe, "\"\\\\.\\" + exe + "\" -version"},
    };
    for (const auto& [path, commandLine] : cases) {
        SCOPED_TRACE(path);
        fs::remove(report("my jdk"));
        size_t mark = logText().size();

        std::string checked = path, version;
        EXPECT_TRUE(checkJavaExe(checked, version, {}, false, false));
        EXPECT_EQ(version, "21.0.2");
        EXPECT_NE(readFile(report("my jdk")).find("\ncommandline=" + commandLine + "\n"), std::string::npos)
            << readFile(report("my jdk"));
        EXPECT_FALSE(fs::exists(dir / "planted.txt"));
        bool noShortPath = logSince(mark).find("] Could not get short path name for " + path + "\r\n") !=
                           std::string::npos;
        EXPECT_EQ(noShortPath, path != exe);
        if (path != exe) deleteCacheEntry(path);
    }
}

// --- The version cache ---

TEST_F(JavaProbe, CacheIsTrustedOnlyWhileTheWriteTimeMatches) {
    std::string exe = runtime("jdk", kJdk21);
    std::string checked = exe, version;
    ASSERT_TRUE(checkJavaExe(checked, version, {}, false, true));
    EXPECT_EQ(version, "21.0.2");
    EXPECT_EQ(cachedValue(exe, "Version"), "21.0.2");
    EXPECT_EQ(cachedValue(exe, "LastWriteTime"), bytesOf(writeTimeOf(exe)));
    EXPECT_EQ(runs("jdk"), 1u);

    // The runtime changes its mind but not its file: the cache answers and nothing is started.
    writeSettings("jdk", printing("17.0.1"));
    size_t mark = logText().size();
    EXPECT_TRUE(checkJavaExe(checked = exe, version, {}, false, true));
    EXPECT_EQ(version, "21.0.2");
    EXPECT_EQ(runs("jdk"), 1u);
    EXPECT_NE(logSince(mark).find("] got version from registry 21.0.2\r\n"), std::string::npos);

    // Bypassing the cache probes, and the probe's answer replaces the entry.
    EXPECT_TRUE(checkJavaExe(checked = exe, version, {}, false, false));
    EXPECT_EQ(version, "17.0.1");
    EXPECT_EQ(runs("jdk"), 2u);
    EXPECT_EQ(cachedValue(exe, "Version"), "17.0.1");

    // Replaced in place (touched): probed again, and the entry takes the new time.
    writeSettings("jdk", printing("11.0.22"));
    fs::last_write_time(exe, fs::last_write_time(exe) + std::chrono::hours(1));
    mark = logText().size();
    EXPECT_TRUE(checkJavaExe(checked = exe, version, {}, false, true));
    EXPECT_EQ(version, "11.0.22");
    EXPECT_EQ(runs("jdk"), 3u);
    EXPECT_EQ(cachedValue(exe, "Version"), "11.0.22");
    EXPECT_EQ(cachedValue(exe, "LastWriteTime"), bytesOf(writeTimeOf(exe)));
    EXPECT_NE(logSince(mark).find("] got version from execution 11.0.22\r\n"), std::string::npos);
}

struct CacheEntryCase {
    const char* name;
    const char* version;
    int timeChange;  // 0 the exact time; 1 one tick later; -4 only 4 of its bytes; 9 one byte too many
    bool trusted;
};

void PrintTo(const CacheEntryCase& c, std::ostream* out) { *out << c.name; }

class CacheEntry : public JavaProbe, public ::testing::WithParamInterface<CacheEntryCase> {};

TEST_P(CacheEntry, IsUsedOnlyWhenValid) {
    const CacheEntryCase& c = GetParam();
    std::string exe = runtime("jdk", kJdk21);
    std::string time = bytesOf(writeTimeOf(exe));
    if (c.timeChange == 1) time[0] = (char)(time[0] + 1);
    if (c.timeChange == -4) time.resize(4);
    if (c.timeChange == 9) time += '\0';
    writeCacheEntry(exe, time, c.version);

    std::string checked = exe, version;
    EXPECT_TRUE(checkJavaExe(checked, version, {}, false, true));
    EXPECT_EQ(runs("jdk"), c.trusted ? 0u : 1u);
    EXPECT_EQ(version, c.trusted ? c.version : "21.0.2");
    EXPECT_EQ(cachedValue(exe, "Version"), c.trusted ? c.version : "21.0.2");
    EXPECT_EQ(cachedValue(exe, "LastWriteTime"), c.trusted ? time : bytesOf(writeTimeOf(exe)));
}

INSTANTIATE_TEST_SUITE_P(Cases, CacheEntry,
                         ::testing::Values(CacheEntryCase{"valid", "17.0.5", 0, true},
                                           CacheEntryCase{"failedProbeMarker", "1.0.0", 0, false},
                                           CacheEntryCase{"old17", "1.7.", 0, false},
                                           CacheEntryCase{"old16", "1.6.", 0, false},
                                           CacheEntryCase{"old15", "1.5.", 0, false},
                                           CacheEntryCase{"fullOld17", "1.7.0_80", 0, true},
                                           CacheEntryCase{"otherTime", "17.0.5", 1, false},
                                           CacheEntryCase{"shortTime", "17.0.5", -4, false},
                                           CacheEntryCase{"longTime", "17.0.5", 9, false}));

// A cached text that fills the whole buffer, or lacks its NUL, is read without running past it.
TEST_F(JavaProbe, CachedVersionStaysInsideItsBuffer) {
    std::string exe = runtime("jdk", kJdk21);
    const FILETIME time = writeTimeOf(exe);
    const std::string full = "21.0.2+" + std::string(kTextUnits - 7, '1');
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {full, full},
        {full + "1", std::nullopt},
        {std::string("17.0.1\0garbage", 14), "17.0.1"},
        {"17", "17"},
    };
    for (const auto& [stored, read] : cases) {
        SCOPED_TRACE(stored.size());
        writeCacheEntry(exe, bytesOf(time), stored);
        ASSERT_EQ(cachedValue(exe, "Version"), stored) << "stored without a terminator";
        std::string version = "before";
        EXPECT_EQ(readJvmCache(exe, time, version), read.has_value());
        EXPECT_EQ(version, read.value_or("before"));
    }
}

// --- Judging ---

struct JudgeCase {
    const char* printed;
    const char* minimum;
    const char* maximum;
    bool allowPreRelease;
    bool usable;
};

TEST_F(JavaProbe, JudgesTheProbedVersionAndCachesItEitherWay) {
    const JudgeCase cases[] = {
        {"21.0.2", "17", "", false, true},   {"11.0.22", "17", "", false, false},
        {"21.0.2", "", "17", false, false},  {"21-ea", "", "", false, false},
        {"21-ea", "", "", true, true},       {"1.8.0_45", "1.8.0_45", "1.8", false, true},
    };
    int n = 0;
    for (const JudgeCase& c : cases) {
        SCOPED_TRACE(std::string(c.printed) + " min " + c.minimum + " max " + c.maximum);
        std::string exe = runtime("jdk" + std::to_string(++n), printing(c.printed));
        VersionBounds bounds{JavaVersion::parse(c.minimum), JavaVersion::parse(c.maximum)};
        size_t mark = logText().size();

        std::string checked = exe, version;
        EXPECT_EQ(checkJavaExe(checked, version, bounds, c.allowPreRelease, true), c.usable);
        EXPECT_EQ(version, c.printed);
        EXPECT_EQ(cachedValue(exe, "Version"), c.printed);
        std::string log = logSince(mark);
        std::string called = "] checkJavaExe (" + exe + ", [out], " + std::to_string(bounds.minimum.components.size()) +
                             ", " + std::to_string(bounds.maximum.components.size()) + ", " +
                             std::to_string(c.allowPreRelease) + ")\r\n";
        EXPECT_NE(log.find(called), std::string::npos) << log;
        EXPECT_NE(log.find("] checkJavaExe returning " + std::to_string(c.usable) + "\r\n"), std::string::npos);
    }
}

TEST_F(JavaProbe, GuiLauncherNeedsJavawBesideJava) {
    launcherConfig().insert_or_assign(107, std::string("1"));
    const std::pair<bool, bool> cases[] = {{false, false}, {true, true}};  // with javaw.exe, usable
    for (const auto& [withJavaw, usable] : cases) {
        SCOPED_TRACE(withJavaw);
        std::string folder = withJavaw ? "withJavaw" : "javaOnly";
        std::string exe = withJavaw ? runtime(folder, kJdk21, {"java.exe", "javaw.exe"}) : runtime(folder, kJdk21);
        std::string checked = exe, version;
        EXPECT_EQ(checkJavaExe(checked, version, {}, false, true), usable);
        EXPECT_EQ(checked, exe.substr(0, exe.size() - 4) + "w.exe");
        EXPECT_EQ(version, "21.0.2");
        EXPECT_EQ(cachedValue(exe, "Version"), "21.0.2") << "the cache is keyed by java.exe";
        EXPECT_EQ(runs(folder), 1u) << "javaw.exe is never run";
    }
}

// --- Paths ---

struct HomeCase {
    const char* name;
    std::vector<const char*> files;
    bool jdkRequired;
    bool found;
    const char* exe;
};

TEST_F(JavaProbe, JavaExeForHomePrefersTheJreFolder) {
    const HomeCase cases[] = {
        {"jreAndBin", {"jre\\bin\\java.exe", "bin\\java.exe"}, false, true, "\\jre\\bin\\java.exe"},
        {"binOnly", {"bin\\java.exe"}, false, true, "\\bin\\java.exe"},
        {"empty", {}, false, true, "\\bin\\java.exe"},
        {"jdkWithJre", {"lib\\tools.jar", "jre\\bin\\java.exe"}, true, true, "\\jre\\bin\\java.exe"},
        {"jdkWithBinOnly", {"lib\\tools.jar", "bin\\java.exe"}, true, true, "\\jre\\bin\\java.exe"},
        {"jdkWithoutToolsJar", {"jre\\bin\\java.exe", "bin\\java.exe"}, true, false, "\\jre\\bin\\java.exe"},
    };
    for (const HomeCase& c : cases) {
        SCOPED_TRACE(c.name);
        fs::path home = dir / c.name;
        fs::create_directories(home);
        for (const char* file : c.files) {
            fs::create_directories((home / file).parent_path());
            writeFile(home / file, "");
        }
        if (c.jdkRequired) launcherConfig().insert_or_assign(131, std::string("1"));
        else launcherConfig().erase(131);
        std::string exe;
        EXPECT_EQ(javaExeForHome(narrow(home.wstring()), exe), c.found);
        EXPECT_EQ(exe, narrow(home.wstring()) + c.exe);
    }
}

TEST_F(JavaProbe, NormalisesThePathAndRefusesAMissingFile) {
    // A relative path is taken from the launcher's folder (here the test program's).
    std::string folder = "jvm_relative_" + std::to_string(GetCurrentProcessId());
    fs::create_directories(binDir() / folder / "Bin");
    fs::copy_file(binDir() / "standin_java.exe", binDir() / folder / "Bin" / "java.exe");
    writeFile(binDir() / folder / "Bin" / "standin.txt", kJdk21);
    std::string expected = normalised(binDir() / folder / "bin" / "java.exe");
    created.push_back(expected);

    std::string checked = folder + "\\\\BIN\\\\\\JAVA.EXE", version;
    bool usable = checkJavaExe(checked, version, {}, false, true);
    std::error_code ignored;
    fs::remove_all(binDir() / folder, ignored);
    EXPECT_TRUE(usable);
    EXPECT_EQ(checked, expected);
    EXPECT_EQ(cachedValue(expected, "Version"), "21.0.2");

    std::string home;
    javaExeForHome(narrow((dir / "NoRuntime").wstring()), home);
    size_t mark = logText().size();
    EXPECT_FALSE(checkJavaExe(home, version, {}, false, true));
    EXPECT_EQ(home, normalised(dir / "noruntime" / "bin" / "java.exe"));
    EXPECT_EQ(version, "");
    std::string log = logSince(mark);
    EXPECT_NE(log.find("] file doesn't exist\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("] checkJavaExe returning 0\r\n"), std::string::npos) << log;
    EXPECT_EQ(probeOutputFilesLeft(), 0u);
}

// --- Runtimes that failed to load ---

// The list lives for the process, so the test that fills it runs the current case again in a child
// process; true in the parent, which has then checked the child's result.
bool ranInChildProcess() {
    static const wchar_t kChildVariable[] = L"TVK_PROBE_TEST_CHILD";
    if (GetEnvironmentVariableW(kChildVariable, nullptr, 0) > 0) return false;
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    RunOptions options;
    options.environment[kChildVariable] = L"1";
    ProcessResult child = runProcess(
        binDir() / "jvm_test.exe",
        L"--gtest_filter=" + widen(std::string(info->test_suite_name()) + "." + info->name()), options);
    EXPECT_EQ(child.exitCode, 0u) << child.out;
    EXPECT_NE(child.out.find("[  PASSED  ] 1 test."), std::string::npos) << child.out;
    return true;
}

TEST_F(JavaProbe, NonWorkingRuntimeIsRefusedAndTheFiftiethEntryStopsRetries) {
    if (ranInChildProcess()) return;
    std::string exe = runtime("jdk", kJdk21);
    std::string checked = exe, version;
    ASSERT_TRUE(checkJavaExe(checked, version, {}, false, true));

    size_t mark = logText().size();
    EXPECT_TRUE(addNonWorkingJava(exe));
    EXPECT_FALSE(checkJavaExe(checked = exe, version, {}, false, true));
    EXPECT_EQ(version, "21.0.2");
    std::string log = logSince(mark);
    EXPECT_NE(log.find("] add non-working java " + exe + "\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("] got version from registry 21.0.2\r\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("checkJavaExe returning"), std::string::npos) << log;

    for (int entry = 2; entry <= 49; ++entry)
        EXPECT_TRUE(addNonWorkingJava("c:\\runtime" + std::to_string(entry) + "\\bin\\java.exe")) << entry;
    EXPECT_FALSE(addNonWorkingJava("c:\\runtime50\\bin\\java.exe"));
    EXPECT_FALSE(addNonWorkingJava("c:\\runtime51\\bin\\java.exe"));
    EXPECT_FALSE(checkJavaExe(checked = exe, version, {}, false, true));
}

// --- Located runtimes ---

TEST(LocatedJvm, RegistersAnEmptyKeyUnderTheMachineWithThePathAsChosen) {
    const std::string chosen = "C:\\Program Files\\Some JDK " + std::to_string(GetCurrentProcessId()) +
                               "\\bin\\java.exe";
    const std::string name = "C:/Program Files/Some JDK " + std::to_string(GetCurrentProcessId()) + "/bin/java.exe";
    registerLocatedJvm(chosen);

    HKEY list = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kLocatedJvmsKey, 0, KEY_READ, &list), ERROR_SUCCESS);
    bool found = false;
    char subkey[512];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof subkey;
        if (RegEnumKeyExA(list, i, subkey, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        found = found || name == subkey;
    }
    RegCloseKey(list);
    EXPECT_TRUE(found) << name;

    HKEY located = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kLocatedJvmsKey + name).c_str(), 0, KEY_READ, &located),
              ERROR_SUCCESS);
    DWORD subkeys = 1, values = 1;
    RegQueryInfoKeyA(located, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                     nullptr, nullptr);
    RegCloseKey(located);
    EXPECT_EQ(subkeys, 0u);
    EXPECT_EQ(values, 0u);
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, (kLocatedJvmsKey + name).c_str(), 0, KEY_READ, &located),
              ERROR_SUCCESS);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, (kLocatedJvmsKey + name).c_str());
}

}  // namespace
