// The locale code: the identifier table, the format-as-default flag, the manual code and the split
// into language and country; and the choice as a real setup file makes it.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <optional>
#include <set>

#include "locale_selection.h"
#include "locale_table.h"
#include "native_log.h"
#include "own_log.h"
#include "test_support.h"

using namespace testing_support;

namespace {

bool hasLine(const std::string& log, const std::string& line) {
    return log.find("] " + line + "\r\n") != std::string::npos;
}

size_t countLines(const std::string& log, const std::string& prefix) {
    size_t count = 0;
    for (size_t at = log.find("] " + prefix); at != std::string::npos; at = log.find("] " + prefix, at + 1)) ++count;
    return count;
}

struct Split {
    std::string language;
    std::string country;
};

Split split(const std::string& code) {
    splitLocaleCode(code);
    return {languageCode(), countryCode()};
}

TEST(LocaleTable, PrimaryRowsFirstThenFullIdentifiersAscending) {
    std::span<const LocaleRow> rows = localeTable();
    ASSERT_EQ(rows.size(), 215u);
    for (size_t i = 0; i < 71; ++i) {
        EXPECT_LT(rows[i].identifier, 0x400) << i;
        EXPECT_GT(rows[i].identifier, 0) << i;
        EXPECT_EQ(strlen(rows[i].code), 2u) << i;
    }
    for (size_t i = 71; i < rows.size(); ++i) {
        EXPECT_GT(rows[i].identifier, rows[i - 1].identifier) << i;
        size_t length = strlen(rows[i].code);
        EXPECT_TRUE(length == 2 || length == 5 || std::string(rows[i].code) == "no_NO_NY") << rows[i].code;
    }
    // Identifiers are unique. Among the full rows five codes repeat and six have no country.
    std::set<uint16_t> identifiers;
    std::set<std::string> fullCodes;
    size_t withoutCountry = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        identifiers.insert(rows[i].identifier);
        if (i < 71) continue;
        fullCodes.insert(rows[i].code);
        if (strlen(rows[i].code) == 2) ++withoutCountry;
    }
    EXPECT_EQ(identifiers.size(), rows.size());
    EXPECT_EQ(fullCodes.size(), 144u - 5);
    EXPECT_EQ(withoutCountry, 6u);
}

struct IdentifierCase {
    uint16_t identifier;
    const char* code;
    const char* language;
    const char* country;
};

// The UI language decides when no argument says otherwise: an exact row first, then the row of
// its primary language, then English.
TEST(LocaleSelection, UiLanguageFindsExactThenPrimaryRow) {
    const IdentifierCase cases[] = {
        {0x0807, "de_CH", "de", "CH"},
        {0x0C07, "de_AT", "de", "AT"},
        {0x1007, "de_LU", "de", "LU"},
        {0x2007, "de", "de", ""},          // primary language 7 without a row of its own
        {0x0481, "en", "en", ""},          // primary language 0x81 is not in the table
        {0x0107, "en", "en", ""},          // primary language 0x107, not 7
        {0x2409, "en", "en", ""},          // a full identifier whose row has no country
        {0x0431, "ts", "ts", ""},
        {0x0814, "no_NO_NY", "no", ""},
        {0x0C0A, "es_ES", "es", "ES"},     // codes that two rows share
        {0x0812, "ko_KR", "ko", "KR"},
        {0x0C1A, "sr_CS", "sr", "CS"},
        {0x041A, "hr_HR", "hr", "HR"},     // the exact row wins over the primary row "sr"
        {0x101A, "sr", "sr", ""},
        {0x001A, "sr", "sr", ""},          // a primary identifier is found exactly
        {0x0001, "ar", "ar", ""},          // first row
        {0x500A, "es_PR", "es", "PR"},     // last row
        {0x0856, "gl", "gl", ""},
        {0x0028, "en", "en", ""},          // a gap among the primary rows
        {0x0C28, "en", "en", ""},
        {0x0000, "en", "en", ""},
        {0xFC07, "de", "de", ""},          // only the low 10 bits make the primary language
        {0xFFFF, "en", "en", ""},
    };
    for (const IdentifierCase& c : cases) {
        char hex[8];
        snprintf(hex, sizeof hex, "%04X", c.identifier);
        size_t mark = logText().size();
        std::string code = selectLocaleFor(nullptr, c.identifier, 0x0409);
        EXPECT_EQ(code, c.code) << hex;
        std::string log = logSince(mark);
        EXPECT_TRUE(hasLine(log, std::string("language/country is ") + c.code)) << hex << "\n" << log;
        EXPECT_EQ(countLines(log, "sun.locale.formatasdefault is"), 0u) << "no arguments, no flag line";
        Split s = split(code);
        EXPECT_EQ(s.language, c.language) << hex;
        EXPECT_EQ(s.country, c.country) << hex;
    }
}

struct FlagCase {
    const char* name;
    ArgumentList arguments;
    bool formatDecides;
};

// "-Dsun.locale.formatasdefault=true" lets the format locale decide; any other value of that
// option, later on the line, takes it back.
TEST(LocaleSelection, FormatAsDefaultFlagChoosesTheFormatLocale) {
    const std::wstring on = L"-Dsun.locale.formatasdefault=true";
    const FlagCase cases[] = {
        {"none", {L"setup.exe"}, false},
        {"true", {L"setup.exe", on}, true},
        {"true_then_false", {L"setup.exe", on, L"-Dsun.locale.formatasdefault=false"}, false},
        {"false_then_true", {L"setup.exe", L"-Dsun.locale.formatasdefault=false", on}, true},
        {"true_then_other_case", {L"setup.exe", on, L"-Dsun.locale.formatasdefault=TRUE"}, false},
        {"true_then_empty", {L"setup.exe", on, L"-Dsun.locale.formatasdefault="}, false},
        {"trailing_space", {L"setup.exe", L"-Dsun.locale.formatasdefault=true "}, false},
        {"not_at_start", {L"setup.exe", L"x-Dsun.locale.formatasdefault=true"}, false},
        {"true_then_unrelated", {L"setup.exe", on, L"-q"}, true},
        {"program_name_counts", {on}, true},
        {"empty_list", {}, false},
    };
    for (const FlagCase& c : cases) {
        size_t mark = logText().size();
        std::string code = selectLocaleFor(&c.arguments, 0x0807, 0x0C0C);
        EXPECT_EQ(code, c.formatDecides ? "fr_CA" : "de_CH") << c.name;
        std::string log = logSince(mark);
        EXPECT_TRUE(hasLine(log, c.formatDecides ? "sun.locale.formatasdefault is true"
                                                 : "sun.locale.formatasdefault is false"))
            << c.name << "\n" << log;
        EXPECT_TRUE(hasLine(log, "language/country is " + code)) << c.name;
    }
}

// Without the UI language (the system lacks the function) the format locale stays.
TEST(LocaleSelection, FormatLocaleStaysWithoutUiLanguage) {
    ArgumentList arguments{L"setup.exe"};
    EXPECT_EQ(selectLocaleFor(&arguments, std::nullopt, 0x0C07), "de_AT");
    EXPECT_EQ(selectLocaleFor(nullptr, std::nullopt, 0x0481), "en");
}

struct ManualCase {
    const char* name;
    ArgumentList arguments;
    const char* code;
    const char* language;
    const char* country;
};

// A code on the command line wins over the table and is taken as given; the last one counts.
TEST(LocaleSelection, ManualCodeOverridesEverything) {
    const ManualCase cases[] = {
        {"fr_CA", {L"setup.exe", L"-Dtarvelink.language=fr_CA"}, "fr_CA", "fr", "CA"},
        {"pt", {L"setup.exe", L"-Dtarvelink.language=pt"}, "pt", "pt", ""},
        {"later_wins", {L"setup.exe", L"-Dtarvelink.language=de", L"-q", L"-Dtarvelink.language=ja_JP"},
         "ja_JP", "ja", "JP"},
        {"beats_flag", {L"setup.exe", L"-Dtarvelink.language=it", L"-Dsun.locale.formatasdefault=true"}, "it", "it", ""},
        {"not_in_table", {L"setup.exe", L"-Dtarvelink.language=xx_YY"}, "xx_YY", "xx", "YY"},
        {"long", {L"setup.exe", L"-Dtarvelink.language=no_NO_NY"}, "no_NO_NY", "no", ""},
        {"empty", {L"setup.exe", L"-Dtarvelink.language="}, "", "", ""},
        {"program_name_counts", {L"-Dtarvelink.language=sv_SE"}, "sv_SE", "sv", "SE"},
    };
    for (const ManualCase& c : cases) {
        size_t mark = logText().size();
        std::string code = selectLocaleFor(&c.arguments, 0x0807, 0x0C0C);
        EXPECT_EQ(code, c.code) << c.name;
        std::string log = logSince(mark);
        EXPECT_TRUE(hasLine(log, std::string("manual language/country is ") + c.code)) << c.name << "\n" << log;
        EXPECT_EQ(countLines(log, "language/country is"), 0u) << c.name << ": the table is not consulted";
        EXPECT_EQ(countLines(log, "sun.locale.formatasdefault is"), 1u) << c.name;
        Split s = split(code);
        EXPECT_EQ(s.language, c.language) << c.name;
        EXPECT_EQ(s.country, c.country) << c.name;
    }
    // A value longer than 15 characters or outside ASCII is no language code: the earlier one stands.
    ArgumentList odd{L"setup.exe", L"-Dtarvelink.language=fr", L"-Dtarvelink.language=abcdefghijklmnop",
                     L"-Dtarvelink.language=d\u00E9"};
    EXPECT_EQ(selectLocaleFor(&odd, 0x0807, 0x0C0C), "fr");
    ArgumentList fifteen{L"setup.exe", L"-Dtarvelink.language=abcdefghijklmno"};
    EXPECT_EQ(selectLocaleFor(&fifteen, 0x0807, 0x0C0C), "abcdefghijklmno");
    // Only the exact option name counts.
    ArgumentList other{L"setup.exe", L"-dtarvelink.language=fr", L"-Dtarvelink.languages=fr"};
    EXPECT_EQ(selectLocaleFor(&other, 0x0807, 0x0C0C), "de_CH");
}

// Country only for a five-character code; the language is whatever the first two characters are.
TEST(LocaleSelection, SplitKeepsTwoLetterLanguageAndFiveCharacterCountry) {
    const std::pair<const char*, Split> cases[] = {
        {"de_CH", {"de", "CH"}}, {"en", {"en", ""}},    {"no_NO_NY", {"no", ""}}, {"de_CHX", {"de", ""}},
        {"abcde", {"ab", "de"}}, {"d", {"d", ""}},      {"", {"", ""}},
    };
    for (const auto& [code, expected] : cases) {
        Split s = split(code);
        EXPECT_EQ(s.language, expected.language) << code;
        EXPECT_EQ(s.country, expected.country) << code;
    }
    split("de_CH");
    Split after = split("en");
    EXPECT_EQ(after.country, "") << "a code without a country clears the earlier one";
}

// The real choice asks Windows for the UI language (or, with the flag, the format locale).
TEST(LocaleSelection, RealChoiceUsesTheUserSettings) {
    ArgumentList plain{L"setup.exe"};
    ArgumentList format{L"setup.exe", L"-Dsun.locale.formatasdefault=true"};
    const uint16_t ui = GetUserDefaultUILanguage();
    const uint16_t lcid = (uint16_t)(GetUserDefaultLCID() & 0xFFFF);
    EXPECT_EQ(selectLocale(&plain), selectLocaleFor(&plain, ui, 0));
    EXPECT_EQ(selectLocale(&format), selectLocaleFor(&format, 0, lcid));
    EXPECT_EQ(selectLocale(nullptr), selectLocaleFor(nullptr, ui, 0));
}

// A real setup file chooses while it loads its block, from its own command line.
TEST(LocaleSelection, SetupFileFollowsItsCommandLine) {
    fs::path dir = freshDir("locale_setup");
    mkmedia::MediaDescription description = mkmedia::installerDefaults("Locale Test");
    description.languages = {{"fr", {{20013, u"Produit"}}}, {"de", {{20013, u"Produkt"}}}};
    fs::path setup = writeSetupFile(description, dir / "setup.exe");
    ArgumentList none{L"setup.exe", L"-q"};
    const std::string systemCode = selectLocale(&none);

    struct RunCase {
        const wchar_t* arguments;
        std::vector<std::string> present;
        std::vector<std::string> absent;
    };
    const RunCase cases[] = {
        {L"-q -Dtarvelink.language=fr_CA",
         {"sun.locale.formatasdefault is false", "manual language/country is fr_CA"},
         {"language/country is " + systemCode}},
        {L"-q -Dtarvelink.language=de -Dtarvelink.language=pt",
         {"manual language/country is pt"}, {"manual language/country is de"}},
        {L"-q", {"sun.locale.formatasdefault is false", "language/country is " + systemCode}, {}},
        {L"-Dsun.locale.formatasdefault=true -q", {"sun.locale.formatasdefault is true"}, {}},
    };
    for (const RunCase& c : cases) {
        fs::remove(dir / "tvk_nlog_1.log");
        ProcessResult r = runSetup(setup, std::wstring(c.arguments) + L" -manual", dir);  // no runtime needed
        EXPECT_FALSE(r.timedOut);
        EXPECT_EQ(r.exitCode, kNoRuntimeExit) << narrow(c.arguments);
        std::string log = readLog(dir);
        for (const std::string& line : c.present) EXPECT_TRUE(hasLine(log, line)) << narrow(c.arguments) << ": " << line << "\n" << log;
        for (const std::string& line : c.absent) EXPECT_FALSE(hasLine(log, line)) << narrow(c.arguments) << ": " << line;
        // The choice comes before the work starts, once.
        EXPECT_EQ(countLines(log, "sun.locale.formatasdefault is"), 1u) << log;
        EXPECT_LT(log.find("language/country is"), log.find("] Init done")) << log;
    }
}

}  // namespace
