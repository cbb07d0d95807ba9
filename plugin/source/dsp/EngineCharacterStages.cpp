// The character chain: drive, dream and derez in the order the user picks.
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
}

void VelmoraEngine::resetCharacter()
{
}

void VelmoraEngine::runCharacterOrdered(int numSamples)
{
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

void VelmoraEngine::characterDream(int numSamples)
{
    dreamPassBegin(numSamples);
    dreamPassApply(wetLeft.data(), wetRight.data(), numSamples);
    wowPassBegin();
    wowPassApply(wetLeft.data(), wetRight.data(), numSamples);
}

void VelmoraEngine::driveStage(int numSamples)
{
    smoothers.drive.skip(numSamples);
}

void VelmoraEngine::derezStage(int numSamples)
{
    smoothers.derez.skip(numSamples);
}

void VelmoraEngine::dreamPassBegin(int numSamples)
{
    smoothers.dream.skip(numSamples);
    smoothers.hiss.skip(numSamples);
    smoothers.saturation.skip(numSamples);
}

void VelmoraEngine::dreamPassApply(double*, double*, int)
{
}

void VelmoraEngine::wowPassBegin()
{
}

void VelmoraEngine::wowPassApply(double*, double*, int)
{
}
