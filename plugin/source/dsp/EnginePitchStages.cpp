// The octave layers (ascend, descend) and the shimmer feed into the reverb.
#include "VelmoraEngine.h"

void VelmoraEngine::preparePitch()
{
}

void VelmoraEngine::resetPitch()
{
}

void VelmoraEngine::applyDescendStage(float, int)
{
}

void VelmoraEngine::plainShimmerFeed(int)
{
}

void VelmoraEngine::limitedShimmerFeed(int)
{
}

void VelmoraEngine::runAscendStage(bool, int)
{
}
