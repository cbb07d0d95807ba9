#include "support/EngineHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace
{
using velmora::test::EngineHarness;
using velmora::test::Stereo;

constexpr double kRate = 48000.0;
constexpr int kBlock = 256;

// The choice labels of char_order, by index, as the user reads them.
const char* const kOrderLabels[] = { "Drive Dream Derez", "Drive Derez Dream", "Dream Drive Derez",
                                     "Dream Derez Drive", "Derez Drive Dream", "Derez Dream Drive" };

TEST(CharacterOrderTable, EachRowRunsTheStagesItsLabelNames)
{
    const std::map<std::string, int> codes { { "Drive", 0 }, { "Dream", 1 }, { "Derez", 2 } };
    for (size_t row = 0; row < 6; ++row)
    {
        std::istringstream words(kOrderLabels[row]);
        std::string word;
        for (size_t slot = 0; slot < 3 && words >> word; ++slot)
            EXPECT_EQ(VelmoraEngine::kCharOrderTable[row][slot], codes.at(word))
                << "row " << row << " (" << kOrderLabels[row] << "), slot " << slot;
    }
}

// A prepared engine with the dream stage at rest, so that the chain's output
// is drive and derez alone in the order the row gives them.
class CharacterChain : public testing::Test
{
protected:
    void SetUp() override
    {
        engine.prepare(kRate, kBlock);
        engine.smoothers.drive.setCurrentAndTargetValue(0.2f);
        engine.smoothers.drive.setTargetValue(0.8f);
        engine.smoothers.derez.setCurrentAndTargetValue(0.3f);
        engine.smoothers.derez.setTargetValue(0.9f);
    }

    void fillWet(int block)
    {
        const Stereo s = velmora::test::noise(kBlock, 0.7f, static_cast<std::uint32_t>(block + 1));
        std::copy(s.left.begin(), s.left.end(), engine.wetLeft.begin());
        std::copy(s.right.begin(), s.right.end(), engine.wetRight.begin());
    }

    VelmoraEngine engine;
};

struct OrderCase
{
    int activeOrder;
    bool driveBeforeDerez;
};

class CharacterOrder : public CharacterChain, public testing::WithParamInterface<OrderCase>
{
};

// The reference runs the two stages by hand, taking each block's start and end
// amounts from smoothers that glide like the engine's.
TEST_P(CharacterOrder, RunsDriveAndDerezInTheRowsOrderWithTheirRamps)
{
    const OrderCase c = GetParam();
    engine.routing.activeCharOrder = c.activeOrder;

    EngineSmoothers::Smoothed driveRamp = engine.smoothers.drive;
    EngineSmoothers::Smoothed derezRamp = engine.smoothers.derez;
    DriveEffect drive;
    drive.prepare(kRate);
    velmora::Derez derez;
    derez.prepare(kRate);

    for (int block = 0; block < 6; ++block)
    {
        fillWet(block);
        std::vector<double> left(engine.wetLeft.begin(), engine.wetLeft.begin() + kBlock);
        std::vector<double> right(engine.wetRight.begin(), engine.wetRight.begin() + kBlock);

        engine.runCharacterOrdered(kBlock);

        const double driveStart = driveRamp.getCurrentValue();
        const double driveEnd = driveRamp.skip(kBlock);
        const float derezStart = derezRamp.getCurrentValue();
        const float derezEnd = derezRamp.skip(kBlock);
        const auto runDrive = [&]
        {
            drive.setCoefficients(driveStart);
            drive.startAmount = driveStart;
            drive.endAmount = driveEnd;
            drive.process(left.data(), right.data(), kBlock);
        };
        const auto runDerez = [&] { derez.processStereo(left.data(), right.data(), kBlock, derezStart, derezEnd); };
        if (c.driveBeforeDerez)
        {
            runDrive();
            runDerez();
        }
        else
        {
            runDerez();
            runDrive();
        }

        EXPECT_EQ(engine.smoothers.drive.getCurrentValue(), driveRamp.getCurrentValue());
        EXPECT_EQ(engine.smoothers.derez.getCurrentValue(), derezRamp.getCurrentValue());
        for (size_t i = 0; i < static_cast<size_t>(kBlock); ++i)
        {
            ASSERT_NEAR(engine.wetLeft[i], left[i], 1e-12) << "block " << block << ", sample " << i;
            ASSERT_NEAR(engine.wetRight[i], right[i], 1e-12) << "block " << block << ", sample " << i;
        }
    }
}

// Out-of-range orders take the nearest row: below 0 the first, above 5 the
// last (a wrap-around would swap the stages for -1 and 7).
INSTANTIATE_TEST_SUITE_P(Rows, CharacterOrder,
                         testing::Values(OrderCase { 0, true }, OrderCase { 1, true }, OrderCase { 2, true },
                                         OrderCase { 3, false }, OrderCase { 4, false }, OrderCase { 5, false },
                                         OrderCase { -1, true }, OrderCase { 7, false }, OrderCase { INT_MIN, true },
                                         OrderCase { INT_MAX, false }));

TEST_F(CharacterChain, DriveGlidesFromTheRampsStartAndReachesItsEndOnlyNextBlock)
{
    engine.smoothers.drive.setCurrentAndTargetValue(0.0f);
    engine.smoothers.drive.setTargetValue(1.0f); // 240 steps at 48 kHz
    fillWet(0);
    engine.runCharacterOrdered(100);

    const double end = engine.smoothers.drive.getCurrentValue();
    EXPECT_NEAR(end, 100.0 / 240.0, 1e-6);
    EXPECT_EQ(engine.driveEffect.startAmount, 0.0);
    EXPECT_EQ(engine.driveEffect.endAmount, end);
    EXPECT_DOUBLE_EQ(engine.driveEffect.amount, 0.96 * end);
}

TEST_F(CharacterChain, DriveAmountsOutsideTheRangeAreClamped)
{
    struct Case
    {
        float value;
        double inputGain, amount;
    };
    for (const Case c : { Case { 1.7f, 12.0, 1.0 }, Case { -0.5f, 1.0, 0.0 } })
    {
        engine.smoothers.drive.setCurrentAndTargetValue(c.value);
        fillWet(0);
        engine.runCharacterOrdered(kBlock);
        EXPECT_EQ(engine.driveEffect.inputGain, c.inputGain) << c.value;
        EXPECT_EQ(engine.driveEffect.amount, c.amount) << c.value;
        EXPECT_EQ(engine.driveEffect.endAmount, c.amount) << c.value;
    }
}

TEST_F(CharacterChain, ResetReturnsTheStagesToTheirPreparedState)
{
    for (int block = 0; block < 4; ++block)
    {
        fillWet(block);
        engine.runCharacterOrdered(kBlock);
    }
    engine.reset();

    VelmoraEngine fresh;
    fresh.prepare(kRate, kBlock);
    for (VelmoraEngine* e : { &engine, &fresh })
    {
        e->smoothers.drive.setCurrentAndTargetValue(0.5f);
        e->smoothers.derez.setCurrentAndTargetValue(0.7f);
        e->smoothers.dream.setCurrentAndTargetValue(0.0f);
    }
    fillWet(9);
    std::copy_n(engine.wetLeft.begin(), kBlock, fresh.wetLeft.begin());
    std::copy_n(engine.wetRight.begin(), kBlock, fresh.wetRight.begin());
    engine.runCharacterOrdered(kBlock);
    fresh.runCharacterOrdered(kBlock);
    for (size_t i = 0; i < static_cast<size_t>(kBlock); ++i)
    {
        ASSERT_EQ(engine.wetLeft[i], fresh.wetLeft[i]) << i;
        ASSERT_EQ(engine.wetRight[i], fresh.wetRight[i]) << i;
    }
    EXPECT_EQ(engine.masterWow.phase2, 1.7);
    EXPECT_EQ(engine.masterWow.rngLanes[0], 501u);
}

// The wow pass: depth from where the dream ramp ends in this block, rate and
// randomness from their current values, clamped.
class WowPass : public testing::Test
{
protected:
    void SetUp() override { engine.prepare(44100.0, kBlock); }

    VelmoraEngine engine;
};

TEST_F(WowPass, DepthAtFullDreamIs0_44Cubed)
{
    EXPECT_EQ(engine.masterWow.bufferLength, 4414);
    engine.smoothers.dream.setCurrentAndTargetValue(1.0f);
    engine.characterDream(kBlock);
    EXPECT_DOUBLE_EQ(engine.masterWow.depth, 0.44 * 0.44 * 0.44);
}

TEST_F(WowPass, DepthFollowsTheEndOfTheDreamRamp)
{
    engine.smoothers.dream.setCurrentAndTargetValue(0.0f);
    engine.smoothers.dream.setTargetValue(1.0f); // floor(0.005 * 44100) = 220 steps
    engine.characterDream(110);
    EXPECT_NEAR(engine.smoothers.dream.getCurrentValue(), 0.5, 1e-6);
    EXPECT_NEAR(engine.masterWow.depth, 0.4 * 0.4 * 0.4, 1e-6);
}

TEST_F(WowPass, RateAndRandomnessAreClampedAndNotAdvanced)
{
    struct Case
    {
        float rate, random;
        double expectedRate, expectedRandom;
    };
    for (const Case c :
         { Case { 0.0f, -1.0f, 0.001, 0.0 }, Case { 10.0f, 9.0f, 4.0, 4.0 }, Case { 0.5f, 1.5f, 0.5, 1.5 } })
    {
        engine.smoothers.wow_rate.setCurrentAndTargetValue(c.rate);
        engine.smoothers.wow_rnd.setCurrentAndTargetValue(c.random);
        engine.smoothers.wow_rnd.setTargetValue(c.random + 1.0f);
        engine.characterDream(kBlock);
        EXPECT_EQ(engine.masterWow.rate, c.expectedRate);
        EXPECT_EQ(engine.masterWow.randomAmount, c.expectedRandom);
        EXPECT_EQ(engine.smoothers.wow_rnd.getCurrentValue(), c.random);
    }
}

struct RenderCase
{
    int charPos, charOrder;
    bool dreamPath;
};

class CharacterRender : public testing::TestWithParam<RenderCase>
{
};

// Every random element of the chain is seeded, so two renders of the same
// input agree to the bit.
TEST_P(CharacterRender, IsRepeatableBitForBit)
{
    ParameterSnapshot p;
    p.mix = 1.0f;
    p.drive = 0.6f;
    p.dream = 1.0f;
    p.derez = 0.6f;
    p.wow_rate = 2.0f;
    p.wow_rnd = 1.0f;
    p.char_pos = GetParam().charPos;
    p.char_order = GetParam().charOrder;
    p.dream_path = GetParam().dreamPath;
    const Stereo input = velmora::test::noise(24000, 0.5f);

    const Stereo first = EngineHarness(kRate, 512, p).run(input);
    const Stereo second = EngineHarness(kRate, 512, p).run(input);
    EXPECT_EQ(first.left, second.left);
    EXPECT_EQ(first.right, second.right);
    EXPECT_GT(velmora::test::rms(first.left), 0.0);
}

INSTANTIATE_TEST_SUITE_P(Routings, CharacterRender,
                         testing::Values(RenderCase { 0, 0, false }, RenderCase { 1, 3, false },
                                         RenderCase { 2, 0, false }, RenderCase { 2, 0, true },
                                         RenderCase { 2, 5, false }));

} // namespace
