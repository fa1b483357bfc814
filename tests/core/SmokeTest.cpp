#include <gtest/gtest.h>
#include <cstdlib>

TEST(TestSandbox, ConfigHomeIsPrivate)
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    ASSERT_NE(config, nullptr);
    EXPECT_NE(std::string(config).find("brevanto-test-"), std::string::npos);
}
