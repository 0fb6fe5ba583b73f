// Builds the data block that the launchers read behind their executable image.

#include "mkmedia.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <fstream>
#include <iterator>
#include <set>
#include <string_view>
#include <system_error>

namespace mkmedia {

namespace {

constexpr uint32_t kBlockMagic = 0xE8E413D5;
constexpr uint8_t kScrambleKey = 0xA7;
constexpr int32_t kIncludedFileCountId = 2002;
constexpr int32_t kIncludedFileNamesId = 2003;

// ---------------------------------------------------------------------------------------------
// Byte output

void putLE(std::vector<uint8_t>& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void putBE(std::vector<uint8_t>& out, uint64_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void putBytes(std::vector<uint8_t>& out, std::string_view bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
}

void putUtf16LE(std::vector<uint8_t>& out, const std::u16string& text) {
    for (char16_t unit : text) putLE(out, unit, 2);
}

void putMessages(std::vector<uint8_t>& out,
                 const std::vector<std::pair<int32_t, std::u16string>>& messages) {
    putLE(out, messages.size(), 4);
    for (const auto& [id, text] : messages) {
        putLE(out, static_cast<uint32_t>(id), 4);
        putLE(out, text.size() * 2, 4);
        putUtf16LE(out, text);
    }
}

bool readWholeFile(const std::filesystem::path& path, std::vector<uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

std::string displayPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// The bytes of a carried file, from memory or from its source file.
bool fileContent(const std::string& name, const std::filesystem::path& source,
                 const std::vector<uint8_t>& bytes, bool useBytes, std::vector<uint8_t>& content,
                 std::string& error) {
    if (useBytes) {
        content = bytes;
        return true;
    }
    if (!readWholeFile(source, content)) {
        error = "cannot read file '" + displayPath(source) + "' for '" + name + "'";
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// UTF-8

// Strict decoding: overlong forms, surrogates and values above U+10FFFF are refused.
bool decodeUtf8(std::string_view text, std::u16string& out, bool replaceInvalid) {
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<uint8_t>(text[i]);
        uint32_t cp = 0;
        size_t length = 0;
        uint32_t minimum = 0;
        if (lead < 0x80) {
            cp = lead, length = 1;
        } else if ((lead & 0xE0) == 0xC0) {
            cp = lead & 0x1F, length = 2, minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            cp = lead & 0x0F, length = 3, minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            cp = lead & 0x07, length = 4, minimum = 0x10000;
        }
        bool valid = length != 0 && i + length <= text.size();
        for (size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<uint8_t>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            cp = (cp << 6) | (next & 0x3F);
        }
        valid = valid && cp >= minimum && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
        if (!valid) {
            if (!replaceInvalid) return false;
            out.push_back(u'\uFFFD');
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += length;
    }
    return true;
}

// A single UTF-16 unit written into an 8-bit text; a lone surrogate gets its 3-byte form.
void appendUtf8(std::string& out, char16_t unit) {
    if (unit < 0x80) {
        out.push_back(static_cast<char>(unit));
    } else if (unit < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (unit >> 6)));
        out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (unit >> 12)));
        out.push_back(static_cast<char>(0x80 | ((unit >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    }
}

// ---------------------------------------------------------------------------------------------
// Description parsing

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

void skipBlanks(std::string_view& rest) {
    while (!rest.empty() && isBlank(rest.front())) rest.remove_prefix(1);
}

// The next whitespace-separated word; `rest` keeps what follows it.
std::string_view takeWord(std::string_view& rest) {
    skipBlanks(rest);
    size_t end = 0;
    while (end < rest.size() && !isBlank(rest[end])) ++end;
    const std::string_view word = rest.substr(0, end);
    rest.remove_prefix(end);
    return word;
}

bool parseId(std::string_view word, int32_t& id) {
    if (word.empty()) return false;
    const char* first = word.data();
    const char* last = word.data() + word.size();
    const auto [ptr, ec] = std::from_chars(first, last, id, 10);
    return ec == std::errc() && ptr == last;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool parseHex(std::string_view digits, uint32_t& value) {
    value = 0;
    for (char c : digits) {
        const int v = hexValue(c);
        if (v < 0) return false;
        value = value * 16 + static_cast<uint32_t>(v);
    }
    return true;
}

// Where a text goes: 8-bit configuration bytes, or UTF-16 message units.
enum class TextKind { Bytes, Utf16 };

// Collects a text; for messages the literal UTF-8 runs are converted between escapes.
class TextBuilder {
public:
    explicit TextBuilder(TextKind kind) : kind_(kind) {}

    void literal(char c) { pending_.push_back(c); }

    void rawByte(uint8_t b) {
        if (kind_ == TextKind::Bytes) {
            pending_.push_back(static_cast<char>(b));
        } else {
            flushPending();
            units_.push_back(b);
        }
    }

    void unit(char16_t u) {
        if (kind_ == TextKind::Bytes) {
            appendUtf8(pending_, u);
        } else {
            flushPending();
            units_.push_back(u);
        }
    }

    bool finish(std::string& bytes, std::u16string& units, std::string& why) {
        if (!flushPending()) {
            why = "text is not valid UTF-8";
            return false;
        }
        bytes = kind_ == TextKind::Bytes ? pending_ : std::string();
        units = units_;
        return true;
    }

private:
    bool flushPending() {
        if (kind_ == TextKind::Bytes) return true;
        if (!decodeUtf8(pending_, units_, false)) {
            invalid_ = true;
        }
        pending_.clear();
        return !invalid_;
    }

    TextKind kind_;
    std::string pending_;
    std::u16string units_;
    bool invalid_ = false;
};

// A quoted string starting at rest[0] == '"'. On success `rest` keeps what follows the
// closing quote.
bool parseQuoted(std::string_view& rest, TextKind kind, std::string& bytes,
                 std::u16string& units, std::string& why) {
    TextBuilder text(kind);
    size_t i = 1;
    for (;;) {
        if (i >= rest.size()) {
            why = "missing closing quote";
            return false;
        }
        const char c = rest[i++];
        if (c == '"') break;
        if (c != '\\') {
            text.literal(c);
            continue;
        }
        if (i >= rest.size()) {
            why = "missing closing quote";
            return false;
        }
        const char e = rest[i++];
        switch (e) {
            case 'n': text.literal('\n'); break;
            case 'r': text.literal('\r'); break;
            case 't': text.literal('\t'); break;
            case '\\': text.literal('\\'); break;
            case '"': text.literal('"'); break;
            case 'x':
            case 'u': {
                const size_t digits = e == 'x' ? 2 : 4;
                uint32_t value = 0;
                if (i + digits > rest.size() || !parseHex(rest.substr(i, digits), value)) {
                    why = std::string("\\") + e + " needs " + std::to_string(digits) +
                          " hex digits";
                    return false;
                }
                i += digits;
                if (e == 'x') text.rawByte(static_cast<uint8_t>(value));
                else text.unit(static_cast<char16_t>(value));
                break;
            }
            default:
                why = std::string("unknown escape \\") + e;
                return false;
        }
    }
    rest.remove_prefix(i);
    return text.finish(bytes, units, why);
}

// TEXT at the end of a line: taken literally, or a quoted string with nothing after it.
bool parseText(std::string_view rest, TextKind kind, std::string& bytes, std::u16string& units,
               std::string& why) {
    skipBlanks(rest);
    if (!rest.empty() && rest.front() == '"') {
        if (!parseQuoted(rest, kind, bytes, units, why)) return false;
        if (!trim(rest).empty()) {
            why = "unexpected text after the closing quote";
            return false;
        }
        return true;
    }
    bytes.clear();
    units.clear();
    if (kind == TextKind::Bytes) {
        bytes.assign(rest);
    } else if (!decodeUtf8(rest, units, false)) {
        why = "text is not valid UTF-8";
        return false;
    }
    return true;
}

// A file name: one word, or a quoted string when it contains spaces.
bool parseName(std::string_view& rest, std::string& name, std::string& why) {
    skipBlanks(rest);
    if (!rest.empty() && rest.front() == '"') {
        std::u16string unused;
        return parseQuoted(rest, TextKind::Bytes, name, unused, why);
    }
    name.assign(takeWord(rest));
    return true;
}

std::filesystem::path pathFromUtf8(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

struct Parser {
    Parser(const std::filesystem::path& base, MediaDescription& result)
        : baseDir(base), out(result) {}

    const std::filesystem::path& baseDir;
    MediaDescription& out;

    // `product` and `defaults` are collected until the first other directive builds the
    // description from them.
    bool started = false;
    bool withDefaults = true;
    std::string productName = MediaDescription().productName;

    std::map<std::string, int> includedNames;  // name -> line that added it
    std::map<std::string, int> dataNames;

    void start() {
        if (started) return;
        started = true;
        if (withDefaults) {
            out = installerDefaults(productName);
        } else {
            out = MediaDescription();
            out.productName = productName;
        }
    }

    bool fileDirective(std::string_view rest, bool included, int lineNo, std::string& why) {
        std::string name;
        if (!parseName(rest, name, why)) return false;
        if (name.empty()) {
            why = "missing file name";
            return false;
        }
        if (included && name.find(';') != std::string::npos) {
            why = "included file name '" + name + "' contains ';', the list separator";
            return false;
        }
        if (!included && name.size() > 0xFFFF) {
            why = "data file name is longer than 65535 bytes";
            return false;
        }
        std::string pathText;
        std::u16string unused;
        skipBlanks(rest);
        if (rest.empty()) {
            why = "missing path of '" + name + "'";
            return false;
        }
        if (!parseText(rest, TextKind::Bytes, pathText, unused, why)) return false;
        if (pathText.empty()) {
            why = "missing path of '" + name + "'";
            return false;
        }
        std::filesystem::path source = pathFromUtf8(pathText);
        if (source.is_relative()) source = baseDir / source;
        std::error_code ec;
        if (!std::filesystem::is_regular_file(source, ec)) {
            why = "file not found: " + pathText;
            return false;
        }
        auto& seen = included ? includedNames : dataNames;
        const auto [it, inserted] = seen.emplace(name, lineNo);
        if (!inserted) {
            why = std::string(included ? "included" : "data") + " file name '" + name +
                  "' repeats (first on line " + std::to_string(it->second) + ")";
            return false;
        }
        if (included) {
            IncludedFile file;
            file.name = name;
            file.source = source;
            out.files.push_back(std::move(file));
        } else {
            DataFile file;
            file.name = name;
            file.source = source;
            out.dataFiles.push_back(std::move(file));
        }
        return true;
    }

    bool idArgument(std::string_view& rest, int32_t& id, std::string& why) {
        const std::string_view word = takeWord(rest);
        if (word.empty()) {
            why = "missing id";
            return false;
        }
        if (!parseId(word, id)) {
            why = "bad id '" + std::string(word) + "'";
            return false;
        }
        return true;
    }

    bool line(std::string_view text, int lineNo, std::string& why) {
        std::string_view rest = text;
        const std::string_view directive = takeWord(rest);

        if (directive == "product" || directive == "defaults") {
            if (started) {
                why = "'" + std::string(directive) + "' must come before all other directives";
                return false;
            }
            if (directive == "product") {
                // The name goes into configuration texts as it is and into messages as UTF-16.
                std::u16string unused;
                if (!parseText(rest, TextKind::Bytes, productName, unused, why)) return false;
                if (productName.empty()) {
                    why = "missing product name";
                    return false;
                }
                if (!decodeUtf8(productName, unused, false)) {
                    why = "product name is not valid UTF-8";
                    return false;
                }
                return true;
            }
            const std::string_view choice = takeWord(rest);
            if ((choice != "installer" && choice != "none") || !trim(rest).empty()) {
                why = "'defaults' takes 'installer' or 'none'";
                return false;
            }
            withDefaults = choice == "installer";
            return true;
        }

        start();
        int32_t id = 0;
        std::string bytes;
        std::u16string units;
        if (directive == "checkflag") {
            const std::string_view word = takeWord(rest);
            uint32_t flag = 0;
            const auto [ptr, ec] = std::from_chars(word.data(), word.data() + word.size(), flag);
            if (word.empty() || ec != std::errc() || ptr != word.data() + word.size() ||
                !trim(rest).empty()) {
                why = "'checkflag' takes one unsigned number";
                return false;
            }
            out.checkFlag = flag;
        } else if (directive == "config" || directive == "config+") {
            if (!idArgument(rest, id, why)) return false;
            if (!parseText(rest, TextKind::Bytes, bytes, units, why)) return false;
            if (directive == "config") setConfig(out, id, bytes);
            else out.config.emplace_back(id, bytes);
        } else if (directive == "unset") {
            if (!idArgument(rest, id, why)) return false;
            if (!trim(rest).empty()) {
                why = "unexpected text after the id";
                return false;
            }
            removeConfig(out, id);
        } else if (directive == "message") {
            if (!idArgument(rest, id, why)) return false;
            if (!parseText(rest, TextKind::Utf16, bytes, units, why)) return false;
            setMessage(out, id, units);
        } else if (directive == "language") {
            const std::string code(takeWord(rest));
            if (code.empty()) {
                why = "missing language code";
                return false;
            }
            if (!idArgument(rest, id, why)) return false;
            if (!parseText(rest, TextKind::Utf16, bytes, units, why)) return false;
            auto block = std::find_if(out.languages.begin(), out.languages.end(),
                                      [&](const LanguageBlock& b) { return b.code == code; });
            if (block == out.languages.end()) {
                out.languages.push_back(LanguageBlock{code, {}});
                block = std::prev(out.languages.end());
            }
            block->messages.emplace_back(id, units);
        } else if (directive == "file" || directive == "data") {
            return fileDirective(rest, directive == "file", lineNo, why);
        } else {
            why = "unknown directive '" + std::string(directive) + "'";
            return false;
        }
        return true;
    }
};

}  // namespace

// -------------------------------------------------------------------------------------------------

uint32_t crc32(const uint8_t* data, size_t size, uint32_t crc) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

std::u16string utf16(const std::string& utf8) {
    std::u16string out;
    decodeUtf8(utf8, out, true);
    return out;
}

void setConfig(MediaDescription& d, int32_t id, const std::string& text) {
    auto first = std::find_if(d.config.begin(), d.config.end(),
                              [id](const auto& entry) { return entry.first == id; });
    if (first == d.config.end()) {
        d.config.emplace_back(id, text);
        return;
    }
    first->second = text;
    // Later duplicates would override the value just set, since the launcher keeps the last one.
    d.config.erase(std::remove_if(std::next(first), d.config.end(),
                                  [id](const auto& entry) { return entry.first == id; }),
                   d.config.end());
}

void removeConfig(MediaDescription& d, int32_t id) {
    std::erase_if(d.config, [id](const auto& entry) { return entry.first == id; });
}

void setMessage(MediaDescription& d, int32_t id, const std::u16string& text) {
    auto first = std::find_if(d.messages.begin(), d.messages.end(),
                              [id](const auto& message) { return message.first == id; });
    if (first == d.messages.end()) {
        d.messages.emplace_back(id, text);
        return;
    }
    first->second = text;
    d.messages.erase(std::remove_if(std::next(first), d.messages.end(),
                                    [id](const auto& message) { return message.first == id; }),
                     d.messages.end());
}

MediaDescription installerDefaults(const std::string& productName) {
    MediaDescription d;
    d.checkFlag = 1;
    d.productName = productName;
    d.config = {
        {101, productName},
        {102, "1"},
        {103, productName + "_error.log"},
        {104, "0"},
        {105, "output.log"},
        {106, "0"},
        {107, "5"},
        {108, "0"},
        {121, ""},
        {122, "com.tarvelink.runtime.installer.Installer"},
        {123, ""},
        {124, ""},
        {125, "1"},
        {126, "21"},
        {127, ""},
        {128, "R.\\runtime;Y;EJAVA_HOME;EJDK_HOME;"},
        {130, "0"},
        {131, "0"},
        {132, ""},
        {133, "0"},
        {141, "0"},
        {142, "0"},
        {145, "1"},
        {146, "."},
        {149, ""},
        {150, ""},
        {151, "135809536"},
        {152, ""},
        {153, "0"},
        {154, "0"},
        {155, "0"},
        {156, "0"},
        {157, "0"},
        {158, "0"},
        {159, "0"},
        {160, "0000-0000-0000-0001"},
        {161, "0"},
        {163, "0"},
        {164, "1"},
        {165, "0"},
        {166, "0"},
        {2001, "i"},
        {10003, "."},
        {10004, "${launcher:sys.launcherTempDirectory}\\user"},
        {10005, "1"},
        {10008, "1"},
        {10009, "0"},
        {10010, "0"},
        {10012, "1"},
        // Splash text settings: the version line, then a second line below it.
        {10109, "20"},       // x
        {10110, "175"},      // y
        {10111, "Version 1.0"},
        {10112, "Dialog"},   // font name, not handed to the Java side
        {10113, "12"},       // font size
        {10114, "0,0,0"},    // colour
        {10115, "1"},        // font weight (bold)
        {10116, "20"},
        {10117, "195"},
        {10118, ""},
        {10119, "Dialog"},
        {10120, "11"},
        {10121, "0,0,0"},
        {10122, "0"},
        {10200, "0"},
    };

    const std::u16string product = utf16(productName);
    const std::u16string vendor = u"https://adoptium.net";
    d.messages = {
        {1000, u"Error"},
        {1001, u"No JVM could be found on your system.\nPlease define ZOLTA_JAVA_HOME\n"
               u"to point to an installed JDK or JRE or download a JRE from " + vendor + u"."},
        {1002, u"The JVM found in your path is damaged.\nPlease reinstall or define "
               u"ZOLTA_JAVA_HOME\nto point to an installed JDK or JRE."},
        {1003, u"The {0} environment variable does not\npoint to a working JDK or JRE."},
        {1004, u"The JVM found at {0} is damaged.\nPlease reinstall or define ZOLTA_JAVA_HOME\n"
               u"to point to an installed JDK or JRE."},
        {1005, u"The JVM could not be started. The maximum heap size (-Xmx) might be too large "
               u"or an antivirus or firewall tool could block the execution."},
        {1006, u"File or directory {0} not found or empty\n"},
        {1007, u"Wrong Parameter Usage"},
        {1008, u"The environment variable {0} has to be defined"},
        {1009, u"An internal error occurred (error code: {0})"},
        {1010, u"Couldn't load main class."},
        {1011, u"Main method not found."},
        {1012, u"Error"},
        {1013, u"Ok"},
        {1014, u"An error occurred while starting up {0}:"},
        {1015, u"You must be at least Poweruser to run this program."},
        {1016, u"No JVM could be found on your system.\nPlease define ZOLTA_JAVA_HOME\n"
               u"to point to an installed {0}-bit JDK or JRE or download a JRE from " +
                   vendor + u"."},
        {1017, u"The {0} environment variable does not\npoint to a working 32-bit JDK or JRE."},
        {1018, u"The {0} environment variable does not\npoint to a working 64-bit JDK or JRE."},
        {1019, u"The JVM found at {0} is damaged.\nPlease reinstall or define ZOLTA_JAVA_HOME\n"
               u"to point to an installed 32-bit JDK or JRE."},
        {1020, u"The JVM found at {0} is damaged.\nPlease reinstall or define ZOLTA_JAVA_HOME\n"
               u"to point to an installed 64-bit JDK or JRE."},
        {20001, product + u" is downloading the Java(TM) Runtime Environment. Please wait."},
        {20002, u"Cannot initialize wininet.dll. Please install\nInternet Explorer 3.0 or higher."},
        {20003, u"Error downloading the Java(TM) Runtime Environment.\nPlease check your "
                u"internet connection and start setup again."},
        {20004, u"Please choose the file \"java.exe\" of the JRE"},
        {20005, u"The tarvelink wizard could not find a Java(TM) Runtime Environment on your "
                u"system. You can locate or download a suitable %S-bit JRE."},
        {20006, u"The tarvelink wizard could not find a Java(TM) Runtime Environment on your "
                u"system. Please locate a suitable %S-bit JRE."},
        {20007, product + u" is preparing the wizard which will guide you through the rest of "
                          u"the setup process."},
        {20008, u"%.2f MB of %.2f MB (%.1f%%) at %.1f kb/s"},
        {20009, u"Initializing connection ..."},
        {20010, u"Download"},
        {20011, u"Locate"},
        {20012, u"Cancel"},
        {20013, product},
        {20014, u"The Java(TM) VM could not be started. Please restart\nthe installation.You may "
                u"use the parameter \"/manual\"\nto download or manually select a different VM."},
        {20015, u"The installer did not start up correctly on the last run.\nThis is probably "
                u"caused by a corrupted Java VM.\nDo you want to download or manually select "
                u"the JVM?"},
        {20016, u"The installation file is corrupted. If it is a download please try it again."},
        {20018, u"Not Enough Disk Space"},
        {20019, u"minimum version:"},
        {20020, u"maximum version:"},
    };
    return d;
}

bool parseDescription(const std::string& text, const std::filesystem::path& baseDir,
                      MediaDescription& out, std::string& error) {
    MediaDescription result;
    Parser parser(baseDir, result);
    std::string_view rest = text;
    // A byte order mark left by an editor is not part of the first directive.
    if (rest.starts_with("\xEF\xBB\xBF")) rest.remove_prefix(3);
    int lineNo = 0;
    while (!rest.empty()) {
        ++lineNo;
        const size_t end = rest.find('\n');
        const std::string_view line = trim(rest.substr(0, end));
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (line.empty() || line.front() == '#') continue;
        std::string why;
        if (!parser.line(line, lineNo, why)) {
            error = "line " + std::to_string(lineNo) + ": " + why;
            return false;
        }
    }
    parser.start();
    out = std::move(result);
    return true;
}

bool buildBlock(const MediaDescription& d, std::vector<uint8_t>& block, std::string& error) {
    std::set<std::string> seen;
    for (const IncludedFile& file : d.files) {
        if (!seen.insert(file.name).second) {
            error = "included file name '" + file.name + "' repeats";
            return false;
        }
    }
    seen.clear();
    for (const DataFile& file : d.dataFiles) {
        if (!seen.insert(file.name).second) {
            error = "data file name '" + file.name + "' repeats";
            return false;
        }
        if (file.name.size() > 0xFFFF) {
            error = "data file name '" + file.name.substr(0, 40) + "...' is too long";
            return false;
        }
    }

    auto hasEntry = [&](int32_t id) {
        return std::any_of(d.config.begin(), d.config.end(),
                           [id](const auto& entry) { return entry.first == id; });
    };
    auto config = d.config;
    if (!hasEntry(kIncludedFileCountId)) {
        config.emplace_back(kIncludedFileCountId, std::to_string(d.files.size()));
    }
    if (!hasEntry(kIncludedFileNamesId)) {
        std::string names;
        for (const IncludedFile& file : d.files) {
            if (file.name.find(';') != std::string::npos) {
                error = "included file name '" + file.name + "' contains ';', the list separator";
                return false;
            }
            if (!names.empty()) names += ';';
            names += file.name;
        }
        config.emplace_back(kIncludedFileNamesId, names);
    }

    std::vector<uint8_t> out(20);  // header, filled in once the content is known
    putLE(out, config.size(), 4);
    for (const auto& [id, text] : config) {
        putLE(out, static_cast<uint32_t>(id), 4);
        putLE(out, text.size(), 4);
        putBytes(out, text);
    }
    putMessages(out, d.messages);
    putLE(out, d.languages.size(), 4);
    for (const LanguageBlock& language : d.languages) {
        putLE(out, language.code.size(), 4);
        putBytes(out, language.code);
        putMessages(out, language.messages);
    }

    std::vector<uint8_t> content;
    for (const IncludedFile& file : d.files) {
        if (!fileContent(file.name, file.source, file.bytes, file.useBytes, content, error)) {
            return false;
        }
        putLE(out, content.size(), 8);
        for (uint8_t b : content) out.push_back(b ^ kScrambleKey);
    }

    // The installer data section belongs to the Java side, which reads big-endian.
    putBE(out, kBlockMagic, 4);
    putBE(out, d.dataFiles.size(), 4);
    for (const DataFile& file : d.dataFiles) {
        if (!fileContent(file.name, file.source, file.bytes, file.useBytes, content, error)) {
            return false;
        }
        putBE(out, file.name.size(), 2);
        putBytes(out, file.name);
        putBE(out, content.size(), 8);
        out.insert(out.end(), content.begin(), content.end());
    }

    const uint64_t contentLength = out.size() - 20;
    std::vector<uint8_t> header;
    putLE(header, kBlockMagic, 4);
    putLE(header, d.checkFlag, 4);
    putLE(header, crc32(out.data() + 20, contentLength), 4);
    putLE(header, contentLength, 8);
    std::copy(header.begin(), header.end(), out.begin());

    out.resize((out.size() + 7) / 8 * 8, 0);
    block = std::move(out);
    return true;
}

namespace {

uint32_t readLE32(const std::vector<uint8_t>& bytes, size_t offset) {
    return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
           static_cast<uint32_t>(bytes[offset + 3]) << 24;
}

// The launcher looks for its block right after the raw data of the last entry of the section
// table, so the image is cut there: a symbol table or signature behind it would hide the block.
bool imageEnd(const std::vector<uint8_t>& image, size_t& end, std::string& why) {
    if (image.size() < 64 || image[0] != 'M' || image[1] != 'Z') {
        why = "not a Windows executable";
        return false;
    }
    const size_t peOffset = readLE32(image, 60);
    if (peOffset > image.size() || image.size() - peOffset < 24 ||
        readLE32(image, peOffset) != 0x00004550) {  // "PE\0\0"
        why = "not a Windows executable (no PE header)";
        return false;
    }
    const size_t sections = image[peOffset + 6] | image[peOffset + 7] << 8;
    const size_t optionalHeaderSize = image[peOffset + 20] | image[peOffset + 21] << 8;
    const size_t tableEnd = peOffset + 24 + optionalHeaderSize + 40 * sections;
    if (sections == 0 || tableEnd > image.size()) {
        why = "the section table is missing or cut off";
        return false;
    }
    const size_t lastHeader = tableEnd - 40;
    const uint64_t rawSize = readLE32(image, lastHeader + 16);
    const uint64_t rawOffset = readLE32(image, lastHeader + 20);
    if (rawOffset + rawSize > image.size()) {
        why = "the last section ends after the end of the file";
        return false;
    }
    end = static_cast<size_t>(rawOffset + rawSize);
    return true;
}

}  // namespace

bool writeSetupFile(const std::filesystem::path& launcherImage, const MediaDescription& d,
                    const std::filesystem::path& output, std::string& error) {
    std::vector<uint8_t> image;
    if (!readWholeFile(launcherImage, image)) {
        error = "cannot read launcher image '" + displayPath(launcherImage) + "'";
        return false;
    }
    size_t end = 0;
    std::string why;
    if (!imageEnd(image, end, why)) {
        error = "launcher image '" + displayPath(launcherImage) + "': " + why;
        return false;
    }
    image.resize(end);
    // A symbol table is among the bytes cut off; its header fields would point into the block.
    const size_t fileHeader = readLE32(image, 60) + 4;
    if (readLE32(image, fileHeader + 8) >= end) {
        std::fill_n(image.begin() + static_cast<std::ptrdiff_t>(fileHeader + 8), 8, uint8_t{0});
    }

    std::vector<uint8_t> block;
    if (!buildBlock(d, block, error)) return false;

    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    if (out) {
        out.write(reinterpret_cast<const char*>(image.data()),
                  static_cast<std::streamsize>(image.size()));
        out.write(reinterpret_cast<const char*>(block.data()),
                  static_cast<std::streamsize>(block.size()));
        out.close();
    }
    if (!out) {
        error = "cannot write '" + displayPath(output) + "'";
        std::error_code ec;
        std::filesystem::remove(output, ec);
        return false;
    }
    return true;
}

}  // namespace mkmedia
