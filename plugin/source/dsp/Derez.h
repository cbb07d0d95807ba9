#pragma once

namespace velmora
{

// An early-sampler degrader: the signal is band-limited, sampled and held at a
// fixed low rate and quantised to 255 levels spread over its own envelope, so
// quiet passages are as coarse as loud ones. Two branches, 16 kHz and 9 kHz;
// the amount crossfades from dry to the first (0 to 0.5) and then from the
// first to the second (0.5 to 1). The hold clocks run at fractional rates, so
// their rhythm does not depend on the host rate dividing evenly.
class Derez
{
public:
    // One second-order section in transposed direct form II.
    struct Biquad
    {
        double b0 = 0.0, b1 = 0.0, b2 = 0.0, a1 = 0.0, a2 = 0.0, z1 = 0.0, z2 = 0.0;

        // Butterworth low-pass (Q = 1/sqrt 2) by the bilinear transform.
        void setLowpass(double cutoffHz, double sampleRate);

        double process(double x)
        {
            const double y = b0 * x + z1;
            z1 = b1 * x - a1 * y + z2;
            z2 = b2 * x - a2 * y;
            return y;
        }

        void clear() { z1 = z2 = 0.0; }
    };

    static constexpr double kHoldRateA = 16000.0;
    static constexpr double kHoldRateB = 9000.0;
    static constexpr double kCutoffA = 7200.0;
    static constexpr double kCutoffB = 4050.0;
    static constexpr double kMaxCutoffRatio = 0.225; // of the sample rate
    static constexpr double kEnvelopeFloor = 0.0001;
    static constexpr double kLevels = 127.0; // either side of zero: 255 levels
    static constexpr float kSilentAmount = 0.0001f;

    // v scaled to the envelope e, rounded to one of 255 levels (halves away
    // from zero) and scaled back.
    static double quantise(double v, double e);

    void prepare(double newSampleRate);
    void reset();

    // In place. The amounts are those at the start and end of the block; the
    // first sample already takes one step of the ramp and the last reaches
    // endAmount. With both below 0.0001 nothing is touched.
    void processStereo(double* left, double* right, int numSamples, float startAmount, float endAmount);

    double sampleRate = 44100.0;
    double holdPhaseA = 0.0, holdPhaseB = 0.0;
    double heldLeftA = 0.0, heldRightA = 0.0;
    double heldLeftB = 0.0, heldRightB = 0.0;
    double envelopeLeft = kEnvelopeFloor, envelopeRight = kEnvelopeFloor;
    double envelopeAttack = 0.0;
    double envelopeRelease = 0.0;
    bool active = false;
    Biquad leftA1, leftA2, rightA1, rightA2;
    Biquad leftB1, leftB2, rightB1, rightB2;

private:
    void clearState();
    double followEnvelope(double x, double& envelope) const;
};

} // namespace velmora
