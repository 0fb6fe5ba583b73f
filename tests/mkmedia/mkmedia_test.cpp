// Tests of the setup-file builder: block bytes, description parsing and the written setup file.

#include "mkmedia.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <random>

namespace {

using Bytes = std::vector<uint8_t>;
using ConfigList = std::vector<std::pair<int32_t, std::string>>;
using MessageList = std::vector<std::pair<int32_t, std::u16string>>;

// A folder of fixture files, removed when the test ends.
class TempDir {
public:
    TempDir() {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() /
                ("mkmedia_test_" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }

    std::filesystem::path write(const std::string& name, const Bytes& bytes) const {
        const auto file = path_ / name;
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return file;
    }
    std::filesystem::path write(const std::string& name, const std::string& text) const {
        return write(name, Bytes(text.begin(), text.end()));
    }

private:
    std::filesystem::path path_;
};

Bytes readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t zlibCrc(const uint8_t* data, size_t size) {
    return static_cast<uint32_t>(::crc32(::crc32(0L, Z_NULL, 0), data, static_cast<uInt>(size)));
}

// Reads a block back the way the launcher and the Java side do; fails the test on any
// inconsistency of counts and lengths.
struct DecodedBlock {
    uint32_t checkFlag = 0;
    uint32_t crc = 0;
    uint64_t length = 0;
    ConfigList config;
    MessageList messages;
    std::vector<std::pair<std::string, MessageList>> languages;
    std::vector<Bytes> files;  // descrambled
    std::vector<std::pair<std::string, Bytes>> dataFiles;
};

class BlockReader {
public:
    explicit BlockReader(const Bytes& block) : b_(block) {}

    ::testing::AssertionResult decode(DecodedBlock& out) {
        if (u32() != 0xE8E413D5) return fail("magic");
        out.checkFlag = u32();
        out.crc = u32();
        out.length = u64();
        for (uint32_t n = u32(); n > 0 && ok_; --n) {
            const auto id = static_cast<int32_t>(u32());
            const Bytes text = take(u32());
            out.config.emplace_back(id, std::string(text.begin(), text.end()));
        }
        out.messages = messages();
        for (uint32_t n = u32(); n > 0 && ok_; --n) {
            const Bytes code = take(u32());
            out.languages.emplace_back(std::string(code.begin(), code.end()), messages());
        }
        // The file count comes from entry 2002, as the launcher reads it; the last entry wins.
        uint64_t fileCount = 0;
        for (const auto& [id, text] : out.config) {
            if (id == 2002) fileCount = std::stoull(text);
        }
        for (uint64_t n = 0; n < fileCount && ok_; ++n) {
            Bytes file = take(u64());
            for (auto& byte : file) byte ^= 0xA7;
            out.files.push_back(std::move(file));
        }
        if (!ok_) return fail("short included files");
        if (take(4) != Bytes{0xE8, 0xE4, 0x13, 0xD5}) return fail("data section magic");
        for (uint32_t n = be(4); n > 0 && ok_; --n) {
            const Bytes name = take(static_cast<size_t>(be(2)));
            Bytes data = take(static_cast<size_t>(be(8)));
            out.dataFiles.emplace_back(std::string(name.begin(), name.end()), std::move(data));
        }
        if (!ok_) return fail("short block");
        if (pos_ != 20 + out.length) return fail("content length does not match the content");
        if (b_.size() % 8 != 0 || b_.size() - pos_ >= 8) return fail("padding");
        for (size_t i = pos_; i < b_.size(); ++i) {
            if (b_[i] != 0) return fail("padding is not zero");
        }
        return ::testing::AssertionSuccess();
    }

private:
    ::testing::AssertionResult fail(const char* what) {
        return ::testing::AssertionFailure() << what << " (at byte " << pos_ << ")";
    }
    Bytes take(size_t n) {
        if (!ok_ || n > b_.size() - pos_) {
            ok_ = false;
            return {};
        }
        Bytes out(b_.begin() + static_cast<std::ptrdiff_t>(pos_),
                  b_.begin() + static_cast<std::ptrdiff_t>(pos_ + n));
        pos_ += n;
        return out;
    }
    uint64_t le(size_t n) {
        const Bytes v = take(n);
        uint64_t r = 0;
        for (size_t i = v.size(); i-- > 0;) r = r << 8 | v[i];
        return r;
    }
    uint64_t be(size_t n) {
        uint64_t r = 0;
        for (uint8_t byte : take(n)) r = r << 8 | byte;
        return r;
    }
    uint32_t u32() { return static_cast<uint32_t>(le(4)); }
    uint64_t u64() { return le(8); }
    MessageList messages() {
        MessageList list;
        for (uint32_t n = u32(); n > 0 && ok_; --n) {
            const auto id = static_cast<int32_t>(u32());
            const Bytes raw = take(u32());
            std::u16string text;
            for (size_t i = 0; i + 1 < raw.size(); i += 2) {
                text.push_back(static_cast<char16_t>(raw[i] | raw[i + 1] << 8));
            }
            list.emplace_back(id, text);
        }
        return list;
    }

    const Bytes& b_;
    size_t pos_ = 0;
    bool ok_ = true;
};

DecodedBlock buildAndDecode(const mkmedia::MediaDescription& d) {
    Bytes block;
    std::string error;
    DecodedBlock decoded;
    EXPECT_TRUE(mkmedia::buildBlock(d, block, error)) << error;
    EXPECT_TRUE(BlockReader(block).decode(decoded));
    return decoded;
}

mkmedia::MediaDescription parseOrFail(const std::string& text,
                                      const std::filesystem::path& baseDir = ".") {
    mkmedia::MediaDescription d;
    std::string error;
    EXPECT_TRUE(mkmedia::parseDescription(text, baseDir, d, error)) << text << "\n" << error;
    return d;
}

// --- Block bytes ---------------------------------------------------------------------------------

TEST(MkmediaBlock, TinyBlockHasExactLayout) {
    const Bytes contentStart = {
        // configuration: 3 entries, the two last derived from the included files
        3, 0, 0, 0,
        0xFE, 0xFF, 0xFF, 0xFF, 2, 0, 0, 0, 'a', 'b',
        0xD2, 0x07, 0, 0, 1, 0, 0, 0, '2',
        0xD3, 0x07, 0, 0, 5, 0, 0, 0, 'u', '\\', 'x', ';', 'e',
        // messages
        1, 0, 0, 0,
        9, 0, 0, 0, 4, 0, 0, 0, 'h', 0, 'i', 0,
        // language blocks
        1, 0, 0, 0,
        2, 0, 0, 0, 'd', 'e',
        1, 0, 0, 0,
        9, 0, 0, 0, 2, 0, 0, 0, 0xE4, 0,
        // included files, scrambled
        3, 0, 0, 0, 0, 0, 0, 0, 0xA7, 0x00, 0xE6,
        0, 0, 0, 0, 0, 0, 0, 0,
        // installer data section, big-endian, up to the data file's length
        0xE8, 0xE4, 0x13, 0xD5,
        0, 0, 0, 1,
        0, 1, 'd',
        0, 0, 0, 0, 0, 0, 0,
    };
    // The data file's size decides whether the block needs padding.
    const std::vector<std::pair<Bytes, size_t>> cases = {{{1, 2, 3}, 144}, {{1, 2}, 136}};
    for (const auto& [data, blockSize] : cases) {
        SCOPED_TRACE(blockSize);
        mkmedia::MediaDescription d;
        d.checkFlag = 0x0A0B0C0D;
        d.config = {{-2, "ab"}};
        d.messages = {{9, u"hi"}};
        d.languages = {{"de", {{9, u"\u00e4"}}}};
        d.files.push_back({"u\\x", {}, {0x00, 0xA7, 0x41}, true});
        d.files.push_back({"e", {}, {}, true});
        d.dataFiles.push_back({"d", {}, data, true});

        Bytes content = contentStart;
        content.push_back(static_cast<uint8_t>(data.size()));
        content.insert(content.end(), data.begin(), data.end());
        const uint32_t crc = zlibCrc(content.data(), content.size());
        Bytes expected = {
            0xD5, 0x13, 0xE4, 0xE8,                           // magic
            0x0D, 0x0C, 0x0B, 0x0A,                           // check flag
            static_cast<uint8_t>(crc), static_cast<uint8_t>(crc >> 8),
            static_cast<uint8_t>(crc >> 16), static_cast<uint8_t>(crc >> 24),
            static_cast<uint8_t>(content.size()), 0, 0, 0, 0, 0, 0, 0,  // length
        };
        expected.insert(expected.end(), content.begin(), content.end());
        expected.resize(blockSize, 0);

        Bytes block;
        std::string error;
        ASSERT_TRUE(mkmedia::buildBlock(d, block, error)) << error;
        EXPECT_EQ(block, expected);
    }
}

TEST(MkmediaBlock, CrcMatchesZlib) {
    const std::string check = "123456789";
    const auto* digits = reinterpret_cast<const uint8_t*>(check.data());
    EXPECT_EQ(mkmedia::crc32(digits, check.size()), 0xCBF43926u);
    EXPECT_EQ(mkmedia::crc32(nullptr, 0), 0u);

    Bytes data(5000);
    std::mt19937 random(7);
    for (auto& byte : data) byte = static_cast<uint8_t>(random());
    const uint32_t whole = zlibCrc(data.data(), data.size());
    EXPECT_EQ(mkmedia::crc32(data.data(), data.size()), whole);
    // Continued over two pieces, as when a file is read in chunks.
    EXPECT_EQ(mkmedia::crc32(data.data() + 1234, data.size() - 1234,
                             mkmedia::crc32(data.data(), 1234)),
              whole);

    // The header's CRC covers exactly the content: not the header, not the padding.
    mkmedia::MediaDescription d = mkmedia::installerDefaults("Acme");
    d.files.push_back({"a.jar", {}, data, true});
    Bytes block;
    std::string error;
    ASSERT_TRUE(mkmedia::buildBlock(d, block, error)) << error;
    DecodedBlock decoded;
    ASSERT_TRUE(BlockReader(block).decode(decoded));
    EXPECT_EQ(decoded.crc, zlibCrc(block.data() + 20, static_cast<size_t>(decoded.length)));
}

TEST(MkmediaBlock, UnreadableOrRepeatedFilesFail) {
    const std::vector<std::pair<const char*, mkmedia::MediaDescription>> cases = [] {
        mkmedia::MediaDescription missing;
        missing.files.push_back({"a.jar", "/no/such/file.jar", {}, false});
        mkmedia::MediaDescription repeated;
        repeated.files.push_back({"a.jar", {}, {1}, true});
        repeated.files.push_back({"a.jar", {}, {2}, true});
        mkmedia::MediaDescription repeatedData;
        repeatedData.dataFiles.push_back({"p", {}, {1}, true});
        repeatedData.dataFiles.push_back({"p", {}, {2}, true});
        return std::vector<std::pair<const char*, mkmedia::MediaDescription>>{
            {"file.jar", missing}, {"repeats", repeated}, {"repeats", repeatedData}};
    }();
    for (const auto& [expectedText, d] : cases) {
        Bytes block;
        std::string error;
        EXPECT_FALSE(mkmedia::buildBlock(d, block, error));
        EXPECT_NE(error.find(expectedText), std::string::npos) << error;
    }
}

// --- Description: configuration entries ---------------------------------------------------------

TEST(MkmediaDescription, IncludedFileEntriesAreDerivedUnlessSet) {
    TempDir dir;
    dir.write("a.jar", "AAAA");
    dir.write("b.jar", "B");
    const std::string files = "defaults none\nfile a.jar a.jar\nfile lib\\b.jar b.jar\n";
    struct Case {
        std::string extra;
        ConfigList expected;
        bool readable;  // whether the files can be read back by the count of entry 2002
    };
    const std::vector<Case> cases = {
        {"", {{2002, "2"}, {2003, "a.jar;lib\\b.jar"}}, true},
        // A count larger than the list makes a reader run past the files.
        {"config 2002 3\n", {{2002, "3"}, {2003, "a.jar;lib\\b.jar"}}, false},
        {"config 2003 x;y\n", {{2003, "x;y"}, {2002, "2"}}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.extra);
        const auto d = parseOrFail(files + c.extra, dir.path());
        Bytes block;
        std::string error;
        ASSERT_TRUE(mkmedia::buildBlock(d, block, error)) << error;
        DecodedBlock decoded;
        EXPECT_EQ(static_cast<bool>(BlockReader(block).decode(decoded)), c.readable);
        EXPECT_EQ(decoded.config, c.expected);
        if (c.readable) {
            EXPECT_EQ(decoded.files, (std::vector<Bytes>{{'A', 'A', 'A', 'A'}, {'B'}}));
        }
    }
}

TEST(MkmediaDescription, ConfigDirectivesEditEntriesInOrder) {
    struct Case {
        std::string description;
        ConfigList expected;
    };
    const std::vector<Case> cases = {
        {"config 5 a\nconfig 6 b\nconfig 5 c\n", {{5, "c"}, {6, "b"}}},
        {"config+ 5 a\nconfig 6 b\nconfig+ 5 c\n", {{5, "a"}, {6, "b"}, {5, "c"}}},
        {"config+ 5 a\nconfig+ 5 b\nconfig 5 c\n", {{5, "c"}}},
        {"config 5 a\nconfig 6 b\nconfig+ 5 c\nunset 5\n", {{6, "b"}}},
        {"config -7 a\nconfig 2147483647 b\nconfig -2147483648 c\n",
         {{-7, "a"}, {2147483647, "b"}, {-2147483648, "c"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description);
        const auto d = parseOrFail("defaults none\n" + c.description);
        EXPECT_EQ(d.config, c.expected);
        // Duplicates reach the block in the same order.
        const DecodedBlock decoded = buildAndDecode(d);
        ASSERT_EQ(decoded.config.size(), c.expected.size() + 2);
        EXPECT_EQ(ConfigList(decoded.config.begin(), decoded.config.end() - 2), c.expected);
    }
}

TEST(MkmediaDescription, DefaultsCarryTheProductName) {
    const auto d = parseOrFail("# header\nproduct \"Acme Tool\"\n\nconfig+ 126 17\nunset 150\n");
    EXPECT_EQ(d.productName, "Acme Tool");
    EXPECT_EQ(d.checkFlag, 1u);
    const auto find = [&](int32_t id) {
        std::vector<std::string> texts;
        for (const auto& [entryId, text] : d.config) {
            if (entryId == id) texts.push_back(text);
        }
        return texts;
    };
    EXPECT_EQ(find(101), std::vector<std::string>{"Acme Tool"});
    EXPECT_EQ(find(103), std::vector<std::string>{"Acme Tool_error.log"});
    EXPECT_EQ(find(107), std::vector<std::string>{"5"});
    EXPECT_EQ(find(126), (std::vector<std::string>{"21", "17"}));
    EXPECT_TRUE(find(150).empty());
    EXPECT_TRUE(find(2002).empty());
    EXPECT_TRUE(find(2003).empty());
    EXPECT_EQ(find(128), std::vector<std::string>{"R.\\runtime;Y;EJAVA_HOME;EJDK_HOME;"});

    std::map<int32_t, std::u16string> messages(d.messages.begin(), d.messages.end());
    EXPECT_EQ(messages.size(), d.messages.size()) << "a message id repeats";
    EXPECT_EQ(messages[20013], u"Acme Tool");
    EXPECT_EQ(messages[20001].rfind(u"Acme Tool is downloading", 0), 0u);
    EXPECT_NE(messages[1016].find(u"an installed {0}-bit JDK or JRE"), std::u16string::npos);
    EXPECT_EQ(messages[1000], u"Error");

    const auto none = parseOrFail("defaults none\nproduct X\n");
    EXPECT_TRUE(none.config.empty());
    EXPECT_TRUE(none.messages.empty());
    EXPECT_EQ(none.productName, "X");
}

// --- Description: texts --------------------------------------------------------------------------

TEST(MkmediaDescription, ConfigTextsKeepBytesAndDecodeEscapes) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {R"(config 5 R.\runtime;Y;)", "R.\\runtime;Y;"},
        {"config 5   two  words  ", "two  words"},
        {"config 5", ""},
        {R"(config 5 "")", ""},
        {R"(config 5 "  kept  " )", "  kept  "},
        {R"(config 5 "a\n\r\t\\\"b")", "a\n\r\t\\\"b"},
        {R"(config 5 "\xff\x00\x41")", std::string("\xFF\0A", 3)},
        {R"(config 5 "\u00e9\u20AC")", "\xC3\xA9\xE2\x82\xAC"},
        {"config 5 \xC3\xA9 \"q\"", "\xC3\xA9 \"q\""},  // literal text: quotes inside stay
    };
    for (const auto& [line, expected] : cases) {
        SCOPED_TRACE(line);
        const auto d = parseOrFail("defaults none\n" + line + "\n");
        EXPECT_EQ(d.config, (ConfigList{{5, expected}}));
    }
}

TEST(MkmediaDescription, MessageTextsBecomeUtf16) {
    const std::vector<std::pair<std::string, std::u16string>> cases = {
        {"message 5 plain {0} text", u"plain {0} text"},
        {"message 5 \xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", u"\u00e9\u20ac\U0001F600"},
        {R"(message 5 "\xe9\u20ac\uD83D\uDE00")", u"\u00e9\u20ac\U0001F600"},
        {"message 5 \"line\\nnext \xC3\xA9\"", u"line\nnext \u00e9"},
        {"message 5", u""},
    };
    for (const auto& [line, expected] : cases) {
        SCOPED_TRACE(line);
        const auto d = parseOrFail("defaults none\n" + line + "\n");
        EXPECT_EQ(d.messages, (MessageList{{5, expected}}));
    }

    // Language blocks keep the order of first appearance and every message given.
    const auto d = parseOrFail(
        "defaults none\nlanguage de 20013 Produkt\nlanguage fr_FR 20013 \"Produit \\u00e9\"\n"
        "language de 1000 Fehler\nmessage 1000 Error\nmessage 1000 Failure\n");
    ASSERT_EQ(d.languages.size(), 2u);
    EXPECT_EQ(d.languages[0].code, "de");
    EXPECT_EQ(d.languages[0].messages, (MessageList{{20013, u"Produkt"}, {1000, u"Fehler"}}));
    EXPECT_EQ(d.languages[1].code, "fr_FR");
    EXPECT_EQ(d.languages[1].messages, (MessageList{{20013, u"Produit \u00e9"}}));
    EXPECT_EQ(d.messages, (MessageList{{1000, u"Failure"}}));
}

TEST(MkmediaDescription, BadDescriptionsNameTheLine) {
    TempDir dir;
    dir.write("x.bin", "x");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"defaults none\n\nfrobnicate 1\n", "line 3: unknown directive 'frobnicate'"},
        {"config 12x a\n", "line 1: bad id '12x'"},
        {"# comment\nconfig 2147483648 a\n", "line 2: bad id"},
        {"config +5 a\n", "line 1: bad id"},
        {"config 0x10 a\n", "line 1: bad id"},
        {"config\n", "line 1: missing id"},
        {"checkflag 1\nunset\n", "line 2: missing id"},
        {"message five text\n", "line 1: bad id 'five'"},
        {"language de\n", "line 1: missing id"},
        {"language\n", "line 1: missing language code"},
        {"config 5 ok\nconfig 5 \"open\n", "line 2: missing closing quote"},
        {"config 5 \"a\\q\"\n", "line 1: unknown escape \\q"},
        {"config 5 \"\\x4\"\n", "line 1: \\x needs 2 hex digits"},
        {"message 5 \"\\u12G4\"\n", "line 1: \\u needs 4 hex digits"},
        {"config 5 \"a\" b\n", "line 1: unexpected text after the closing quote"},
        {"message 5 \xC3(\n", "line 1: text is not valid UTF-8"},
        {"file\n", "line 1: missing file name"},
        {"file a.jar\n", "line 1: missing path"},
        {"data p   \n", "line 1: missing path"},
        {"file a.jar missing.jar\n", "line 1: file not found: missing.jar"},
        {"file a.jar x.bin\nfile b.jar x.bin\nfile a.jar x.bin\n",
         "line 3: included file name 'a.jar' repeats (first on line 1)"},
        {"file a;b x.bin\n", "line 1: included file name 'a;b' contains ';'"},
        {"checkflag 0\nproduct Late\n", "line 2: 'product' must come before"},
        {"product P\nconfig 5 a\ndefaults none\n", "line 3: 'defaults' must come before"},
        {"defaults some\n", "line 1: 'defaults' takes 'installer' or 'none'"},
        {"checkflag yes\n", "line 1: 'checkflag' takes one unsigned number"},
        {"product\n", "line 1: missing product name"},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        mkmedia::MediaDescription d;
        std::string error;
        EXPECT_FALSE(mkmedia::parseDescription(text, dir.path(), d, error));
        EXPECT_EQ(error.rfind(expected, 0), 0u) << "error: " << error;
    }
}

// --- Files -----------------------------------------------------------------------------------------

TEST(MkmediaDescription, FilesAreReadRelativeToTheDescription) {
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "sub dir");
    dir.write("sub dir/runtime.jar", Bytes{0xA7, 0x00, 0xFF});
    dir.write("empty.txt", Bytes{});
    dir.write("params.bin", "P1");
    const auto d = parseOrFail(
        "defaults none\n"
        "file \"user\\\\lib one.jar\" sub dir/runtime.jar\n"
        "file empty.txt \"empty.txt\"\n"
        "data setup.params params.bin\n",
        dir.path());
    const DecodedBlock decoded = buildAndDecode(d);
    EXPECT_EQ(decoded.config, (ConfigList{{2002, "2"}, {2003, "user\\lib one.jar;empty.txt"}}));
    EXPECT_EQ(decoded.files, (std::vector<Bytes>{{0xA7, 0x00, 0xFF}, {}}));
    ASSERT_EQ(decoded.dataFiles.size(), 1u);
    EXPECT_EQ(decoded.dataFiles[0].first, "setup.params");
    EXPECT_EQ(decoded.dataFiles[0].second, (Bytes{'P', '1'}));
}

// A minimal executable image: headers, one section table entry and its raw data.
Bytes fakeImage(uint32_t rawOffset, uint32_t rawSize, size_t fileSize,
                uint32_t symbolTable = 0, uint32_t symbolCount = 0) {
    Bytes image(fileSize, 0x5A);
    std::fill(image.begin(), image.begin() + 128, 0);  // headers
    const auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) image[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    image[0] = 'M';
    image[1] = 'Z';
    put32(60, 64);                 // PE header offset
    put32(64, 0x00004550);         // "PE\0\0"
    image[64 + 6] = 1;             // one section, no optional header
    put32(64 + 12, symbolTable);
    put32(64 + 16, symbolCount);
    put32(88 + 16, rawSize);       // section header at 64 + 24
    put32(88 + 20, rawOffset);
    return image;
}

TEST(MkmediaSetupFile, ImageIsFollowedByTheBlock) {
    TempDir dir;
    mkmedia::MediaDescription d = mkmedia::installerDefaults();
    d.files.push_back({"a.jar", {}, {1, 2, 3}, true});
    Bytes block;
    std::string error;
    ASSERT_TRUE(mkmedia::buildBlock(d, block, error)) << error;

    struct Case {
        const char* what;
        Bytes image;
        Bytes expectedImage;  // what precedes the block; empty when writing must fail
    };
    const std::vector<Case> cases = {
        {"ends with its last section", fakeImage(128, 16, 144), fakeImage(128, 16, 144)},
        // Bytes behind the last section would hide the block from the launcher.
        {"has bytes after its last section", fakeImage(128, 16, 150), fakeImage(128, 16, 144)},
        // A symbol table that is cut off is no longer referred to.
        {"has a symbol table after its last section", fakeImage(128, 16, 150, 144, 2),
         fakeImage(128, 16, 144)},
        {"has a symbol table among its sections", fakeImage(128, 16, 150, 130, 2),
         fakeImage(128, 16, 144, 130, 2)},
        {"has a section beyond its end", fakeImage(128, 32, 150), {}},
        {"is not an executable", Bytes(200, 'x'), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto image = dir.write("launcher.exe", c.image);
        const auto output = dir.path() / "setup.exe";
        std::filesystem::remove(output);
        const bool written = mkmedia::writeSetupFile(image, d, output, error);
        if (c.expectedImage.empty()) {
            EXPECT_FALSE(written);
            EXPECT_NE(error.find("launcher.exe"), std::string::npos) << error;
            continue;
        }
        ASSERT_TRUE(written) << error;
        Bytes expected = c.expectedImage;
        expected.insert(expected.end(), block.begin(), block.end());
        EXPECT_EQ(readFile(output), expected);
    }

    EXPECT_FALSE(mkmedia::writeSetupFile(dir.path() / "none.exe", d, dir.path() / "o.exe", error));
    EXPECT_NE(error.find("none.exe"), std::string::npos) << error;
}

}  // namespace
