// The configuration and message tables as loaded from a block, read in this process.
#include <gtest/gtest.h>

#include <cstring>

#include "appended_block.h"
#include "launch_state.h"
#include "test_support.h"

using namespace testing_support;

namespace {

struct FileHandle {
    HANDLE h;
    explicit FileHandle(const fs::path& path)
        : h(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)) {}
    ~FileHandle() {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
};

class ConfigStore : public ::testing::Test {
protected:
    void SetUp() override {
        launcherConfig().clear();
        messageTable().clear();
        launchState().messageBoxesOn = true;
        dir = freshDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }

    // Loads the block of `d` from a real setup file, as the launcher reads its own.
    void load(const mkmedia::MediaDescription& d, const ArgumentList& arguments = {L"setup.exe"}) {
        fs::path setup = writeSetupFile(d, dir / "setup.exe");
        FileHandle file(setup);
        ASSERT_NE(file.h, INVALID_HANDLE_VALUE);
        seekAppendedDataBlock(file.h);
        readAppendedDataBlock(file.h, &arguments);
    }

    static std::string config(int32_t id, size_t size = kTextUnits) {
        std::vector<char> buffer(size);
        getConfigString(id, buffer.data(), buffer.size());
        return buffer.data();
    }

    static std::wstring message(int32_t id) {
        std::vector<wchar_t> buffer(kTextUnits);
        getMessageText(id, buffer.data(), buffer.size());
        return buffer.data();
    }

    fs::path dir;
};

mkmedia::MediaDescription empty() { return mkmedia::MediaDescription{}; }

TEST_F(ConfigStore, EmptyBlockAnswersEveryLookUpWithNothing) {
    load(empty());
    EXPECT_EQ(config(122), "");
    EXPECT_EQ(getConfigInt(107), 0);
    EXPECT_EQ(dupConfigString(2003), "");
    EXPECT_EQ(message(1000), L"");
    wchar_t wide[8] = L"junk";
    EXPECT_EQ(getConfigWideString(146, wide, 8), 0u);
    EXPECT_STREQ(wide, L"");
}

TEST_F(ConfigStore, LaterEntryWithTheSameIdWins) {
    mkmedia::MediaDescription d;
    d.config = {{122, "first.Main"}, {126, "17"}, {122, "second.Main"}};
    d.messages = {{1000, u"Oops"}, {1000, u"Fehler"}};
    load(d);
    EXPECT_EQ(config(122), "second.Main");
    EXPECT_EQ(config(126), "17");
    EXPECT_EQ(message(1000), L"Fehler");
}

TEST_F(ConfigStore, TextsAreCutToTheBufferAndWidenedByteByByte) {
    mkmedia::MediaDescription d;
    d.config = {{121, "abcde"}, {10003, "caf\xE9"}, {107, "2"}, {126, "x17"}, {127, "  42abc"}};
    load(d);
    EXPECT_EQ(config(121, 6), "abcde");  // exactly size - 1 bytes: whole
    EXPECT_EQ(config(121, 5), "abcd");   // one more: cut
    char small[5];
    EXPECT_EQ(getConfigString(121, small, sizeof small), 4u);
    wchar_t wide[16];
    EXPECT_EQ(getConfigWideString(10003, wide, 16), 4u);
    EXPECT_EQ(std::wstring(wide), L"caf\u00E9");
    EXPECT_EQ(getConfigWideString(121, wide, 3), 2u);
    EXPECT_EQ(std::wstring(wide), L"ab");
    EXPECT_EQ(getConfigInt(126), 0);   // not numeric
    EXPECT_EQ(getConfigInt(127), 42);  // leading blanks and trailing text as strtol reads them
    EXPECT_FALSE(launchState().messageBoxesOn) << "kind 2 sends errors to the console";
}

TEST_F(ConfigStore, MessageTextFallsBackToTheConfigurationEntry) {
    mkmedia::MediaDescription d;
    d.config = {{20013, "Product from config"}, {1000, "not used"}};
    d.messages = {{1000, u"Error"}};
    load(d);
    EXPECT_EQ(message(20013), L"Product from config");
    EXPECT_EQ(message(1000), L"Error");
    wchar_t only[kTextUnits];
    getMessage(20013, only);
    EXPECT_STREQ(only, L"") << "getMessage reads the message table only";
}

TEST_F(ConfigStore, OddMessageLengthKeepsWholeCodeUnits) {
    // A message of 5 bytes: two code units and one stray byte that is read but not kept.
    mkmedia::MediaDescription d;
    d.messages = {{1000, u"ab"}, {1001, u"next"}};
    std::vector<uint8_t> block;
    std::string error;
    ASSERT_TRUE(mkmedia::buildBlock(d, block, error)) << error;
    // Rewrite message 1000's length from 4 to 5 and insert the stray byte after its text.
    const uint8_t text[] = {'a', 0, 'b', 0};
    auto at = std::search(block.begin(), block.end(), std::begin(text), std::end(text));
    ASSERT_NE(at, block.end());
    size_t textStart = (size_t)(at - block.begin());
    block[textStart - 4] = 5;
    block.insert(block.begin() + (long)(textStart + 4), 'X');
    uint64_t length;
    memcpy(&length, &block[12], 8);
    ++length;
    memcpy(&block[12], &length, 8);
    fs::path setup = dir / "odd.exe";
    writeFile(setup, readFile(launcherImage()) + std::string(block.begin(), block.end()));
    FileHandle file(setup);
    seekAppendedDataBlock(file.h);
    readAppendedDataBlock(file.h, nullptr);
    EXPECT_EQ(message(1000), L"ab");
    EXPECT_EQ(message(1001), L"next");
}

struct LanguageCase {
    const char* chosen;
    const wchar_t* expected;  // text of message 1000
};

void PrintTo(const LanguageCase& c, std::ostream* out) { *out << c.chosen; }

class LanguageBlocks : public ConfigStore, public ::testing::WithParamInterface<LanguageCase> {};

TEST_P(LanguageBlocks, ApplyWhenTheirCodeStartsTheChosenCode) {
    mkmedia::MediaDescription d;
    d.messages = {{1000, u"Error"}, {1012, u"untouched"}};
    d.languages = {{"de", {{1000, u"Fehler"}}}, {"de_AT", {{1000, u"Fehler (AT)"}}}, {"fr", {{1000, u"Erreur"}}}};
    d.files.push_back({"a.txt", {}, {'x', 'y'}, true});
    std::string chosen = std::string("-Dtarvelink.language=") + GetParam().chosen;
    load(d, {L"setup.exe", std::wstring(chosen.begin(), chosen.end())});
    EXPECT_EQ(message(1000), GetParam().expected);
    EXPECT_EQ(message(1012), L"untouched");
    // Whatever applied, the included files start right after the last language block.
    std::vector<uint8_t> block;
    std::string error;
    ASSERT_TRUE(mkmedia::buildBlock(d, block, error));
    int64_t imageSize = (int64_t)fs::file_size(launcherImage());
    uint64_t length;
    memcpy(&length, &block[12], 8);
    const int64_t filesAndData = (8 + 2) + (4 + 4);  // one 2-byte file, a data section without files
    EXPECT_EQ(getIncludedFilesOffset(), imageSize + 20 + (int64_t)length - filesAndData);
}

INSTANTIATE_TEST_SUITE_P(Codes, LanguageBlocks,
                         ::testing::Values(LanguageCase{"de", L"Fehler"}, LanguageCase{"de_DE", L"Fehler"},
                                           LanguageCase{"d", L"Error"}, LanguageCase{"de_AT", L"Fehler (AT)"},
                                           LanguageCase{"en", L"Error"}, LanguageCase{"fr_CA", L"Erreur"}));

// A synthetic image: its last section header does not hold the highest raw data.
TEST(BlockPosition, FollowsTheLastSectionHeaderNotTheHighestRawData) {
    std::string image(0x600, '\0');
    auto put32 = [&](size_t at, uint32_t v) { memcpy(&image[at], &v, 4); };
    auto put16 = [&](size_t at, uint16_t v) { memcpy(&image[at], &v, 2); };
    image[0] = 'M';
    image[1] = 'Z';
    const uint32_t pe = 0x80;
    put32(60, pe);
    put16(pe + 6, 2);      // two sections
    put16(pe + 20, 0xF0);  // size of the optional header
    const size_t table = pe + 24 + 0xF0;
    put32(table + 16, 0x200);       // first section: 0x200 bytes at 0x400
    put32(table + 20, 0x400);
    put32(table + 40 + 16, 0x80);   // last section: 0x80 bytes at 0x200
    put32(table + 40 + 20, 0x200);
    fs::path file = freshDir("position") / "image.bin";
    writeFile(file, image);
    FileHandle handle(file);
    seekAppendedDataBlock(handle.h);
    EXPECT_EQ(filePosition(handle.h), 0x280);
}

// Positions beyond 2 GiB: a language block that does not apply carries a 2.25 GiB message,
// written as a hole in a sparse file. It is skipped by seeking, never read into memory.
TEST_F(ConfigStore, IncludedFilesStartBeyondTwoGigabytes) {
    std::string head;
    auto put32 = [&](uint32_t v) { head.append((const char*)&v, 4); };
    put32(kBlockMagic);
    put32(0);
    put32(0);
    head.append(8, '\0');  // the length is not read while loading
    put32(1);               // one entry: 2002 = "0"
    put32(2002);
    put32(1);
    head += "0";
    put32(0);  // no messages
    const uint32_t huge = 0x90000000u;
    put32(1);  // one language block "xx" with one huge message
    put32(2);
    head += "xx";
    put32(1);
    put32(1000);
    put32(huge);
    fs::path setup = dir / "big.exe";
    HANDLE file = CreateFileW(setup.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    std::string image = readFile(launcherImage());
    std::string start = image + head;
    DWORD written;
    WriteFile(file, start.data(), (DWORD)start.size(), &written, nullptr);
    LARGE_INTEGER skip;
    skip.QuadPart = huge;
    SetFilePointerEx(file, skip, nullptr, FILE_CURRENT);
    const char tail[] = "after the hole";
    WriteFile(file, tail, sizeof tail, &written, nullptr);
    CloseHandle(file);

    FileHandle in(setup);
    seekAppendedDataBlock(in.h);
    readAppendedDataBlock(in.h, nullptr);
    EXPECT_EQ(getIncludedFilesOffset(), (int64_t)start.size() + (int64_t)huge);
    EXPECT_GT(getIncludedFilesOffset(), (int64_t)0x80000000);
    EXPECT_EQ(config(2002), "0");
}

}  // namespace
