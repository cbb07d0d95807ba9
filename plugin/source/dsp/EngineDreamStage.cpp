// The dream stage: tape, heat, hiss and saturation with a level match, then
// the master wow.
#include "VelmoraEngine.h"

void VelmoraEngine::prepareDream()
{
}

void VelmoraEngine::resetDream()
{
}

void VelmoraEngine::characterDream(int numSamples)
{
    dreamPassBegin(numSamples);
    dreamPassApply(wetLeft.data(), wetRight.data(), numSamples);
    wowPassBegin();
    wowPassApply(wetLeft.data(), wetRight.data(), numSamples);
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
