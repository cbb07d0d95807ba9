#pragma once

#include <cstdint>

// One channel of the valve-style heat model: a tone low-pass, a biased,
// slowly wandering soft-clipping drive, and a glue compressor on the band
// below 800 Hz that darkens with sustained level. The two channels differ only
// in their constants and seeds, so left and right never behave identically.
class HeatChannel
{
public:
    struct ChannelConstants
    {
        double gainOffset;
        double biasScale;
        double toneScale;
        double smoothFrequency; // Hz
        std::uint32_t seed;
    };

    static constexpr ChannelConstants kLeftChannel { -0.04584359922446311, 0.07619717428460718, 1.1322009035851806,
                                                     7942.329698940739, 0x7b142c4du };
    static constexpr ChannelConstants kRightChannel { -0.045005797012709084, 0.041433687414973976, 1.1474660033592954,
                                                      8583.241595653817, 0xb1c51b69u };

    // Stores the rate and the channel's constants, seeds the random walk and
    // puts every state at rest. The seed is set here only: a reset keeps the
    // walk's sequence going.
    void prepare(double newSampleRate, const ChannelConstants& constants);

    // Every state to rest (glue gain 1, the rest 0); the random state is kept.
    void reset();

    // In place. Does nothing without samples or while all four controls are 0.
    void process(double* samples, int numSamples);

    double sampleRate = 44100.0;
    double heatDrive = 0.0;  // h, 0..0.25
    double heatAmount = 0.0; // a, the momentary dream amount
    double heatTone = 0.0;   // g, 0..0.45
    double glue = 0.0;       // 0..0.35
    double gainOffset = 0.0;
    double biasScale = 0.0;
    double toneScale = 1.0;
    double smoothFrequency = 8000.0;
    double toneState = 0.0;
    double wander = 0.0;
    double wanderVelocity = 0.0;
    double previousDriven = 0.0;
    double envelope = 0.0;
    double smoothState = 0.0;
    double glueGain = 1.0;
    double glueEnvelope = 0.0;
    double glueHeat = 0.0;
    double glueDarkState = 0.0;
    double glueLowState = 0.0;
    std::uint32_t rngState = kLeftChannel.seed;

private:
    // Poles that depend only on the rate.
    double glueLowCoeff = 0.0;
    double glueDownCoeff = 0.0;
    double glueUpCoeff = 0.0;
};
