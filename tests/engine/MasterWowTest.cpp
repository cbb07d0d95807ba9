#include "MasterWow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

namespace
{
constexpr double kRate = 44100.0;
constexpr int kBlock = 512;

struct Signal
{
    std::vector<double> left, right;
};

// A ramp passes any interpolating read unchanged in shape, so the delay of
// each frame is the ramp's value minus the output.
Signal ramp(size_t frames, double from)
{
    Signal s { std::vector<double>(frames), std::vector<double>(frames) };
    for (size_t i = 0; i < frames; ++i)
        s.left[i] = s.right[i] = from + static_cast<double>(i);
    return s;
}

Signal noise(size_t frames, std::uint32_t seed = 3)
{
    Signal s { std::vector<double>(frames), std::vector<double>(frames) };
    std::uint32_t x = seed;
    for (size_t i = 0; i < frames; ++i)
    {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        s.left[i] = s.right[i] = static_cast<double>(x) / 4294967296.0 - 0.5;
    }
    return s;
}

MasterWow preparedWow(double depth, double rate, double randomAmount, double sampleRate = kRate)
{
    MasterWow w;
    w.prepare(sampleRate);
    w.depth = depth;
    w.rate = rate;
    w.randomAmount = randomAmount;
    return w;
}

void run(MasterWow& w, Signal& s)
{
    const auto frames = static_cast<int>(s.left.size());
    for (int start = 0; start < frames; start += kBlock)
        w.processStereo(s.left.data() + start, s.right.data() + start, std::min(kBlock, frames - start));
}

const double kDepthAtFullDream = 0.44 * 0.44 * 0.44;

struct DepthCase
{
    double dream, depth;
};

class WowDepth : public testing::TestWithParam<DepthCase>
{
};

TEST_P(WowDepth, IsTheCubeOfTheBaseCurve)
{
    EXPECT_NEAR(MasterWow::depthForDreamAmount(GetParam().dream), GetParam().depth, 1e-15);
}

INSTANTIATE_TEST_SUITE_P(DreamAmounts, WowDepth,
                         testing::Values(DepthCase { 1.0, kDepthAtFullDream }, DepthCase { 0.2, 0.304 * 0.304 * 0.304 },
                                         DepthCase { 0.05, 0.12 * 0.12 * 0.12 }, DepthCase { 0.5, 0.4 * 0.4 * 0.4 },
                                         DepthCase { 0.9, kDepthAtFullDream }, DepthCase { 0.0, 0.0 },
                                         DepthCase { -0.4, 0.0 }, DepthCase { 3.0, kDepthAtFullDream }));

TEST(WowDepth, AtFullDreamIsAbout0_0852)
{
    EXPECT_NEAR(MasterWow::depthForDreamAmount(1.0), 0.0852, 1e-4);
    EXPECT_NEAR(MasterWow::depthForDreamAmount(0.2), 0.0281, 1e-4);
}

TEST(WowLine, HoldsATenthOfASecondPlusGuardSamples)
{
    EXPECT_EQ(preparedWow(0, 1, 0, 44100.0).bufferLength, 4414);
    EXPECT_EQ(preparedWow(0, 1, 0, 48000.0).bufferLength, 4804);
    EXPECT_EQ(preparedWow(0, 1, 0, 0.0).bufferLength, 4414); // no rate from the host: 44.1 kHz
}

// At full dream and 44.1 kHz the sweep spans 88.2 x 0.0852 = 7.5 samples
// either side of one sample: the negative half of the sweep is held at the
// half-sample floor, the top reaches about 8.5 samples.
TEST(WowSweep, AtFullDreamSpansHalfASampleToAbout8_5)
{
    MasterWow w = preparedWow(kDepthAtFullDream, 4.0, 0.0);
    Signal s = ramp(static_cast<size_t>(kRate * 30.0), 0.0);
    const Signal in = s;
    run(w, s);

    double lowest = 1e9;
    double highest = 0.0;
    size_t atFloor = 0;
    const size_t from = 16; // the line starts empty
    for (size_t i = from; i < s.left.size(); ++i)
    {
        const double delay = in.left[i] - s.left[i];
        lowest = std::min(lowest, delay);
        highest = std::max(highest, delay);
        atFloor += std::abs(delay - 0.5) < 1e-6 ? 1 : 0;
        ASSERT_EQ(s.left[i], s.right[i]) << "at frame " << i;
    }
    EXPECT_NEAR(lowest, 0.5, 1e-6);
    EXPECT_LE(highest, 1.0 + kDepthAtFullDream * 0.002 * kRate + 1e-6);
    EXPECT_GT(highest, 8.0);
    EXPECT_GT(static_cast<double>(atFloor) / static_cast<double>(s.left.size() - from), 0.3);
}

// The read is a three-point quadratic, so a quadratic signal comes through
// exactly at any delay, including below one sample.
TEST(WowSweep, ReadsQuadraticSignalsExactly)
{
    MasterWow w = preparedWow(kDepthAtFullDream, 3.0, 0.0);
    const size_t frames = 88200;
    Signal s = ramp(frames, 0.0);
    for (size_t i = 0; i < frames; ++i)
        s.right[i] = std::pow(static_cast<double>(i) / 1000.0, 2.0);
    run(w, s);

    // The left ramp's output is the (fractional) time the read lands on.
    for (size_t i = 16; i < frames; ++i)
    {
        const double readTime = s.left[i] / 1000.0;
        ASSERT_NEAR(s.right[i], readTime * readTime, 1e-7)
            << "at frame " << i << ", delay " << static_cast<double>(i) - s.left[i];
    }
}

// With the sweep pinned at its floor, the newest samples alone are read: an
// impulse is heard within two frames and never again, also not when it has
// become the oldest sample of the ring.
TEST(WowSweep, AtTheHalfSampleFloorNeverReadsTheOldestSample)
{
    MasterWow w = preparedWow(kDepthAtFullDream, 0.001, 0.0);
    w.phase1 = w.phase2 = w.phase3 = 1.5 * std::numbers::pi;
    ASSERT_EQ(w.bufferLength, 4414);
    constexpr size_t frames = 2 * 4414;
    Signal s { std::vector<double>(frames), std::vector<double>(frames) };
    s.left[0] = s.right[0] = 1.0;
    run(w, s);

    EXPECT_NE(s.left[0], 0.0);
    for (size_t i = 3; i < frames; ++i)
        ASSERT_EQ(s.left[i], 0.0) << "at frame " << i;
}

TEST(WowSilent, LeavesAudioUntouchedButKeepsFillingTheLine)
{
    MasterWow w = preparedWow(0.0, 1.0, 1.0);
    const Signal in = ramp(1000, 1000.0);
    Signal s = in;
    run(w, s);
    EXPECT_EQ(s.left, in.left);
    EXPECT_EQ(s.right, in.right);
    EXPECT_EQ(w.phase2, 1.7); // the sweep does not move while silent
    EXPECT_EQ(w.wanderLeft, 0.0);

    // Turned up, the first frame reads the recent ramp, not an empty line.
    w.depth = kDepthAtFullDream;
    w.randomAmount = 0.0;
    Signal next = ramp(1, 2000.0);
    run(w, next);
    const double delay = 2000.0 - next.left[0];
    EXPECT_GE(delay, 0.5 - 1e-9);
    EXPECT_LE(delay, 9.0);
}

TEST(WowChannels, RandomWanderSeparatesTheChannelsFromTheFirstFrame)
{
    for (const double randomAmount : { 0.0, 1.0 })
    {
        MasterWow w = preparedWow(0.0, 0.5, randomAmount);
        Signal prefill = ramp(64, 0.0);
        run(w, prefill);
        w.depth = kDepthAtFullDream;

        Signal s = ramp(256, 64.0);
        run(w, s);
        if (randomAmount == 0.0)
        {
            EXPECT_EQ(s.left, s.right);
            continue;
        }
        for (size_t i = 0; i < s.left.size(); ++i)
            ASSERT_NE(s.left[i], s.right[i]) << "at frame " << i;
    }
}

TEST(WowDeterminism, RepeatsBitForBitAndAfterReset)
{
    const Signal in = noise(static_cast<size_t>(kRate * 2.0));
    MasterWow first = preparedWow(kDepthAtFullDream, 0.7, 1.0);
    MasterWow second = preparedWow(kDepthAtFullDream, 0.7, 1.0);
    Signal a = in;
    Signal b = in;
    run(first, a);
    run(second, b);
    EXPECT_EQ(a.left, b.left);
    EXPECT_EQ(a.right, b.right);
    EXPECT_NE(a.left, a.right);

    first.reset();
    Signal again = in;
    run(first, again);
    EXPECT_EQ(again.left, a.left);
    EXPECT_EQ(again.right, a.right);
}

TEST(WowLifecycle, IgnoresAbsentBuffersAndEmptyBlocks)
{
    MasterWow w = preparedWow(kDepthAtFullDream, 1.0, 1.0);
    double x = 0.5;
    w.processStereo(nullptr, &x, 1);
    w.processStereo(&x, nullptr, 1);
    w.processStereo(&x, &x, 0);
    EXPECT_EQ(x, 0.5);
    EXPECT_EQ(w.writeLeft, 0);
    EXPECT_EQ(w.phase1, 0.0);
}

} // namespace
