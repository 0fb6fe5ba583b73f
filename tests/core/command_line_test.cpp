#include <gtest/gtest.h>

#include "command_line.h"

namespace {

struct SplitCase {
    const wchar_t* text;
    ArgumentList expected;
};

// Names the case in test listings by its command line, with quotes and blanks as underscores.
void PrintTo(const SplitCase& c, std::ostream* out) {
    for (const wchar_t* p = c.text; *p; ++p) *out << (char)(iswalnum(*p) || *p == L'-' || *p == L'=' ? *p : L'_');
}

class SplitCommandLine : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommandLine, GivesTheArguments) {
    ArgumentList arguments;
    splitCommandLine(GetParam().text, arguments);
    EXPECT_EQ(arguments, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitCommandLine,
    ::testing::Values(
        SplitCase{L"a \"b c\" d", {L"a", L"b c", L"d"}},
        SplitCase{L"-Dx=\"a b\"", {L"-Dx=a b"}},
        SplitCase{L"\"abc\"def", {L"abc", L"def"}},
        SplitCase{L"'it s'", {L"it s"}},
        SplitCase{L"\"abc", {L"abc"}},
        SplitCase{L"", {}},
        SplitCase{L"   ", {}},
        SplitCase{L"  one   two  ", {L"one", L"two"}},
        // the first quote decides; the other kind is an ordinary character inside
        SplitCase{L"\"it's here\" x", {L"it's here", L"x"}},
        SplitCase{L"'say \"hi\"' x", {L"say \"hi\"", L"x"}},
        // one space after a closing quote is skipped, a second one separates as usual
        SplitCase{L"\"a\"  b", {L"a", L"b"}},
        SplitCase{L"\"\" x", {L"", L"x"}},
        SplitCase{L"name='a b'c", {L"name=a b", L"c"}},
        SplitCase{L"C:\\dir\\setup.exe -q -Dk=v", {L"C:\\dir\\setup.exe", L"-q", L"-Dk=v"}}));

TEST(SplitCommandLineAppend, AddsToAnExistingList) {
    ArgumentList arguments{L"first"};
    splitCommandLine(L"second third", arguments);
    EXPECT_EQ(arguments, (ArgumentList{L"first", L"second", L"third"}));
}

}  // namespace
