// The error simulation: one seedable source, about 39 failures in 100 draws, each the server's
// "550 Relaying Denied", and nothing drawn while the option is off.

#include "BuildFixture.h"
#include "LSMTPResponse.h"
#include "SimulateRandomError.h"

#include <vector>

namespace {

using SimulatedErrors = MessageBuildTest;

std::vector<int> Failures(int draws)
{
    std::vector<int> failed;
    for (int i = 0; i < draws; ++i) {
        try {
            SimulateRandomError();
        } catch (const LSMTPResponse& response) {
            EXPECT_EQ(response.GetResponseCode(), 550);
            EXPECT_EQ(response.GetResponseText(), "550 Relaying Denied");
            failed.push_back(i);
        }
    }
    return failed;
}

}  // namespace

TEST_F(SimulatedErrors, SeededDrawsFailAboutThirtyNinePercent)
{
    Set(kSimulateErrorsKey, "true");
    MessageBuildSources::SeedRandom(61);
    const std::vector<int> first = Failures(1000);
    EXPECT_GT(first.size(), 340u);
    EXPECT_LT(first.size(), 440u);
    MessageBuildSources::SeedRandom(61);
    EXPECT_EQ(Failures(1000), first);  // the same seed gives the same failures

    // Off: no draw is taken, so the sequence goes on where it stood.
    MessageBuildSources::SeedRandom(61);
    Set(kSimulateErrorsKey, "false");
    EXPECT_TRUE(Failures(50).empty());
    Set(kSimulateErrorsKey, "true");
    EXPECT_EQ(Failures(1000), first);
}
