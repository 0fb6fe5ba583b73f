// Damaged setup files. Whatever is wrong with the appended block (cut short, bytes changed, counts
// and lengths that lie), the launcher must end with exit code 1, or get through to the point where
// it finds no runtime (the files carry none) and end with 83: never crash, never hang.
// The files are derived from one valid setup file with a fixed seed, so every run builds the same
// ones; a failure names the seed, the case and the change, and leaves the file in place.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <random>
#include <sstream>
#include <thread>

#include "test_support.h"

using namespace testing_support;

namespace {

constexpr uint32_t kDefaultSeed = 0x7E1A5EED;
constexpr DWORD kRunTimeoutMs = 20000;
constexpr unsigned kWorkers = 3;  // launcher runs at the same time

// TVK_FUZZ_SEED gives another seed for exploring; the build always uses the default one.
uint32_t seed() {
    const char* text = getenv("TVK_FUZZ_SEED");
    return text && *text ? (uint32_t)strtoul(text, nullptr, 0) : kDefaultSeed;
}

std::vector<uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

// Small, but with every part of the block: entries, messages, a language block that applies ("en",
// the default language) and one that is skipped, two included files and a data file.
mkmedia::MediaDescription validDescription() {
    mkmedia::MediaDescription d;
    d.config = {{101, "Fuzz Product"}, {107, "5"}, {2001, "i"}, {10005, "1"}, {10012, "1"}};
    d.messages = {{1000, u"Error"}, {1009, u"An internal error occurred (error code: {0})"}, {20013, u"Fuzz Product"}};
    d.languages = {{"en", {{1000, u"Failure"}, {20013, u"Fuzz"}}}, {"de", {{1000, u"Fehler"}}}};
    d.files = {{"alpha.txt", {}, bytesOf("alpha\r\n"), true}, {"beta.bin", {}, {0, 1, 2, 0xA7, 0xFF}, true}};
    d.dataFiles = {{"setup.params", {}, bytesOf("key=value\n"), true}};
    return d;
}

// A count, length or size field of the block.
struct Field {
    std::string name;
    size_t offset;  // from the start of the block
    int width;      // bytes
    bool bigEndian;
};

struct BlockLayout {
    std::vector<Field> fields;
    size_t tablesEnd = 0;   // end of the language blocks, where the included files begin
    size_t contentEnd = 0;  // end of the installer data section; only padding follows
};

// Walks a valid block the way its format is laid out and notes where each count and length lies.
BlockLayout layoutOf(const std::vector<uint8_t>& block, size_t includedFiles) {
    BlockLayout layout;
    size_t at = 0;
    auto field = [&](const std::string& name, int width, bool bigEndian = false) {
        uint64_t value = 0;
        for (int i = 0; i < width; ++i) value |= (uint64_t)block.at(at + i) << 8 * (bigEndian ? width - 1 - i : i);
        layout.fields.push_back({name, at, width, bigEndian});
        at += width;
        return value;
    };
    auto strings = [&](const std::string& what) {
        uint64_t count = field(what + " count", 4);
        for (uint64_t i = 0; i < count; ++i) {
            at += 4;  // id
            at += field(what + " " + std::to_string(i) + " length", 4);
        }
    };
    at = 12;
    uint64_t contentLength = field("content length", 8);
    strings("entry");
    strings("message");
    uint64_t languages = field("language block count", 4);
    for (uint64_t b = 0; b < languages; ++b) {
        std::string name = "language block " + std::to_string(b);
        at += field(name + " code length", 4);
        strings(name + " message");
    }
    layout.tablesEnd = at;
    for (size_t i = 0; i < includedFiles; ++i) at += field("included file " + std::to_string(i) + " size", 8);
    at += 4;  // magic of the data section
    uint64_t dataFiles = field("data file count", 4, true);
    for (uint64_t i = 0; i < dataFiles; ++i) {
        at += field("data file " + std::to_string(i) + " name length", 2, true);
        at += field("data file " + std::to_string(i) + " length", 8, true);
    }
    layout.contentEnd = at;
    EXPECT_EQ(layout.contentEnd, 20 + contentLength) << "the walk over the block went astray";
    return layout;
}

struct ValidSetup {
    std::vector<uint8_t> image;  // launcher image, never changed
    std::vector<uint8_t> block;
    BlockLayout layout;
};

const ValidSetup& validSetup() {
    static const ValidSetup setup = [] {
        ValidSetup s;
        mkmedia::MediaDescription d = validDescription();
        std::string error;
        EXPECT_TRUE(mkmedia::buildBlock(d, s.block, error)) << error;
        fs::path file = writeSetupFile(d, freshDir("fuzz_valid") / "setup.exe");
        std::string bytes = readFile(file);
        EXPECT_GT(bytes.size(), s.block.size());
        s.image.assign(bytes.begin(), bytes.end() - (std::ptrdiff_t)s.block.size());
        s.layout = layoutOf(s.block, d.files.size());
        return s;
    }();
    return setup;
}

// The launcher image, unchanged, followed by `block`.
void writeSetup(const fs::path& file, const std::vector<uint8_t>& block) {
    const ValidSetup& setup = validSetup();
    std::string bytes(setup.image.begin(), setup.image.end());
    bytes.append(block.begin(), block.end());
    writeFile(file, bytes);
}

std::string hex(uint64_t value) {
    std::ostringstream text;
    text << "0x" << std::hex << std::uppercase << value;
    return text.str();
}

// One damaged block, and what it was made with.
struct Mutation {
    std::vector<uint8_t> block;
    std::string change;
    bool loadingMustFail = false;  // the tables cannot be read whole: exit code 1, not 0
};

using Mutator = std::function<Mutation(const ValidSetup&, int caseNumber, std::mt19937&)>;

// A cut anywhere inside the block. A cut before the end of the language blocks leaves one of the
// loader's reads short, which is always fatal.
Mutation cutShort(const ValidSetup& setup, int, std::mt19937& random) {
    size_t cut = std::uniform_int_distribution<size_t>(0, setup.block.size() - 1)(random);
    Mutation m;
    m.block.assign(setup.block.begin(), setup.block.begin() + (std::ptrdiff_t)cut);
    m.change = "block cut to " + std::to_string(cut) + " of " + std::to_string(setup.block.size()) + " bytes";
    m.loadingMustFail = cut < setup.layout.tablesEnd;
    return m;
}

// One to four bytes of the header or content changed (the padding behind them is never read).
Mutation changeBytes(const ValidSetup& setup, int, std::mt19937& random) {
    Mutation m;
    m.block = setup.block;
    int count = std::uniform_int_distribution<int>(1, 4)(random);
    for (int i = 0; i < count; ++i) {
        size_t at = std::uniform_int_distribution<size_t>(0, setup.layout.contentEnd - 1)(random);
        uint8_t mask = (uint8_t)std::uniform_int_distribution<int>(1, 255)(random);
        m.change += (i ? ", " : "") + std::string("byte ") + std::to_string(at) + " " + hex(m.block[at]) + "->" +
                    hex(m.block[at] ^ mask);
        m.block[at] ^= mask;
    }
    return m;
}

struct FieldValue {
    const char* name;
    uint64_t value;
    bool random;  // a random big value that fits the field
};

const FieldValue kFieldValues[] = {
    {"0", 0, false},
    {"1", 1, false},
    {"0x7FFFFFFF", 0x7FFFFFFF, false},
    {"0xFFFFFFFF", 0xFFFFFFFF, false},
    {"random big", 0, true},
};
constexpr int kFieldValueCount = sizeof kFieldValues / sizeof kFieldValues[0];

// Every count and length field in turn, with every value of the table (cut to the field's width).
Mutation setCountOrLength(const ValidSetup& setup, int caseNumber, std::mt19937& random) {
    const Field& field = setup.layout.fields.at((size_t)caseNumber / kFieldValueCount);
    const FieldValue& choice = kFieldValues[caseNumber % kFieldValueCount];
    uint64_t max = field.width == 8 ? ~0ull : (1ull << 8 * field.width) - 1;
    uint64_t value = choice.random ? std::uniform_int_distribution<uint64_t>(max >> 12, max)(random) : choice.value & max;
    Mutation m;
    m.block = setup.block;
    for (int i = 0; i < field.width; ++i)
        m.block[field.offset + i] = (uint8_t)(value >> 8 * (field.bigEndian ? field.width - 1 - i : i));
    m.change = field.name + " set to " + hex(value) + " (" + choice.name + ")";
    return m;
}

struct MutationKind {
    const char* name;
    int cases;  // 0: one per field and value
    Mutator mutate;
};

const MutationKind kKinds[] = {
    {"Truncated", 80, cutShort},
    {"ChangedBytes", 100, changeBytes},
    {"CountAndLengthFields", 0, setCountOrLength},
};

// One damaged setup file in a folder of its own (its TMP and TEMP too), and how its run went.
struct Case {
    int number = 0;
    std::string change;
    bool loadingMustFail = false;
    fs::path dir;
    ProcessResult result;
};

Case writeCase(const MutationKind& kind, size_t kindIndex, int number, const fs::path& root) {
    const ValidSetup& setup = validSetup();
    std::seed_seq sequence{seed(), (uint32_t)kindIndex, (uint32_t)number};
    std::mt19937 random(sequence);
    Mutation m = kind.mutate(setup, number, random);

    Case c;
    c.number = number;
    c.change = m.change;
    c.loadingMustFail = m.loadingMustFail;
    c.dir = root / std::to_string(number);
    fs::create_directories(c.dir / "tmp");
    writeSetup(c.dir / "setup.exe", m.block);
    return c;
}

// What was wrong with a run; empty when it behaved.
std::string problemOf(const Case& c) {
    const ProcessResult& r = c.result;
    if (r.timedOut) return "hung (killed after " + std::to_string(kRunTimeoutMs / 1000) + " s)";
    if (r.exitCode != kNoRuntimeExit && r.exitCode != 1) return "ended with exit code " + hex(r.exitCode);
    if (c.loadingMustFail && r.exitCode != 1) return "a block cut inside its tables was accepted";
    return {};
}

class DamagedSetupFile : public ::testing::TestWithParam<size_t> {};

TEST_P(DamagedSetupFile, EndsWithOneOrNoRuntimeWithoutCrashOrHang) {
    const size_t kindIndex = GetParam();
    const MutationKind& kind = kKinds[kindIndex];
    const ValidSetup& setup = validSetup();
    ASSERT_FALSE(setup.block.empty());
    int count = kind.cases ? kind.cases : (int)setup.layout.fields.size() * kFieldValueCount;
    fs::path root = freshDir(std::string("fuzz_") + kind.name);

    // All files are written before the first run: a child started meanwhile would inherit the
    // handle of a file still being written and keep it from being started itself.
    std::vector<Case> cases;
    for (int n = 0; n < count; ++n) cases.push_back(writeCase(kind, kindIndex, n, root));

    std::atomic<size_t> next{0};
    std::vector<std::thread> workers;
    for (unsigned w = 0; w < kWorkers; ++w) {
        workers.emplace_back([&] {
            RunOptions options;
            options.timeoutMs = kRunTimeoutMs;
            for (size_t i; (i = next++) < cases.size();)
                cases[i].result = runSetup(cases[i].dir / "setup.exe", kQuietWithoutRuntime, cases[i].dir / "tmp", options);
        });
    }
    for (std::thread& worker : workers) worker.join();

    // The folder of a misbehaving run stays behind, with its file and log.
    int failures = 0;
    for (const Case& c : cases) {
        std::string problem = problemOf(c);
        if (problem.empty()) {
            std::error_code ignored;
            fs::remove_all(c.dir, ignored);
            continue;
        }
        if (++failures > 10) continue;
        std::string log = readLog(c.dir / "tmp");
        ADD_FAILURE() << "seed " << hex(seed()) << ", " << kind.name << " case " << c.number << " (" << c.change
                      << "): " << problem << "\n  file: " << c.dir.string() << "\n  stderr: " << c.result.err.substr(0, 600)
                      << "\n  log (end): " << log.substr(log.size() > 800 ? log.size() - 800 : 0);
    }
    EXPECT_EQ(failures, 0) << "of " << count << " " << kind.name << " cases (the first 10 are shown)";
}

INSTANTIATE_TEST_SUITE_P(Kinds, DamagedSetupFile, ::testing::Range<size_t>(0, std::size(kKinds)),
                         [](const ::testing::TestParamInfo<size_t>& info) { return std::string(kKinds[info.param].name); });

// The damaged files only mean something if the undamaged one gets through loading.
TEST(ValidSetupFile, IsLoadedWhole) {
    const ValidSetup& setup = validSetup();
    fs::path dir = freshDir("fuzz_baseline");
    writeSetup(dir / "setup.exe", setup.block);
    fs::create_directories(dir / "tmp");
    ProcessResult r = runSetup(dir / "setup.exe", kQuietWithoutRuntime, dir / "tmp");
    EXPECT_FALSE(r.timedOut);
    EXPECT_NE(readLog(dir / "tmp").find("Init done"), std::string::npos) << r.err;
}

}  // namespace
