#include "SpectralPitchShifter.h"

#include "support/FrequencyAnalysis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace
{
using velmora::test::energyShareNear;
using velmora::test::peakFrequency;

constexpr double kRate = 48000.0;
constexpr int kFrame = SpectralPitchShifter::kFrameSize;
constexpr int kHop = SpectralPitchShifter::kHopSize;
constexpr double kPi = juce::MathConstants<double>::pi;

std::vector<double> sineWave(size_t frames, double frequency, double level = 0.5)
{
    std::vector<double> x(frames);
    for (size_t i = 0; i < frames; ++i)
        x[i] = level * std::sin(2.0 * kPi * frequency * static_cast<double>(i) / kRate);
    return x;
}

std::vector<double> noiseSignal(size_t frames)
{
    std::vector<double> x(frames);
    std::uint32_t s = 7;
    for (auto& v : x)
    {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        v = static_cast<double>(s) * (1.0 / 4294967296.0) - 0.5;
    }
    return x;
}

std::vector<double> run(SpectralPitchShifter& shifter, const std::vector<double>& input)
{
    std::vector<double> out(input.size());
    shifter.process(input.data(), out.data(), static_cast<int>(input.size()));
    return out;
}

double rmsOf(const std::vector<double>& x, size_t from, size_t to)
{
    double sum = 0.0;
    for (size_t i = from; i < to; ++i)
        sum += x[i] * x[i];
    return std::sqrt(sum / static_cast<double>(to - from));
}

double peakOf(const std::vector<double>& x, size_t from = 0)
{
    double p = 0.0;
    for (size_t i = from; i < x.size(); ++i)
        p = std::max(p, std::abs(x[i]));
    return p;
}

enum class Layer
{
    Up,
    Down
};

struct Prepared
{
    explicit Prepared(Layer layer, float spin = 0.42f)
    {
        shifter.prepare(kRate);
        shifter.gainUp = layer == Layer::Up ? 1.0f : 0.0f;
        shifter.gainDown = layer == Layer::Down ? 1.0f : 0.0f;
        shifter.phaseSpin = spin;
    }

    SpectralPitchShifter shifter;
};

struct OctaveCase
{
    Layer layer;
    double input;
    double expected;
};

std::string caseName(const testing::TestParamInfo<OctaveCase>& info)
{
    return std::string(info.param.layer == Layer::Up ? "Up_" : "Down_") +
           std::to_string(static_cast<int>(info.param.input)) + "Hz";
}

class OctaveLayer : public testing::TestWithParam<OctaveCase>
{
};

// Past its one-frame latency the layer is a clean tone an octave away, at a
// level comparable with the input.
TEST_P(OctaveLayer, MovesASineByAnOctave)
{
    const auto c = GetParam();
    Prepared p(c.layer);
    const auto input = sineWave(48000, c.input);
    const auto out = run(p.shifter, input);

    const size_t from = 3 * kFrame;
    EXPECT_NEAR(peakFrequency(out, from, kRate), c.expected, 3.0);
    EXPECT_GT(energyShareNear(out, from, kRate, c.expected, 40.0), 0.95);
    const double level = rmsOf(out, from, out.size()) / rmsOf(input, from, input.size());
    EXPECT_GT(level, 0.3);
    EXPECT_LT(level, 2.0);
}

// The first frame runs when the first hop is complete and its window starts
// at zero, so nothing comes out for a hop; the tone builds up to half its
// level only about one frame after it went in.
TEST_P(OctaveLayer, ArrivesAboutOneFrameAfterTheInput)
{
    const auto c = GetParam();
    Prepared p(c.layer);
    const auto out = run(p.shifter, sineWave(48000, c.input));

    for (size_t i = 0; i < static_cast<size_t>(kHop); ++i)
        ASSERT_EQ(out[i], 0.0) << "output at sample " << i;

    const double steady = rmsOf(out, 3 * kFrame, out.size());
    constexpr size_t window = 256;
    size_t halfLevelAt = 0;
    while (halfLevelAt + window < out.size() && rmsOf(out, halfLevelAt, halfLevelAt + window) < 0.5 * steady)
        halfLevelAt += window / 4;
    const size_t arrival = halfLevelAt + window / 2;
    EXPECT_GT(arrival, static_cast<size_t>(kFrame * 3 / 4));
    EXPECT_LT(arrival, static_cast<size_t>(kFrame * 5 / 4));
}

INSTANTIATE_TEST_SUITE_P(Sines, OctaveLayer,
                         testing::Values(OctaveCase { Layer::Up, 1000.0, 2000.0 },
                                         OctaveCase { Layer::Up, 3500.0, 7000.0 },
                                         OctaveCase { Layer::Down, 1000.0, 500.0 },
                                         OctaveCase { Layer::Down, 7000.0, 3500.0 }),
                         caseName);

class AboveAQuarterOfTheRate : public testing::TestWithParam<double>
{
};

// An octave above such a sine would lie beyond half the rate: that part of
// the analysis is dropped from the octave-up layer, while the octave-down
// layer still carries it. (The sine's onset is broadband; the frames that
// see it are over after two frames.)
TEST_P(AboveAQuarterOfTheRate, HasNoOctaveUp)
{
    const double frequency = GetParam();
    const auto input = sineWave(48000, frequency);

    Prepared up(Layer::Up);
    EXPECT_LT(peakOf(run(up.shifter, input), 2 * kFrame), 1e-4);

    Prepared down(Layer::Down);
    const auto lower = run(down.shifter, input);
    EXPECT_NEAR(peakFrequency(lower, 3 * kFrame, kRate), frequency / 2.0, 3.0);
}

INSTANTIATE_TEST_SUITE_P(Sines, AboveAQuarterOfTheRate, testing::Values(12500.0, 15000.0, 21000.0));

// One analysis feeds both layers; the output is their sum, each weighted by
// its own gain.
TEST(SpectralPitchShifter, WeighsEachLayerByItsGain)
{
    const auto input = noiseSignal(5 * kFrame);
    Prepared up(Layer::Up);
    Prepared down(Layer::Down);
    Prepared both(Layer::Up);
    both.shifter.gainUp = 0.3f;
    both.shifter.gainDown = 0.7f;

    const auto u = run(up.shifter, input);
    const auto d = run(down.shifter, input);
    const auto mixed = run(both.shifter, input);
    ASSERT_GT(peakOf(u), 0.01);
    ASSERT_GT(peakOf(d), 0.01);
    for (size_t i = 0; i < input.size(); ++i)
        ASSERT_NEAR(mixed[i], double(0.3f) * u[i] + double(0.7f) * d[i], 1e-12) << "at sample " << i;
}

// A cleared shifter behaves exactly like a freshly prepared one with the same
// gains and phase spin: all history is gone and the hop restarts.
TEST(SpectralPitchShifter, ClearRestartsFromSilenceKeepingGainsAndSpin)
{
    Prepared used(Layer::Up, 1.37f);
    used.shifter.gainDown = 0.25f;
    run(used.shifter, noiseSignal(3 * kFrame + 123));

    used.shifter.clear();
    EXPECT_EQ(used.shifter.gainUp, 1.0f);
    EXPECT_EQ(used.shifter.gainDown, 0.25f);
    EXPECT_EQ(used.shifter.phaseSpin, 1.37f);
    EXPECT_EQ(used.shifter.hopCounter, kHop);

    Prepared fresh(Layer::Up, 1.37f);
    fresh.shifter.gainDown = 0.25f;

    const auto input = sineWave(4 * kFrame, 440.0);
    const auto afterClear = run(used.shifter, input);
    const auto fromFresh = run(fresh.shifter, input);
    for (size_t i = 0; i < input.size(); ++i)
        ASSERT_EQ(afterClear[i], fromFresh[i]) << "at sample " << i;
}

// The synthesis phases turn by hundreds of radians per hop at high bins; an
// accumulator left to grow would after a few hours hold them too coarsely to
// keep the octave in tune. Here the phases start where two hours of a 1 kHz
// input would have taken them.
TEST(SpectralPitchShifter, StaysInTuneHoweverLongItRuns)
{
    Prepared p(Layer::Up);
    std::fill(p.shifter.sumPhaseUp.begin(), p.shifter.sumPhaseUp.end(), 1.0e8f);
    const auto out = run(p.shifter, sineWave(48000, 1000.0));

    EXPECT_NEAR(peakFrequency(out, 3 * kFrame, kRate), 2000.0, 3.0);
    EXPECT_GT(energyShareNear(out, 3 * kFrame, kRate, 2000.0, 40.0), 0.95);
    for (const float phase : p.shifter.sumPhaseUp)
        ASSERT_LE(std::abs(phase), static_cast<float>(kPi) + 1e-5f);
}

TEST(SpectralPitchShifter, WrapsPhasesByWholeTurnsIntoOneTurnAroundZero)
{
    for (double x = -2.0e4; x <= 2.0e4; x += 0.37)
    {
        const auto phase = static_cast<float>(x);
        const float wrapped = SpectralPitchShifter::wrapPhase(phase);
        // Taking off whole turns in float costs about one ulp of the input.
        ASSERT_LE(std::abs(wrapped), kPi + 2.5e-7 * std::abs(x) + 1e-6) << "phase " << phase;
        const double turns = (static_cast<double>(phase) - static_cast<double>(wrapped)) / (2.0 * kPi);
        ASSERT_NEAR(turns, std::round(turns), 1e-6 * std::max(1.0, std::abs(x))) << "phase " << phase;
    }
    // Half turns go away from zero.
    EXPECT_NEAR(SpectralPitchShifter::wrapPhase(static_cast<float>(3.0 * kPi)), -kPi, 1e-5);
    EXPECT_NEAR(SpectralPitchShifter::wrapPhase(static_cast<float>(-3.0 * kPi)), kPi, 1e-5);
}

} // namespace
