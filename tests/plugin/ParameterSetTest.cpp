#include "GainTravel.h"
#include "ParameterTable.h"
#include "PluginProcessor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace
{
enum class Kind
{
    Float,
    Gain,
    Bool,
    Choice
};

struct Expected
{
    const char* id;
    const char* name;
    Kind kind;
    float min, max, step, skew, def;
    bool automatable;
    std::vector<std::string> choices = {};
};

// The host-visible parameter set, in host order, as the product defines it.
const std::vector<Expected> kExpected = {
    { "mix", "Mix", Kind::Float, 0, 1, 0.001f, 0.5f, 0.164f, true },
    { "dimension", "Dimension", Kind::Float, 0.5f, 5, 0.01f, 0.63092977f, 2.0f, true },
    { "expanse", "Expanse", Kind::Float, 0, 40, 0.01f, 0.5f, 3.99f, true },
    { "timbre", "Timbre", Kind::Float, 0, 1, 0.001f, 1, 0.5f, false },
    { "ascend", "Ascend", Kind::Float, 0, 1, 0.001f, 1, 0, true },
    { "descend", "Descend", Kind::Float, 0, 1, 0.001f, 1, 0, true },
    { "drive", "Drive", Kind::Float, 0, 1, 0.001f, 1, 0.2f, true },
    { "dream", "Dream", Kind::Float, 0, 1, 0.001f, 1, 0.304f, true },
    { "shimmer", "Shimmer", Kind::Float, 0, 1, 0.001f, 1, 0, true },
    { "input_gain", "Input", Kind::Gain, 0, 1, 0, 1, 0.909f, true },
    { "output_gain", "Output", Kind::Gain, 0, 1, 0, 1, 0.909f, true },
    { "mod_depth", "Mod Depth", Kind::Float, 0, 1, 0.001f, 1, 0.5f, true },
    { "mod_rate", "Mod Rate", Kind::Float, 0, 10, 0.01f, 0.4f, 1.0f, true },
    { "diffusion", "Diffusion", Kind::Float, 0, 1, 0.001f, 1, 1.0f, true },
    { "damping", "Damping", Kind::Float, 0, 1, 0.001f, 1, 0.903f, true },
    { "hpf_freq", "HPF", Kind::Float, 30, 1000, 1, 0.35f, 80, true },
    { "lpf_freq", "LPF", Kind::Float, 500, 20000, 1, 0.35f, 4000, true },
    { "early_mod", "Early Mod", Kind::Float, 0, 1, 0.001f, 1, 0, false },
    { "ducking_amount", "Ducking", Kind::Float, 0, 1, 0.001f, 1, 0, true },
    { "tilt_eq", "Tilt EQ", Kind::Float, -12, 12, 0.01f, 1, 0, true },
    { "hiss", "Dream Hiss", Kind::Float, 0, 1, 0.001f, 1, 0, true },
    { "saturation", "Saturation", Kind::Float, 0, 1, 0.001f, 1, 1.0f, false },
    { "gate", "Gate", Kind::Float, -81, 0, 0.1f, 1, -81, false },
    { "wow_rate", "Dream Rate", Kind::Float, 0, 4, 0.001f, 0.18790182f, 0.1f, false },
    { "wow_rnd", "Dream Mod", Kind::Float, 0, 4, 0.001f, 0.5f, 1.0f, true },
    { "filter_path", "Filter Path", Kind::Bool, 0, 1, 1, 1, 0, true },
    { "dream_path", "Dream Path", Kind::Bool, 0, 1, 1, 1, 0, false },
    { "shimmer_path", "Shimmer Path", Kind::Bool, 0, 1, 1, 1, 1, true },
    { "char_pos", "Character Position", Kind::Choice, 0, 2, 1, 1, 0, true, { "First", "Middle", "Last" } },
    { "derez", "Derez", Kind::Float, 0, 1, 0.001f, 1, 0, true },
    { "char_order",
      "Character Order",
      Kind::Choice,
      0,
      5,
      1,
      1,
      0,
      true,
      { "Drive Dream Derez", "Drive Derez Dream", "Dream Drive Derez", "Dream Derez Drive", "Derez Drive Dream",
        "Derez Dream Drive" } },
};

class ParameterSet : public testing::Test
{
protected:
    std::unique_ptr<VelmoraProcessor> processor = std::make_unique<VelmoraProcessor>();

    juce::RangedAudioParameter& parameter(const char* id) { return *processor->apvts.getParameter(id); }
};

TEST_F(ParameterSet, HostSeesEveryParameterAsDefinedInHostOrder)
{
    const auto& params = processor->getParameters();
    ASSERT_EQ(params.size(), static_cast<int>(kExpected.size()));

    for (size_t i = 0; i < kExpected.size(); ++i)
    {
        const auto& e = kExpected[i];
        SCOPED_TRACE(e.id);
        auto* p = dynamic_cast<juce::RangedAudioParameter*>(params[static_cast<int>(i)]);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->getParameterID(), e.id);
        EXPECT_EQ(p->getVersionHint(), 1);
        EXPECT_EQ(p->getName(100), e.name);
        EXPECT_EQ(p->isAutomatable(), e.automatable);
        EXPECT_EQ(p->getLabel(), "");
        EXPECT_FLOAT_EQ(p->convertFrom0to1(p->getDefaultValue()), e.def);
        EXPECT_FLOAT_EQ(p->convertFrom0to1(p->getValue()), e.def) << "a fresh instance stands at the default";
        EXPECT_STREQ(velmora::params::kOrderedIds[i], e.id);

        const auto& range = p->getNormalisableRange();
        EXPECT_FLOAT_EQ(range.start, e.min);
        EXPECT_FLOAT_EQ(range.end, e.max);
        switch (e.kind)
        {
        case Kind::Float:
            EXPECT_NE(dynamic_cast<juce::AudioParameterFloat*>(p), nullptr);
            EXPECT_FLOAT_EQ(range.interval, e.step);
            EXPECT_FLOAT_EQ(range.skew, e.skew);
            break;
        case Kind::Gain:
            EXPECT_NE(dynamic_cast<juce::AudioParameterFloat*>(p), nullptr);
            EXPECT_FLOAT_EQ(range.skew, 1.0f);
            break;
        case Kind::Bool: EXPECT_NE(dynamic_cast<juce::AudioParameterBool*>(p), nullptr); break;
        case Kind::Choice:
        {
            auto* choice = dynamic_cast<juce::AudioParameterChoice*>(p);
            ASSERT_NE(choice, nullptr);
            ASSERT_EQ(choice->choices.size(), static_cast<int>(e.choices.size()));
            for (size_t c = 0; c < e.choices.size(); ++c)
                EXPECT_EQ(choice->choices[static_cast<int>(c)], juce::String(e.choices[c]));
            EXPECT_EQ(p->getCurrentValueAsText(), juce::String(e.choices[0]));
            break;
        }
        }
    }
}

TEST_F(ParameterSet, SkewsPutTheirCentresMidTravel)
{
    EXPECT_NEAR(parameter("dimension").convertTo0to1(2.0f), 0.5f, 1e-4);
    EXPECT_NEAR(parameter("wow_rate").convertTo0to1(0.1f), 0.5f, 1e-4);
}

TEST_F(ParameterSet, ValuesWrittenOutsideARangeLandOnTheNearestBound)
{
    auto& gate = parameter("gate");
    gate.setValueNotifyingHost(gate.convertTo0to1(-100.0f));
    EXPECT_FLOAT_EQ(processor->apvts.getRawParameterValue("gate")->load(), -81.0f);
    auto& lpf = parameter("lpf_freq");
    lpf.setValueNotifyingHost(lpf.convertTo0to1(50000.0f));
    EXPECT_FLOAT_EQ(processor->apvts.getRawParameterValue("lpf_freq")->load(), 20000.0f);
}

struct TravelCase
{
    float position;
    float value;         // as the host reads it: snapped to thousandths
    float valuePosition; // where that value sits on the travel
};

class GainTravel : public testing::TestWithParam<TravelCase>
{
};

TEST_P(GainTravel, MapsPositionsToValuesAndBack)
{
    const auto [position, value, valuePosition] = GetParam();
    VelmoraProcessor processor;
    for (const char* id : { "input_gain", "output_gain" })
    {
        auto& p = *processor.apvts.getParameter(id);
        EXPECT_NEAR(p.convertFrom0to1(position), value, 1e-6) << id;
        EXPECT_NEAR(p.convertTo0to1(value), valuePosition, 1e-6) << id;
    }
}

INSTANTIATE_TEST_SUITE_P(Travel, GainTravel,
                         testing::Values(TravelCase { 0.0f, 0.0f, 0.0f }, TravelCase { 0.25f, 0.303f, 0.25f },
                                         TravelCase { 0.5f, 0.606f, 0.5f }, TravelCase { 0.75f, 0.909f, 0.75f },
                                         TravelCase { 0.8125f, 0.932f, 0.75f + 0.023f / 0.091f * 0.25f },
                                         TravelCase { 1.0f, 1.0f, 1.0f }));

TEST(GainTravelMapping, TheTopQuarterHoldsEverythingAboveUnity)
{
    namespace gt = velmora::params::gain_travel;
    for (double v = 0.9095; v <= 1.0; v += 0.001)
    {
        const double p = gt::positionForValue(v);
        EXPECT_GT(p, 0.75);
        EXPECT_LE(p, 1.0);
        EXPECT_NEAR(gt::valueForPosition(p), v, 1e-12);
    }
}

TEST(GainTravelMapping, SnapsToThousandthsRoundingHalvesAway)
{
    namespace gt = velmora::params::gain_travel;
    EXPECT_DOUBLE_EQ(gt::snap(0.9094), 0.909);
    EXPECT_DOUBLE_EQ(gt::snap(0.9096), 0.910);
    EXPECT_DOUBLE_EQ(gt::snap(0.0125), 0.013);
}
} // namespace
