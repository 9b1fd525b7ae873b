#include "app/startup.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

bool contains(const std::vector<std::string>& options, const std::string& option) {
    return std::find(options.begin(), options.end(), option) != options.end();
}

TEST(BrowserEngineOptions, TurnTheSandboxOffOnlyForRoot) {
    EXPECT_TRUE(contains(browserEngineOptions(true), "--no-sandbox"));
    EXPECT_FALSE(contains(browserEngineOptions(false), "--no-sandbox"));
}

TEST(BrowserEngineOptions, AreGivenToTheEngineAndLeaveTheGpuAlone) {
    for (const bool root : { true, false }) {
        const auto options = browserEngineOptions(root);
        ASSERT_FALSE(options.empty());
        EXPECT_EQ(options.front(), "--webEngineArgs") << "the engine reads only options after this marker";
        EXPECT_TRUE(contains(options, "--disable-gpu"));
    }
}

} // namespace
