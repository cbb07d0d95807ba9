#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// Tape wow: a short delay line whose delay is swept by three slow sines at
// incommensurate rates plus a slow random wander per channel, read with
// quadratic interpolation. The channels share the sines; only their wander
// differs, so at no randomness the image stays centred. The random walks run
// on their own fixed-seed generators, so a render is repeatable to the bit.
//
// Its owner sets depth, rate and randomAmount before every call. At depth 0
// the audio passes untouched but the lines keep filling, so turning the wow
// up never reads stale audio.
class MasterWow
{
public:
    static constexpr double kMaxDelaySeconds = 0.1;
    static constexpr double kDepthScaleSeconds = 0.002; // delay swing per unit of depth
    static constexpr double kMinDelay = 0.5;
    static constexpr double kSilentDepth = 0.000001;
    static constexpr std::array<double, 3> kSineWeights { 0.55, 0.3, 0.15 };
    static constexpr std::array<double, 3> kSineRateRatios { 0.5, 1.2, 2.8 };
    static constexpr std::array<double, 3> kStartPhases { 0.0, 1.7, 3.2 };
    static constexpr std::uint32_t kSeedLeft = 501;
    static constexpr std::uint32_t kSeedRight = 607;

    // The dream stage's wow depth: a base curve over the dream amount (clamped
    // to 0..1), cubed so the wow stays subtle until the top of the range.
    struct CurvePoint
    {
        double amount, base;
    };
    static constexpr std::array<CurvePoint, 7> kDepthBaseCurve {
        { { 0.0, 0.0 }, { 0.1, 0.24 }, { 0.35, 0.40 }, { 0.5, 0.40 }, { 0.65, 0.40 }, { 0.8, 0.44 }, { 1.0, 0.44 } }
    };
    static double depthForDreamAmount(double dreamAmount);

    void prepare(double newSampleRate);
    void reset();

    // In place; returns at once when a pointer is absent or numSamples < 1.
    void processStereo(double* left, double* right, int numSamples);

    double sampleRate = 44100.0;
    int bufferLength = 0;
    std::vector<double> bufferLeft, bufferRight;
    int writeLeft = 0, writeRight = 0;
    double depth = 0.0;
    double rate = 0.1;         // Hz, 0.001..4
    double randomAmount = 1.0; // 0..4
    double phase1 = kStartPhases[0], phase2 = kStartPhases[1], phase3 = kStartPhases[2];
    double wanderLeft = 0.0, velocityLeft = 0.0, wanderRight = 0.0, velocityRight = 0.0;
    // Lane 0 serves the left channel, lane 1 the right; lanes 2 and 3 are
    // spare and left unseeded.
    std::array<std::uint32_t, 4> rngLanes { kSeedLeft, kSeedRight, 0, 0 };

private:
    double nextDraw(std::size_t lane);
    double delayFor(double lfo, double wander) const;
    double readTaps(const std::vector<double>& buffer, int write, double delay) const;
    int ringIndex(int position) const;
    void advanceWrite();
};
