#pragma once

#include <array>

// A soft saturator with a tone-darkening low-pass and a DC blocker. The drive
// amount raises the gain into the saturator and lowers it by the same factor
// afterwards, so the level stays put while the colour thickens; the trim makes
// up for what the saturation and the low-pass take away. It runs at every
// amount, so even at 0 the signal is gently rounded and band-limited.
//
// Its owner sets the block's start and end amounts (and the coefficients for
// the start) before each call; within a block the amount moves in steps of 32
// samples, so the coefficients cost a few transcendentals per step rather than
// per sample.
class DriveEffect
{
public:
    static constexpr int kSubBlock = 32;

    // Measured make-up trim at amounts 0, 0.05, ... 1.
    static constexpr std::array<double, 21> kTrim { 1.0257, 1.0268, 1.0292, 1.0351, 1.0447, 1.058,  1.0777,
                                                    1.1041, 1.1389, 1.1844, 1.2417, 1.3107, 1.3948, 1.4928,
                                                    1.6051, 1.7318, 1.8728, 2.0277, 2.1979, 2.3796, 2.5734 };

    // The trim for an amount, linearly interpolated in kTrim; amounts outside
    // 0..1 take the nearest end.
    static double satTrimForAmount(double amount);

    void prepare(double newSampleRate);
    void reset();

    // Sets inputGain, outputGain, trim and lowpassCoeff for an amount and
    // records it as `amount`.
    void setCoefficients(double a);

    // In place. Glides from startAmount towards endAmount across the block; the
    // end amount itself is first heard in the next block.
    void process(double* left, double* right, int numSamples);

    double sampleRate = 44100.0;
    double amount = 0.0;
    double startAmount = 0.0;
    double endAmount = 0.0;
    double inputGain = 1.0;
    double outputGain = 1.0;
    double trim = 1.0;
    double lowpassCoeff = 0.0;
    double lowpassLeft = 0.0, lowpassRight = 0.0;
    double dcCoeff = 0.0;
    double dcInLeft = 0.0, dcOutLeft = 0.0, dcInRight = 0.0, dcOutRight = 0.0;

private:
    double processSample(double input, double evenWeight, double& lowpass, double& dcIn, double& dcOut) const;
};
