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

void VelmoraEngine::driveStage(int numSamples)
{
    smoothers.drive.skip(numSamples);
}

void VelmoraEngine::derezStage(int numSamples)
{
    smoothers.derez.skip(numSamples);
}

void VelmoraEngine::wowPassBegin()
{
}

void VelmoraEngine::wowPassApply(double*, double*, int)
{
}
