#include "app/startup.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

bool contains(const std::vector<std::string>& options, const std::string& option) {
    return std::find(options.begin(), options.end(), option) != options.end();
}

TEST(BrowserEngineOptions, TurnTheSandboxOffOnlyForRootAndLeaveTheGpuAlone) {
    for (const bool root : { true, false }) {
        const auto options = browserEngineOptions(root);
        ASSERT_FALSE(options.empty());
        EXPECT_EQ(options.front(), "--webEngineArgs") << "the engine reads only options after this marker";
        EXPECT_TRUE(contains(options, "--disable-gpu"));
        EXPECT_EQ(contains(options, "--no-sandbox"), root);
    }
}

} // namespace
