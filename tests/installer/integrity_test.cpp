// The setup file's CRC-32, checked by the real launcher before it extracts anything.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "test_support.h"

using namespace testing_support;

namespace {

const char* const kCorrupted = "The installation file is corrupted. If it is a download please try it again.";

class Integrity : public ::testing::Test {
protected:
    void SetUp() override {
        dir = freshDir(std::string("integrity_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        description = mkmedia::installerDefaults("Integrity Test");
        std::string payload(70000, '\0');
        std::mt19937 random(7);
        for (char& c : payload) c = (char)(random() & 0xFF);
        description.files.push_back({"tvkruntime.jar", {}, std::vector<uint8_t>(payload.begin(), payload.end()), true});
        description.dataFiles.push_back({"setup.params", {}, {'p', 'a', 'r', 'a', 'm', 's'}, true});
        image = readFile(launcherImage());
    }

    // Runs a setup file made of `bytes` quietly; the message boxes it showed are in `shown`.
    ProcessResult run(const std::string& bytes, const std::wstring& arguments, std::vector<std::wstring>& shown) {
        writeFile(dir / "setup.exe", bytes);
        RunOptions options;
        traceMessageBoxes(options);
        ProcessResult r = runSetup(dir / "setup.exe", arguments, dir, options);
        shown = messageBoxTexts(r.trace);
        fs::remove(dir / "tvk_nlog_1.log");
        return r;
    }

    std::string build() {
        std::vector<uint8_t> block;
        std::string error;
        EXPECT_TRUE(mkmedia::buildBlock(description, block, error)) << error;
        return image + std::string(block.begin(), block.end());
    }

    fs::path dir;
    mkmedia::MediaDescription description;
    std::string image;
};

TEST_F(Integrity, IntactFilePassesAndAnyFlippedByteIsCaught) {
    std::string whole = build();
    std::vector<std::wstring> shown;
    ProcessResult r = run(whole, kQuietWithoutRuntime, shown);
    EXPECT_EQ(r.exitCode, kNoRuntimeExit);
    EXPECT_TRUE(shown.empty());

    // Flipped bytes in the included file and in the installer data section: loading still works,
    // the check does not.
    uint64_t length;
    memcpy(&length, &whole[image.size() + 12], 8);
    const size_t contentEnd = image.size() + 20 + (size_t)length;
    for (size_t at : {whole.size() - 40000, contentEnd - 3}) {
        std::string damaged = whole;
        damaged[at] ^= 0x10;
        r = run(damaged, kQuietWithoutRuntime, shown);
        EXPECT_EQ(r.exitCode, 1u) << at;
        ASSERT_EQ(shown.size(), 1u) << at;
        EXPECT_EQ(narrow(shown[0]), kCorrupted);  // shown even in quiet mode, without the log path
        EXPECT_TRUE(damaged.size() > contentEnd);
    }
    // The padding behind the content is not covered.
    std::string padded = whole;
    if (padded.size() > contentEnd) padded[contentEnd] ^= 0x01;
    EXPECT_EQ(run(padded, kQuietWithoutRuntime, shown).exitCode, kNoRuntimeExit);
}

TEST_F(Integrity, CheckIsSkippedBySwitchOrFlag) {
    std::string damaged = build();
    damaged[damaged.size() - 40000] ^= 0x10;
    std::vector<std::wstring> shown;
    EXPECT_EQ(run(damaged, L"-q -manual -nocheck", shown).exitCode, kNoRuntimeExit);
    EXPECT_TRUE(shown.empty());

    description.checkFlag = 0;
    damaged = build();
    damaged[damaged.size() - 40000] ^= 0x10;
    EXPECT_EQ(run(damaged, kQuietWithoutRuntime, shown).exitCode, kNoRuntimeExit);
    EXPECT_TRUE(shown.empty());
}

// A download cut inside the included files: the length in the header promises more than the file
// holds, which is a corrupted file, not an internal error.
TEST_F(Integrity, TruncatedFileIsCorrupted) {
    std::string whole = build();
    std::vector<std::wstring> shown;
    ProcessResult r = run(whole.substr(0, whole.size() - 30000), kQuietWithoutRuntime, shown);
    EXPECT_EQ(r.exitCode, 1u);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(narrow(shown[0]), kCorrupted);
}

TEST_F(Integrity, EmptyContentWithItsCrcPasses) {
    // Header only: length 0 and the CRC of no bytes (0). Loading needs its counts, so they follow
    // behind the content, outside what the check covers.
    std::string block;
    auto put32 = [&](uint32_t v) { block.append((const char*)&v, 4); };
    put32(0xE8E413D5);
    put32(1);
    put32(0);
    block.append(8, '\0');
    put32(0);
    put32(0);
    put32(0);
    std::vector<std::wstring> shown;
    EXPECT_EQ(run(image + block, kQuietWithoutRuntime, shown).exitCode, kNoRuntimeExit);
    EXPECT_TRUE(shown.empty());
}

}  // namespace
