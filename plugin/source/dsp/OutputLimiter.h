#pragma once

// The last stage: holds the output near 0 dBFS with a smoothed gain and
// narrows it to the host's float channels. There is no hard clip; a transient
// faster than the 1 ms smoothing can pass the ceiling briefly.
struct OutputLimiter
{
    void prepare(double sampleRate);
    void reset();

    // out = limit(gain * wet), written to the host channels.
    void process(const double* wetLeft, const double* wetRight, double gain, float* outLeft, float* outRight,
                 int numSamples);

    double envelope = 0.0;
    double envAttack = 0.0;
    double envRelease = 0.0;
    double gain = 1.0;
    double gainAttack = 0.0;
    double gainRelease = 0.0;
};
