#include <gtest/gtest.h>

#include "test_support.h"

using namespace testing_support;

TEST(Probe, RelayTrace) {
    fs::path dir = freshDir("probe");
    fs::copy_file(launcherImage(), dir / "plain.exe");
    RunOptions options;
    traceMessageBoxes(options);
    options.environment[L"TMP"] = dir.wstring();
    options.environment[L"TARVELINK_LOG"] = L"yes";
    ProcessResult r = runProcess(dir / "plain.exe", L"", options);
    EXPECT_EQ(r.exitCode, 1u);
    auto texts = messageBoxTexts(r.trace);
    ASSERT_EQ(texts.size(), 1u) << r.trace.substr(0, 3000);
    EXPECT_EQ(narrow(texts[0]), "x");
}
