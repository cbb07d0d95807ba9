#include "support/ProcessorHelpers.h"

#include "DisplayMeasurements.h"
#include "PluginProcessor.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
using namespace velmora::test;

constexpr double kRate = 48000.0;
constexpr int kFft = DisplayMeasurements::fftSize;

juce::AudioBuffer<float> constantBlock(int channels, int samples, float left, float right)
{
    juce::AudioBuffer<float> b(channels, samples);
    for (int i = 0; i < samples; ++i)
    {
        b.setSample(0, i, left);
        if (channels > 1)
            b.setSample(1, i, right);
    }
    return b;
}

juce::AudioBuffer<float> sineBlock(int samples, double frequency, double rate, float level, int offset = 0)
{
    juce::AudioBuffer<float> b(2, samples);
    for (int i = 0; i < samples; ++i)
    {
        const auto x = static_cast<float>(static_cast<double>(level) * std::sin(2.0 * juce::MathConstants<double>::pi *
                                                                                frequency * (i + offset) / rate));
        b.setSample(0, i, x);
        b.setSample(1, i, x);
    }
    return b;
}

// The spectrum band whose span holds `frequency`, by the same mapping.
int spectrumBandOf(double frequency, double rate)
{
    const double span = std::log(rate / 2.0) - std::log(40.0);
    return static_cast<int>(std::floor((std::log(frequency) - std::log(40.0)) / span * 60.0));
}

TEST(LevelMeters, TakeAPeakAtOnceAndReleaseByAFactorPerSilentBlock)
{
    DisplayMeasurements m;
    const auto full = constantBlock(2, 64, 1.0f, -1.0f);
    const auto silence = constantBlock(2, 64, 0.0f, 0.0f);
    auto same = constantBlock(2, 64, 1.0f, 1.0f);

    m.measureInput(same);
    EXPECT_EQ(m.inL.load(), 1.0f);
    EXPECT_EQ(m.inR.load(), 1.0f);
    EXPECT_EQ(m.inRms.load(), 1.0f);

    float expected = 1.0f;
    for (int block = 0; block < 5; ++block)
    {
        m.measureInput(silence);
        expected *= 0.95f;
        EXPECT_FLOAT_EQ(m.inL.load(), expected);
        EXPECT_FLOAT_EQ(m.inR.load(), expected);
        EXPECT_FLOAT_EQ(m.inRms.load(), expected);
    }

    // Opposite channels cancel in the mid level but not in left and right.
    DisplayMeasurements opposite;
    opposite.measureOutput(full);
    EXPECT_EQ(opposite.outL.load(), 1.0f);
    EXPECT_EQ(opposite.outR.load(), 1.0f);
    EXPECT_EQ(opposite.outRms.load(), 0.0f);
    EXPECT_EQ(opposite.inL.load(), 0.0f) << "output levels went to the input meters";
}

TEST(LevelMeters, AMonoBufferShowsEqualLevels)
{
    DisplayMeasurements m;
    m.measureInput(constantBlock(1, 32, -0.4f, 0.0f));
    EXPECT_FLOAT_EQ(m.inL.load(), 0.4f);
    EXPECT_FLOAT_EQ(m.inR.load(), 0.4f);
    EXPECT_FLOAT_EQ(m.inRms.load(), 0.4f);
}

TEST(LevelMeters, AnEmptyBlockCountsAsSilence)
{
    DisplayMeasurements m;
    m.measureInput(constantBlock(2, 16, 0.5f, 0.5f));
    m.measureInput(juce::AudioBuffer<float>(2, 0));
    EXPECT_FLOAT_EQ(m.inL.load(), 0.5f * 0.95f);
    m.measureInput(juce::AudioBuffer<float>(0, 0));
    EXPECT_FLOAT_EQ(m.inL.load(), 0.5f * 0.95f * 0.95f);
}

// The frames are not windowed, so a tone between bins leaks into every band
// at about a quarter of what it gives its own; a quiet tone keeps the leak
// near zero while its own band and spectrum band stand out.
TEST(Spectrum, A1kHzSineRaisesMidAndItsBandButNotBass)
{
    DisplayMeasurements m;
    m.prepare(kRate);
    const auto sine = sineBlock(kFft, 1000.0, kRate, 0.01f);
    m.feedSpectrum(sine);

    EXPECT_GT(m.mid.load(), 3.0f * m.bass.load());
    EXPECT_GT(m.mid.load(), 10.0f * m.high.load());
    EXPECT_LT(m.bass.load(), 0.05f);

    const int band = spectrumBandOf(1000.0, kRate);
    const float level = m.spectrum[static_cast<size_t>(band)].load();
    EXPECT_GT(level, 0.5f);
    for (int b = 0; b < DisplayMeasurements::numSpectrumBands; ++b)
    {
        if (std::abs(b - band) > 2)
        {
            EXPECT_LT(m.spectrum[static_cast<size_t>(b)].load(), level * 0.5f) << "band " << b;
        }
    }
}

// At 48 kHz the bins are 23.4375 Hz wide: bass takes bins 1 to 11, mid 12 to
// 84 and high from 85 up. A tone in the middle of a bin lands in one band.
struct BandCase
{
    int bin;
    int band; // 0 bass, 1 mid, 2 high
};

class BandEdges : public testing::TestWithParam<BandCase>
{
};

TEST_P(BandEdges, SortBinsIntoBassMidAndHigh)
{
    DisplayMeasurements m;
    m.prepare(kRate);
    m.feedSpectrum(sineBlock(kFft, GetParam().bin * kRate / kFft, kRate, 0.9f));
    const float levels[] = { m.bass.load(), m.mid.load(), m.high.load() };
    for (int b = 0; b < 3; ++b)
    {
        if (b == GetParam().band)
        {
            EXPECT_GT(levels[b], 0.05f) << "band " << b;
        }
        else
        {
            EXPECT_LT(levels[b], 0.01f) << "band " << b;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(At48k, BandEdges,
                         testing::Values(BandCase { 11, 0 }, BandCase { 12, 1 }, BandCase { 84, 1 }, BandCase { 85, 2 },
                                         BandCase { 900, 2 }));

TEST(Spectrum, KeepsItsValuesUntilAWholeFrameHasPassedSincePreparation)
{
    DisplayMeasurements m;
    m.prepare(kRate);
    m.feedSpectrum(sineBlock(kFft, 1000.0, kRate, 0.5f));
    const float bass = m.bass.load(), mid = m.mid.load(), high = m.high.load();
    std::vector<float> bands;
    for (const auto& b : m.spectrum)
        bands.push_back(b.load());

    // A new preparation restarts collection half-way through a frame.
    m.feedSpectrum(sineBlock(kFft / 2, 5000.0, kRate, 0.5f));
    m.prepare(kRate);
    m.feedSpectrum(sineBlock(kFft - 1, 5000.0, kRate, 0.5f));
    EXPECT_EQ(m.bass.load(), bass);
    EXPECT_EQ(m.mid.load(), mid);
    EXPECT_EQ(m.high.load(), high);
    for (size_t b = 0; b < bands.size(); ++b)
        EXPECT_EQ(m.spectrum[b].load(), bands[b]) << "band " << b;

    m.pushSampleToFFT(0.0f);
    EXPECT_GT(m.high.load(), high);
    EXPECT_LT(m.mid.load(), mid);
}

TEST(Spectrum, ReleasesSlowlyAfterTheSoundStops)
{
    DisplayMeasurements m;
    m.prepare(kRate);
    m.feedSpectrum(sineBlock(kFft, 1000.0, kRate, 0.5f));
    const float mid = m.mid.load();
    const auto band = static_cast<size_t>(spectrumBandOf(1000.0, kRate));
    const float level = m.spectrum[band].load();

    m.feedSpectrum(constantBlock(2, kFft, 0.0f, 0.0f));
    EXPECT_FLOAT_EQ(m.mid.load(), mid * 0.92f);
    EXPECT_FLOAT_EQ(m.spectrum[band].load(), level * 0.88f);
}

TEST(Spectrum, ABadFrameDoesNotStickInTheLevels)
{
    DisplayMeasurements m;
    m.prepare(kRate);
    auto bad = sineBlock(kFft, 1000.0, kRate, 0.5f);
    bad.setSample(0, 100, std::numeric_limits<float>::quiet_NaN());
    m.feedSpectrum(bad);
    m.feedSpectrum(constantBlock(2, kFft, 0.0f, 0.0f));
    EXPECT_TRUE(std::isfinite(m.mid.load()));
    for (const auto& band : m.spectrum)
        EXPECT_TRUE(std::isfinite(band.load()));
}

// ---- in the processor ----------------------------------------------------------

TEST(ProcessorMeasurements, CountBlocksAndMeasureAroundTheEngine)
{
    VelmoraProcessor p;
    setParameter(p, "output_gain", 0.0f); // the engine silences its output
    prepare(p, kRate, 256);
    juce::MidiBuffer midi;

    // Long enough for the output meter to release what passed while the
    // output gain glided down.
    const auto before = p.analysis.heartbeat.load();
    for (int b = 0; b < 300; ++b)
    {
        auto block = constantBlock(2, 256, 0.5f, 0.25f);
        p.processBlock(block, midi);
    }
    EXPECT_EQ(p.analysis.heartbeat.load() - before, 300);
    EXPECT_FLOAT_EQ(p.analysis.inL.load(), 0.5f);
    EXPECT_FLOAT_EQ(p.analysis.inR.load(), 0.25f);
    EXPECT_FLOAT_EQ(p.analysis.inRms.load(), 0.375f);
    EXPECT_LT(p.analysis.outL.load(), 1e-3f);
    EXPECT_LT(p.analysis.outRms.load(), 1e-3f);
}

TEST(ProcessorMeasurements, AMonoInputMetersAsEqualChannels)
{
    VelmoraProcessor p;
    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add(juce::AudioChannelSet::mono());
    layout.outputBuses.add(juce::AudioChannelSet::stereo());
    ASSERT_TRUE(p.setBusesLayout(layout));
    prepare(p, kRate, 128);

    juce::MidiBuffer midi;
    auto block = constantBlock(2, 128, 0.6f, 0.0f); // the host's channel 1 is scratch
    p.processBlock(block, midi);
    EXPECT_FLOAT_EQ(p.analysis.inL.load(), 0.6f);
    EXPECT_FLOAT_EQ(p.analysis.inR.load(), 0.6f);
}

TEST(ProcessorMeasurements, TheNextBlockRestoresMetersAReaderZeroed)
{
    VelmoraProcessor p;
    setParameter(p, "mix", 0.0f);
    prepare(p, kRate, 512);
    juce::MidiBuffer midi;
    for (int b = 0; b < 8; ++b)
    {
        auto block = sineBlock(512, 1000.0, kRate, 0.5f, b * 512);
        p.processBlock(block, midi);
    }
    ASSERT_GT(p.analysis.outL.load(), 0.3f);
    ASSERT_GT(p.analysis.mid.load(), 0.0f);

    p.analysis.clearLevels();
    EXPECT_EQ(p.analysis.outL.load(), 0.0f);
    EXPECT_EQ(p.analysis.mid.load(), 0.0f);

    auto block = sineBlock(512, 1000.0, kRate, 0.5f, 8 * 512);
    p.processBlock(block, midi);
    EXPECT_NEAR(p.analysis.inL.load(), 0.5f, 0.01f);
    EXPECT_GT(p.analysis.outL.load(), 0.3f);
}

TEST(ProcessorMeasurements, PreparationRestartsCollectionButKeepsLevels)
{
    VelmoraProcessor p;
    prepare(p, kRate, 512);
    juce::MidiBuffer midi;
    for (int b = 0; b < 4; ++b)
    {
        auto block = sineBlock(512, 1000.0, kRate, 0.5f, b * 512);
        p.processBlock(block, midi);
    }
    const float mid = p.analysis.mid.load();
    const float meter = p.analysis.inL.load();
    ASSERT_GT(mid, 0.0f);

    prepare(p, 44100.0, 512);
    EXPECT_EQ(p.analysis.mid.load(), mid);
    EXPECT_EQ(p.analysis.inL.load(), meter);
    EXPECT_EQ(p.analysis.fftFillIndex, 0);
    EXPECT_EQ(p.analysis.analysisSampleRate, 44100.0);
}

} // namespace
