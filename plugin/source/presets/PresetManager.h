#pragma once

#include "presets/FactoryPreset.h"

#include <juce_core/juce_core.h>

#include <array>

class VelmoraProcessor;

// The factory presets: a constant table compiled into the plug-in and the
// folder each one sits in. Holds no state of its own.
class PresetManager
{
public:
    static constexpr int numFactoryPresets = 23;

    static const std::array<FactoryPreset, numFactoryPresets>& getFactoryPresets();

    // The folder text of a preset; empty for one outside any folder, and for
    // an index outside the table.
    juce::String getPresetFolder(int index) const;

    // Applies factory preset `index` to the processor on the message thread:
    // each parameter the preset sets is its own gesture, notified to the
    // host; then the page's hiss switch and the current preset index are
    // updated. The dry/wet balance, the gains and early_mod are left alone.
    // An index outside the table changes nothing and returns false. Telling
    // the page is its caller's business.
    static bool applyFactoryPreset(VelmoraProcessor& processor, int index);
};
