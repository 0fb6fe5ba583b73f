// Setup files whose block is missing, cut or lying about its sizes: each ends with the reading
// primitive's text and exit code 1, never a crash, a hang or a huge allocation.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "test_support.h"

using namespace testing_support;

namespace {

// A small valid block and the offsets of its fields, for cutting and patching.
struct Fixture {
    std::string block;
    size_t entryId = 0, entryLength = 0, entryText = 0, messageText = 0, messageLength = 0, languageCode = 0;
};

Fixture makeFixture() {
    mkmedia::MediaDescription d;
    d.config = {{107, "5"}, {122, "com.example.Main"}};
    d.messages = {{1000, u"Error"}};
    d.languages = {{"de", {{1000, u"Fehler"}}}};
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(mkmedia::buildBlock(d, bytes, error)) << error;
    Fixture f;
    f.block.assign(bytes.begin(), bytes.end());
    f.entryId = 24;                  // after the header and the entry count
    f.entryLength = f.entryId + 4;
    f.entryText = f.entryLength + 4;  // "5"
    const std::string error16("E\0r\0r\0o\0r\0", 10);
    f.messageText = f.block.find(error16);
    f.messageLength = f.messageText - 4;
    f.languageCode = f.block.find("de");
    return f;
}

struct BadBlock {
    const char* name;
    std::function<std::string(const Fixture&)> make;  // the bytes behind the image
    const char* shown;
};

void PrintTo(const BadBlock& c, std::ostream* out) { *out << c.name; }

std::string cut(const Fixture& f, size_t at) { return f.block.substr(0, at); }

std::string patch32(const Fixture& f, size_t at, uint32_t value) {
    std::string b = f.block;
    memcpy(&b[at], &value, 4);
    return b;
}

class BlockErrors : public ::testing::TestWithParam<BadBlock> {};

TEST_P(BlockErrors, EndWithTheReadingTextAndExitCodeOne) {
    const BadBlock& c = GetParam();
    fs::path dir = freshDir(std::string("block_") + c.name);
    fs::path setup = dir / "setup.exe";
    writeFile(setup, readFile(launcherImage()) + c.make(makeFixture()));
    RunOptions options;
    options.timeoutMs = 30000;
    traceMessageBoxes(options);
    ProcessResult r = runSetup(setup, L"", dir, options);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 1u);
    std::vector<std::wstring> shown = messageBoxTexts(r.trace);
    ASSERT_EQ(shown.size(), 1u) << r.trace;
    std::string expected = std::string(c.shown) + "\n\nLog: " + (dir / "tvk_nlog_1.log").string();
    EXPECT_EQ(narrow(shown[0]), expected);
    if (std::string(c.shown).starts_with("Internal Error: read")) {
        EXPECT_NE(readLog(dir).find("] error "), std::string::npos) << "the system error code is logged";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BlockErrors,
    ::testing::Values(
        BadBlock{"none", [](const Fixture&) { return std::string(); }, "Internal Error: readInt"},
        BadBlock{"wrong_magic", [](const Fixture& f) { return patch32(f, 0, 0xE8E413D6); }, "Internal Error: magic"},
        BadBlock{"cut_in_magic", [](const Fixture& f) { return cut(f, 2); }, "Internal Error: readInt"},
        BadBlock{"cut_in_check_flag", [](const Fixture& f) { return cut(f, 6); }, "Internal Error: readInt"},
        BadBlock{"cut_in_crc", [](const Fixture& f) { return cut(f, 11); }, "Internal Error: readInt"},
        BadBlock{"cut_in_length", [](const Fixture& f) { return cut(f, 19); }, "Internal Error: readLong"},
        BadBlock{"cut_in_count", [](const Fixture& f) { return cut(f, 22); }, "Internal Error: readInt"},
        BadBlock{"cut_in_id", [](const Fixture& f) { return cut(f, f.entryId + 1); }, "Internal Error: readInt"},
        BadBlock{"cut_in_text_length", [](const Fixture& f) { return cut(f, f.entryLength + 3); },
                 "Internal Error: readInt"},
        BadBlock{"cut_in_text", [](const Fixture& f) { return cut(f, f.entryText + 20); }, "Internal Error: readString"},
        BadBlock{"cut_in_message", [](const Fixture& f) { return cut(f, f.messageText + 3); },
                 "Internal Error: readWString"},
        BadBlock{"cut_in_language_code", [](const Fixture& f) { return cut(f, f.languageCode + 1); },
                 "Internal Error: readString"},
        BadBlock{"text_length_all_ones", [](const Fixture& f) { return patch32(f, f.entryLength, 0xFFFFFFFF); },
                 "Internal Error: readString"},
        BadBlock{"text_length_beyond_file", [](const Fixture& f) { return patch32(f, f.entryLength, 0x7FFFFFFF); },
                 "Internal Error: readString"},
        BadBlock{"message_length_all_ones", [](const Fixture& f) { return patch32(f, f.messageLength, 0xFFFFFFFF); },
                 "Internal Error: readWString"},
        // far more entries than the file holds: the message count and id after the last entry read as
        // an id and a length of 1000, which is more than the file still holds
        BadBlock{"entry_count_huge", [](const Fixture& f) { return patch32(f, 20, 0x7FFFFFFF).substr(0, f.messageLength); },
                 "Internal Error: readString"}),
    [](const ::testing::TestParamInfo<BadBlock>& info) { return std::string(info.param.name); });

}  // namespace
