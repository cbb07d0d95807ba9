#include "PluginProcessor.h"

#include "ParameterLayout.h"
#include "RoutingCode.h"
#include "state/StateCodec.h"

#include <algorithm>
#include <cmath>

namespace
{
struct ForwardSpec
{
    const char* id;
    float ParameterSnapshot::*field;
    float scale;
};

// Continuous parameters handed to the engine every block. Shimmer and damping
// are scaled into the ranges the engine's stages are voiced for.
constexpr std::array<ForwardSpec, 24> kForwardSpecs { {
    { "mix", &ParameterSnapshot::mix, 1.0f },
    { "dimension", &ParameterSnapshot::dimension, 1.0f },
    { "expanse", &ParameterSnapshot::expanse, 1.0f },
    { "timbre", &ParameterSnapshot::timbre, 1.0f },
    { "ascend", &ParameterSnapshot::ascend, 1.0f },
    { "descend", &ParameterSnapshot::descend, 1.0f },
    { "drive", &ParameterSnapshot::drive, 1.0f },
    { "dream", &ParameterSnapshot::dream, 1.0f },
    { "shimmer", &ParameterSnapshot::shimmer, 0.9f },
    { "input_gain", &ParameterSnapshot::input_gain, 1.0f },
    { "output_gain", &ParameterSnapshot::output_gain, 1.0f },
    { "diffusion", &ParameterSnapshot::diffusion, 1.0f },
    { "damping", &ParameterSnapshot::damping, 0.8f },
    { "mod_depth", &ParameterSnapshot::mod_depth, 1.0f },
    { "mod_rate", &ParameterSnapshot::mod_rate, 1.0f },
    { "hpf_freq", &ParameterSnapshot::hpf_freq, 1.0f },
    { "lpf_freq", &ParameterSnapshot::lpf_freq, 1.0f },
    { "ducking_amount", &ParameterSnapshot::ducking_amount, 1.0f },
    { "tilt_eq", &ParameterSnapshot::tilt_eq, 1.0f },
    { "hiss", &ParameterSnapshot::hiss, 1.0f },
    { "saturation", &ParameterSnapshot::saturation, 1.0f },
    { "wow_rate", &ParameterSnapshot::wow_rate, 1.0f },
    { "wow_rnd", &ParameterSnapshot::wow_rnd, 1.0f },
    { "derez", &ParameterSnapshot::derez, 1.0f },
} };

constexpr int kTimerMilliseconds = 16;
} // namespace

VelmoraProcessor::VelmoraProcessor() :
    AudioProcessor(BusesProperties()
                       .withInput("Input", juce::AudioChannelSet::stereo(), true)
                       .withOutput("Output", juce::AudioChannelSet::stereo(), true)),
    apvts(*this, nullptr, "VelmoraParameters", velmora::params::createParameterLayout())
{
    for (size_t i = 0; i < kForwardSpecs.size(); ++i)
    {
        forwarded[i].value = apvts.getRawParameterValue(kForwardSpecs[i].id);
        forwarded[i].field = kForwardSpecs[i].field;
        forwarded[i].scale = kForwardSpecs[i].scale;
        jassert(forwarded[i].value != nullptr);
    }
    filterPath = apvts.getRawParameterValue("filter_path");
    dreamPath = apvts.getRawParameterValue("dream_path");
    charOrder = apvts.getRawParameterValue("char_order");
    shimmerPath = apvts.getRawParameterValue("shimmer_path");
    charPos = apvts.getRawParameterValue("char_pos");
    hiss = apvts.getRawParameterValue("hiss");
    saturation = apvts.getRawParameterValue("saturation");

    refreshRoutingCode();
    startTimer(kTimerMilliseconds);
}

VelmoraProcessor::~VelmoraProcessor()
{
    stopTimer();
}

const juce::String VelmoraProcessor::getName() const
{
    return "VELMORA";
}

void VelmoraProcessor::refreshRoutingCode()
{
    routingCode.store(velmora::routing_code::make(shimmerPath->load(), charPos->load()), std::memory_order_relaxed);
}

void VelmoraProcessor::timerCallback()
{
    refreshRoutingCode();
}

void VelmoraProcessor::prepareToPlay(double sampleRate, int maximumExpectedSamplesPerBlock)
{
    refreshRoutingCode();
    const auto code = routingCode.load(std::memory_order_relaxed);
    engine.params.shimmer_path = velmora::routing_code::shimmerPath(code);
    engine.params.char_pos = velmora::routing_code::charPos(code);
    // The dream stage's hiss and saturation start from where they stand, not
    // from a glide, so a prepare never swells the hiss.
    engine.params.hiss = hiss->load();
    engine.params.saturation = saturation->load();

    engine.prepare(sampleRate, maximumExpectedSamplesPerBlock);

    const int latency = engine.getLatencySamples();
    if (latency != getLatencySamples())
        setLatencySamples(latency);

    analysis.prepare(sampleRate);
}

void VelmoraProcessor::releaseResources()
{
    engine.reset();
}

void VelmoraProcessor::writeSnapshot()
{
    auto& p = engine.params;
    for (const auto& f : forwarded)
        p.*f.field = f.value->load(std::memory_order_relaxed) * f.scale;

    p.char_order = static_cast<int>(std::clamp(std::lround(charOrder->load(std::memory_order_relaxed)), 0L, 5L));
    p.filter_path = filterPath->load(std::memory_order_relaxed) >= 0.5f;
    p.dream_path = dreamPath->load(std::memory_order_relaxed) >= 0.5f;

    // The routing pair comes from the packed word, never from the parameters
    // directly, so both change together at one block boundary.
    const auto code = routingCode.load(std::memory_order_relaxed);
    p.shimmer_path = velmora::routing_code::shimmerPath(code);
    p.char_pos = velmora::routing_code::charPos(code);
}

void VelmoraProcessor::processBlock(juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    const juce::ScopedNoDenormals noDenormals;
    analysis.heartbeat.fetch_add(1, std::memory_order_relaxed);

    const int numInputs = getTotalNumInputChannels();
    const int numOutputs = getTotalNumOutputChannels();
    const int numSamples = buffer.getNumSamples();

    if (numInputs == 1 && numOutputs >= 2 && numSamples > 0 && buffer.getNumChannels() >= 2)
        buffer.copyFrom(1, 0, buffer, 0, 0, numSamples);

    for (int channel = std::max(2, numInputs); channel < numOutputs; ++channel)
        if (channel < buffer.getNumChannels())
            buffer.clear(channel, 0, numSamples);

    writeSnapshot();
    if (engineResetPending.exchange(false, std::memory_order_acquire))
        engine.reset();

    analysis.measureInput(buffer);
    engine.processBlock(buffer);
    analysis.measureOutput(buffer);
    analysis.feedSpectrum(buffer);
}

double VelmoraProcessor::getTailLengthSeconds() const
{
    return kTailSeconds;
}

bool VelmoraProcessor::acceptsMidi() const
{
    return false;
}

bool VelmoraProcessor::producesMidi() const
{
    return false;
}

bool VelmoraProcessor::isMidiEffect() const
{
    return false;
}

juce::AudioProcessorEditor* VelmoraProcessor::createEditor()
{
    return new juce::GenericAudioProcessorEditor(*this);
}

bool VelmoraProcessor::hasEditor() const
{
    return true;
}

int VelmoraProcessor::getNumPrograms()
{
    return 1;
}

int VelmoraProcessor::getCurrentProgram()
{
    return 0;
}

void VelmoraProcessor::setCurrentProgram(int)
{
}

// Hosts and validators reject a program without a name.
const juce::String VelmoraProcessor::getProgramName(int)
{
    return "Default";
}

void VelmoraProcessor::changeProgramName(int, const juce::String&)
{
}

velmora::state::PageFields VelmoraProcessor::getPageFields() const
{
    return { hissEnabled, presetIndex, autoGainEnabled, ascendDescendLinked, editorWidth, editorHeight, advancedOpen };
}

void VelmoraProcessor::setPageFields(const velmora::state::PageFields& fields)
{
    hissEnabled = fields.hissEnabled;
    presetIndex = fields.presetIndex;
    autoGainEnabled = fields.autoGainEnabled;
    ascendDescendLinked = fields.ascendDescendLinked;
    editorWidth = fields.editorWidth;
    editorHeight = fields.editorHeight;
    advancedOpen = fields.advancedOpen;
}

void VelmoraProcessor::getStateInformation(juce::MemoryBlock& destData)
{
    velmora::state::encodeState(apvts.copyState(), getPageFields(), destData);
}

// A blob that cannot be used changes nothing at all: it is decoded and
// migrated completely before any field, parameter or the engine is touched.
void VelmoraProcessor::setStateInformation(const void* data, int sizeInBytes)
{
    if (sizeInBytes <= 0)
        return;
    auto decoded = velmora::state::decodeState(data, static_cast<std::size_t>(sizeInBytes));
    if (!decoded)
        return;

    // The framework gives a parameter without a child its default; a state
    // that does not mention a parameter must leave it as it is instead.
    auto& tree = decoded->parameters;
    for (const auto* id : velmora::params::kOrderedIds)
        if (!tree.getChildWithProperty("id", id).isValid())
            tree.appendChild(
                juce::ValueTree("PARAM", { { "id", id },
                                           { "value", static_cast<double>(apvts.getRawParameterValue(id)->load()) } }),
                nullptr);

    // The reset is asked for before the swap, so the old tail stops as soon
    // as possible, and again after it, so the engine starts clean under the
    // new parameters.
    engineResetPending.store(true, std::memory_order_release);
    setPageFields(decoded->fields);
    apvts.replaceState(tree);
    engineResetPending.store(true, std::memory_order_release);
}

bool VelmoraProcessor::isBusesLayoutSupported(const BusesLayout& layouts) const
{
    const auto input = layouts.getMainInputChannelSet();
    return layouts.getMainOutputChannelSet() == juce::AudioChannelSet::stereo() &&
           (input == juce::AudioChannelSet::stereo() || input == juce::AudioChannelSet::mono());
}

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new VelmoraProcessor();
}
