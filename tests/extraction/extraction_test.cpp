// Extraction of the included files by a probe built from the launcher core: contents, sizes,
// the recorded position, short setup files, full disks, unsafe names and the emptying on exit.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "test_support.h"

using namespace testing_support;

namespace {

struct Extraction {
    int result = -1;
    long long position = 0, offset = 0;
    std::string dir;
};

fs::path fixtures() { return binDir().parent_path() / "fixtures" / "extraction"; }

std::string randomBytes(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = (char)(random() & 0xFF);
    return bytes;
}

mkmedia::IncludedFile file(const std::string& name, const std::string& bytes) {
    return {name, {}, std::vector<uint8_t>(bytes.begin(), bytes.end()), true};
}

class IncludedFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir = freshDir(std::string("extract_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir / "temp");
        description.config = {{107, "5"}};
        description.messages = {{1009, u"An internal error occurred (error code: {0})"}};
    }

    fs::path setup() {
        fs::path out = dir / "setup.exe";
        std::string error;
        EXPECT_TRUE(mkmedia::writeSetupFile(binDir() / "extract_probe.exe", description, out, error)) << error;
        return out;
    }

    ProcessResult runProbe(const fs::path& setupFile, const std::wstring& steps) {
        return runSetup(setupFile, steps, dir);
    }

    static Extraction parse(const ProcessResult& r) {
        Extraction e;
        char path[1024] = {};
        std::string first = r.out.substr(0, r.out.find_first_of("\r\n"));
        sscanf(first.c_str(), "result %d position %lld offset %lld dir %1023[^\r\n]", &e.result, &e.position,
               &e.offset, path);
        e.dir = path;
        return e;
    }

    Extraction extractInto(const fs::path& setupFile, const fs::path& target) {
        ProcessResult r = runProbe(setupFile, L"quiet into " + target.wstring() + L" extract");
        EXPECT_EQ(r.exitCode, 0u) << r.err;
        return parse(r);
    }

    fs::path dir;
    mkmedia::MediaDescription description;
};

TEST_F(IncludedFiles, AreDescrambledIntoTheTemporaryDirectory) {
    const std::string jar = randomBytes(300000, 1), alpha = "alpha";
    description.files = {file("a.txt", alpha), file("user\\lib.jar", jar), file("empty.txt", "")};
    description.config.push_back({2002, "4"});  // one more than there are names
    Extraction e = extractInto(setup(), dir / "temp");
    EXPECT_EQ(e.result, 0);
    EXPECT_EQ(readFile(dir / "temp" / "a.txt"), alpha);
    EXPECT_EQ(readFile(dir / "temp" / "user" / "lib.jar"), jar);
    EXPECT_FALSE(fs::exists(dir / "temp" / "empty.txt")) << "a file of size 0 is not created";
    // The installer data section starts right after the last file.
    EXPECT_EQ(e.position - e.offset, (long long)(3 * 8 + alpha.size() + jar.size()));
    std::string log = readLog(dir);
    EXPECT_NE(log.find("] Included files: 4\r\n"), std::string::npos);
    EXPECT_NE(log.find("] creating directory " + (dir / "temp" / "user").string() + "\r\n"), std::string::npos);
    EXPECT_NE(log.find("] extracting " + (dir / "temp" / "user" / "lib.jar").string() + " (size: 300000)\r\n"),
              std::string::npos);
    EXPECT_NE(log.find("] extracting files done\r\n"), std::string::npos);
}

TEST_F(IncludedFiles, CountLimitsTheNamesAndEmptyNamesAreSkipped) {
    description.files = {file("one.txt", "1"), file("two.txt", "22"), file("three.txt", "333")};
    description.config.push_back({2003, ";one.txt;;two.txt;three.txt"});
    description.config.push_back({2002, "2"});
    Extraction e = extractInto(setup(), dir / "temp");
    EXPECT_EQ(e.result, 0);
    EXPECT_EQ(readFile(dir / "temp" / "two.txt"), "22");
    EXPECT_FALSE(fs::exists(dir / "temp" / "three.txt"));
    EXPECT_EQ(e.position - e.offset, (long long)(2 * 8 + 1 + 2));
}

TEST_F(IncludedFiles, CreatingTheTemporaryDirectoryFirst) {
    description.files = {file("a.txt", "alpha")};
    ProcessResult r = runProbe(setup(), L"quiet extract-creating");
    Extraction e = parse(r);
    EXPECT_EQ(e.result, 0);
    ASSERT_FALSE(e.dir.empty());
    EXPECT_EQ(readFile(fs::path(e.dir) / "a.txt"), "alpha");
    EXPECT_EQ(fs::path(e.dir).parent_path(), dir) << "inside the temporary base";

    description.files.clear();
    description.config.push_back({2002, "0"});
    e = parse(runProbe(setup(), L"quiet into C:\\was extract-creating"));
    EXPECT_EQ(e.result, 0);
    EXPECT_EQ(e.dir, "") << "without files the launcher has no temporary directory";
}

TEST_F(IncludedFiles, ShortSetupFileOrNegativeSizeIsCorrupted) {
    const std::string jar = randomBytes(50000, 2);
    description.files = {file("a.txt", "alpha"), file("lib.jar", jar)};
    fs::path full = setup();
    std::string bytes = readFile(full);
    // Cut inside the jar: its size field says 50000, fewer bytes follow.
    size_t jarStart = bytes.size() - 8 /*data section*/ - jar.size();
    jarStart -= (bytes.size() % 8 == 0) ? (bytes.size() - (jarStart + jar.size() + 8)) : 0;
    Extraction whole = extractInto(full, dir / "temp");
    ASSERT_EQ(whole.result, 0);
    long long jarContent = whole.position - (long long)jar.size();
    writeFile(dir / "cut.exe", bytes.substr(0, (size_t)jarContent + 1000));
    Extraction cut = extractInto(dir / "cut.exe", dir / "temp");
    EXPECT_EQ(cut.result, 1);
    EXPECT_NE(readLog(dir, 2).find("] ERROR: ReadFile failed 0 "), std::string::npos);
    EXPECT_NE(readLog(dir, 2).find("] ERROR: Failed to extract "), std::string::npos);

    // The size of the first file made negative.
    std::string negative = bytes;
    long long firstSize = whole.offset;
    const int64_t minusFive = -5;
    memcpy(&negative[(size_t)firstSize], &minusFive, 8);
    writeFile(dir / "negative.exe", negative);
    EXPECT_EQ(extractInto(dir / "negative.exe", dir / "temp").result, 1);
}

// Positions beyond 2 GiB: a language block that does not apply holds a 2.25 GiB message, a hole in
// a sparse file; the included file behind it lands correctly and the position after it is exact.
TEST_F(IncludedFiles, PositionsBeyondTwoGigabytes) {
    std::string head;
    auto put32 = [&](uint32_t v) { head.append((const char*)&v, 4); };
    auto entry = [&](uint32_t id, const std::string& text) {
        put32(id);
        put32((uint32_t)text.size());
        head += text;
    };
    put32(0xE8E413D5);
    put32(0);
    put32(0);
    head.append(8, '\0');
    put32(4);
    entry(107, "5");
    entry(2002, "1");
    entry(2003, "after.txt");
    entry(1009, "internal {0}");
    put32(0);  // no messages
    const uint32_t huge = 0x90000000u;
    put32(1);
    put32(2);
    head += "xx";
    put32(1);
    put32(1000);
    put32(huge);
    std::string tail;
    const int64_t size = 5;
    tail.append((const char*)&size, 8);
    for (char c : std::string("after")) tail += (char)(c ^ 0xA7);
    tail += "\xE8\xE4\x13\xD5";
    tail.append(4, '\0');

    fs::path big = dir / "big.exe";
    std::string start = readFile(binDir() / "extract_probe.exe") + head;
    HANDLE file = CreateFileW(big.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written;
    WriteFile(file, start.data(), (DWORD)start.size(), &written, nullptr);
    LARGE_INTEGER hole;
    hole.QuadPart = huge;
    SetFilePointerEx(file, hole, nullptr, FILE_CURRENT);
    WriteFile(file, tail.data(), (DWORD)tail.size(), &written, nullptr);
    CloseHandle(file);

    Extraction e = extractInto(big, dir / "temp");
    EXPECT_EQ(e.result, 0);
    EXPECT_EQ(e.offset, (long long)start.size() + huge);
    EXPECT_EQ(e.position, e.offset + 8 + 5);
    EXPECT_GT(e.position, 0x80000000LL);
    EXPECT_EQ(readFile(dir / "temp" / "after.txt"), "after");
    fs::remove(big);
}

// A file on a full device: every write fails as on a full disk.
TEST_F(IncludedFiles, WriteFailureIsResultTwo) {
    description.files = {file("big.bin", randomBytes(20000, 3))};
    Extraction e = extractInto(setup(), fixtures() / "full");
    EXPECT_EQ(e.result, 2);
    EXPECT_NE(readLog(dir).find("] ERROR: WriteFile failed 20000 "), std::string::npos) << readLog(dir);
}

// A name that would leave the temporary directory is refused like a file that cannot be created,
// and nothing is written outside.
TEST_F(IncludedFiles, UnsafeNamesAreRefused) {
    const char* const names[] = {"..\\evil.txt", "sub\\..\\..\\evil.txt", "C:\\evil.txt", "\\evil.txt",
                                 "/evil.txt",    "a:evil.txt",           "sub/../../evil.txt", ".."};
    for (const char* name : names) {
        description.files = {file("ok.txt", "fine"), file(name, "evil")};
        fs::path temp = dir / "temp" / "inner";
        fs::create_directories(temp);
        ProcessResult r = runProbe(setup(), L"quiet into " + temp.wstring() + L" extract");
        EXPECT_EQ(r.exitCode, 1u) << name;
        EXPECT_NE(r.err.find("An internal error occurred (error code: 11)"), std::string::npos) << name << r.err;
        EXPECT_FALSE(fs::exists(dir / "temp" / "evil.txt")) << name;
        EXPECT_FALSE(fs::exists(dir / "evil.txt")) << name;
        EXPECT_FALSE(fs::exists("C:\\evil.txt")) << name;
    }
    // Two directory levels are more than extraction creates.
    description.files = {file("a\\b\\c.txt", "deep")};
    ProcessResult r = runProbe(setup(), L"quiet into " + (dir / "temp").wstring() + L" extract");
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_NE(r.err.find("(error code: 11)"), std::string::npos);
}

TEST_F(IncludedFiles, EmptyingSparesRelativePathsLinksAndDeepFiles) {
    description.files = {file("a.txt", "a")};
    fs::path probe = setup();
    fs::create_directories(dir / "temp" / "sub" / "deeper");
    writeFile(dir / "temp" / "top.txt", "t");
    writeFile(dir / "temp" / "sub" / "mid.txt", "m");
    writeFile(dir / "temp" / "sub" / "deeper" / "low.txt", "l");
    EXPECT_EQ(runProbe(probe, L"empty . descend").exitCode, 0u);
    EXPECT_EQ(runProbe(probe, L"empty \"\" descend").exitCode, 0u);
    EXPECT_TRUE(fs::exists(probe));

    EXPECT_EQ(runProbe(probe, L"empty " + (dir / "temp").wstring() + L" descend").exitCode, 0u);
    EXPECT_FALSE(fs::exists(dir / "temp" / "top.txt"));
    EXPECT_FALSE(fs::exists(dir / "temp" / "sub" / "mid.txt"));
    EXPECT_TRUE(fs::exists(dir / "temp" / "sub" / "deeper" / "low.txt")) << "one level only";

    // A directory link inside the temporary directory: a fatal exit removes the link, never what it points to.
    fs::path linked = fixtures() / "linked";
    ProcessResult r = runProbe(probe, L"quiet into " + (linked / "temp").wstring() + L" fatal");
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_EQ(readFile(linked / "outside" / "keep.txt"), "must survive\n");
    EXPECT_FALSE(fs::exists(linked / "temp" / "sub" / "file.txt"));
    // (Wine cannot remove a Unix directory link through RemoveDirectory, so the link itself stays here.)
}

}  // namespace
