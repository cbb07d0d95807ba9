#include "support/ProcessorHelpers.h"

#include "ParameterTable.h"
#include "PluginProcessor.h"
#include "presets/PresetManager.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <set>

namespace
{
using namespace velmora::test;

void expectValue(VelmoraProcessor& p, const std::string& id, float expected)
{
    EXPECT_NEAR(parameterValue(p, id), expected, 1e-5f * std::max(1.0f, std::abs(expected))) << id;
}

// Counts what a host hears while a preset is applied.
struct HostLog : juce::AudioProcessorListener
{
    void audioProcessorParameterChanged(juce::AudioProcessor*, int index, float) override
    {
        ++changes;
        if (openGestures.count(index) == 0)
            ++changesOutsideGestures;
    }
    void audioProcessorChanged(juce::AudioProcessor*, const ChangeDetails&) override {}
    void audioProcessorParameterChangeGestureBegin(juce::AudioProcessor*, int index) override
    {
        ++begins;
        openGestures.insert(index);
    }
    void audioProcessorParameterChangeGestureEnd(juce::AudioProcessor*, int index) override
    {
        ++ends;
        openGestures.erase(index);
    }

    int changes = 0, changesOutsideGestures = 0, begins = 0, ends = 0;
    std::set<int> openGestures;
};

struct PresetCase
{
    int index;
    std::map<std::string, float> expected;
    bool hissEnabled;
};

class ApplyingAPreset : public testing::TestWithParam<PresetCase>
{
};

TEST_P(ApplyingAPreset, SetsItsParametersAndLeavesTheBalanceAndGainsAlone)
{
    const auto& c = GetParam();
    VelmoraProcessor p;
    setParameter(p, "mix", 0.77f);
    setParameter(p, "input_gain", 0.5f);
    setParameter(p, "output_gain", 0.95f);
    setParameter(p, "early_mod", 0.3f);
    setParameter(p, "timbre", 0.9f);
    setParameter(p, "gate", -20.0f);
    p.hissEnabled = !c.hissEnabled;

    ASSERT_TRUE(PresetManager::applyFactoryPreset(p, c.index));

    for (const auto& [id, value] : c.expected)
        expectValue(p, id, value);
    expectValue(p, "mix", 0.77f);
    expectValue(p, "input_gain", 0.5f);
    expectValue(p, "output_gain", 0.95f);
    expectValue(p, "early_mod", 0.3f);
    expectValue(p, "timbre", 0.5f);
    EXPECT_EQ(p.hissEnabled, c.hissEnabled);
    EXPECT_EQ(p.presetIndex, c.index);
}

INSTANTIATE_TEST_SUITE_P(Presets, ApplyingAPreset,
                         testing::Values(PresetCase { 0,
                                                      { { "gate", -81.0f },
                                                        { "shimmer_path", 1.0f },
                                                        { "char_pos", 0.0f },
                                                        { "dimension", 2.0f },
                                                        { "expanse", 3.99f },
                                                        { "damping", 0.903f },
                                                        { "saturation", 1.0f } },
                                                      false },
                                         PresetCase { 5,
                                                      { { "expanse", 30.74f },
                                                        { "shimmer_path", 1.0f },
                                                        { "char_pos", 1.0f },
                                                        { "descend", 1.0f },
                                                        { "wow_rate", 0.029f },
                                                        { "tilt_eq", -2.24f } },
                                                      false },
                                         PresetCase { 13,
                                                      { { "gate", -65.6f },
                                                        { "filter_path", 1.0f },
                                                        { "dream_path", 1.0f },
                                                        { "shimmer_path", 1.0f },
                                                        { "char_pos", 2.0f },
                                                        { "char_order", 4.0f },
                                                        { "hiss", 0.8f },
                                                        { "dimension", 0.58f } },
                                                      true },
                                         PresetCase { 10,
                                                      { { "shimmer_path", 0.0f },
                                                        { "char_pos", 2.0f },
                                                        { "char_order", 5.0f },
                                                        { "saturation", 0.5f },
                                                        { "lpf_freq", 9072.0f } },
                                                      false }),
                         [](const auto& testInfo) { return "Preset" + std::to_string(testInfo.param.index); });

TEST(ApplyingAPreset, MakesEachChangeAGestureTheHostHears)
{
    VelmoraProcessor p;
    HostLog log;
    p.addListener(&log);
    ASSERT_TRUE(PresetManager::applyFactoryPreset(p, 15));
    p.removeListener(&log);

    EXPECT_EQ(log.begins, 27);
    EXPECT_EQ(log.ends, 27);
    EXPECT_GT(log.changes, 0);
    EXPECT_EQ(log.changesOutsideGestures, 0);
}

class AnIndexOutsideTheTable : public testing::TestWithParam<int>
{
};

TEST_P(AnIndexOutsideTheTable, ChangesNothingAndTellsTheHostNothing)
{
    VelmoraProcessor p;
    setParameter(p, "dimension", 4.0f);
    p.presetIndex = 3;
    p.hissEnabled = true;
    const auto before = allParameterValues(p);

    HostLog log;
    p.addListener(&log);
    EXPECT_FALSE(PresetManager::applyFactoryPreset(p, GetParam()));
    p.removeListener(&log);

    EXPECT_EQ(allParameterValues(p), before);
    EXPECT_EQ(p.presetIndex, 3);
    EXPECT_TRUE(p.hissEnabled);
    EXPECT_EQ(log.changes + log.begins + log.ends, 0);
}

INSTANTIATE_TEST_SUITE_P(Indices, AnIndexOutsideTheTable, testing::Values(-1, 23, 24, INT_MIN, INT_MAX));

TEST(ApplyingAPreset, ItsIndexIsSavedWithTheState)
{
    VelmoraProcessor p;
    ASSERT_TRUE(PresetManager::applyFactoryPreset(p, 7));
    setParameter(p, "drive", 0.9f); // editing afterwards keeps the index
    const auto blob = saveState(p);

    const std::string text(static_cast<const char*>(blob.getData()) + 8, blob.getSize() - 9);
    EXPECT_NE(text.find("presetIndex=\"7\""), std::string::npos);

    VelmoraProcessor restored;
    loadState(restored, blob);
    EXPECT_EQ(restored.presetIndex, 7);
    EXPECT_TRUE(restored.hissEnabled);
}

// The table is data typed in by hand: every value must be one its parameter
// can hold (the gate's "fully open" -100 is brought to the range's end when
// applied), and the names must tell the presets apart.
TEST(FactoryPresetTable, EveryRecordFitsItsParameters)
{
    struct Field
    {
        const char* id;
        float FactoryPreset::*member;
    };
    const Field fields[] = {
        { "mix", &FactoryPreset::mix },         { "dimension", &FactoryPreset::dim },
        { "expanse", &FactoryPreset::exp },     { "timbre", &FactoryPreset::timb },
        { "ascend", &FactoryPreset::asc },      { "descend", &FactoryPreset::desc },
        { "drive", &FactoryPreset::drive },     { "dream", &FactoryPreset::dream },
        { "shimmer", &FactoryPreset::shim },    { "mod_depth", &FactoryPreset::modD },
        { "mod_rate", &FactoryPreset::modR },   { "diffusion", &FactoryPreset::diff },
        { "damping", &FactoryPreset::damp },    { "hpf_freq", &FactoryPreset::hpf },
        { "lpf_freq", &FactoryPreset::lpf },    { "ducking_amount", &FactoryPreset::duck },
        { "tilt_eq", &FactoryPreset::tilt },    { "hiss", &FactoryPreset::hissP },
        { "saturation", &FactoryPreset::satP }, { "wow_rate", &FactoryPreset::wowR },
        { "wow_rnd", &FactoryPreset::wowN },    { "derez", &FactoryPreset::derez },
    };

    std::set<std::string> names;
    const PresetManager manager;
    for (int i = 0; i < PresetManager::numFactoryPresets; ++i)
    {
        const auto& preset = PresetManager::getFactoryPresets()[static_cast<size_t>(i)];
        SCOPED_TRACE(preset.name);
        EXPECT_TRUE(names.insert(preset.name).second) << "duplicate name";
        EXPECT_FALSE(std::string(preset.name).empty());

        for (const auto& f : fields)
        {
            const auto* spec = velmora::params::findSpec(f.id);
            if (spec == nullptr)
            {
                ADD_FAILURE() << "no parameter " << f.id;
                continue;
            }
            const float value = preset.*f.member;
            EXPECT_GE(value, spec->min) << f.id;
            EXPECT_LE(value, spec->max) << f.id;
        }
        EXPECT_LE(preset.gate, 0.0f);
        EXPECT_GE(preset.charOrder, 0);
        EXPECT_LE(preset.charOrder, 5);
        EXPECT_GE(static_cast<int>(preset.order), 0);
        EXPECT_LE(static_cast<int>(preset.order), 5);

        const auto folder = manager.getPresetFolder(i);
        EXPECT_TRUE(i == 0 ? folder.isEmpty() : (folder == "Spaces" || folder == "Tape & Lo-Fi")) << folder;
    }
    EXPECT_TRUE(manager.getPresetFolder(-1).isEmpty());
    EXPECT_TRUE(manager.getPresetFolder(PresetManager::numFactoryPresets).isEmpty());
}

TEST(SignalOrderRouting, AnUnknownOrderPutsTheShimmerOnTopAndTheCharacterLast)
{
    const auto routing = velmora::presets::routingFor(static_cast<SignalOrder>(9));
    EXPECT_FALSE(routing.shimmerPath);
    EXPECT_EQ(routing.charPos, 2);
}

// Every preset, on loud noise, must give a finite output that the output
// stage keeps near full scale.
class EveryPreset : public testing::TestWithParam<int>
{
};

TEST_P(EveryPreset, GivesAFiniteOutputAtASaneLevelOnNoise)
{
    constexpr double rate = 48000.0;
    constexpr int block = 512;
    VelmoraProcessor p;
    ASSERT_TRUE(PresetManager::applyFactoryPreset(p, GetParam()));
    setParameter(p, "mix", 0.6f);
    p.timerCallback(); // the routing word follows the preset's routing
    prepare(p, rate, block);

    juce::MidiBuffer midi;
    float peak = 0.0f;
    double energy = 0.0;
    long long samples = 0;
    for (int b = 0; b < static_cast<int>(rate) / block; ++b)
    {
        auto buffer = noiseBlock(2, block, 0.5f, b + 100);
        p.processBlock(buffer, midi);
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < block; ++i)
            {
                const float x = buffer.getSample(c, i);
                ASSERT_TRUE(std::isfinite(x)) << "block " << b;
                peak = std::max(peak, std::abs(x));
                energy += static_cast<double>(x) * static_cast<double>(x);
                ++samples;
            }
    }
    const double rms = std::sqrt(energy / static_cast<double>(samples));
    EXPECT_LT(peak, 2.0f);
    EXPECT_GT(rms, 1e-3) << "the preset silenced the signal";
}

INSTANTIATE_TEST_SUITE_P(Presets, EveryPreset, testing::Range(0, PresetManager::numFactoryPresets),
                         [](const auto& testInfo)
                         {
                             std::string name =
                                 PresetManager::getFactoryPresets()[static_cast<size_t>(testInfo.param)].name;
                             std::erase_if(name, [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); });
                             return name;
                         });

} // namespace
