#include "RoutingLatch.h"

#include <gtest/gtest.h>

namespace
{
using Route = RoutingLatch::Route;

constexpr double kRate = 48000.0;
constexpr int kFadeSamples = 1200; // 25 ms at 48 kHz

const Route kOld { true, 0, 0 };
const Route kNew { true, 0, 3 };

// Runs one block through the latch the way the engine's mix loop does and
// returns the weights it produced.
std::vector<double> runBlock(RoutingLatch& latch, Route requested, int n)
{
    latch.latch(requested, n);
    std::vector<double> weights(static_cast<size_t>(n));
    for (auto& w : weights)
        w = latch.nextWeight();
    return weights;
}

RoutingLatch settledLatch()
{
    RoutingLatch latch;
    latch.prepare(kRate, kOld);
    runBlock(latch, kOld, 64);
    return latch;
}

class RoutingChangeFade : public testing::TestWithParam<int>
{
};

TEST_P(RoutingChangeFade, FadesOutCommitsInSilenceAndFadesBackIn)
{
    const int n = GetParam();
    RoutingLatch latch = settledLatch();

    int fadeOutSamples = 0;
    int blocks = 0;
    while (latch.wetFade > 0.0)
    {
        ASSERT_LT(++blocks, 10 * kFadeSamples);
        const auto weights = runBlock(latch, kNew, n);
        EXPECT_EQ(latch.activeCharOrder, kOld.charOrder) << "committed while the wet part was still sounding";
        for (const double w : weights)
            if (w > 0.0)
                ++fadeOutSamples;
    }
    EXPECT_GE(fadeOutSamples + 1, kFadeSamples);
    if (n >= kFadeSamples)
    {
        EXPECT_EQ(blocks, 1) << "a fade shorter than the block ends exactly at its end";
    }

    // The first block that starts in silence commits the new routing.
    const auto weights = runBlock(latch, kNew, n);
    EXPECT_EQ(latch.active(), kNew);
    EXPECT_GT(weights.back(), 0.0);

    int fadeInSamples = n;
    while (latch.wetFade < 1.0)
    {
        runBlock(latch, kNew, n);
        fadeInSamples += n;
        ASSERT_LT(fadeInSamples, 100 * kFadeSamples);
    }
    EXPECT_GE(fadeInSamples, kFadeSamples);
    EXPECT_LT(fadeInSamples, kFadeSamples + n + 1);
}

INSTANTIATE_TEST_SUITE_P(BlockSizes, RoutingChangeFade, testing::Values(1, 32, 256, 1200, 4096));

TEST(RoutingLatch, AChangeRevertedMidFadeNeverCommits)
{
    RoutingLatch latch = settledLatch();
    runBlock(latch, kNew, 256);
    ASSERT_GT(latch.wetFade, 0.0);
    ASSERT_LT(latch.wetFade, 1.0);

    for (int block = 0; block < 20; ++block)
    {
        runBlock(latch, kOld, 256);
        EXPECT_EQ(latch.active(), kOld);
        EXPECT_FALSE(latch.changing);
    }
    EXPECT_EQ(latch.wetFade, 1.0);
}

TEST(RoutingLatch, TheFirstBlockAfterPrepareCommitsWithoutFading)
{
    RoutingLatch latch;
    latch.prepare(kRate, kOld);
    const auto weights = runBlock(latch, kNew, 64);
    EXPECT_EQ(latch.active(), kNew);
    for (const double w : weights)
        EXPECT_EQ(w, 1.0);
}

TEST(RoutingLatch, ResetTakesPathAndPositionButKeepsTheOrder)
{
    RoutingLatch latch = settledLatch();
    runBlock(latch, kNew, 256);
    latch.reset(Route { false, 2, 5 });
    EXPECT_FALSE(latch.activeShimmerPath);
    EXPECT_EQ(latch.activeCharPos, 2);
    EXPECT_EQ(latch.activeCharOrder, kOld.charOrder);
    EXPECT_EQ(latch.wetFade, 1.0);
}
} // namespace
