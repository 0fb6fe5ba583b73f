// Version texts and the loose comparisons made with them.
#include <gtest/gtest.h>

#include "appended_block.h"
#include "java_version.h"

namespace {

TEST(JavaVersionParse, SplitsAtEverySeparatorAndReadsLeadingDigits) {
    const std::pair<const char*, std::vector<int32_t>> cases[] = {
        {"1.8.0_45", {1, 8, 0, 45}},
        {"1.8.0_45-b14", {1, 8, 0, 45, 0}},
        {"9.0.4+11", {9, 0, 4, 11}},
        {"11-ea", {11, 0}},
        {"17.0.2+8", {17, 0, 2, 8}},
        {"14b.beta", {14, 0}},
        {"..__--++", {}},
        {"", {}},
        {"-.21..0_", {21, 0}},
        {" 7. 8", {7, 8}},
        {"99999999999.1", {2147483647, 1}},
        {"abc", {0}},
    };
    for (const auto& [text, components] : cases) EXPECT_EQ(JavaVersion::parse(text).components, components) << text;
    EXPECT_TRUE(JavaVersion::parse(nullptr).components.empty());
}

struct RangeCase {
    const char* minimum;
    const char* maximum;
    const char* candidate;
    bool acceptable;  // full mode, pre-release runtimes not allowed
    bool inRange;     // prefix mode
};

void PrintTo(const RangeCase& c, std::ostream* out) {
    *out << "min_" << c.minimum << "_max_" << c.maximum << "_candidate_" << c.candidate;
}

class VersionRange : public ::testing::TestWithParam<RangeCase> {};

TEST_P(VersionRange, JudgesAgainstTheBounds) {
    const RangeCase& c = GetParam();
    VersionBounds bounds{JavaVersion::parse(c.minimum), JavaVersion::parse(c.maximum)};
    EXPECT_EQ(isAcceptableVersion(c.candidate, bounds, false), c.acceptable);
    EXPECT_EQ(isVersionInRange(c.candidate, bounds), c.inRange);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VersionRange,
    ::testing::Values(RangeCase{"21", "", "21", true, true}, RangeCase{"21", "", "21.0.1", true, true},
                      RangeCase{"21", "", "17.0.9", false, false}, RangeCase{"21", "", "21-ea", false, true},
                      RangeCase{"1.8.0_45", "", "1.8.0_121", true, true}, RangeCase{"1.8.0_45", "", "1.8", false, true},
                      RangeCase{"1.8.0", "", "1.8", true, true}, RangeCase{"", "1.8", "9", false, false},
                      RangeCase{"", "1.8", "1.8.0_451", true, true}, RangeCase{"", "11", "11.0.20", true, true},
                      RangeCase{"1.8.0_45", "", "1.8.0_45-b14", true, true}, RangeCase{"", "", "", true, true},
                      RangeCase{"", "", "17-beta", false, true}, RangeCase{"", "", "17-Beta", true, true},
                      RangeCase{"", "", "21-rc1", false, true}, RangeCase{"11", "17", "17.0.9", true, true},
                      RangeCase{"11", "17", "18", false, false}, RangeCase{"11", "17", "10.0.2", false, false}));

TEST(VersionPreRelease, AllowedByTheCallerOrByConfiguration) {
    VersionBounds bounds{JavaVersion::parse("21"), {}};
    EXPECT_TRUE(isAcceptableVersion("21-ea", bounds, true)) << "taken as 21, 0";
    launcherConfig().insert_or_assign(130, std::string(1, '1'));
    EXPECT_TRUE(isAcceptableVersion("21-ea", bounds, false));
    launcherConfig().erase(130);
    EXPECT_FALSE(isAcceptableVersion("21-ea", bounds, false));
}

TEST(VersionNewer, IsStrictAndLongerWinsOnAnEqualPrefix) {
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"11.0.2", "11.0.2", false}, {"11.0.2.1", "11.0.2", true}, {"11.0.2", "11.0.2.1", false},
        {"1.8.0_45", "1.8.0_45-b14", false}, {"1.8.0_45-b14", "1.8.0_45", true}, {"17", "", true},
        {"", "17", false}, {"", "", false}, {"1.8.0_121", "1.8.0_45", true}, {"9", "11", false},
    };
    for (const auto& [a, b, newer] : cases) EXPECT_EQ(isNewerVersion(a, b), newer) << a << " vs " << b;
}

TEST(VersionFeature, SkipsTheLeadingOneOfOldVersions) {
    const std::pair<const char*, int> cases[] = {{"1.8.0_45", 8}, {"11.0.2", 11}, {"1", 1}, {"", -1}, {"21-ea", 21}};
    for (const auto& [text, feature] : cases) EXPECT_EQ(JavaVersion::featureNumber(JavaVersion::parse(text)), feature);
}

}  // namespace
