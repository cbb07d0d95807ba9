#include "HeatChannel.h"
#include "TapeTransport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <vector>

namespace
{
constexpr double kRate = 48000.0;
constexpr double kPi = 3.14159265358979323846;

std::vector<double> sine(size_t frames, double frequency, double level)
{
    std::vector<double> x(frames);
    for (size_t i = 0; i < frames; ++i)
        x[i] = level * std::sin(2.0 * kPi * frequency * static_cast<double>(i) / kRate);
    return x;
}

std::vector<double> noise(size_t frames, double level, std::uint32_t seed = 7)
{
    std::vector<double> x(frames);
    for (auto& v : x)
    {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        v = level * (static_cast<double>(seed) / 2147483648.0 - 1.0);
    }
    return x;
}

// Amplitude of the component at `frequency`, over whole periods from `from`.
double amplitudeAt(const std::vector<double>& x, double frequency, size_t from)
{
    const auto period = static_cast<size_t>(std::lround(kRate / frequency));
    const size_t count = (x.size() - from) / period * period;
    std::complex<double> sum;
    for (size_t i = from; i < from + count; ++i)
        sum += x[i] * std::polar(1.0, -2.0 * kPi * frequency * static_cast<double>(i) / kRate);
    return 2.0 * std::abs(sum) / static_cast<double>(count);
}

double rms(const std::vector<double>& x, size_t from = 0)
{
    double sum = 0.0;
    for (size_t i = from; i < x.size(); ++i)
        sum += x[i] * x[i];
    return std::sqrt(sum / static_cast<double>(x.size() - from));
}

// Magnitude of the one-pole low-pass y = c*y + (1 - c)*x at `frequency`.
double onePoleGain(double corner, double frequency)
{
    const double c = std::exp(-2.0 * kPi * corner / kRate);
    return (1.0 - c) / std::abs(1.0 - c * std::polar(1.0, -2.0 * kPi * frequency / kRate));
}

TapeTransport preparedTape()
{
    TapeTransport tape;
    tape.prepare(kRate, 512);
    return tape;
}

// ---- tape -------------------------------------------------------------------

struct SmallSignalCase
{
    double drive;
    double frequency;
};

class TapeSmallSignal : public testing::TestWithParam<SmallSignalCase>
{
};

// Small signals see the drive's small-signal gain m^2 / max(1, 3 tanh(m/3))
// (unity at drive 1) and the tape low-pass, 10.5 kHz at the dream stage's
// tone; without emphasis nothing else colours them.
TEST_P(TapeSmallSignal, PassesAtTheDriveGainThroughTheTapeLowPass)
{
    const auto c = GetParam();
    TapeTransport tape = preparedTape();
    tape.drive = c.drive;
    ASSERT_EQ(tape.tone, 0.25);

    auto x = sine(9600, c.frequency, 1e-4);
    tape.process(x.data(), static_cast<int>(x.size()));

    const double driveGain = c.drive * c.drive / std::max(1.0, 3.0 * std::tanh(c.drive / 3.0));
    const double expected = 1e-4 * driveGain * onePoleGain(10500.0, c.frequency);
    EXPECT_NEAR(amplitudeAt(x, c.frequency, 4800), expected, 1e-6 * expected);
}

INSTANTIATE_TEST_SUITE_P(Drives, TapeSmallSignal,
                         testing::Values(SmallSignalCase { 1.0, 1000.0 }, SmallSignalCase { 1.0, 8000.0 },
                                         SmallSignalCase { 2.0, 1000.0 }, SmallSignalCase { 3.25, 1000.0 }));

TEST(TapeTransport, NegativePeaksSaturateHarderThanPositiveOnes)
{
    TapeTransport tape = preparedTape();
    tape.drive = 3.25;
    tape.tone = 1.0;
    std::vector<double> x(4800, 0.0);
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = (i / 600) % 2 == 0 ? 0.9 : -0.9;
    tape.process(x.data(), static_cast<int>(x.size()));
    // Settled on the last sample of a positive and of a negative step.
    EXPECT_GT(x[599 + 1200], -x[1199 + 1200]);
}

TEST(TapeTransport, AddsNoHissWhileTheLevelOrTheGainIsOff)
{
    for (const auto& [level, gain] : { std::pair { 0.0, 1.0 }, std::pair { 0.03, 0.0 }, std::pair { 0.03, 0.0000009 } })
    {
        TapeTransport tape = preparedTape();
        tape.noiseLevel = level;
        tape.noiseGain = gain;
        std::vector<double> x(2048, 0.0);
        tape.process(x.data(), static_cast<int>(x.size()));
        EXPECT_TRUE(std::all_of(x.begin(), x.end(), [](double v) { return v == 0.0; }))
            << "level " << level << ", gain " << gain;
        EXPECT_EQ(tape.rngState, TapeTransport::kSeed) << "the generator ran without hiss";
    }
}

// The steady hiss is noise shaped bright and stripped of rumble, its peak set
// by the level control (-65.2 dB at the top of its range) and scaled by the
// gain.
TEST(TapeTransport, HissOnSilenceSitsNearItsLevelAndScalesWithItsGain)
{
    const auto hissOnSilence = [](double gain)
    {
        TapeTransport tape = preparedTape();
        tape.noiseLevel = 0.03;
        tape.noiseGain = gain;
        std::vector<double> x(48000, 0.0);
        tape.process(x.data(), static_cast<int>(x.size()));
        return x;
    };

    const auto full = hissOnSilence(1.0);
    const auto half = hissOnSilence(0.5);
    // Uniform noise has an rms 4.8 dB under its peak; the shaping moves it
    // by a few dB either way.
    const double levelDb = 20.0 * std::log10(rms(full, 4800));
    EXPECT_GT(levelDb, -65.2 - 4.8 - 4.0);
    EXPECT_LT(levelDb, -65.2 - 4.8 + 4.0);
    for (size_t i = 0; i < full.size(); ++i)
        ASSERT_EQ(half[i], 0.5 * full[i]) << "at sample " << i;
}

// Besides the steady hiss a small noise rides on the signal's envelope.
TEST(TapeTransport, HissGrowsWithTheSignal)
{
    const auto addedNoise = [](double signalLevel)
    {
        TapeTransport clean = preparedTape();
        TapeTransport noisy = preparedTape();
        noisy.noiseLevel = 0.03;
        noisy.noiseGain = 1.0;
        auto a = sine(48000, 220.0, signalLevel);
        auto b = a;
        clean.process(a.data(), static_cast<int>(a.size()));
        noisy.process(b.data(), static_cast<int>(b.size()));
        for (size_t i = 0; i < a.size(); ++i)
            b[i] -= a[i];
        return rms(b, 24000);
    };
    EXPECT_GT(addedNoise(0.8), 1.5 * addedNoise(0.0));
}

// Both channels' hiss starts from the same seed, after prepare and after
// every reset, so a render is repeatable to the bit.
TEST(TapeTransport, HissRestartsFromTheSameSeedAfterPrepareAndReset)
{
    TapeTransport a = preparedTape();
    TapeTransport b = preparedTape();
    EXPECT_EQ(a.rngState, 0xdeadbeefu);
    for (auto* tape : { &a, &b })
    {
        tape->noiseLevel = 0.03;
        tape->noiseGain = 1.0;
        tape->drive = 2.0;
        tape->emphasis = 0.375;
    }

    const auto input = noise(4096, 0.5);
    auto first = input;
    auto other = input;
    a.process(first.data(), static_cast<int>(first.size()));
    b.process(other.data(), static_cast<int>(other.size()));
    EXPECT_EQ(first, other);

    a.reset();
    EXPECT_EQ(a.rngState, 0xdeadbeefu);
    EXPECT_EQ(a.lowpassState, 0.0);
    EXPECT_EQ(a.noiseEnvelope, 0.0);
    auto again = input;
    a.process(again.data(), static_cast<int>(again.size()));
    EXPECT_EQ(again, first);
}

TEST(TapeTransport, IgnoresAMissingBufferOrAnEmptyBlock)
{
    TapeTransport tape = preparedTape();
    tape.noiseLevel = 0.03;
    tape.noiseGain = 1.0;
    double x = 0.5;
    tape.process(nullptr, 16);
    tape.process(&x, 0);
    EXPECT_EQ(x, 0.5);
    EXPECT_EQ(tape.rngState, TapeTransport::kSeed);
}

// ---- heat -------------------------------------------------------------------

HeatChannel preparedHeat(const HeatChannel::ChannelConstants& constants = HeatChannel::kLeftChannel)
{
    HeatChannel heat;
    heat.prepare(kRate, constants);
    return heat;
}

// Every state of the channel, to compare two channels field by field.
std::vector<double> statesOf(const HeatChannel& h)
{
    return { h.toneState, h.wander,       h.wanderVelocity, h.previousDriven, h.envelope,     h.smoothState,
             h.glueGain,  h.glueEnvelope, h.glueHeat,       h.glueDarkState,  h.glueLowState, double(h.rngState) };
}

TEST(HeatChannel, PrepareSeedsEachChannelAndPutsItAtRest)
{
    const HeatChannel left = preparedHeat(HeatChannel::kLeftChannel);
    const HeatChannel right = preparedHeat(HeatChannel::kRightChannel);
    EXPECT_EQ(left.rngState, 0x7b142c4du);
    EXPECT_EQ(right.rngState, 0xb1c51b69u);
    EXPECT_EQ(left.glueGain, 1.0);
    EXPECT_NE(left.smoothFrequency, right.smoothFrequency);
}

TEST(HeatChannel, WithAllControlsOffLeavesSamplesAndStatesUntouched)
{
    HeatChannel heat = preparedHeat();
    heat.heatAmount = 0.0000005; // below the threshold together with the others
    const auto input = noise(1024, 0.7);
    auto x = input;
    const auto before = statesOf(heat);
    heat.process(x.data(), static_cast<int>(x.size()));
    EXPECT_EQ(x, input);
    EXPECT_EQ(statesOf(heat), before);
}

// At heat drive 0 the drive's mix is 0: it tracks the signal (envelope, the
// random walk) without changing a sample.
TEST(HeatChannel, AtHeatDriveZeroTheDriveTracksTheSignalButLeavesItUnchanged)
{
    HeatChannel heat = preparedHeat();
    heat.heatAmount = 0.5;
    const auto input = noise(1024, 0.7);
    auto x = input;
    heat.process(x.data(), static_cast<int>(x.size()));
    EXPECT_EQ(x, input);
    EXPECT_GT(heat.envelope, 0.0);
    EXPECT_NE(heat.wander, 0.0);
    EXPECT_NE(heat.rngState, HeatChannel::kLeftChannel.seed);
}

TEST(HeatChannel, LeftAndRightNeverProcessAlike)
{
    HeatChannel left = preparedHeat(HeatChannel::kLeftChannel);
    HeatChannel right = preparedHeat(HeatChannel::kRightChannel);
    for (auto* heat : { &left, &right })
    {
        heat->heatDrive = 0.25;
        heat->heatAmount = 1.0;
        heat->heatTone = 0.45;
        heat->glue = 0.35;
    }
    auto a = noise(4096, 0.5);
    auto b = a;
    left.process(a.data(), static_cast<int>(a.size()));
    right.process(b.data(), static_cast<int>(b.size()));
    size_t differing = 0;
    for (size_t i = 0; i < a.size(); ++i)
        differing += a[i] != b[i] ? 1 : 0;
    EXPECT_GT(differing, a.size() * 9 / 10);
}

// The glue pulls the band below 800 Hz down to no less than 0.4 of its level
// (make-up between 1 and 1/0.7), and its accumulated heat stays within
// 0..0.8, so the darkening filter never closes below 4 kHz. A signal far
// beyond full scale drives both to their limits.
TEST(HeatChannel, GlueGainAndHeatStayWithinTheirBounds)
{
    HeatChannel heat = preparedHeat();
    heat.glue = 0.35;
    auto x = sine(96000, 100.0, 20.0);
    double lowestGain = 1.0, highestGain = 0.0, highestHeat = 0.0, lowestHeat = 1.0;
    for (size_t start = 0; start < x.size(); start += 32)
    {
        heat.process(x.data() + start, 32);
        lowestGain = std::min(lowestGain, heat.glueGain);
        highestGain = std::max(highestGain, heat.glueGain);
        lowestHeat = std::min(lowestHeat, heat.glueHeat);
        highestHeat = std::max(highestHeat, heat.glueHeat);
    }
    EXPECT_GE(lowestGain, 0.4);
    EXPECT_LT(lowestGain, 0.41) << "the test signal should reach the floor";
    EXPECT_LE(highestGain, 1.0);
    EXPECT_GE(lowestHeat, 0.0);
    EXPECT_EQ(highestHeat, 0.8) << "the test signal should reach the ceiling";
    EXPECT_TRUE(std::all_of(x.begin(), x.end(), [](double v) { return std::isfinite(v); }));
}

// A reset puts the states at rest but keeps the random walk's sequence going:
// only the tape hiss is reseeded.
TEST(HeatChannel, ResetRestoresTheRestStateAndKeepsTheRandomSequence)
{
    HeatChannel heat = preparedHeat();
    HeatChannel fresh = preparedHeat();
    heat.heatDrive = 0.25;
    heat.heatAmount = 1.0;
    heat.heatTone = 0.45;
    heat.glue = 0.35;
    auto x = noise(4096, 0.9);
    heat.process(x.data(), static_cast<int>(x.size()));
    const std::uint32_t walked = heat.rngState;
    ASSERT_NE(walked, fresh.rngState);

    heat.reset();
    auto rest = statesOf(heat);
    auto expected = statesOf(fresh);
    rest.pop_back();
    expected.pop_back();
    EXPECT_EQ(rest, expected);
    EXPECT_EQ(heat.rngState, walked);
}

} // namespace
