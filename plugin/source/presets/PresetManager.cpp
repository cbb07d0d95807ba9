#include "presets/PresetManager.h"

#include "PluginProcessor.h"

#include <algorithm>

namespace
{
// clang-format off
// name, mix, dim, exp, timb, asc, desc, drive, dream, shim, modD, modR, diff, damp,
// hpf, lpf, duck, hiss, gate, tilt, hissP, satP, wowR, wowN, fP, dP, order, derez, charOrder
constexpr std::array<FactoryPreset, PresetManager::numFactoryPresets> kFactoryPresets { {
    { "Default", 0.164f, 2.0f, 3.99f, 0.5f, 0.0f, 0.0f, 0.2f, 0.304f, 0.0f, 0.5f, 1.0f, 1.0f, 0.903f, 80.0f, 4000.0f, 0.0f, false, -100.0f, 0.0f, 0.0f, 1.0f, 0.1f, 1.0f, false, false, SignalOrder::CharacterShimmerReverb, 0.0f, 0 },
    { "Big Cinema", 0.164f, 1.99f, 6.01f, 0.5f, 0.15f, 0.0f, 0.241f, 0.0f, 0.4f, 0.75f, 1.2f, 1.0f, 1.0f, 74.0f, 2000.0f, 0.083f, true, -100.0f, -1.04f, 1.0f, 1.0f, 0.1f, 1.0f, false, false, SignalOrder::SRC, 0.0f, 0 },
    { "Scoring Stage", 0.16f, 1.0f, 1.4f, 0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.2f, 2.2f, 0.902f, 0.879f, 114.0f, 907.0f, 0.0f, true, -100.0f, -1.0f, 1.0f, 1.0f, 0.1f, 1.0f, false, false, SignalOrder::CharacterShimmerReverb, 0.0f, 0 },
    { "Dark Room", 1.0f, 1.0f, 0.95f, 0.5f, 0.0f, 0.0f, 0.123f, 0.0f, 0.0f, 0.2f, 2.2f, 0.702f, 1.0f, 265.0f, 820.0f, 0.0f, true, -100.0f, -3.0f, 1.0f, 1.0f, 0.1f, 1.0f, true, false, SignalOrder::CharacterShimmerReverb, 0.0f, 0 },
    { "Cinque Terre", 0.16f, 2.75f, 2.05f, 0.5f, 0.0f, 0.0f, 0.6f, 0.65f, 0.0f, 1.0f, 2.14f, 1.0f, 0.99f, 60.0f, 2239.0f, 0.0f, true, -100.0f, 0.0f, 0.579f, 1.0f, 0.1f, 1.868f, true, false, SignalOrder::RSC, 0.108f, 1 },
    { "Mariana Trench", 0.16f, 2.0f, 30.74f, 0.5f, 0.0f, 1.0f, 0.15f, 0.0f, 0.0f, 0.667f, 0.8f, 0.762f, 1.0f, 60.0f, 6956.0f, 0.0f, false, -100.0f, -2.24f, 0.0f, 1.0f, 0.029f, 0.514f, false, false, SignalOrder::ShimmerCharacterReverb, 0.0f, 0 },
    { "Shadow", 0.16f, 1.16f, 1.14f, 0.5f, 0.0f, 0.0f, 0.558f, 0.0f, 0.0f, 0.5f, 1.0f, 0.475f, 0.58f, 150.0f, 2957.0f, 0.0f, true, -100.0f, 4.0f, 1.0f, 1.0f, 0.1f, 1.0f, true, false, SignalOrder::SRC, 0.375f, 0 },
    { "Reflections", 0.16f, 2.75f, 5.98f, 0.5f, 0.3f, 0.0f, 0.3f, 0.554f, 0.0f, 0.3f, 1.18f, 0.5f, 0.8f, 108.0f, 2001.0f, 0.0f, true, -100.0f, 12.0f, 0.99f, 1.0f, 0.159f, 0.16f, false, false, SignalOrder::CharacterShimmerReverb, 0.508f, 0 },
    { "Drifting Horizon", 0.16f, 2.4f, 6.14f, 0.5f, 0.489f, 0.58f, 0.28f, 0.2f, 0.6f, 0.3f, 1.3f, 1.0f, 0.75f, 100.0f, 1383.0f, 0.0f, false, -100.0f, 5.0f, 0.0f, 0.5f, 0.1f, 1.0f, true, false, SignalOrder::SRC, 0.3f, 0 },
    { "Decayed Memory", 0.16f, 2.23f, 4.23f, 0.5f, 0.314f, 0.0f, 0.501f, 0.883f, 0.454f, 0.3f, 1.3f, 1.0f, 1.0f, 100.0f, 4111.0f, 0.0f, false, -100.0f, -1.8f, 0.0f, 0.5f, 0.003f, 2.275f, false, false, SignalOrder::RSC, 0.604f, 4 },
    { "Tenerife", 0.16f, 2.11f, 1.88f, 0.5f, 0.222f, 0.0f, 1.0f, 0.562f, 0.304f, 0.508f, 2.08f, 1.0f, 0.946f, 100.0f, 9072.0f, 0.0f, false, -100.0f, 1.7f, 0.0f, 0.5f, 0.003f, 1.192f, false, false, SignalOrder::RSC, 0.283f, 5 },
    { "The Other Side", 0.16f, 1.97f, 1.17f, 0.5f, 0.0f, 0.0f, 0.404f, 0.0f, 0.0f, 0.6f, 2.08f, 0.784f, 0.759f, 100.0f, 1965.0f, 0.0f, false, -100.0f, 1.7f, 0.0f, 0.5f, 0.003f, 1.192f, true, false, SignalOrder::RSC, 0.0f, 5 },
    { "Lo-Fi Slap", 0.276f, 1.6f, 0.6f, 0.5f, 0.0f, 0.0f, 0.08f, 0.4f, 0.19f, 0.5f, 4.0f, 0.0f, 0.0f, 700.0f, 1600.0f, 0.0f, false, -100.0f, 0.0f, 0.0f, 1.0f, 0.1f, 1.0f, false, false, SignalOrder::RSC, 0.0f, 0 },
    { "VHS Tape", 1.0f, 0.58f, 0.42f, 0.5f, 0.37f, 0.0f, 0.7f, 1.0f, 0.395f, 0.505f, 3.18f, 0.3f, 0.365f, 100.0f, 3003.0f, 0.0f, true, -65.6f, -2.52f, 0.8f, 1.0f, 0.052f, 1.988f, true, true, SignalOrder::SRC, 0.0f, 4 },
    { "Cassette Haze", 1.0f, 2.41f, 1.02f, 0.5f, 1.0f, 0.21f, 0.5f, 0.75f, 0.0f, 0.76f, 1.19f, 0.3f, 1.0f, 335.0f, 1000.0f, 0.0f, true, -100.0f, 0.0f, 1.0f, 1.0f, 0.1f, 1.69f, false, true, SignalOrder::RSC, 0.0f, 0 },
    { "Diamonds", 1.0f, 4.49f, 0.21f, 0.5f, 1.0f, 0.0f, 0.6f, 0.4f, 1.0f, 1.0f, 2.0f, 0.0f, 0.0f, 61.0f, 20000.0f, 0.0f, false, -100.0f, 12.0f, 0.0f, 1.0f, 0.1f, 1.0f, false, false, SignalOrder::RSC, 0.0f, 1 },
    { "Digital Dreams", 1.0f, 5.0f, 3.31f, 0.5f, 1.0f, 0.0f, 1.0f, 0.3f, 1.0f, 1.0f, 2.0f, 1.0f, 0.0f, 61.0f, 1923.0f, 0.0f, false, -100.0f, 12.0f, 0.0f, 1.0f, 0.1f, 1.0f, false, false, SignalOrder::ShimmerCharacterReverb, 1.0f, 1 },
    { "Afterglow", 1.0f, 2.0f, 0.35f, 0.5f, 0.0f, 0.38f, 0.305f, 1.0f, 0.08f, 0.0f, 2.0f, 0.535f, 0.64f, 61.0f, 20000.0f, 0.0f, true, -100.0f, -3.6f, 0.515f, 1.0f, 0.646f, 1.988f, false, false, SignalOrder::RSC, 0.425f, 1 },
    { "Smoke and Static", 0.349f, 2.0f, 2.36f, 0.5f, 0.55f, 0.53f, 1.0f, 1.0f, 0.7f, 1.0f, 1.48f, 0.8f, 0.755f, 40.0f, 7977.0f, 0.0f, false, -100.0f, 0.0f, 0.0f, 1.0f, 0.072f, 0.922f, false, false, SignalOrder::SRC, 0.56f, 1 },
    { "Low-Tech", 0.349f, 2.0f, 3.32f, 0.5f, 0.345f, 0.345f, 0.435f, 0.455f, 0.34f, 0.63f, 1.48f, 1.0f, 1.0f, 40.0f, 4714.0f, 0.0f, false, -100.0f, 2.16f, 0.0f, 1.0f, 0.037f, 1.69f, true, false, SignalOrder::CharacterShimmerReverb, 0.2f, 1 },
    { "Light Leak", 1.0f, 2.41f, 5.22f, 0.5f, 0.475f, 0.436f, 0.693f, 0.374f, 0.718f, 1.0f, 1.05f, 0.526f, 0.706f, 250.0f, 20000.0f, 0.0f, false, -100.0f, 8.72f, 0.0f, 1.0f, 0.1f, 1.69f, false, true, SignalOrder::CharacterShimmerReverb, 0.491f, 3 },
    { "Warped Room", 1.0f, 2.21f, 1.65f, 0.5f, 0.06f, 0.0f, 0.552f, 0.739f, 0.0f, 0.538f, 1.85f, 0.526f, 1.0f, 90.0f, 2422.0f, 0.0f, true, -100.0f, -1.74f, 0.342f, 1.0f, 0.1f, 2.612f, false, true, SignalOrder::RSC, 0.226f, 4 },
    { "Half Remembered", 1.0f, 1.41f, 0.68f, 0.5f, 0.0f, 0.53f, 0.761f, 0.466f, 0.398f, 0.302f, 0.85f, 0.804f, 0.675f, 285.0f, 900.0f, 0.0f, true, -100.0f, -1.95f, 0.731f, 1.0f, 0.1f, 4.0f, true, true, SignalOrder::RSC, 0.0f, 3 },
} };
// clang-format on

constexpr std::array<const char*, PresetManager::numFactoryPresets> kPresetFolders {
    "",
    "Spaces",
    "Spaces",
    "Spaces",
    "Spaces",
    "Spaces",
    "Spaces",
    "Spaces",
    "Spaces",
    "Spaces",
    "Spaces",
    "Spaces",
    "Tape & Lo-Fi",
    "Tape & Lo-Fi",
    "Tape & Lo-Fi",
    "Tape & Lo-Fi",
    "Tape & Lo-Fi",
    "Tape & Lo-Fi",
    "Tape & Lo-Fi",
    "Tape & Lo-Fi",
    "Tape & Lo-Fi",
    "Tape & Lo-Fi",
    "Tape & Lo-Fi",
};

// The gate's range starts at -81 dB; the table's -100 means "fully open".
constexpr float kGateMin = -81.0f;
constexpr float kGateMax = 0.0f;

void setNotifying(VelmoraProcessor& processor, const char* id, float value)
{
    auto* parameter = processor.apvts.getParameter(id);
    if (parameter == nullptr)
        return;
    parameter->beginChangeGesture();
    parameter->setValueNotifyingHost(parameter->convertTo0to1(value));
    parameter->endChangeGesture();
}
} // namespace

const std::array<FactoryPreset, PresetManager::numFactoryPresets>& PresetManager::getFactoryPresets()
{
    return kFactoryPresets;
}

juce::String PresetManager::getPresetFolder(int index) const
{
    if (index < 0 || index >= numFactoryPresets)
        return {};
    return juce::String::fromUTF8(kPresetFolders[static_cast<size_t>(index)]);
}

bool PresetManager::applyFactoryPreset(VelmoraProcessor& processor, int index)
{
    if (index < 0 || index >= numFactoryPresets)
        return false;

    const auto& p = kFactoryPresets[static_cast<size_t>(index)];
    const auto routing = velmora::presets::routingFor(p.order);
    const auto flag = [](bool on) { return on ? 1.0f : 0.0f; };

    setNotifying(processor, "dimension", p.dim);
    setNotifying(processor, "expanse", p.exp);
    setNotifying(processor, "timbre", 0.5f);
    setNotifying(processor, "ascend", p.asc);
    setNotifying(processor, "descend", p.desc);
    setNotifying(processor, "drive", p.drive);
    setNotifying(processor, "dream", p.dream);
    setNotifying(processor, "shimmer", p.shim);
    setNotifying(processor, "mod_depth", p.modD);
    setNotifying(processor, "mod_rate", p.modR);
    setNotifying(processor, "diffusion", p.diff);
    setNotifying(processor, "damping", p.damp);
    setNotifying(processor, "hpf_freq", p.hpf);
    setNotifying(processor, "lpf_freq", p.lpf);
    setNotifying(processor, "ducking_amount", p.duck);
    setNotifying(processor, "tilt_eq", p.tilt);
    setNotifying(processor, "hiss", p.hissP);
    setNotifying(processor, "saturation", p.satP);
    setNotifying(processor, "gate", std::clamp(p.gate, kGateMin, kGateMax));
    setNotifying(processor, "wow_rate", p.wowR);
    setNotifying(processor, "wow_rnd", p.wowN);
    setNotifying(processor, "filter_path", flag(p.fP));
    setNotifying(processor, "dream_path", flag(p.dP));
    setNotifying(processor, "shimmer_path", flag(routing.shimmerPath));
    setNotifying(processor, "char_pos", static_cast<float>(routing.charPos));
    setNotifying(processor, "derez", p.derez);
    setNotifying(processor, "char_order", static_cast<float>(p.charOrder));

    processor.hissEnabled = p.hiss;
    processor.presetIndex = index;
    return true;
}
