// The character chain in the order the user picks, its drive and derez
// stages, and the master wow that the dream stage drives.
#include "VelmoraEngine.h"

#include <algorithm>
#include <array>

namespace
{
enum StageCode
{
    kDrive = 0,
    kDream = 1,
    kDerez = 2
};

constexpr double kMinWowRate = 0.001;
constexpr double kMaxWowRate = 4.0;
constexpr double kMaxWowRandom = 4.0;
} // namespace

const std::array<std::array<int, 3>, 6> VelmoraEngine::kCharOrderTable { {
    { kDrive, kDream, kDerez },
    { kDrive, kDerez, kDream },
    { kDream, kDrive, kDerez },
    { kDream, kDerez, kDrive },
    { kDerez, kDrive, kDream },
    { kDerez, kDream, kDrive },
} };

void VelmoraEngine::prepareCharacter()
{
    driveEffect.prepare(sampleRate);
    derez.prepare(sampleRate);
    masterWow.prepare(sampleRate);
}

void VelmoraEngine::resetCharacter()
{
    driveEffect.reset();
    derez.reset();
    masterWow.reset();
}

void VelmoraEngine::runCharacterOrdered(int numSamples)
{
    // An order out of range takes the nearest row rather than wrapping.
    const int row = std::clamp(routing.activeCharOrder, 0, 5);
    for (const int stage : kCharOrderTable[static_cast<size_t>(row)])
    {
        switch (stage)
        {
        case kDrive: driveStage(numSamples); break;
        case kDream: characterDream(numSamples); break;
        case kDerez: derezStage(numSamples); break;
        default: break;
        }
    }
}

// The drive runs at every amount, also at 0: its saturation, low-pass and DC
// blocker are part of the chain's sound.
void VelmoraEngine::driveStage(int numSamples)
{
    const double start = smoothers.drive.getCurrentValue();
    smoothers.drive.skip(numSamples);
    const double end = smoothers.drive.getCurrentValue();

    const double a = std::clamp(start, 0.0, 1.0);
    driveEffect.setCoefficients(a);
    driveEffect.startAmount = a;
    driveEffect.endAmount = std::clamp(end, 0.0, 1.0);
    driveEffect.process(wetLeft.data(), wetRight.data(), numSamples);
}

void VelmoraEngine::derezStage(int numSamples)
{
    const float start = smoothers.derez.getCurrentValue();
    smoothers.derez.skip(numSamples);
    const float end = smoothers.derez.getCurrentValue();
    derez.processStereo(wetLeft.data(), wetRight.data(), numSamples, start, end);
}

// The wow follows where the dream ramp ends in this block; rate and
// randomness are read as they stand (they advance at the end of the block).
void VelmoraEngine::wowPassBegin()
{
    masterWow.depth = MasterWow::depthForDreamAmount(dreamEnd);
    masterWow.rate = std::clamp(static_cast<double>(smoothers.wow_rate.getCurrentValue()), kMinWowRate, kMaxWowRate);
    masterWow.randomAmount = std::clamp(static_cast<double>(smoothers.wow_rnd.getCurrentValue()), 0.0, kMaxWowRandom);
}

void VelmoraEngine::wowPassApply(double* left, double* right, int numSamples)
{
    masterWow.processStereo(left, right, numSamples);
}
