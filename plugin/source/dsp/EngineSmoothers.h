#pragma once

#include "ParameterSnapshot.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <array>

// One linear smoother per continuous snapshot field. Each is advanced exactly
// once per block, in one of three places: per sample in the mix loop, by the
// stage that uses it, or at the end of the block.
struct EngineSmoothers
{
    using Smoothed = juce::SmoothedValue<float, juce::ValueSmoothingTypes::Linear>;

    Smoothed mix, expanse, dimension, timbre, ascend, descend, drive, dream, shimmer;
    Smoothed input_gain, output_gain, diffusion, damping, mod_depth, mod_rate;
    Smoothed hpf_freq, lpf_freq, ducking_amount, tilt_eq, hiss, saturation;
    Smoothed wow_rate, wow_rnd, derez;

    enum class Advance
    {
        PerSample, // the mix loop
        InStage,   // the character stage that reads it
        AtBlockEnd // everything else
    };

    struct Spec
    {
        Smoothed EngineSmoothers::*smoother;
        float ParameterSnapshot::*field;
        float startValue;
        bool startsFromSnapshot; // hiss and saturation start where the parameters stand
        double rampSeconds;
        Advance advance;
    };

    // Start values are deliberately not the parameter defaults: the first block
    // after a prepare glides from these, so a freshly loaded instance fades in.
    static constexpr std::array<Spec, 24> kSpecs { {
        { &EngineSmoothers::mix, &ParameterSnapshot::mix, 0.08f, false, 0.005, Advance::PerSample },
        { &EngineSmoothers::expanse, &ParameterSnapshot::expanse, 3.2f, false, 0.020, Advance::AtBlockEnd },
        { &EngineSmoothers::dimension, &ParameterSnapshot::dimension, 1.0f, false, 0.020, Advance::AtBlockEnd },
        { &EngineSmoothers::timbre, &ParameterSnapshot::timbre, 0.5f, false, 0.005, Advance::AtBlockEnd },
        { &EngineSmoothers::ascend, &ParameterSnapshot::ascend, 0.0f, false, 0.005, Advance::AtBlockEnd },
        { &EngineSmoothers::descend, &ParameterSnapshot::descend, 0.0f, false, 0.005, Advance::AtBlockEnd },
        { &EngineSmoothers::drive, &ParameterSnapshot::drive, 0.0f, false, 0.005, Advance::InStage },
        { &EngineSmoothers::dream, &ParameterSnapshot::dream, 0.0f, false, 0.005, Advance::InStage },
        { &EngineSmoothers::shimmer, &ParameterSnapshot::shimmer, 0.0f, false, 0.005, Advance::AtBlockEnd },
        { &EngineSmoothers::input_gain, &ParameterSnapshot::input_gain, 0.909f, false, 0.005, Advance::AtBlockEnd },
        { &EngineSmoothers::output_gain, &ParameterSnapshot::output_gain, 0.909f, false, 0.005, Advance::AtBlockEnd },
        { &EngineSmoothers::diffusion, &ParameterSnapshot::diffusion, 1.0f, false, 0.005, Advance::AtBlockEnd },
        { &EngineSmoothers::damping, &ParameterSnapshot::damping, 0.5f, false, 0.005, Advance::AtBlockEnd },
        { &EngineSmoothers::mod_depth, &ParameterSnapshot::mod_depth, 0.0f, false, 0.005, Advance::AtBlockEnd },
        { &EngineSmoothers::mod_rate, &ParameterSnapshot::mod_rate, 0.1f, false, 0.005, Advance::AtBlockEnd },
        { &EngineSmoothers::hpf_freq, &ParameterSnapshot::hpf_freq, 20.0f, false, 0.010, Advance::AtBlockEnd },
        { &EngineSmoothers::lpf_freq, &ParameterSnapshot::lpf_freq, 20000.0f, false, 0.010, Advance::AtBlockEnd },
        { &EngineSmoothers::ducking_amount, &ParameterSnapshot::ducking_amount, 0.0f, false, 0.020,
          Advance::AtBlockEnd },
        { &EngineSmoothers::tilt_eq, &ParameterSnapshot::tilt_eq, 0.0f, false, 0.010, Advance::AtBlockEnd },
        { &EngineSmoothers::hiss, &ParameterSnapshot::hiss, 0.0f, true, 0.020, Advance::InStage },
        { &EngineSmoothers::saturation, &ParameterSnapshot::saturation, 0.0f, true, 0.020, Advance::InStage },
        { &EngineSmoothers::wow_rate, &ParameterSnapshot::wow_rate, 0.1f, false, 0.020, Advance::AtBlockEnd },
        { &EngineSmoothers::wow_rnd, &ParameterSnapshot::wow_rnd, 1.0f, false, 0.020, Advance::AtBlockEnd },
        { &EngineSmoothers::derez, &ParameterSnapshot::derez, 0.0f, false, 0.020, Advance::InStage },
    } };

    void prepare(double sampleRate, const ParameterSnapshot& snapshot)
    {
        for (const auto& spec : kSpecs)
        {
            auto& s = this->*spec.smoother;
            s.reset(sampleRate, spec.rampSeconds);
            s.setCurrentAndTargetValue(spec.startsFromSnapshot ? snapshot.*spec.field : spec.startValue);
        }
    }

    void setTargets(const ParameterSnapshot& snapshot)
    {
        for (const auto& spec : kSpecs)
            (this->*spec.smoother).setTargetValue(snapshot.*spec.field);
    }

    void advanceAtBlockEnd(int numSamples)
    {
        for (const auto& spec : kSpecs)
            if (spec.advance == Advance::AtBlockEnd)
                (this->*spec.smoother).skip(numSamples);
    }
};
