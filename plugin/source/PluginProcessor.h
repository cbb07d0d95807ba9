#pragma once

#include "DisplayMeasurements.h"
#include "ParameterTable.h"
#include "VelmoraEngine.h"
#include "state/PageFields.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <array>
#include <atomic>
#include <cstdint>

class VelmoraProcessor : public juce::AudioProcessor, public juce::Timer
{
public:
    VelmoraProcessor();
    ~VelmoraProcessor() override;

    const juce::String getName() const override;

    void prepareToPlay(double sampleRate, int maximumExpectedSamplesPerBlock) override;
    void releaseResources() override;
    void processBlock(juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) override;
    using AudioProcessor::processBlock;

    double getTailLengthSeconds() const override;
    bool acceptsMidi() const override;
    bool producesMidi() const override;
    bool isMidiEffect() const override;

    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override;

    int getNumPrograms() override;
    int getCurrentProgram() override;
    void setCurrentProgram(int index) override;
    const juce::String getProgramName(int index) override;
    void changeProgramName(int index, const juce::String& newName) override;

    void getStateInformation(juce::MemoryBlock& destData) override;
    void setStateInformation(const void* data, int sizeInBytes) override;

    bool isBusesLayoutSupported(const BusesLayout& layouts) const override;

    void timerCallback() override;

    // Recomputes the packed routing word from the routing parameters.
    void refreshRoutingCode();

    // The persisted page-side fields, read and written together (message thread).
    velmora::state::PageFields getPageFields() const;
    void setPageFields(const velmora::state::PageFields& fields);

    // Page-side fields, persisted with the state; touched on the message thread only.
    bool hissEnabled = false;
    int presetIndex = 0;
    bool autoGainEnabled = false;
    bool ascendDescendLinked = false;

    juce::AudioProcessorValueTreeState apvts;
    VelmoraEngine engine;

    std::atomic<std::int32_t> routingCode { 0 };

    // Levels, bands, spectrum and heartbeat for the page. Declared after the
    // engine, so its transform is released first.
    DisplayMeasurements analysis;

    int editorWidth = 0;
    int editorHeight = 0;
    bool advancedOpen = false;

    static constexpr double kTailSeconds = 60.0;

private:
    void writeSnapshot();

    // A loaded state must start from silence, but the engine may only be
    // touched by the thread that runs it. Loading raises this flag after the
    // new parameters are in place; the audio callback clears the engine at the
    // start of its next block, before the engine runs. Lock-free: a flag the
    // loader sets and the audio thread exchanges. A state loaded while no
    // audio runs is served by the first block that comes.
    std::atomic<bool> engineResetPending { false };

    struct Forwarded
    {
        std::atomic<float>* value = nullptr;
        float ParameterSnapshot::*field = nullptr;
        float scale = 1.0f;
    };

    std::array<Forwarded, 24> forwarded {};
    std::atomic<float>* filterPath = nullptr;
    std::atomic<float>* dreamPath = nullptr;
    std::atomic<float>* charOrder = nullptr;
    std::atomic<float>* shimmerPath = nullptr;
    std::atomic<float>* charPos = nullptr;
    std::atomic<float>* hiss = nullptr;
    std::atomic<float>* saturation = nullptr;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(VelmoraProcessor)
};
