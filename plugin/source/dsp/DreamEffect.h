#pragma once

#include "HeatChannel.h"
#include "TapeTransport.h"

#include <array>
#include <cstdint>
#include <vector>

// The tape-and-valve colouring behind the dream knob, before any level match:
// per channel a tape model and a heat model, then a DC blocker and the age
// filter (darker, thinner, with a little presence). One amount drives every
// internal setting along fixed curves; saturation scales how hard the tape and
// heat are driven, hiss scales the tape hiss. The owner writes the amounts at
// the start and end of each block; settings move every 32 samples.
class DreamEffect
{
public:
    // Internal settings at one dream amount.
    struct Settings
    {
        double driveShape;
        double emphasis;
        double tapeNoiseLevel;
        double heatDrive;
        double heatTone;
        double glue;
    };

    // The effect is bypassed while both ends of the block are below this.
    static constexpr double kActiveThreshold = 0.0001;
    // Over the first 1 % of the dream range the processed signal fades in
    // from the dry one, so switching the effect on never clicks.
    static constexpr double kFadeInAmount = 0.01;
    static constexpr int kChunkSize = 32;
    static constexpr double kTapeTone = 0.25;

    static constexpr std::array<double, 7> kCurveAmounts { 0.0, 0.1, 0.35, 0.5, 0.65, 0.8, 1.0 };
    static constexpr std::array<Settings, 7> kCurves { {
        { 0.0, 0.0, 0.0, 0.0, 0.0, 0.0 },
        { 0.1, 0.1, 0.0, 0.08, 0.1, 0.1 },
        { 0.28, 0.2, 0.0, 0.10, 0.28, 0.2 },
        { 0.36, 0.275, 0.0, 0.16, 0.35, 0.25 },
        { 0.40, 0.30, 0.0, 0.201, 0.35, 0.30 },
        { 0.425, 0.375, 0.0, 0.25, 0.45, 0.35 },
        { 0.45, 0.375, 0.03, 0.25, 0.45, 0.35 },
    } };

    static constexpr std::array<double, 4> kAgeAmounts { 0.0, 0.1, 0.35, 0.5 };
    static constexpr std::array<double, 4> kAgeCurve { 0.0, 0.1, 0.35, 0.45 };

    // The settings along the curves; 0 everywhere at or below amount 0.
    static Settings settingsAt(double amount);
    // The age filter's amount; flat at 0.45 above amount 0.5.
    static double ageAmountAt(double amount);

    // Allocates the dry copies and puts every state at rest.
    void prepare(double newSampleRate, int hostBlockSize);

    // Tape and heat states to rest (the tape hiss reseeded), age and DC
    // states to 0. The heat models' random walks keep their sequence.
    void reset();

    // In place, the first min(numSamples, maxBlockSize) samples. Leaves the
    // audio untouched while the effect is bypassed.
    void process(double* left, double* right, int numSamples);

    double sampleRate = 44100.0;
    std::int32_t maxBlockSize = 1;
    double startAmount = 0.0, endAmount = 0.0;
    double hissStart = 0.0, hissEnd = 0.0;
    double saturationStart = 0.0, saturationEnd = 0.0;
    TapeTransport tapeLeft, tapeRight;
    HeatChannel heatLeft, heatRight;
    std::vector<double> dryLeft, dryRight;
    std::array<double, 2> ageLowA {}, ageLowB {}, ageLowC {};
    std::array<double, 2> ageHigh {};
    std::array<double, 2> agePresence {};
    double dcCoeff = 0.0;
    std::array<double, 2> dcIn {}, dcOut {};

private:
    void runChunks(double* left, double* right, int n);
    void blockDc(double* samples, int n, std::size_t channel);
    void age(double* samples, int n, std::size_t channel, double amount);
    static void fadeInFromDry(double* samples, const double* dry, int n, double u0, double u1);
};
