#pragma once

// The filter and tone pass of the wet path: a second-order Butterworth
// high-pass and low-pass, then a first-order tilt around 1 kHz. Coefficients
// are set once per block by the owner; the pass runs in place.
class FilterTone
{
public:
    struct Biquad
    {
        double b0 = 1.0, b1 = 0.0, b2 = 0.0, a1 = 0.0, a2 = 0.0; // a0 normalised to 1

        static Biquad highPass(double frequency, double sampleRate);
        static Biquad lowPass(double frequency, double sampleRate);
    };

    // Direct form I: previous two inputs and outputs.
    struct History
    {
        double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;

        double process(const Biquad& c, double x)
        {
            const double y = c.b0 * x + c.b1 * x1 + c.b2 * x2 - c.a1 * y1 - c.a2 * y2;
            x2 = x1;
            x1 = x;
            y2 = y1;
            y1 = y;
            return y;
        }
    };

    // Below this the high-pass is bypassed; only the engine's start value of
    // 20 Hz right after a prepare gets there.
    static constexpr double kHighPassBypassBelow = 21.0;
    // Above this the low-pass is bypassed: 20 kHz means "open".
    static constexpr double kLowPassBypassAbove = 19999.0;
    static constexpr double kTiltPivotHz = 1000.0;
    static constexpr double kTiltRangeDb = 12.0;

    // Sets the tilt's pivot for the rate and clears every history.
    void prepare(double sampleRate);

    // Clears every history. A filter left ringing with the last output would
    // feed a blip of stale audio into a freshly cleared reverb.
    void reset();

    void setCutoffs(double highPassHz, double lowPassHz);
    void setTilt(double tiltDb);

    void process(double* left, double* right, int numSamples);

    double sampleRate = 44100.0;
    Biquad highPass, lowPass;
    History highPassLeft, highPassRight, lowPassLeft, lowPassRight;
    double tiltCoeff = 0.0;
    double tiltLowGain = 1.0;
    double tiltHighGain = 1.0;
    double tiltStateLeft = 0.0;
    double tiltStateRight = 0.0;
};
