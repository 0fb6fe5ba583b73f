// Unpacking of an included runtime: archives made by the host's tar and gzip, archives written here
// with chosen headers (sizes, long names, unsafe names, missing magic), damaged and cut archives,
// failing writes, and the restoring of packed jars with a stand-in unpack200 tool.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <utility>
#include <vector>

#include "launch_state.h"
#include "native_log.h"
#include "runtime_unpacking.h"
#include "test_support.h"

using namespace testing_support;

namespace {

std::string logText() {
    const wchar_t* path = NativeLog::path();
    return path ? readFile(path) : std::string();
}

fs::path fixtures() { return binDir().parent_path() / "fixtures" / "unpacking"; }

// --- A small tar writer for archives the host's tar would not make ---

struct TarEntry {
    TarEntry(std::string n, char t, std::string d, std::string field = {})
        : name(std::move(n)), type(t), data(std::move(d)), sizeField(std::move(field)) {}
    std::string name;
    char type;
    std::string data;
    std::string sizeField;  // written as it is instead of the data's size when not empty
};

std::string headerOf(const std::string& name, char type, const std::string& sizeField, bool magic = true) {
    std::string header(512, '\0');
    header.replace(0, name.size() < 100 ? name.size() : 100, name, 0, 100);
    header.replace(100, 7, "0000644");
    header.replace(124, sizeField.size(), sizeField);
    header[156] = type;
    if (magic) header.replace(257, 8, std::string("ustar\0" "00", 8));
    header.replace(148, 8, "        ");
    unsigned sum = 0;
    for (unsigned char c : header) sum += c;
    char checksum[8];
    snprintf(checksum, sizeof checksum, "%06o", sum);
    header.replace(148, 7, checksum, 7);
    return header;
}

std::string octal(size_t size) {
    char field[13];
    snprintf(field, sizeof field, "%011llo", (unsigned long long)size);
    return field;
}

std::string padded(std::string data) {
    if (data.size() % 512) data.append(512 - data.size() % 512, '\0');
    return data;
}

std::string tarOf(const std::vector<TarEntry>& entries, bool closingRecords = true) {
    std::string tar;
    for (const TarEntry& e : entries) {
        if (e.name.size() >= 100) {
            tar += headerOf("././@LongLink", 'L', octal(e.name.size() + 1));
            tar += padded(e.name + '\0');
        }
        tar += headerOf(e.name, e.type, e.sizeField.empty() ? octal(e.data.size()) : e.sizeField);
        tar += padded(e.data);
    }
    if (closingRecords) tar.append(1024, '\0');
    return tar;
}

void writeGz(const fs::path& path, const std::string& bytes) {
    gzFile file = gzopen(path.string().c_str(), "wb");
    ASSERT_NE(file, nullptr);
    if (!bytes.empty()) {
        EXPECT_EQ(gzwrite(file, bytes.data(), (unsigned)bytes.size()), (int)bytes.size());
    }
    EXPECT_EQ(gzclose(file), Z_OK);
}

class RuntimeArchive : public ::testing::Test {
protected:
    void SetUp() override {
        launchState().logRequested = true;
        dir = freshDir(std::string("untar_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir / "jre");
        logMark = logText().size();
    }

    bool untar(const fs::path& archive, const fs::path& target) {
        return untarRuntime(archive.string().c_str(), target.string().c_str(), nullptr, 0);
    }

    bool untarWritten(const std::string& tar) {
        writeGz(dir / "jre.tar.gz", tar);
        return untar(dir / "jre.tar.gz", dir / "jre");
    }

    std::string newLog() {
        std::string text = logText();
        return text.size() > logMark ? text.substr(logMark) : std::string();
    }

    size_t filesUnder(const fs::path& folder) {
        size_t count = 0;
        for (auto& entry : fs::recursive_directory_iterator(folder)) count += entry.is_regular_file() ? 1 : 0;
        return count;
    }

    fs::path dir;
    size_t logMark = 0;
};

TEST_F(RuntimeArchive, HostArchiveUnpacksWithLongNamesDirectoriesAndExactRecords) {
    const fs::path before = fs::current_path();
    ASSERT_TRUE(untar(fixtures() / "normal.tar.gz", dir / "jre")) << newLog();
    EXPECT_EQ(fs::current_path(), before);
    const fs::path src = fixtures() / "src";
    for (const char* name : {"bin/exact512.bin", "lib/exact1024.bin", "lib/empty.txt", "lib/numbers.txt",
                             "lib/target.txt"}) {
        EXPECT_EQ(readFile(dir / "jre" / name), readFile(src / name)) << name;
    }
    const std::string longDir = "lib/" + std::string(120, 'd');
    EXPECT_EQ(readFile(dir / "jre" / longDir / (std::string(110, 'n') + ".txt")), "deep\n");
    EXPECT_TRUE(fs::is_directory(dir / "jre" / "lib" / "ext"));
    EXPECT_FALSE(fs::exists(dir / "jre" / "lib" / "link.txt")) << "symbolic links are skipped";
    EXPECT_EQ(filesUnder(dir / "jre"), 6u);
    std::string log = newLog();
    EXPECT_NE(log.find("extracting bin\\exact512.bin (size 512)"), std::string::npos) << log;
    EXPECT_NE(log.find("extracting lib/" + std::string(120, 'd')), std::string::npos) << "long names keep \"/\"";
    EXPECT_NE(log.find("untaring JRE was successful"), std::string::npos);
}

TEST_F(RuntimeArchive, DamagedOrCutHostArchivesAreCorrupted) {
    for (const char* name : {"truncated.tar.gz", "damaged.tar.gz"}) {
        fs::path target = dir / name;
        fs::create_directories(target);
        EXPECT_FALSE(untar(fixtures() / name, target)) << name;
    }
    EXPECT_NE(newLog().find("ERROR: untaring JRE was unsuccessful"), std::string::npos);
}

TEST_F(RuntimeArchive, ArchiveWithoutClosingRecordsEndsWellAtTheEndOfData) {
    EXPECT_TRUE(untar(fixtures() / "unclosed.tar.gz", dir / "jre")) << newLog();
    EXPECT_EQ(readFile(dir / "jre" / "only.bin"), std::string(700, 'c'));
    EXPECT_TRUE(untarWritten(tarOf({{"a.bin", '0', std::string(512, 'x')}}, false))) << newLog();
}

TEST_F(RuntimeArchive, SizeFieldsAreReadAsOctalText) {
    const std::string data(600, 'z');
    EXPECT_TRUE(untarWritten(tarOf({{"five.bin", '0', data.substr(0, 500), std::string("00000764 \0\0\0", 12)},
                                    {"spaced.bin", '0', data.substr(0, 8), std::string("   10", 5)},
                                    {"after.bin", '0', "after"}})))
        << newLog();
    EXPECT_EQ(readFile(dir / "jre" / "five.bin"), data.substr(0, 500));
    EXPECT_EQ(readFile(dir / "jre" / "spaced.bin"), data.substr(0, 8));
    EXPECT_EQ(readFile(dir / "jre" / "after.bin"), "after");
}

TEST_F(RuntimeArchive, OtherEntryTypesAreSkippedAndDirectoriesMade) {
    EXPECT_TRUE(untarWritten(tarOf({{"dir/", '5', ""},
                                    {"dir/link", '2', ""},
                                    {"dir/fifo", '6', ""},
                                    {"dir/other", 'x', "path=long pax data that is skipped\n"},
                                    {"dir/file.txt", '0', "file"}})))
        << newLog();
    EXPECT_EQ(readFile(dir / "jre" / "dir" / "file.txt"), "file");
    EXPECT_EQ(filesUnder(dir / "jre"), 1u);
}

TEST_F(RuntimeArchive, ArchivesWithoutAFileAreNotARuntime) {
    struct Case {
        const char* what;
        std::string tar;
        const char* line;
    };
    const std::vector<Case> cases = {
        {"zero first record", std::string(1024, '\0'), "ERROR: no magic number"},
        {"no magic", headerOf("a.txt", '0', octal(0), false), "ERROR: no magic number"},
        {"only a directory", tarOf({{"d/", '5', ""}}, false), "ERROR: unexpected eof"},
        {"empty data", "", "ERROR: unexpected eof"},
    };
    for (const Case& c : cases) {
        logMark = logText().size();
        EXPECT_FALSE(untarWritten(c.tar)) << c.what;
        EXPECT_NE(newLog().find(c.line), std::string::npos) << c.what << "\n" << newLog();
    }
}

TEST_F(RuntimeArchive, UnsafeOrOversizedEntriesEndTheArchiveAsCorrupted) {
    struct Case {
        const char* what;
        std::vector<TarEntry> entries;
        const char* line;
    };
    const std::string huge(6000, 'h');
    const std::vector<Case> cases = {
        {"parent piece", {{"../escaped.txt", '0', "x"}}, "leaves the target folder"},
        {"inner parent piece", {{"lib/../../escaped.txt", '0', "x"}}, "leaves the target folder"},
        {"absolute", {{"/escaped.txt", '0', "x"}}, "leaves the target folder"},
        {"drive letter", {{"C:\\escaped.txt", '0', "x"}}, "leaves the target folder"},
        {"drive-relative", {{"c:escaped.txt", '0', "x"}}, "leaves the target folder"},
        {"long parent piece", {{std::string(150, 'p') + "/../../escaped.txt", '0', "x"}}, "leaves the target folder"},
        {"directory outside", {{"../outside/", '5', ""}}, "leaves the target folder"},
        {"size of 2^31", {{"big.bin", '0', "x", "20000000000"}}, "entry size out of range"},
        {"size of 12 digits", {{"big.bin", '0', "x", "777777777777"}}, "entry size out of range"},
        {"base-256 size", {{"big.bin", '0', "x", std::string("\x80\0\0\0\0\0\0\0\0\0\0\x01", 12)}},
         "entry size out of range"},
        {"long name of 6000 bytes", {{huge, '0', "x"}}, "long file name of 6001 bytes is too long"},
    };
    for (const Case& c : cases) {
        logMark = logText().size();
        std::vector<TarEntry> entries = {{"first.txt", '0', "first"}};
        entries.insert(entries.end(), c.entries.begin(), c.entries.end());
        EXPECT_FALSE(untarWritten(tarOf(entries))) << c.what;
        EXPECT_NE(newLog().find(c.line), std::string::npos) << c.what << "\n" << newLog();
    }
    EXPECT_FALSE(fs::exists(dir / "escaped.txt"));
    EXPECT_FALSE(fs::exists(dir / "outside"));
    EXPECT_FALSE(fs::exists(dir / "jre" / "big.bin"));
}

TEST_F(RuntimeArchive, LongNameOfExactlyTheBufferIsRefusedWithoutOverflow) {
    // 6000 bytes of long name data (5999 characters and the zero byte) would leave no room for the end.
    std::string tar = headerOf("././@LongLink", 'L', octal(6000)) + padded(std::string(6000, 'q'));
    tar += headerOf("ignored", '0', octal(1)) + padded("x");
    EXPECT_FALSE(untarWritten(tarOf({{"first.txt", '0', "first"}}, false) + tar));
    EXPECT_NE(newLog().find("long file name of 6000 bytes is too long"), std::string::npos) << newLog();
}

TEST_F(RuntimeArchive, MissingTargetFolderFailsWithoutWritingHere) {
    const fs::path before = fs::current_path();
    fs::current_path(dir);
    bool result = untar(fixtures() / "unclosed.tar.gz", dir / "missing");
    fs::current_path(before);
    EXPECT_FALSE(result);
    EXPECT_FALSE(fs::exists(dir / "only.bin"));
    EXPECT_NE(newLog().find("ERROR: could not change to the folder"), std::string::npos) << newLog();
}

TEST_F(RuntimeArchive, MissingArchiveIsReported) {
    EXPECT_FALSE(untar(dir / "none.tar.gz", dir / "jre"));
    EXPECT_NE(newLog().find("ERROR: Could not open gz-file"), std::string::npos);
}

TEST_F(RuntimeArchive, FailedWriteOfAFileFailsTheEntry) {
    // small.txt in that folder is a link to /dev/full: the open succeeds, the writes fail.
    EXPECT_FALSE(untar(fixtures() / "small.tar.gz", fixtures() / "full"));
    std::string log = newLog();
    EXPECT_NE(log.find("ERROR: stream error"), std::string::npos) << log;
    EXPECT_NE(log.find("ERROR: extract file failed"), std::string::npos) << log;
}

// --- Packed jars ---

std::string gzipped(const std::string& bytes) {
    fs::path scratch = freshDir("gzip_scratch") / "data.gz";
    writeGz(scratch, bytes);
    return readFile(scratch);
}

class PackedJars : public RuntimeArchive {
protected:
    void SetUp() override {
        RuntimeArchive::SetUp();
        home = dir / "jre";
        fs::create_directories(home / "bin");
        fs::create_directories(home / "lib" / "ext");
        fs::copy_file(binDir() / "standin_unpack200.exe", home / "bin" / "unpack200.exe");
    }
    fs::path home;
};

TEST_F(PackedJars, MissingJarsAreRestoredAndTheirPacksDeleted) {
    writeFile(home / "lib" / "rt.jar.pack", gzipped("rt jar bytes"));
    writeFile(home / "lib" / "ext" / "nashorn.jar.pack", gzipped("nashorn bytes"));
    writeFile(home / "lib" / "ext" / "kept.jar.pack", gzipped("new"));
    writeFile(home / "lib" / "ext" / "kept.jar", "old");
    unpackPackedJars(home.string().c_str());
    EXPECT_EQ(readFile(home / "lib" / "rt.jar"), "rt jar bytes");
    EXPECT_EQ(readFile(home / "lib" / "ext" / "nashorn.jar"), "nashorn bytes");
    EXPECT_FALSE(fs::exists(home / "lib" / "rt.jar.pack"));
    EXPECT_FALSE(fs::exists(home / "lib" / "ext" / "nashorn.jar.pack"));
    EXPECT_EQ(readFile(home / "lib" / "ext" / "kept.jar"), "old") << "an unpacked jar is left alone";
    EXPECT_TRUE(fs::exists(home / "lib" / "ext" / "kept.jar.pack"));
    std::string log = newLog();
    const std::string rt = (home / "lib" / "rt.jar").string();
    EXPECT_NE(log.find("checking " + rt), std::string::npos) << log;
    EXPECT_NE(log.find("-r \"" + rt + ".pack\" \"" + rt + "\""), std::string::npos) << log;
    size_t start = log.find("Unpacking JRE\r\n");
    EXPECT_NE(start, std::string::npos);
    EXPECT_EQ(log.find("Unpacking JRE\r\n", start + 1), std::string::npos) << "announced once";
    EXPECT_NE(log.find("Unpacking JRE done"), std::string::npos);
}

TEST_F(PackedJars, NothingToUnpackSaysNothing) {
    writeFile(home / "lib" / "ext" / "kept.jar.pack", gzipped("new"));
    writeFile(home / "lib" / "ext" / "kept.jar", "old");
    unpackPackedJars(home.string().c_str());
    unpackPackedJars((dir / "no_runtime").string().c_str());
    EXPECT_EQ(newLog().find("Unpacking JRE"), std::string::npos);
}

TEST_F(PackedJars, MissingPackIsLoggedAndLeftAlone) {
    unpackJar(home.string().c_str(), (home / "lib" / "gone.jar.pack").string().c_str());
    EXPECT_NE(newLog().find("pack path doesn't exists"), std::string::npos);
    EXPECT_FALSE(fs::exists(home / "lib" / "gone.jar"));
}

TEST_F(PackedJars, ToolThatCannotStartEndsTheLauncher) {
    writeFile(dir / "a.jar.pack", gzipped("a"));
    mkmedia::MediaDescription description;
    description.messages = {{1009, u"An internal error occurred (error code: {0})"}};
    std::string error;
    ASSERT_TRUE(mkmedia::writeSetupFile(binDir() / "unpack_probe.exe", description, dir / "probe.exe", error));
    ProcessResult r = runSetup(dir / "probe.exe",
                               L"quiet unpackjar " + (dir / "no_home").wstring() + L" " + (dir / "a.jar.pack").wstring(),
                               dir);
    EXPECT_EQ(r.exitCode, 1u) << r.out;
    EXPECT_NE(r.err.find("An internal error occurred (error code: 20)"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("unpacked"), std::string::npos);
    EXPECT_NE(readLog(dir).find("could not create unpack process"), std::string::npos);
    EXPECT_TRUE(fs::exists(dir / "a.jar.pack"));
}

}  // namespace
